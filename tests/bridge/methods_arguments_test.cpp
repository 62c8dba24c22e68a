// Argument arrays of the method members against a real JVM: every accepted element type reaches
// Java as its type, in memory order whatever the lower bound; refused arrays and elements fail
// before the method runs (a Java-side counter shows it did not); faults of the JVM leave nothing
// pending or held; many calls leave no reference behind.

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bridge/method_signature.h"
#include "bridge_test.h"
#include "fields_methods_support.h"

namespace mv::test {
namespace {

// What Arguments.describe answers for the arguments of DescribeArguments().
constexpr const char16_t* kDescribed = u"true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|text";
constexpr const wchar_t* kDescribeSig = L"(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;";

VARIANT Arg(VARTYPE vt) { return ArgOf(vt); }

VARIANT ArgI1(signed char v) {
    VARIANT var = Arg(VT_I1);
    V_I1(&var) = static_cast<CHAR>(v);
    return var;
}
VARIANT ArgUI1(unsigned char v) {
    VARIANT var = Arg(VT_UI1);
    V_UI1(&var) = v;
    return var;
}
VARIANT ArgUI2(unsigned short v) {
    VARIANT var = Arg(VT_UI2);
    V_UI2(&var) = v;
    return var;
}
VARIANT ArgI2(short v) {
    VARIANT var = Arg(VT_I2);
    V_I2(&var) = v;
    return var;
}
VARIANT ArgR4(float v) {
    VARIANT var = Arg(VT_R4);
    V_R4(&var) = v;
    return var;
}
VARIANT ArgR8(double v) {
    VARIANT var = Arg(VT_R8);
    V_R8(&var) = v;
    return var;
}
VARIANT ArgBstrUnits(const std::u16string& units) {
    VARIANT var = Arg(VT_BSTR);
    V_BSTR(&var) = AllocUnits(units);
    return var;
}

class MethodArguments : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_frame = std::make_unique<LocalFrame>(env(), 64);
        m_countedClass = FindClass("fixtures/Counted");
        ASSERT_NE(m_countedClass, nullptr);
        m_calls = StaticFieldId(m_countedClass, "calls", "I");
        env()->SetStaticIntField(m_countedClass, m_calls, 0);
        m_counted = NewObjectHandle("fixtures/Counted");
        m_echo = NewObjectHandle("fixtures/Echo");
        jclass arguments = FindClass("fixtures/Arguments");
        jobject withPrefix = env()->NewObject(arguments, MethodId(arguments, "<init>", "(Ljava/lang/String;)V"),
                                              env()->NewStringUTF("here:"));
        ASSERT_TRUE(NoException());
        m_arguments = Handle(withPrefix);
        m_object = Handle(env()->NewStringUTF("object"));
    }
    void TearDown() override {
        m_frame.reset();
        BridgeTest::TearDown();
    }

    int Calls() { return env()->GetStaticIntField(m_countedClass, m_calls); }

    // The ten arguments of Arguments.describe, one of each accepted kind but VT_UI1.
    std::vector<VARIANT> DescribeArguments() const {
        return {ArgBool(true), ArgI1(-5),        ArgUI2(0x20AC), ArgI2(-300),       ArgI4(123456),
                ArgI8(-9876543210LL), ArgR4(1.5f), ArgR8(-2.25), ArgUI8(m_object), ArgBstr(L"text")};
    }

    // Counted.record(int, String) with these arguments: its result, and whether it ran.
    HRESULT Record(const VARIANT& paramArray) {
        return bridge()->CallStaticVoidMethod(m_counted, Bstr(L"record").get(), Bstr(L"(ILjava/lang/String;)V").get(), paramArray);
    }

    std::unique_ptr<LocalFrame> m_frame;
    jclass m_countedClass = nullptr;
    jfieldID m_calls = nullptr;
    UINT64 m_counted = 0;    // a fixtures.Counted
    UINT64 m_echo = 0;       // a fixtures.Echo
    UINT64 m_arguments = 0;  // a fixtures.Arguments with the prefix "here:"
    UINT64 m_object = 0;     // the Java string "object"
};

