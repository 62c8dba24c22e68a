// The primitive field members against a real JVM: static and instance round trips of the eight
// types with boundary values (checked on the Java side through raw JNI), the class that static
// members are looked up in, lookups that miss, and arguments refused before any Java work.

#include <cfloat>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bridge_test.h"
#include "fields_methods_support.h"
#include "jvm/mv_java_cpp.h"

namespace mv::test {
namespace {

// One value through a setter: what Java then holds and what the getter then answers.
template <typename Com, typename Jni>
struct value_case {
    Com given;
    Jni inJava;
    Com readBack;
};

// The four members of one primitive type, the fields of fixtures.Fields they are tried on, and
// the values to send through them.
template <typename Com, typename Jni>
struct primitive_members {
    const char* field;
    const char* staticField;
    const char* signature;
    Com initial;  // what the getters answer for the fields' first values
    Com staticInitial;
    HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*get)(UINT64, BSTR, Com*);
    HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*set)(UINT64, BSTR, Com);
    HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*getStatic)(UINT64, BSTR, Com*);
    HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*setStatic)(UINT64, BSTR, Com);
    Jni (JNIEnv::*rawGet)(jobject, jfieldID);
    Jni (JNIEnv::*rawGetStatic)(jclass, jfieldID);
    std::vector<value_case<Com, Jni>> values;
};

unique_bstr Name(const char* ascii) {
    const std::wstring wide(ascii, ascii + std::char_traits<char>::length(ascii));
    return unique_bstr(::SysAllocString(wide.c_str()));
}

class PrimitiveFields : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_frame = std::make_unique<LocalFrame>(env(), 64);
        m_class = FindClass("fixtures/Fields");
        ASSERT_NE(m_class, nullptr);
        ResetStatics();
        m_object = NewDefault("fixtures/Fields");
        ASSERT_NE(m_object, nullptr);
        m_handle = Handle(m_object);
    }
    void TearDown() override {
        if (m_class) ResetStatics();
        m_frame.reset();
        BridgeTest::TearDown();
    }

    void ResetStatics() {
        env()->CallStaticVoidMethod(m_class, StaticMethodId(m_class, "reset", "()V"));
        EXPECT_TRUE(NoException());
    }

    template <typename Com, typename Jni>
    void ExpectRoundTrips(const primitive_members<Com, Jni>& m) {
        SCOPED_TRACE(m.field);
        const unique_bstr name = Name(m.field);
        const unique_bstr staticName = Name(m.staticField);
        const jfieldID id = FieldId(m_class, m.field, m.signature);
        const jfieldID staticId = StaticFieldId(m_class, m.staticField, m.signature);
        ASSERT_TRUE(id && staticId);

        Com value{};
        ASSERT_EQ((bridge()->*m.get)(m_handle, name.get(), &value), S_OK);
        EXPECT_EQ(Bits(value), Bits(m.initial));
        ASSERT_EQ((bridge()->*m.getStatic)(m_handle, staticName.get(), &value), S_OK);
        EXPECT_EQ(Bits(value), Bits(m.staticInitial));

        for (const value_case<Com, Jni>& v : m.values) {
            SCOPED_TRACE(::testing::Message() << "value given " << +Bits(v.given));
            ASSERT_EQ((bridge()->*m.set)(m_handle, name.get(), v.given), S_OK);
            EXPECT_EQ(Bits((env()->*m.rawGet)(m_object, id)), Bits(v.inJava));
            value = Com{};
            ASSERT_EQ((bridge()->*m.get)(m_handle, name.get(), &value), S_OK);
            EXPECT_EQ(Bits(value), Bits(v.readBack));

            ASSERT_EQ((bridge()->*m.setStatic)(m_handle, staticName.get(), v.given), S_OK);
            EXPECT_EQ(Bits((env()->*m.rawGetStatic)(m_class, staticId)), Bits(v.inJava));
            value = Com{};
            ASSERT_EQ((bridge()->*m.getStatic)(m_handle, staticName.get(), &value), S_OK);
            EXPECT_EQ(Bits(value), Bits(v.readBack));
        }
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }

    std::unique_ptr<LocalFrame> m_frame;
    jclass m_class = nullptr;    // fixtures.Fields
    jobject m_object = nullptr;  // an instance of it
    UINT64 m_handle = 0;         // the test's handle to that instance
};

