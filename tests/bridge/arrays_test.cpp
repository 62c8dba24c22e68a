// Arrays through the main object: primitive arrays of all eight types made, written and read
// (values checked on the Java side with raw JNI), the SAFEARRAY shapes and types each way, the
// refusals that leave the Java array unchanged, and object arrays as one handle per element.

#include <gmock/gmock.h>

#include <cfloat>
#include <climits>
#include <cstring>

#include "bridge/java_arrays.h"
#include "bridge_test.h"
#include "common/com/variant.h"
#include "objects_test_support.h"

namespace mv::test {
namespace {

using ::testing::ElementsAre;

// The Java elements of a primitive array, read with the region call of its element type.
void Region(JNIEnv* env, jarray a, jsize n, jboolean* out) { env->GetBooleanArrayRegion(static_cast<jbooleanArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jbyte* out) { env->GetByteArrayRegion(static_cast<jbyteArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jchar* out) { env->GetCharArrayRegion(static_cast<jcharArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jshort* out) { env->GetShortArrayRegion(static_cast<jshortArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jint* out) { env->GetIntArrayRegion(static_cast<jintArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jlong* out) { env->GetLongArrayRegion(static_cast<jlongArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jfloat* out) { env->GetFloatArrayRegion(static_cast<jfloatArray>(a), 0, n, out); }
void Region(JNIEnv* env, jarray a, jsize n, jdouble* out) { env->GetDoubleArrayRegion(static_cast<jdoubleArray>(a), 0, n, out); }

template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

class PrimitiveArrays : public BridgeTest {
protected:
    template <typename JavaElement>
    std::vector<JavaElement> JavaElements(UINT64 handle) {
        const auto array = static_cast<jarray>(ObjectOf(handle));
        std::vector<JavaElement> elements(static_cast<std::size_t>(env()->GetArrayLength(array)));
        if (!elements.empty()) Region(env(), array, static_cast<jsize>(elements.size()), elements.data());
        return elements;
    }

    // New (three zeros come back), Set from lower bound 5, Java sees `inJava`, Get gives `out`.
    template <typename In, typename JavaElement, typename Out>
    void RoundTrip(JavaTypes type, VARTYPE inVt, const std::vector<In>& in, const std::vector<JavaElement>& inJava,
                   VARTYPE outVt, const std::vector<Out>& out) {
        const MvJniProxyCounters before = Counters();
        UINT64 array = 0;
        ASSERT_EQ(bridge()->NewJavaPrimitiveArray(type, static_cast<LONG>(in.size()), &array), S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1);
        EXPECT_EQ(env()->GetObjectRefType(ObjectOf(array)), JNIGlobalRefType);
        unique_variant read;
        ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, type, read.get_mutable()), S_OK);
        EXPECT_TRUE(SameBits(ElementsOf<Out>(read.get(), outVt), std::vector<Out>(in.size(), Out{}))) << "zeros";

        const unique_safearray values = MakeSafeArray(inVt, in, 5);
        ASSERT_EQ(bridge()->SetJavaPrimitiveArray(array, type, ArrayVariant(inVt, values.get())), S_OK);
        EXPECT_TRUE(SameBits(JavaElements<JavaElement>(array), inJava)) << "what Java holds";
        ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, type, read.get_mutable()), S_OK);
        EXPECT_TRUE(SameBits(ElementsOf<Out>(read.get(), outVt), out)) << "what comes back";

        EXPECT_EQ(bridge()->DeleteJavaObject(array), S_OK);
        EXPECT_EQ(LiveGlobalRefs(), 0);
        EXPECT_TRUE(NoException());
    }

    UINT64 JavaInts(std::vector<jint> values) {
        LocalFrame frame(env(), 4);
        jintArray array = env()->NewIntArray(static_cast<jsize>(values.size()));
        env()->SetIntArrayRegion(array, 0, static_cast<jsize>(values.size()), values.data());
        return Handle(array);
    }
};

TEST_F(PrimitiveArrays, BooleansAreWrittenAsVtBoolAndReadAsVtI2) {
    RoundTrip<VARIANT_BOOL, jboolean, SHORT>(Boolean, VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 5}, {1, 0, 1},
                                              VT_I2, {-1, 0, -1});
}

TEST_F(PrimitiveArrays, BytesAreCopiedBitForBit) {
    RoundTrip<CHAR, jbyte, CHAR>(Byte, VT_I1, {CHAR(0xFF), 0, 0x7F}, {-1, 0, 127}, VT_I1, {CHAR(0xFF), 0, 0x7F});
}

TEST_F(PrimitiveArrays, CharsAreUtf16UnitsBitForBit) {
    RoundTrip<USHORT, jchar, USHORT>(Char, VT_UI2, {0xD834, 0xDD1E, 0xFFFF}, {0xD834, 0xDD1E, 0xFFFF}, VT_UI2,
                                     {0xD834, 0xDD1E, 0xFFFF});
}

TEST_F(PrimitiveArrays, ShortsIntsAndLongsKeepTheirExtremes) {
    RoundTrip<SHORT, jshort, SHORT>(Short, VT_I2, {SHRT_MIN, 0, SHRT_MAX}, {SHRT_MIN, 0, SHRT_MAX}, VT_I2,
                                    {SHRT_MIN, 0, SHRT_MAX});
    RoundTrip<LONG, jint, LONG>(Int, VT_I4, {LONG_MIN, -2, LONG_MAX}, {LONG_MIN, -2, LONG_MAX}, VT_I4,
                                {LONG_MIN, -2, LONG_MAX});
    RoundTrip<LONGLONG, jlong, LONGLONG>(Long, VT_I8, {LLONG_MIN, 1LL << 40, LLONG_MAX},
                                         {LLONG_MIN, 1LL << 40, LLONG_MAX}, VT_I8, {LLONG_MIN, 1LL << 40, LLONG_MAX});
}

TEST_F(PrimitiveArrays, FloatsAndDoublesKeepTheirBits) {
    RoundTrip<float, jfloat, float>(Float, VT_R4, {-8.25f, FLT_MIN, -0.0f}, {-8.25f, FLT_MIN, -0.0f}, VT_R4,
                                    {-8.25f, FLT_MIN, -0.0f});
    RoundTrip<double, jdouble, double>(Double, VT_R8, {1e300, DBL_MIN, -0.0}, {1e300, DBL_MIN, -0.0}, VT_R8,
                                       {1e300, DBL_MIN, -0.0});
}

TEST_F(PrimitiveArrays, SetTakesTheFirstElementsOfALongerArrayAndRefusesAShorterOne) {
    const UINT64 array = JavaInts({0, 0, 0});
    const unique_safearray longer = MakeSafeArray<LONG>(VT_I4, {1, 2, 3, 4, 5}, 5);  // bounds 5..9
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_I4, longer.get())), S_OK);
    EXPECT_THAT(JavaElements<jint>(array), ElementsAre(1, 2, 3));