TEST_F(MethodArguments, EveryAcceptedElementTypeReachesJavaAsItsType) {
    const unique_bstr describe = Bstr(L"describe");
    const unique_bstr sig = Bstr(kDescribeSig);
    unique_bstr text;
    {
        const ArgumentArray args(DescribeArguments());
        ASSERT_EQ(bridge()->CallStaticStringMethod(m_arguments, describe.get(), sig.get(), args.get(), text.put()), S_OK);
        EXPECT_EQ(UnitsOf(text.get()), kDescribed);
        ASSERT_EQ(bridge()->CallStringMethod(m_arguments, Bstr(L"describeHere").get(), sig.get(), args.get(), text.put()), S_OK);
        EXPECT_EQ(UnitsOf(text.get()), std::u16string(u"here:") + kDescribed);
    }
    {
        // The same through a lower bound of 5: elements are taken in memory order.
        const ArgumentArray args(DescribeArguments(), 5);
        ASSERT_EQ(bridge()->CallStaticStringMethod(m_arguments, describe.get(), sig.get(), args.get(), text.put()), S_OK);
        EXPECT_EQ(UnitsOf(text.get()), kDescribed);
    }
    {
        const ArgumentArray args({ArgI4(1), ArgI4(2), ArgI4(3)}, 1);
        ASSERT_EQ(bridge()->CallStaticStringMethod(m_echo, Bstr(L"ordered").get(), Bstr(L"(III)Ljava/lang/String;").get(), args.get(), text.put()), S_OK);
        EXPECT_EQ(UnitsOf(text.get()), u"1,2,3");
    }
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodArguments, EachKindArrivesWithItsExactValue) {
    VARIANT_BOOL z = 0;
    {
        const ArgumentArray args({ArgOf(VT_BOOL)});  // VARIANT_FALSE
        ASSERT_EQ(bridge()->CallStaticBooleanMethod(m_echo, Bstr(L"echoBoolean").get(), Bstr(L"(Z)Z").get(), args.get(), &z), S_OK);
        EXPECT_EQ(z, VARIANT_FALSE);
    }
    {
        VARIANT odd = Arg(VT_BOOL);
        V_BOOL(&odd) = 2;  // any non-zero value is true
        const ArgumentArray args({odd});
        ASSERT_EQ(bridge()->CallStaticBooleanMethod(m_echo, Bstr(L"echoBoolean").get(), Bstr(L"(Z)Z").get(), args.get(), &z), S_OK);
        EXPECT_EQ(z, VARIANT_TRUE);
    }
    unsigned char b = 0;
    {
        const ArgumentArray args({ArgUI1(0xFB)});
        ASSERT_EQ(bridge()->CallStaticByteMethod(m_echo, Bstr(L"echoByte").get(), Bstr(L"(B)B").get(), args.get(), &b), S_OK);
        EXPECT_EQ(b, 0xFB);
        LONG asInt = 0;
        ASSERT_EQ(bridge()->CallStaticIntMethod(m_echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(),
                                                ArgumentArray({ArgI4(-5)}).get(), &asInt), S_OK);
        EXPECT_EQ(asInt, -5);
    }
    {
        const ArgumentArray args({ArgI1(-128)});
        ASSERT_EQ(bridge()->CallStaticByteMethod(m_echo, Bstr(L"echoByte").get(), Bstr(L"(B)B").get(), args.get(), &b), S_OK);
        EXPECT_EQ(b, 0x80);
    }
    unsigned short c = 0;
    {
        const ArgumentArray args({ArgUI2(0xD834)});
        ASSERT_EQ(bridge()->CallStaticCharMethod(m_echo, Bstr(L"echoChar").get(), Bstr(L"(C)C").get(), args.get(), &c), S_OK);
        EXPECT_EQ(c, 0xD834);
    }
    INT64 j = 0;
    {
        const ArgumentArray args({ArgI8(LLONG_MIN)});
        ASSERT_EQ(bridge()->CallStaticLongMethod(m_echo, Bstr(L"echoLong").get(), Bstr(L"(J)J").get(), args.get(), &j), S_OK);
        EXPECT_EQ(j, LLONG_MIN);
    }
    double d = 0;
    {
        const double negativeDenormal = FromBits<double>(std::uint64_t{0x8000000000000001ull});
        const ArgumentArray args({ArgR8(negativeDenormal)});
        ASSERT_EQ(bridge()->CallStaticDoubleMethod(m_echo, Bstr(L"echoDouble").get(), Bstr(L"(D)D").get(), args.get(), &d), S_OK);
        EXPECT_EQ(Bits(d), 0x8000000000000001ull);
    }
    float f = 0;
    {
        const ArgumentArray args({ArgR4(FromBits<float>(std::uint32_t{0x80000000u}))});
        ASSERT_EQ(bridge()->CallStaticFloatMethod(m_echo, Bstr(L"echoFloat").get(), Bstr(L"(F)F").get(), args.get(), &f), S_OK);
        EXPECT_EQ(Bits(f), 0x80000000u);
    }
    {
        // An object handed in by handle comes back as the same object, under a new handle.
        UINT64 back = 0;
        const ArgumentArray args({ArgUI8(m_object)});
        ASSERT_EQ(bridge()->CallStaticObjectMethod(m_echo, Bstr(L"echoObject").get(), Bstr(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), args.get(), &back), S_OK);
        EXPECT_NE(back, m_object);
        EXPECT_TRUE(env()->IsSameObject(ObjectOf(back), ObjectOf(m_object)));
        env()->DeleteGlobalRef(ObjectOf(back));
    }
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodArguments, StringArgumentsAreNewJavaStringsCutAtTheFirstNul) {
    const UINT64 texts = NewObjectHandle("fixtures/Texts");
    VARIANT_BOOL isNonBmp = VARIANT_FALSE;
    {
        const ArgumentArray args({ArgBstrUnits(u"G clef \U0001D11E, grin \U0001F600")});
        ASSERT_EQ(bridge()->CallStaticBooleanMethod(texts, Bstr(L"isNonBmp").get(), Bstr(L"(Ljava/lang/String;)Z").get(), args.get(), &isNonBmp), S_OK);
        EXPECT_EQ(isNonBmp, VARIANT_TRUE);
    }
    unique_bstr units;
    {
        const ArgumentArray args({ArgBstrUnits(std::u16string(u"a\0b", 3))});
        ASSERT_EQ(bridge()->CallStaticStringMethod(texts, Bstr(L"codeUnits").get(), Bstr(L"(Ljava/lang/String;)Ljava/lang/String;").get(), args.get(), units.put()), S_OK);
        EXPECT_EQ(UnitsOf(units.get()), u"61") << "only the 'a' arrived";
    }
    {
        // A null BSTR is the empty string.
        VARIANT nullText = Arg(VT_BSTR);
        V_BSTR(&nullText) = nullptr;
        const ArgumentArray args({nullText});
        ASSERT_EQ(bridge()->CallStaticStringMethod(m_echo, Bstr(L"echoString").get(), Bstr(L"(Ljava/lang/String;)Ljava/lang/String;").get(), args.get(), units.put()), S_OK);
        ASSERT_NE(units.get(), nullptr);
        EXPECT_EQ(UnitsOf(units.get()), u"");
    }
    EXPECT_TRUE(NoException());
}

