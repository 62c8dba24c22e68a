// The method members against a real JVM: every result kind in the three groups (virtual calls
// reach the override, non-virtual calls the named class's implementation, static calls the
// run-time class of the object), throwing methods, null results, handles of Object results,
// and lookups that miss.

#include <cfloat>
#include <climits>
#include <cstdint>
#include <memory>

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "fields_methods_support.h"
#include "jvm/mv_java_cpp.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr UINT64 kUntouched = 0xDEADBEEFull;

class MethodCalls : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_frame = std::make_unique<LocalFrame>(env(), 64);
        m_baseClass = FindClass("fixtures/Base");
        ASSERT_NE(m_baseClass, nullptr);
        m_base = NewObjectHandle("fixtures/Base");
        m_derived = NewObjectHandle("fixtures/Derived");
        ::VariantInit(&m_none);
    }
    void TearDown() override {
        m_frame.reset();
        BridgeTest::TearDown();
    }

    // What the last void method of Base or Derived recorded.
    std::string LastVoidCall() {
        return Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(
                              m_baseClass, StaticFieldId(m_baseClass, "lastVoidCall", "Ljava/lang/String;"))));
    }
    void DeleteHandle(UINT64 handle) { env()->DeleteGlobalRef(ObjectOf(handle)); }

    std::unique_ptr<LocalFrame> m_frame;
    jclass m_baseClass = nullptr;
    UINT64 m_base = 0;     // a fixtures.Base
    UINT64 m_derived = 0;  // a fixtures.Derived, which overrides every virtual method of Base
    VARIANT m_none;        // VT_EMPTY: no arguments
};