TEST_F(PrimitiveFields, BooleanNonZeroIsTrueInJavaAndTrueReadsAsMinusOne) {
    ExpectRoundTrips(primitive_members<VARIANT_BOOL, jboolean>{
        "booleanField", "staticBoolean", "Z", VARIANT_TRUE, VARIANT_TRUE,
        &IMvJavaCpp::GetBooleanField, &IMvJavaCpp::SetBooleanField,
        &IMvJavaCpp::GetStaticBooleanField, &IMvJavaCpp::SetStaticBoolenField,
        &JNIEnv::GetBooleanField, &JNIEnv::GetStaticBooleanField,
        {{VARIANT_FALSE, JNI_FALSE, VARIANT_FALSE},
         {2, JNI_TRUE, VARIANT_TRUE},
         {0, JNI_FALSE, VARIANT_FALSE},
         {VARIANT_TRUE, JNI_TRUE, VARIANT_TRUE},
         {1, JNI_TRUE, VARIANT_TRUE}}});
}

TEST_F(PrimitiveFields, ByteCrossesBitForBit) {
    ExpectRoundTrips(primitive_members<unsigned char, jbyte>{
        "byteField", "staticByte", "B", 255, 254,  // Java's -1 and -2
        &IMvJavaCpp::GetByteField, &IMvJavaCpp::SetByteField,
        &IMvJavaCpp::GetStaticByteField, &IMvJavaCpp::SetStaticByteField,
        &JNIEnv::GetByteField, &JNIEnv::GetStaticByteField,
        {{0xFF, -1, 0xFF}, {0x80, -128, 0x80}, {0x7F, 127, 0x7F}, {0, 0, 0}}});
}

TEST_F(PrimitiveFields, CharIsOneUtf16UnitSurrogatesIncluded) {
    ExpectRoundTrips(primitive_members<unsigned short, jchar>{
        "charField", "staticChar", "C", 0x00E9, 0x20AC,
        &IMvJavaCpp::GetCharField, &IMvJavaCpp::SetCharField,
        &IMvJavaCpp::GetStaticCharField, &IMvJavaCpp::SetStaticCharField,
        &JNIEnv::GetCharField, &JNIEnv::GetStaticCharField,
        {{0xD834, 0xD834, 0xD834}, {0xDD1E, 0xDD1E, 0xDD1E}, {0xFFFF, 0xFFFF, 0xFFFF}, {0, 0, 0}}});
}

TEST_F(PrimitiveFields, ShortKeepsItsLimits) {
    ExpectRoundTrips(primitive_members<short, jshort>{
        "shortField", "staticShort", "S", -12345, 32000,
        &IMvJavaCpp::GetShortField, &IMvJavaCpp::SetShortField,
        &IMvJavaCpp::GetStaticShortField, &IMvJavaCpp::SetStaticShortField,
        &JNIEnv::GetShortField, &JNIEnv::GetStaticShortField,
        {{SHRT_MIN, SHRT_MIN, SHRT_MIN}, {SHRT_MAX, SHRT_MAX, SHRT_MAX}, {-1, -1, -1}}});
}

TEST_F(PrimitiveFields, IntKeepsItsLimits) {
    ExpectRoundTrips(primitive_members<LONG, jint>{
        "intField", "staticInt", "I", 123456789, -987654321,
        &IMvJavaCpp::GetIntField, &IMvJavaCpp::SetIntField,
        &IMvJavaCpp::GetStaticIntField, &IMvJavaCpp::SetStaticIntField,
        &JNIEnv::GetIntField, &JNIEnv::GetStaticIntField,
        {{INT_MIN, INT_MIN, INT_MIN}, {INT_MAX, INT_MAX, INT_MAX}, {-1, -1, -1}}});
}