TEST_F(MethodArguments, NoArgumentsMayBeAnEmptyVariantOrAnEmptyArray) {
    LONG i = 0;
    VARIANT none;
    ::VariantInit(&none);
    const UINT64 base = NewObjectHandle("fixtures/Base");
    ASSERT_EQ(bridge()->CallIntMethod(base, Bstr(L"intResult").get(), Bstr(L"()I").get(), none, &i), S_OK);
    EXPECT_EQ(i, 5);
    i = 0;
    ASSERT_EQ(bridge()->CallIntMethod(base, Bstr(L"intResult").get(), Bstr(L"()I").get(), ArgumentArray({}).get(), &i), S_OK);
    EXPECT_EQ(i, 5);
    i = 0;
    ASSERT_EQ(bridge()->CallIntMethod(base, Bstr(L"intResult").get(), Bstr(L"()I").get(), ArgumentArray({}, 7).get(), &i), S_OK);
    EXPECT_EQ(i, 5);
}

TEST_F(MethodArguments, RefusedArraysAndElementsFailBeforeTheMethodRuns) {
    // The call itself works with the right arguments.
    ASSERT_EQ(Record(ArgumentArray({ArgI4(1), ArgBstr(L"one")}).get()), S_OK);
    ASSERT_EQ(Calls(), 1);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(
                  m_countedClass, StaticFieldId(m_countedClass, "lastArguments", "Ljava/lang/String;")))),
              "1,one");

    const VARTYPE refusedTypes[] = {VT_UI4, VT_EMPTY, VT_NULL, VT_CY, VT_DATE, VT_ERROR, VT_INT,
                                   VT_UI8 | VT_BYREF, VT_I4 | VT_BYREF};
    for (VARTYPE refused : refusedTypes) {
        SCOPED_TRACE(::testing::Message() << "element type " << refused);
        const ArgumentArray args({ArgI4(2), ArgOf(refused)});
        EXPECT_EQ(Record(args.get()), E_FAIL);
    }
    {
        // A VT_I4 where the method takes a String, a missing argument, one too many.
        EXPECT_EQ(Record(ArgumentArray({ArgI4(2), ArgI4(3)}).get()), E_FAIL);
        EXPECT_EQ(Record(ArgumentArray({ArgI4(2)}).get()), E_FAIL);
        EXPECT_EQ(Record(ArgumentArray({ArgI4(2), ArgBstr(L"two"), ArgI4(3)}).get()), E_FAIL);
        EXPECT_EQ(Record(ArgumentArray({ArgI8(2), ArgBstr(L"two")}).get()), E_FAIL) << "a long where an int is taken";
    }
    {
        // The array by reference, and types that are no argument array.
        const ArgumentArray args({ArgI4(2), ArgBstr(L"two")});
        SAFEARRAY* array = V_ARRAY(&args.get());
        VARIANT byRef;
        ::VariantInit(&byRef);
        V_VT(&byRef) = VT_BYREF | VT_ARRAY | VT_VARIANT;
        V_ARRAYREF(&byRef) = &array;
        EXPECT_EQ(Record(byRef), E_FAIL);
        EXPECT_EQ(Record(ArgOf(VT_NULL)), E_FAIL);
        EXPECT_EQ(Record(ArgI4(2)), E_FAIL);
    }
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Calls(), 1) << "no refused call ran";
}