TEST_F(MethodCalls, VirtualCallsOfEveryResultKindReachTheOverride) {
    VARIANT_BOOL z = 0;
    unsigned char b = 0;
    unsigned short c = 0;
    short s = 0;
    LONG i = 0;
    INT64 j = 0;
    float f = 0;
    double d = 0;
    ASSERT_EQ(bridge()->CallBooleanMethod(m_derived, Bstr(L"booleanResult").get(), Bstr(L"()Z").get(), m_none, &z), S_OK);
    ASSERT_EQ(bridge()->CallByteMethod(m_derived, Bstr(L"byteResult").get(), Bstr(L"()B").get(), m_none, &b), S_OK);
    ASSERT_EQ(bridge()->CallCharMethod(m_derived, Bstr(L"charResult").get(), Bstr(L"()C").get(), m_none, &c), S_OK);
    ASSERT_EQ(bridge()->CallShortMethod(m_derived, Bstr(L"shortResult").get(), Bstr(L"()S").get(), m_none, &s), S_OK);
    ASSERT_EQ(bridge()->CallIntMethod(m_derived, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    ASSERT_EQ(bridge()->CallLongMethod(m_derived, Bstr(L"longResult").get(), Bstr(L"()J").get(), m_none, &j), S_OK);
    ASSERT_EQ(bridge()->CallFloatMethod(m_derived, Bstr(L"floatResult").get(), Bstr(L"()F").get(), m_none, &f), S_OK);
    ASSERT_EQ(bridge()->CallDoubleMethod(m_derived, Bstr(L"doubleResult").get(), Bstr(L"()D").get(), m_none, &d), S_OK);
    EXPECT_EQ(z, VARIANT_TRUE);
    EXPECT_EQ(b, 0xFE) << "Java's -2";
    EXPECT_EQ(c, 0x20AC);
    EXPECT_EQ(s, -4);
    EXPECT_EQ(i, 600000);
    EXPECT_EQ(j, 1LL << 40);
    EXPECT_EQ(f, -8.25f);
    EXPECT_EQ(d, 1e300);

    UINT64 object = kUntouched;
    ASSERT_EQ(bridge()->CallObjectMethod(m_derived, Bstr(L"objectResult").get(), Bstr(L"()Ljava/lang/Object;").get(), m_none, &object), S_OK);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(ObjectOf(object))), "derived object");
    DeleteHandle(object);
    unique_bstr text;
    ASSERT_EQ(bridge()->CallStringMethod(m_derived, Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"Derived");
    ASSERT_EQ(bridge()->CallVoidMethod(m_derived, Bstr(L"voidResult").get(), Bstr(L"()V").get(), m_none), S_OK);
    EXPECT_EQ(LastVoidCall(), "Derived.voidResult");
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, NonvirtualCallsReachTheNamedClassesImplementation) {
    const unique_bstr dotted = Bstr(L"fixtures.Base");
    const unique_bstr slashed = Bstr(L"fixtures/Base");
    VARIANT_BOOL z = VARIANT_TRUE;
    unsigned char b = 0;
    unsigned short c = 0;
    short s = 0;
    LONG i = 0;
    INT64 j = 0;
    float f = 0;
    double d = 0;
    ASSERT_EQ(bridge()->CallNonvirtualBooleanMethod(m_derived, dotted.get(), Bstr(L"booleanResult").get(), Bstr(L"()Z").get(), m_none, &z), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualByteMethod(m_derived, slashed.get(), Bstr(L"byteResult").get(), Bstr(L"()B").get(), m_none, &b), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualCharMethod(m_derived, dotted.get(), Bstr(L"charResult").get(), Bstr(L"()C").get(), m_none, &c), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualShortMethod(m_derived, slashed.get(), Bstr(L"shortResult").get(), Bstr(L"()S").get(), m_none, &s), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, dotted.get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualLongMethod(m_derived, slashed.get(), Bstr(L"longResult").get(), Bstr(L"()J").get(), m_none, &j), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualFloatMethod(m_derived, dotted.get(), Bstr(L"floatResult").get(), Bstr(L"()F").get(), m_none, &f), S_OK);
    ASSERT_EQ(bridge()->CallNonvirtualDoubleMethod(m_derived, slashed.get(), Bstr(L"doubleResult").get(), Bstr(L"()D").get(), m_none, &d), S_OK);
    EXPECT_EQ(z, VARIANT_FALSE);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(c, u'b');
    EXPECT_EQ(s, 3);
    EXPECT_EQ(i, 5);
    EXPECT_EQ(j, 7);
    EXPECT_EQ(f, 0.5f);
    EXPECT_EQ(d, 0.25);

    UINT64 object = kUntouched;
    ASSERT_EQ(bridge()->CallNonvirtualObjectMethod(m_derived, dotted.get(), Bstr(L"objectResult").get(), Bstr(L"()Ljava/lang/Object;").get(), m_none, &object), S_OK);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(ObjectOf(object))), "base object");
    DeleteHandle(object);
    unique_bstr text;
    ASSERT_EQ(bridge()->CallNonvirtualStringMethod(m_derived, slashed.get(), Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"Base");
    ASSERT_EQ(bridge()->CallNonvirtualVoidMethod(m_derived, dotted.get(), Bstr(L"voidResult").get(), Bstr(L"()V").get(), m_none), S_OK);
    EXPECT_EQ(LastVoidCall(), "Base.voidResult");

    // Naming the object's own class reaches the override.
    ASSERT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, Bstr(L"fixtures.Derived").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(i, 600000);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, OnlyTheStringMemberHandsTheClassNameToTheJvmUnchanged) {
    LONG i = 0;
    MvJniProxy_ClearTrace();
    ASSERT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, Bstr(L"fixtures.Base").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(i, 5);
    EXPECT_THAT(ReadTrace(), HasSubstr("FindClass(\"fixtures/Base\")"));
    EXPECT_THAT(ReadTrace(), Not(HasSubstr("FindClass(\"fixtures.Base\")")));

    MvJniProxy_ClearTrace();
    BSTR text = reinterpret_cast<BSTR>(kUntouched);
    EXPECT_EQ(bridge()->CallNonvirtualStringMethod(m_derived, Bstr(L"fixtures.Base").get(), Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    EXPECT_THAT(ReadTrace(), HasSubstr("FindClass(\"fixtures.Base\")"));
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError")) << "a failed class lookup is left pending";
    EXPECT_EQ(text, reinterpret_cast<BSTR>(kUntouched));

    // A null class name: an empty one for the others (no such class), refused by the String member.
    EXPECT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, nullptr, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError"));
    MvJniProxy_ClearTrace();
    EXPECT_EQ(bridge()->CallNonvirtualStringMethod(m_derived, nullptr, Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    EXPECT_EQ(ReadTrace(), "");
    EXPECT_EQ(text, reinterpret_cast<BSTR>(kUntouched));
}

TEST_F(MethodCalls, StaticCallsUseTheRunTimeClassOfTheObject) {
    VARIANT_BOOL z = 0;
    unsigned char b = 0;
    unsigned short c = 0;
    short s = 0;
    LONG i = 0;
    INT64 j = 0;
    float f = 0;
    double d = 0;
    ASSERT_EQ(bridge()->CallStaticBooleanMethod(m_base, Bstr(L"staticBooleanResult").get(), Bstr(L"()Z").get(), m_none, &z), S_OK);
    ASSERT_EQ(bridge()->CallStaticByteMethod(m_base, Bstr(L"staticByteResult").get(), Bstr(L"()B").get(), m_none, &b), S_OK);
    ASSERT_EQ(bridge()->CallStaticCharMethod(m_base, Bstr(L"staticCharResult").get(), Bstr(L"()C").get(), m_none, &c), S_OK);
    ASSERT_EQ(bridge()->CallStaticShortMethod(m_base, Bstr(L"staticShortResult").get(), Bstr(L"()S").get(), m_none, &s), S_OK);
    ASSERT_EQ(bridge()->CallStaticIntMethod(m_base, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    ASSERT_EQ(bridge()->CallStaticLongMethod(m_base, Bstr(L"staticLongResult").get(), Bstr(L"()J").get(), m_none, &j), S_OK);
    ASSERT_EQ(bridge()->CallStaticFloatMethod(m_base, Bstr(L"staticFloatResult").get(), Bstr(L"()F").get(), m_none, &f), S_OK);
    ASSERT_EQ(bridge()->CallStaticDoubleMethod(m_base, Bstr(L"staticDoubleResult").get(), Bstr(L"()D").get(), m_none, &d), S_OK);
    EXPECT_EQ(z, VARIANT_TRUE);
    EXPECT_EQ(b, 0x80) << "Java's -128";
    EXPECT_EQ(c, 0xFFFF);
    EXPECT_EQ(s, SHRT_MIN);
    EXPECT_EQ(i, INT_MAX);
    EXPECT_EQ(j, LLONG_MAX);
    EXPECT_EQ(Bits(f), 0x00000001u) << "Float.MIN_VALUE";
    EXPECT_EQ(d, -DBL_MAX);

    UINT64 object = kUntouched;
    ASSERT_EQ(bridge()->CallStaticObjectMethod(m_base, Bstr(L"staticObjectResult").get(), Bstr(L"()Ljava/lang/Object;").get(), m_none, &object), S_OK);
    jclass integer = FindClass("java/lang/Integer");
    ASSERT_TRUE(env()->IsInstanceOf(ObjectOf(object), integer));
    EXPECT_EQ(env()->CallIntMethod(ObjectOf(object), MethodId(integer, "intValue", "()I")), 42);
    EXPECT_TRUE(NoException());
    DeleteHandle(object);
    unique_bstr text;
    ASSERT_EQ(bridge()->CallStaticStringMethod(m_base, Bstr(L"staticStringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"static");
    ASSERT_EQ(bridge()->CallStaticVoidMethod(m_base, Bstr(L"staticVoidResult").get(), Bstr(L"()V").get(), m_none), S_OK);
    EXPECT_EQ(LastVoidCall(), "Base.staticVoidResult");

    // An instance of a subclass reaches the inherited static method.
    i = 0;
    ASSERT_EQ(bridge()->CallStaticIntMethod(m_derived, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(i, INT_MAX);

    // A class object leads to the static methods of java.lang.Class.
    const UINT64 classHandle = Handle(m_baseClass);
    i = 17;
    EXPECT_EQ(bridge()->CallStaticIntMethod(classHandle, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_EQ(i, 17);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, AThrowingMethodSucceedsWithJnisAnswerAndNothingPending) {
    const UINT64 thrower = NewObjectHandle("fixtures/ThrowingResults");
    jclass cls = FindClass("fixtures/ThrowingResults");
    const jfieldID calls = StaticFieldId(cls, "calls", "I");
    env()->SetStaticIntField(cls, calls, 0);

    VARIANT_BOOL z = 5;
    unsigned char b = 5;
    unsigned short c = 5;
    short s = 5;
    LONG i = 5;
    INT64 j = 5;
    float f = 5;
    double d = 5;
    EXPECT_EQ(bridge()->CallVoidMethod(thrower, Bstr(L"voidResult").get(), Bstr(L"()V").get(), m_none), S_OK);
    EXPECT_EQ(bridge()->CallBooleanMethod(thrower, Bstr(L"booleanResult").get(), Bstr(L"()Z").get(), m_none, &z), S_OK);
    EXPECT_EQ(bridge()->CallByteMethod(thrower, Bstr(L"byteResult").get(), Bstr(L"()B").get(), m_none, &b), S_OK);
    EXPECT_EQ(bridge()->CallCharMethod(thrower, Bstr(L"charResult").get(), Bstr(L"()C").get(), m_none, &c), S_OK);
    EXPECT_EQ(bridge()->CallShortMethod(thrower, Bstr(L"shortResult").get(), Bstr(L"()S").get(), m_none, &s), S_OK);
    EXPECT_EQ(bridge()->CallIntMethod(thrower, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(bridge()->CallLongMethod(thrower, Bstr(L"longResult").get(), Bstr(L"()J").get(), m_none, &j), S_OK);
    EXPECT_EQ(bridge()->CallFloatMethod(thrower, Bstr(L"floatResult").get(), Bstr(L"()F").get(), m_none, &f), S_OK);
    EXPECT_EQ(bridge()->CallDoubleMethod(thrower, Bstr(L"doubleResult").get(), Bstr(L"()D").get(), m_none, &d), S_OK);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(z, VARIANT_FALSE);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(s, 0);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(j, 0);
    EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(d, 0.0);

    // Object and String members fail as for a null result.
    UINT64 object = kUntouched;
    BSTR text = reinterpret_cast<BSTR>(kUntouched);
    EXPECT_EQ(bridge()->CallObjectMethod(thrower, Bstr(L"objectResult").get(), Bstr(L"()Ljava/lang/Object;").get(), m_none, &object), E_FAIL);
    EXPECT_EQ(bridge()->CallStringMethod(thrower, Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    EXPECT_EQ(bridge()->CallNonvirtualStringMethod(thrower, Bstr(L"fixtures/ThrowingResults").get(), Bstr(L"stringResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(object, kUntouched);
    EXPECT_EQ(text, reinterpret_cast<BSTR>(kUntouched));

    i = 5;
    EXPECT_EQ(bridge()->CallStaticIntMethod(thrower, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->GetStaticIntField(cls, calls), 13) << "every method ran";
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, NullResultsFailAndHandOutNothing) {
    UINT64 object = kUntouched;
    BSTR text = reinterpret_cast<BSTR>(kUntouched);
    EXPECT_EQ(bridge()->CallStaticObjectMethod(m_base, Bstr(L"nullObject").get(), Bstr(L"()Ljava/lang/Object;").get(), m_none, &object), E_FAIL);
    EXPECT_EQ(bridge()->CallStaticStringMethod(m_base, Bstr(L"nullString").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    const UINT64 nullToString = NewObjectHandle("fixtures/NullToString");
    EXPECT_EQ(bridge()->CallStringMethod(nullToString, Bstr(L"toString").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &text), E_FAIL);
    EXPECT_EQ(bridge()->CallObjectMethod(nullToString, Bstr(L"toString").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &object), E_FAIL);
    EXPECT_EQ(bridge()->CallNonvirtualObjectMethod(nullToString, Bstr(L"fixtures.NullToString").get(), Bstr(L"toString").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &object), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(object, kUntouched);
    EXPECT_EQ(text, reinterpret_cast<BSTR>(kUntouched));
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, EachObjectResultIsANewGlobalReferenceTheClientOwns) {
    const unique_bstr name = Bstr(L"objectResult");
    const unique_bstr sig = Bstr(L"()Ljava/lang/Object;");
    UINT64 first = 0, second = 0;
    ASSERT_EQ(bridge()->CallObjectMethod(m_base, name.get(), sig.get(), m_none, &first), S_OK);
    ASSERT_EQ(bridge()->CallObjectMethod(m_base, name.get(), sig.get(), m_none, &second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(first)), JNIGlobalRefType);
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(second)), JNIGlobalRefType);
    EXPECT_EQ(LiveGlobalRefs(), 2);
    DeleteHandle(first);
    DeleteHandle(second);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(MethodCalls, StringResultsKeepTheirUnitsUpToTheFirstNul) {
    const UINT64 echo = NewObjectHandle("fixtures/Echo");
    const UINT64 texts = NewObjectHandle("fixtures/Texts");
    unique_bstr text;
    ASSERT_EQ(bridge()->CallStaticStringMethod(texts, Bstr(L"nonBmp").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"G clef \U0001D11E, grin \U0001F600");
    ASSERT_EQ(bridge()->CallStaticStringMethod(echo, Bstr(L"withNul").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"x");
}

TEST_F(MethodCalls, AMethodThatIsNotThereFailsWithNothingPending) {
    LONG i = 17;
    UINT64 object = kUntouched;
    EXPECT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"noSuchMethod").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"intResult").get(), Bstr(L"()J").get(), m_none, &i), E_FAIL);
    EXPECT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"staticIntResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL)
        << "a static method is no virtual one";
    EXPECT_EQ(bridge()->CallStaticIntMethod(m_base, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL)
        << "and a virtual one no static one";
    EXPECT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, Bstr(L"fixtures.Base").get(), Bstr(L"noSuchMethod").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_EQ(bridge()->CallObjectMethod(m_base, Bstr(L"objectResult").get(), Bstr(L"()Ljava/lang/String;").get(), m_none, &object), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(i, 17);
    EXPECT_EQ(object, kUntouched);

    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);
    EXPECT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(i, 17);
    ASSERT_EQ(bridge()->CallIntMethod(m_base, Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), S_OK);
    EXPECT_EQ(i, 5);
}

TEST_F(MethodCalls, AClassTheJvmCannotFindIsLeftPending) {
    LONG i = 17;
    ASSERT_EQ(MvJniProxy_FailNext("FindClass", 1), 1);
    EXPECT_EQ(bridge()->CallNonvirtualIntMethod(m_derived, Bstr(L"fixtures.Base").get(), Bstr(L"intResult").get(), Bstr(L"()I").get(), m_none, &i), E_FAIL);
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError"));
    EXPECT_EQ(i, 17);
}

TEST_F(MethodCalls, ArgumentsAreCheckedBeforeAnyJavaWork) {
    const unique_bstr name = Bstr(L"intResult");
    const unique_bstr sig = Bstr(L"()I");
    LONG i = 17;
    MvJniProxy_ClearTrace();
    EXPECT_EQ(bridge()->CallIntMethod(m_base, name.get(), sig.get(), m_none, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->CallStaticStringMethod(0, name.get(), sig.get(), m_none, nullptr), E_POINTER)
        << "the output pointer is checked first";
    EXPECT_EQ(bridge()->CallIntMethod(0, name.get(), sig.get(), m_none, &i), E_FAIL);
    EXPECT_EQ(bridge()->CallVoidMethod(0, name.get(), sig.get(), m_none), E_FAIL);
    EXPECT_EQ(bridge()->CallNonvirtualVoidMethod(0, Bstr(L"fixtures.Base").get(), name.get(), sig.get(), m_none), E_FAIL);
    EXPECT_EQ(bridge()->CallIntMethod(m_base, nullptr, sig.get(), m_none, &i), E_FAIL) << "a null name";
    EXPECT_EQ(bridge()->CallStaticVoidMethod(m_base, name.get(), nullptr, m_none), E_FAIL) << "a null signature";
    EXPECT_EQ(ReadTrace(), "") << "no JNI call was made";
    EXPECT_EQ(i, 17);

    com_ptr<IMvJavaCpp> unsaved;
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, unsaved.put_void()), S_OK);
    EXPECT_EQ(unsaved->CallIntMethod(m_base, name.get(), sig.get(), m_none, &i), E_FAIL) << "no saved JVM";
    EXPECT_EQ(ReadTrace(), "");
    EXPECT_EQ(i, 17);
}

}  // namespace
}  // namespace mv::test