TEST_F(PrimitiveFields, LongKeepsAll64Bits) {
    ExpectRoundTrips(primitive_members<INT64, jlong>{
        "longField", "staticLong", "J", 0x0123456789abcdefLL, LLONG_MIN + 1,
        &IMvJavaCpp::GetLongField, &IMvJavaCpp::SetLongField,
        &IMvJavaCpp::GetStaticLongField, &IMvJavaCpp::SetStaticLongField,
        &JNIEnv::GetLongField, &JNIEnv::GetStaticLongField,
        {{LLONG_MIN, LLONG_MIN, LLONG_MIN},
         {LLONG_MAX, LLONG_MAX, LLONG_MAX},
         {0x7FFFFFFF80000000LL, 0x7FFFFFFF80000000LL, 0x7FFFFFFF80000000LL},
         {-2, -2, -2}}});
}

TEST_F(PrimitiveFields, FloatKeepsItsBits) {
    const float negativeZero = FromBits<float>(std::uint32_t{0x80000000u});
    const float smallestDenormal = FromBits<float>(std::uint32_t{0x00000001u});
    const float negativeInfinity = FromBits<float>(std::uint32_t{0xFF800000u});
    ExpectRoundTrips(primitive_members<float, jfloat>{
        "floatField", "staticFloat", "F", 1.5f, -0.75f,
        &IMvJavaCpp::GetFloatField, &IMvJavaCpp::SetFloatField,
        &IMvJavaCpp::GetStaticFloatField, &IMvJavaCpp::SetStaticFloatField,
        &JNIEnv::GetFloatField, &JNIEnv::GetStaticFloatField,
        {{negativeZero, negativeZero, negativeZero},
         {smallestDenormal, smallestDenormal, smallestDenormal},
         {FLT_MAX, FLT_MAX, FLT_MAX},
         {negativeInfinity, negativeInfinity, negativeInfinity}}});
}

TEST_F(PrimitiveFields, DoubleKeepsAll64Bits) {
    const double negativeZero = FromBits<double>(std::uint64_t{0x8000000000000000ull});
    const double negativeDenormal = FromBits<double>(std::uint64_t{0x8000000000000001ull});
    const double oddMantissa = FromBits<double>(std::uint64_t{0x3FF0000000000001ull});
    ExpectRoundTrips(primitive_members<double, jdouble>{
        "doubleField", "staticDouble", "D", -2.25, 6.02214076e23,
        &IMvJavaCpp::GetDoubleField, &IMvJavaCpp::SetDoubleField,
        &IMvJavaCpp::GetStaticDoubleField, &IMvJavaCpp::SetStaticDoubleField,
        &JNIEnv::GetDoubleField, &JNIEnv::GetStaticDoubleField,
        {{negativeZero, negativeZero, negativeZero},
         {negativeDenormal, negativeDenormal, negativeDenormal},
         {oddMantissa, oddMantissa, oddMantissa},
         {DBL_MAX, DBL_MAX, DBL_MAX}}});
}