TEST_F(MethodArguments, BoundsThatCannotBeReadGiveTheirOwnResult) {
    VARIANT noArray;
    ::VariantInit(&noArray);
    V_VT(&noArray) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&noArray) = nullptr;
    LONG lower = 0;
    const HRESULT expected = ::SafeArrayGetLBound(nullptr, 1, &lower);
    ASSERT_TRUE(FAILED(expected));
    EXPECT_EQ(Record(noArray), expected);
    EXPECT_EQ(Calls(), 0);
}

TEST_F(MethodArguments, AStringArgumentTheJvmCannotMakeFailsTheCallAndIsCleared) {
    ASSERT_EQ(MvJniProxy_FailNext("NewString", 1), 1);
    EXPECT_EQ(Record(ArgumentArray({ArgI4(2), ArgBstr(L"two")}).get()), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Calls(), 0);
}

TEST_F(MethodArguments, AGlobalReferenceTheJvmRefusesFailsTheObjectResultAndLeavesNothing) {
    UINT64 back = 0xDEADBEEFull;
    const ArgumentArray args({ArgUI8(m_object)});
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->CallStaticObjectMethod(m_echo, Bstr(L"echoObject").get(), Bstr(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), args.get(), &back), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(back, 0xDEADBEEFull);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodArguments, ManyCallsLeaveNoReferenceBehind) {
    const UINT64 texts = NewObjectHandle("fixtures/Texts");
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    const unique_bstr codeUnits = Bstr(L"codeUnits");
    const unique_bstr codeUnitsSig = Bstr(L"(Ljava/lang/String;)Ljava/lang/String;");
    const ArgumentArray text({ArgBstr(L"text")});
    const ArgumentArray object({ArgUI8(m_object)});
    VARIANT none;
    ::VariantInit(&none);
    for (int n = 0; n < 100; ++n) {
        unique_bstr units;
        ASSERT_EQ(bridge()->CallStaticStringMethod(texts, codeUnits.get(), codeUnitsSig.get(), text.get(), units.put()), S_OK);
        UINT64 back = 0;
        ASSERT_EQ(bridge()->CallStaticObjectMethod(m_echo, Bstr(L"echoObject").get(), Bstr(L"(Ljava/lang/Object;)Ljava/lang/Object;").get(), object.get(), &back), S_OK);
        env()->DeleteGlobalRef(ObjectOf(back));
        LONG i = 0;
        ASSERT_EQ(bridge()->CallNonvirtualIntMethod(derived, Bstr(L"fixtures.Base").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), none, &i), S_OK);
        ASSERT_EQ(bridge()->CallStringMethod(derived, Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), none, units.put()), S_OK);
        ASSERT_EQ(Record(ArgumentArray({ArgI4(n), ArgBstr(L"n")}).get()), S_OK);
    }
    EXPECT_EQ(Calls(), 100);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

// The parameter kinds that argument slots are compared with.
TEST(MethodSignature, ParametersAreReadAsOneKindEachWithReferencesAsL) {
    std::string kinds;
    ASSERT_TRUE(ParameterKinds("()V", kinds));
    EXPECT_EQ(kinds, "");
    ASSERT_TRUE(ParameterKinds("(ZBCSIJFD)V", kinds));
    EXPECT_EQ(kinds, "ZBCSIJFD");
    ASSERT_TRUE(ParameterKinds("(I[JLjava/lang/String;[[Ljava/lang/Object;D)Ljava/lang/String;", kinds));
    EXPECT_EQ(kinds, "ILLLD");
    for (const char* malformed : {"", "V", "(I", "(Ljava/lang/String)V", "(Q)V", "([)V"}) {
        EXPECT_FALSE(ParameterKinds(malformed, kinds)) << malformed;
    }
    EXPECT_FALSE(ParameterKinds(nullptr, kinds));
}

}  // namespace
}  // namespace mv::test
