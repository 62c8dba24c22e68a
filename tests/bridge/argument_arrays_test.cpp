// Malformed SAFEARRAYs given as a method's argument array (elements that are not VARIANTs, no
// data, bounds beyond LONG's range) and the narrow object-array form with references that do
// not fit in 32 bits: each fails with nothing called, nothing left and the client's array free.

#include <cstdint>

#include "bridge/java_arrays.h"
#include "bridge_test.h"
#include "common/com/safearray.h"
#include "common/com/variant.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

// One malformed shape: the descriptor a client built, and whether its data pointer is set.
struct Shape {
    const char* what;
    VARTYPE descriptorType;  // of SafeArrayAllocDescriptorEx; VT_EMPTY: an untyped descriptor
    ULONG elementSize;       // cbElements written over the type's own; 0: the type's own
    LONG lower;
    ULONG count;
    bool hasData;
};

// Behind each data pointer lie two VARIANTs a careless reader would take as arguments.
const Shape kShapes[] = {
    {"ints labelled as VARIANTs", VT_I4, 0, 0, 1, true},
    {"handles labelled as VARIANTs", VT_UI8, 0, 0, 1, true},
    {"VARIANT descriptor with 4-byte elements", VT_VARIANT, 4, 0, 1, true},
    {"untyped VARIANT-sized elements", VT_EMPTY, sizeof(VARIANT), 0, 1, true},
    {"VARIANT descriptor without data", VT_VARIANT, 0, 0, 1, false},
    {"bounds beyond LONG's range", VT_VARIANT, 0, 0x7FFFFFFF, 2, true},
};

SAFEARRAY* Describe(const Shape& shape, VARIANT* data) {
    SAFEARRAY* array = nullptr;
    const HRESULT hr = shape.descriptorType == VT_EMPTY ? ::SafeArrayAllocDescriptor(1, &array)
                                                        : ::SafeArrayAllocDescriptorEx(shape.descriptorType, 1, &array);
    if (FAILED(hr)) return nullptr;
    if (shape.elementSize) array->cbElements = shape.elementSize;
    array->rgsabound[0].lLbound = shape.lower;
    array->rgsabound[0].cElements = shape.count;
    if (shape.hasData) {
        array->pvData = data;
        array->fFeatures |= FADF_STATIC;  // the client's own memory: destroying does not free it
    }
    return array;
}

class ArgumentArrays : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_counted = NewObjectHandle("fixtures/Counted");
        LocalFrame frame(env(), 4);
        jclass counted = FindClass("fixtures/Counted");
        m_calls = StaticFieldId(counted, "calls", "I");
    }
    int Calls() {
        LocalFrame frame(env(), 4);
        return env()->GetStaticIntField(FindClass("fixtures/Counted"), m_calls);
    }

    UINT64 m_counted = 0;  // a fixtures.Counted: recordHere(long[, long]) counts its calls
    jfieldID m_calls = nullptr;
};

TEST_F(ArgumentArrays, MalformedArraysFailWithNothingCalledAndTheArrayFree) {
    const unique_bstr name = Bstr(L"recordHere");
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.what);
        const unique_bstr sig = Bstr(shape.count == 1 ? L"(J)I" : L"(JJ)I");  // as many longs as elements
        VARIANT data[2];
        for (LONGLONG i = 0; i < 2; ++i) data[i] = ArgI8(42 + i);
        SAFEARRAY* array = Describe(shape, data);
        ASSERT_NE(array, nullptr);
        VARIANT paramArray;
        V_VT(&paramArray) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(&paramArray) = array;
        const int callsBefore = Calls();
        LONG result = -1;
        EXPECT_EQ(bridge()->CallIntMethod(m_counted, name.get(), sig.get(), paramArray, &result), E_FAIL);
        EXPECT_EQ(Calls(), callsBefore) << "the Java method ran";
        EXPECT_EQ(result, -1);
        EXPECT_EQ(LiveGlobalRefs(), 0);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(array->cLocks, 0u);
        EXPECT_EQ(::SafeArrayDestroy(array), S_OK);
    }
}

// Every object reference this process sees is moved above 2^32 for the scope.
class ReferencesAbove4G {
public:
    static constexpr std::uint64_t kOffset = 1ull << 40;
    ReferencesAbove4G() { MvJniProxy_SetReferenceOffset(kOffset); }
    ~ReferencesAbove4G() { MvJniProxy_SetReferenceOffset(0); }
    ReferencesAbove4G(const ReferencesAbove4G&) = delete;
    ReferencesAbove4G& operator=(const ReferencesAbove4G&) = delete;
};

TEST_F(ArgumentArrays, NarrowObjectArrayRefusesReferencesBeyond32Bits) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "32-bit references always fit";
    const ReferencesAbove4G above;
    LocalFrame frame(env(), 8);
    jclass fields = FindClass("fixtures/ArrayFields");
    const auto array = static_cast<jobjectArray>(
        env()->GetStaticObjectField(fields, StaticFieldId(fields, "objects", "[Ljava/lang/Object;")));
    ASSERT_GT(reinterpret_cast<std::uintptr_t>(array), 0xFFFFFFFFull);

    unique_variant out;
    EXPECT_EQ(ReadObjectArray(env(), array, 2, VT_UI4, out.get_mutable()), E_FAIL);
    EXPECT_EQ(out.type(), VT_EMPTY);
    EXPECT_EQ(LiveGlobalRefs(), 0) << "references made for the refused array";
    EXPECT_TRUE(NoException());

    // The usual form carries the same references whole.
    const UINT64 handle = reinterpret_cast<std::uintptr_t>(array);
    ASSERT_EQ(bridge()->GetJavaObjectArray(handle, out.put()), S_OK);
    ASSERT_EQ(out.type(), VT_ARRAY | VT_UI8);
    const safearray_lock lock(V_ARRAY(&out.get()));
    ASSERT_TRUE(lock.ok());
    for (jsize i = 0; i < 2; ++i) {
        const auto element = reinterpret_cast<jobject>(static_cast<std::uintptr_t>(static_cast<UINT64*>(lock.data())[i]));
        EXPECT_GT(reinterpret_cast<std::uintptr_t>(element), 0xFFFFFFFFull);
        EXPECT_TRUE(env()->IsSameObject(element, env()->GetObjectArrayElement(array, i)));
        env()->DeleteGlobalRef(element);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

}  // namespace
}  // namespace mv::test