    const unique_safearray shorter = MakeSafeArray<LONG>(VT_I4, {7, 8}, 5);  // bounds 5..6
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_I4, shorter.get())), E_FAIL);
    EXPECT_THAT(JavaElements<jint>(array), ElementsAre(1, 2, 3));
    EXPECT_TRUE(NoException());
}

TEST_F(PrimitiveArrays, SetRefusesEveryOtherVariantTypeAndLeavesJavaUnchanged) {
    const UINT64 array = JavaInts({1, 2, 3});
    const unique_safearray ints = MakeSafeArray<LONG>(VT_I4, {7, 8, 9});
    const unique_safearray unsignedInts = MakeSafeArray<ULONG>(VT_UI4, {7, 8, 9});
    const unique_safearray shorts = MakeSafeArray<SHORT>(VT_I2, {7, 8, 9});
    SAFEARRAY* byReference = ints.get();

    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_UI4, unsignedInts.get())), E_FAIL);
    VARIANT viaReference = ArrayVariant(static_cast<VARTYPE>(VT_BYREF | VT_I4), nullptr);
    V_ARRAYREF(&viaReference) = &byReference;
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, viaReference), E_FAIL);
    // A VT_I4 label on a SAFEARRAY of 16-bit elements.
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_I4, shorts.get())), E_FAIL);
    // The type must match the Java array's element type.
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Short, ArrayVariant(VT_I2, shorts.get())), E_FAIL);
    // A type outside Boolean..Double.
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, static_cast<JavaTypes>(8), ArrayVariant(VT_I4, ints.get())), E_FAIL);
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, static_cast<JavaTypes>(-1), ArrayVariant(VT_I4, ints.get())), E_FAIL);
    // A missing SAFEARRAY: the bounds query's own answer.
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_I4, nullptr)), E_INVALIDARG);
    EXPECT_THAT(JavaElements<jint>(array), ElementsAre(1, 2, 3));
    EXPECT_TRUE(NoException());
}