TEST_F(PrimitiveFields, StaticFieldsAreLookedUpInTheClassOfTheObject) {
    // Through an instance: the static field of its class.
    LONG value = 0;
    ASSERT_EQ(bridge()->GetStaticIntField(m_handle, Bstr(L"staticInt").get(), &value), S_OK);
    EXPECT_EQ(value, -987654321);

    // Through the class object itself: the lookup is made in java.lang.Class, which has no
    // such field.
    const UINT64 classHandle = Handle(m_class);
    value = 17;
    EXPECT_EQ(bridge()->GetStaticIntField(classHandle, Bstr(L"staticInt").get(), &value), E_FAIL);
    EXPECT_EQ(bridge()->SetStaticIntField(classHandle, Bstr(L"staticInt").get(), 5), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(value, 17);
    EXPECT_EQ(env()->GetStaticIntField(m_class, StaticFieldId(m_class, "staticInt", "I")), -987654321);

    // An instance field is no static field, and a static one no instance field.
    EXPECT_EQ(bridge()->GetStaticIntField(m_handle, Bstr(L"intField").get(), &value), E_FAIL);
    EXPECT_EQ(bridge()->GetIntField(m_handle, Bstr(L"staticInt").get(), &value), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(value, 17);
}

TEST_F(PrimitiveFields, AFieldIsFoundOnlyWithTheMembersOwnType) {
    const jfieldID longId = FieldId(m_class, "longField", "J");
    LONG asInt = 17;
    EXPECT_EQ(bridge()->GetIntField(m_handle, Bstr(L"longField").get(), &asInt), E_FAIL);
    EXPECT_TRUE(NoException()) << "the failed lookup's error is cleared";
    EXPECT_EQ(asInt, 17) << "no output on failure";
    EXPECT_EQ(bridge()->SetIntField(m_handle, Bstr(L"longField").get(), 5), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->GetLongField(m_object, longId), 0x0123456789abcdefLL) << "nothing written";

    double asDouble = 1.0;
    EXPECT_EQ(bridge()->GetDoubleField(m_handle, Bstr(L"floatField").get(), &asDouble), E_FAIL);
    EXPECT_EQ(bridge()->GetStaticByteField(m_handle, Bstr(L"staticBoolean").get(), nullptr), E_POINTER);
    VARIANT_BOOL asBoolean = 5;
    EXPECT_EQ(bridge()->GetStaticBooleanField(m_handle, Bstr(L"staticByte").get(), &asBoolean), E_FAIL);
    EXPECT_EQ(bridge()->GetIntField(m_handle, Bstr(L"noSuchField").get(), &asInt), E_FAIL);
    EXPECT_EQ(bridge()->GetIntField(m_handle, Bstr(L"").get(), &asInt), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(asDouble, 1.0);
    EXPECT_EQ(asBoolean, 5);
    EXPECT_EQ(asInt, 17);
}

TEST_F(PrimitiveFields, ArgumentsAreCheckedBeforeAnyJavaWork) {
    LONG value = 17;
    MvJniProxy_ClearTrace();
    EXPECT_EQ(bridge()->GetIntField(m_handle, Bstr(L"intField").get(), nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetStaticIntField(0, Bstr(L"staticInt").get(), nullptr), E_POINTER)
        << "the output pointer is checked first";
    EXPECT_EQ(bridge()->GetIntField(0, Bstr(L"intField").get(), &value), E_FAIL);
    EXPECT_EQ(bridge()->SetStaticIntField(0, Bstr(L"staticInt").get(), 1), E_FAIL);
    EXPECT_EQ(bridge()->GetIntField(m_handle, nullptr, &value), E_FAIL) << "a null name";
    EXPECT_EQ(bridge()->SetDoubleField(m_handle, nullptr, 1.0), E_FAIL);
    EXPECT_EQ(ReadTrace(), "") << "no JNI call was made";
    EXPECT_EQ(value, 17);
}

TEST_F(PrimitiveFields, WithoutASavedJvmEveryMemberFails) {
    com_ptr<IMvJavaCpp> unsaved;
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, unsaved.put_void()), S_OK);
    LONG value = 17;
    MvJniProxy_ClearTrace();
    EXPECT_EQ(unsaved->GetIntField(m_handle, Bstr(L"intField").get(), &value), E_FAIL);
    EXPECT_EQ(unsaved->SetStaticIntField(m_handle, Bstr(L"staticInt").get(), 1), E_FAIL);
    EXPECT_EQ(ReadTrace(), "");
    EXPECT_EQ(value, 17);
}

TEST_F(PrimitiveFields, AFailedFieldLookupIsClearedAndTheNextCallWorks) {
    ASSERT_EQ(MvJniProxy_FailNext("GetStaticFieldID", 1), 1);
    LONG value = 17;
    EXPECT_EQ(bridge()->GetStaticIntField(m_handle, Bstr(L"staticInt").get(), &value), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(value, 17);
    EXPECT_EQ(bridge()->GetStaticIntField(m_handle, Bstr(L"staticInt").get(), &value), S_OK);
    EXPECT_EQ(value, -987654321);
}

TEST_F(PrimitiveFields, ManyCallsLeaveNoReferenceBehind) {
    const unique_bstr intName = Bstr(L"intField");
    const unique_bstr staticName = Bstr(L"staticLong");
    for (int i = 0; i < 100; ++i) {
        LONG value = 0;
        ASSERT_EQ(bridge()->SetIntField(m_handle, intName.get(), i), S_OK);
        ASSERT_EQ(bridge()->GetIntField(m_handle, intName.get(), &value), S_OK);
        ASSERT_EQ(value, i);
        ASSERT_EQ(bridge()->SetStaticLongField(m_handle, staticName.get(), i), S_OK);
    }
    // A local reference left behind per call would have made the JVM warn (checked by the fixture).
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

}  // namespace
}  // namespace mv::test