TEST_F(PrimitiveArrays, EmptyArraysCrossBothWays) {
    UINT64 array = 0;
    ASSERT_EQ(bridge()->NewJavaPrimitiveArray(Double, 0, &array), S_OK);
    unique_variant read;
    ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, Double, read.get_mutable()), S_OK);
    EXPECT_TRUE(ElementsOf<double>(read.get(), VT_R8).empty());
    const unique_safearray none = MakeSafeArray<double>(VT_R8, {});
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(array, Double, ArrayVariant(VT_R8, none.get())), S_OK);
    LONG length = -1;
    EXPECT_EQ(bridge()->GetJavaArrayLength(array, &length), S_OK);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(bridge()->DeleteJavaObject(array), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(PrimitiveArrays, GetReplacesTheOutputOnlyOnSuccess) {
    const UINT64 array = JavaInts({4, 5});
    unique_variant out;
    V_VT(out.get_mutable()) = VT_BSTR;
    V_BSTR(out.get_mutable()) = ::SysAllocString(L"cleared first");
    ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, Int, out.get_mutable()), S_OK);
    EXPECT_THAT(ElementsOf<LONG>(out.get(), VT_I4), ElementsAre(4, 5));

    unique_variant untouched;
    V_VT(untouched.get_mutable()) = VT_I4;
    V_I4(untouched.get_mutable()) = 12345;
    // Another element type than the Java array's, and types outside Boolean..Double.
    for (JavaTypes type : {Byte, Long, static_cast<JavaTypes>(8), static_cast<JavaTypes>(-1)}) {
        EXPECT_EQ(bridge()->GetJavaPrimitiveArray(array, type, untouched.get_mutable()), E_FAIL) << type;
        EXPECT_EQ(untouched.type(), VT_I4);
        EXPECT_EQ(V_I4(&untouched.get()), 12345);
    }
    EXPECT_TRUE(NoException());
}

TEST_F(PrimitiveArrays, NewRefusesBadTypesAndSizesAndJvmRefusalsWithNothingLeft) {
    UINT64 array = 0x1234;
    EXPECT_EQ(bridge()->NewJavaPrimitiveArray(static_cast<JavaTypes>(8), 3, &array), E_FAIL);
    EXPECT_EQ(bridge()->NewJavaPrimitiveArray(Int, -1, &array), E_FAIL);
    EXPECT_TRUE(NoException()) << "NegativeArraySizeException cleared";
    const char* const makers[] = {"NewBooleanArray", "NewByteArray", "NewCharArray", "NewShortArray",
                                  "NewIntArray", "NewLongArray", "NewFloatArray", "NewDoubleArray"};
    for (int type = Boolean; type <= Double; ++type) {
        SCOPED_TRACE(makers[type]);
        ASSERT_EQ(MvJniProxy_FailNext(makers[type], 1), 1);
        EXPECT_EQ(bridge()->NewJavaPrimitiveArray(static_cast<JavaTypes>(type), 3, &array), E_FAIL);
        EXPECT_TRUE(NoException()) << "OutOfMemoryError cleared";
    }
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->NewJavaPrimitiveArray(Int, 3, &array), E_FAIL);
    EXPECT_EQ(array, 0x1234u);
    EXPECT_EQ(LiveGlobalRefs(), 0);
    EXPECT_EQ(Counters().globalRefsMade, 0);
}

TEST_F(PrimitiveArrays, GetJavaArrayLengthAnswersJavasLength) {
    LONG length = -1;
    EXPECT_EQ(bridge()->GetJavaArrayLength(JavaInts({1, 2, 3, 4, 5}), &length), S_OK);
    EXPECT_EQ(length, 5);
    LocalFrame frame(env(), 4);
    const UINT64 objects = Handle(env()->NewObjectArray(2, FindClass("java/lang/Object"), nullptr));
    EXPECT_EQ(bridge()->GetJavaArrayLength(objects, &length), S_OK);
    EXPECT_EQ(length, 2);
}

class ObjectArrays : public BridgeTest {
protected:
    // A static array field of fixtures.ArrayFields, held by the test.
    UINT64 Field(const char* name, const char* signature) {
        LocalFrame frame(env(), 4);
        jclass fields = FindClass("fixtures/ArrayFields");
        return Handle(env()->GetStaticObjectField(fields, StaticFieldId(fields, name, signature)));
    }
    jobject JavaElement(UINT64 array, jsize i) {
        return env()->GetObjectArrayElement(static_cast<jobjectArray>(ObjectOf(array)), i);
    }
};

TEST_F(ObjectArrays, EachElementComesBackAsItsOwnGlobalReference) {
    const UINT64 array = Field("objects", "[Ljava/lang/Object;");
    const MvJniProxyCounters before = Counters();
    unique_variant out;
    ASSERT_EQ(bridge()->GetJavaObjectArray(array, out.get_mutable()), S_OK);
    const std::vector<UINT64> handles = ElementsOf<UINT64>(out.get(), VT_UI8);
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 2);
    LocalFrame frame(env(), 8);
    for (jsize i = 0; i < 2; ++i) {
        EXPECT_EQ(env()->GetObjectRefType(ObjectOf(handles[i])), JNIGlobalRefType);
        EXPECT_TRUE(env()->IsSameObject(ObjectOf(handles[i]), JavaElement(array, i)));
    }
    unique_bstr text;
    EXPECT_EQ(bridge()->GetJavaString(handles[0], text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), L"first");
    for (UINT64 handle : handles) EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ObjectArrays, ArraysOfAnyReferenceTypeAndEmptyArraysAreRead) {
    unique_variant out;
    ASSERT_EQ(bridge()->GetJavaObjectArray(Field("strings", "[Ljava/lang/String;"), out.get_mutable()), S_OK);
    const std::vector<UINT64> handles = ElementsOf<UINT64>(out.get(), VT_UI8);
    std::wstring joined;
    for (UINT64 handle : handles) {
        unique_bstr text;
        EXPECT_EQ(bridge()->GetJavaString(handle, text.put()), S_OK);
        joined += TextOf(text.get());
        EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    }
    EXPECT_EQ(joined, L"xyz");

    LocalFrame frame(env(), 4);
    const UINT64 empty = Handle(env()->NewObjectArray(0, FindClass("java/lang/Object"), nullptr));
    ASSERT_EQ(bridge()->GetJavaObjectArray(empty, out.get_mutable()), S_OK);
    EXPECT_TRUE(ElementsOf<UINT64>(out.get(), VT_UI8).empty());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ObjectArrays, ANullElementFailsAndTakesBackTheHandlesMadeBeforeIt) {
    const UINT64 array = Field("objectsWithNull", "[Ljava/lang/Object;");  // {"first", null}
    unique_variant out;
    V_VT(out.get_mutable()) = VT_I4;
    V_I4(out.get_mutable()) = 12345;
    const MvJniProxyCounters before = Counters();
    EXPECT_EQ(bridge()->GetJavaObjectArray(array, out.get_mutable()), E_FAIL);
    EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1) << "the first element's";
    EXPECT_EQ(LiveGlobalRefs(), 0);
    EXPECT_EQ(out.type(), VT_I4);
    EXPECT_EQ(V_I4(&out.get()), 12345);
    EXPECT_TRUE(NoException());
}

TEST_F(ObjectArrays, RefusalsAndOtherArraysFailWithNothingLeft) {
    const UINT64 array = Field("objects", "[Ljava/lang/Object;");
    unique_variant out;
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->GetJavaObjectArray(array, out.get_mutable()), E_FAIL);
    ASSERT_EQ(MvJniProxy_FailNext("FindClass", 1), 1);  // the check that the handle names an object array
    EXPECT_EQ(bridge()->GetJavaObjectArray(array, out.get_mutable()), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaObjectArray(Field("ints", "[I"), out.get_mutable()), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaObjectArray(NewObjectHandle("fixtures/Base"), out.get_mutable()), E_FAIL);
    EXPECT_EQ(out.type(), VT_EMPTY);
    EXPECT_EQ(LiveGlobalRefs(), 0);
    EXPECT_TRUE(NoException());
}

TEST_F(ObjectArrays, TheNarrowFormHoldsTheReferencesThemselves) {
    // VT_UI8 SAFEARRAYs exist here, so the members never fall back; the fallback's reading is
    // checked directly.
    EXPECT_EQ(ObjectArrayElementType(2), VT_UI8);
    const UINT64 array = Field("objects", "[Ljava/lang/Object;");
    unique_variant out;
    ASSERT_EQ(ReadObjectArray(env(), static_cast<jobjectArray>(ObjectOf(array)), 2, VT_UI4, out.get_mutable()), S_OK);
    const std::vector<ULONG> references = ElementsOf<ULONG>(out.get(), VT_UI4);
    ASSERT_EQ(references.size(), 2u);
    LocalFrame frame(env(), 8);
    for (jsize i = 0; i < 2; ++i) {
        const auto global = reinterpret_cast<jobject>(static_cast<std::uintptr_t>(references[i]));
        EXPECT_EQ(env()->GetObjectRefType(global), JNIGlobalRefType);
        EXPECT_TRUE(env()->IsSameObject(global, JavaElement(array, i)));
        env()->DeleteGlobalRef(global);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

}  // namespace
}  // namespace mv::test
