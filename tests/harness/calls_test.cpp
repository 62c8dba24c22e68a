// Method lookups and calls through the proxy give the JVM's own answers: every result kind,
// virtual, non-virtual and static, in the variadic, va_list and jvalue-array forms, constructors,
// throwing methods and null results.

#include <cstdarg>
#include <string>

#include "jni_test.h"

namespace mv::test {
namespace {

constexpr const char* kDescribeSig =
    "(ZBCSIJFDLjava/lang/Object;Ljava/lang/String;)Ljava/lang/String;";
// What Arguments.describe answers for the arguments every test below passes.
constexpr const char* kDescribed = "true|-5|8364|-300|123456|-9876543210|1.5|-2.25|object|text";

class Calls : public JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        if (HasFatalFailure()) return;
        frame = std::make_unique<LocalFrame>(env(), 32);
        base = FindClass("fixtures/Base");
        derived = FindClass("fixtures/Derived");
        object = NewDefault("fixtures/Derived");
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        frame.reset();
        JniTest::TearDown();
    }
    std::unique_ptr<LocalFrame> frame;
    jclass base = nullptr;
    jclass derived = nullptr;
    jobject object = nullptr;  // a fixtures.Derived
};

TEST_F(Calls, VirtualCallsOfEveryResultKindReachTheOverride) {
    EXPECT_EQ(env()->CallBooleanMethod(object, MethodId(base, "booleanResult", "()Z")), JNI_TRUE);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallByteMethod(object, MethodId(base, "byteResult", "()B")), -2);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallCharMethod(object, MethodId(base, "charResult", "()C")), 0x20ac);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallShortMethod(object, MethodId(base, "shortResult", "()S")), -4);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallIntMethod(object, MethodId(base, "intResult", "()I")), 600000);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->functions->CallIntMethod(env(), object, MethodId(base, "intResult", "()I")), 600000);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallLongMethod(object, MethodId(base, "longResult", "()J")), 1LL << 40);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallFloatMethod(object, MethodId(base, "floatResult", "()F")), -8.25f);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallDoubleMethod(object, MethodId(base, "doubleResult", "()D")), 1e300);
    EXPECT_TRUE(NoException());
    jobject result = env()->CallObjectMethod(object, MethodId(base, "objectResult", "()Ljava/lang/Object;"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(result)), "derived object");
    env()->CallVoidMethod(object, MethodId(base, "voidResult", "()V"));
    EXPECT_TRUE(NoException());
    jfieldID last = StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;");
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(base, last))), "Derived.voidResult");
}

TEST_F(Calls, NonvirtualCallsReachTheNamedClassImplementation) {
    EXPECT_EQ(env()->CallNonvirtualBooleanMethod(object, base, MethodId(base, "booleanResult", "()Z")), JNI_FALSE);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualByteMethod(object, base, MethodId(base, "byteResult", "()B")), 1);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualCharMethod(object, base, MethodId(base, "charResult", "()C")), 'b');
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualShortMethod(object, base, MethodId(base, "shortResult", "()S")), 3);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualIntMethod(object, base, MethodId(base, "intResult", "()I")), 5);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->functions->CallNonvirtualIntMethod(env(), object, base, MethodId(base, "intResult", "()I")), 5);
    EXPECT_TRUE(NoException());
    jvalue none{};
    EXPECT_EQ(env()->CallNonvirtualIntMethodA(object, base, MethodId(base, "intResult", "()I"), &none), 5);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualLongMethod(object, base, MethodId(base, "longResult", "()J")), 7);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualFloatMethod(object, base, MethodId(base, "floatResult", "()F")), 0.5f);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallNonvirtualDoubleMethod(object, base, MethodId(base, "doubleResult", "()D")), 0.25);
    EXPECT_TRUE(NoException());
    jobject result = env()->CallNonvirtualObjectMethod(object, base, MethodId(base, "stringResult", "()Ljava/lang/String;"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(result)), "Base");
    env()->CallNonvirtualVoidMethod(object, base, MethodId(base, "voidResult", "()V"));
    EXPECT_TRUE(NoException());
    jfieldID last = StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;");
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(base, last))), "Base.voidResult");
}

TEST_F(Calls, StaticCallsOfEveryResultKind) {
    EXPECT_EQ(env()->CallStaticBooleanMethod(base, StaticMethodId(base, "staticBooleanResult", "()Z")), JNI_TRUE);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticByteMethod(base, StaticMethodId(base, "staticByteResult", "()B")), -128);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticCharMethod(base, StaticMethodId(base, "staticCharResult", "()C")), 0xffff);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticShortMethod(base, StaticMethodId(base, "staticShortResult", "()S")), -32768);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticIntMethod(base, StaticMethodId(base, "staticIntResult", "()I")), 2147483647);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticLongMethod(base, StaticMethodId(base, "staticLongResult", "()J")), 0x7fffffffffffffffLL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticFloatMethod(base, StaticMethodId(base, "staticFloatResult", "()F")), 1.4e-45f);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticDoubleMethod(base, StaticMethodId(base, "staticDoubleResult", "()D")), -1.7976931348623157e308);
    EXPECT_TRUE(NoException());
    jobject boxed = env()->CallStaticObjectMethod(base, StaticMethodId(base, "staticObjectResult", "()Ljava/lang/Object;"));
    EXPECT_TRUE(NoException());
    jclass integer = FindClass("java/lang/Integer");
    EXPECT_EQ(env()->CallIntMethod(boxed, MethodId(integer, "intValue", "()I")), 42);
    EXPECT_TRUE(NoException());
    env()->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
    EXPECT_TRUE(NoException());
    jfieldID last = StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;");
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(base, last))), "Base.staticVoidResult");
}

// Calls describe through the va_list form, as a variadic wrapper of the caller's would.
jobject DescribeV(JNIEnv* env, jclass cls, jmethodID method, ...) {
    va_list list;
    va_start(list, method);
    jobject result = env->CallStaticObjectMethodV(cls, method, list);
    va_end(list);
    return result;
}

TEST_F(Calls, EveryArgumentTypeArrivesInTheVariadicForm) {
    jclass arguments = FindClass("fixtures/Arguments");
    jstring text = env()->NewStringUTF("text");
    jstring objectArg = env()->NewStringUTF("object");
    // Through the table itself: jni.h's C++ wrappers would turn this into the va_list form.
    jobject result = env()->functions->CallStaticObjectMethod(
        env(), arguments, StaticMethodId(arguments, "describe", kDescribeSig), JNI_TRUE, jbyte{-5},
        jchar{0x20ac}, jshort{-300}, jint{123456}, jlong{-9876543210LL}, 1.5f, -2.25, objectArg, text);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(result)), kDescribed);
}

TEST_F(Calls, EveryArgumentTypeArrivesInTheVaListForm) {
    jclass arguments = FindClass("fixtures/Arguments");
    jobject result = DescribeV(env(), arguments, StaticMethodId(arguments, "describe", kDescribeSig), JNI_TRUE,
                               jbyte{-5}, jchar{0x20ac}, jshort{-300}, jint{123456}, jlong{-9876543210LL},
                               1.5f, -2.25, env()->NewStringUTF("object"), env()->NewStringUTF("text"));
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(result)), kDescribed);
}

TEST_F(Calls, EveryArgumentTypeArrivesInTheArrayForm) {
    jclass arguments = FindClass("fixtures/Arguments");
    jvalue args[10];
    for (jvalue& a : args) a.j = 0x5555555555555555LL;  // garbage beyond each value's own width
    args[0].z = JNI_TRUE;
    args[1].b = -5;
    args[2].c = 0x20ac;
    args[3].s = -300;
    args[4].i = 123456;
    args[5].j = -9876543210LL;
    args[6].f = 1.5f;
    args[7].d = -2.25;
    args[8].l = env()->NewStringUTF("object");
    args[9].l = env()->NewStringUTF("text");
    jobject result = env()->CallStaticObjectMethodA(arguments, StaticMethodId(arguments, "describe", kDescribeSig), args);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(result)), kDescribed);

    jvalue prefix;
    prefix.l = env()->NewStringUTF("here:");
    jobject instance = env()->NewObjectA(arguments, MethodId(arguments, "<init>", "(Ljava/lang/String;)V"), &prefix);
    ASSERT_TRUE(NoException());
    jobject here = env()->CallObjectMethodA(instance, MethodId(arguments, "describeHere", kDescribeSig), args);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Utf(env(), static_cast<jstring>(here)), std::string("here:") + kDescribed);
}

TEST_F(Calls, WideAndNarrowArgumentsInterleaveInAVaList) {
    jclass arguments = FindClass("fixtures/Arguments");
    jmethodID sum = StaticMethodId(arguments, "sum", "(IJFDBSCJ)D");
    const double expected = 1.0 + 1099511627776.0 + 0.5 + 0.25 - 3 + 1000 + 65 - 7;
    double variadic = env()->functions->CallStaticDoubleMethod(env(), arguments, sum, jint{1}, jlong{1LL << 40},
                                                               0.5f, 0.25, jbyte{-3}, jshort{1000}, jchar{65},
                                                               jlong{-7});
    EXPECT_TRUE(NoException());
    EXPECT_EQ(variadic, expected);
    double vaList = env()->CallStaticDoubleMethod(arguments, sum, jint{1}, jlong{1LL << 40}, 0.5f, 0.25,
                                                  jbyte{-3}, jshort{1000}, jchar{65}, jlong{-7});
    EXPECT_TRUE(NoException());
    EXPECT_EQ(vaList, expected);
}

TEST_F(Calls, ConstructorsInAllFormsRunTheChosenConstructor) {
    jmethodID withValue = MethodId(derived, "<init>", "(I)V");
    jmethodID value = MethodId(base, "value", "()I");
    jobject variadic = env()->functions->NewObject(env(), derived, withValue, jint{31});
    ASSERT_TRUE(NoException());
    EXPECT_EQ(env()->CallIntMethod(variadic, value), 31);
    EXPECT_TRUE(NoException());
    jobject vaList = env()->NewObject(derived, withValue, jint{30});
    ASSERT_TRUE(NoException());
    EXPECT_EQ(env()->CallIntMethod(vaList, value), 30);
    EXPECT_TRUE(NoException());
    jvalue arg;
    arg.i = 32;
    jobject array = env()->NewObjectA(derived, withValue, &arg);
    ASSERT_TRUE(NoException());
    EXPECT_EQ(env()->CallIntMethod(array, value), 32);
    EXPECT_TRUE(NoException());
    jclass derivedClass = env()->GetObjectClass(array);
    EXPECT_TRUE(env()->IsSameObject(derivedClass, derived));
}

TEST_F(Calls, AThrowingMethodAnswersZeroAndLeavesItsExceptionPending) {
    jclass throwing = FindClass("fixtures/Throwing");
    EXPECT_EQ(env()->CallStaticIntMethod(throwing, StaticMethodId(throwing, "throwingInt", "()I")), 0);
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException"));
    env()->CallStaticVoidMethod(throwing, StaticMethodId(throwing, "throwingVoid", "()V"));
    EXPECT_TRUE(TakeException("java/lang/UnsupportedOperationException"));
    EXPECT_EQ(env()->CallStaticObjectMethod(throwing, StaticMethodId(throwing, "throwingObject", "()Ljava/lang/Object;")), nullptr);
    EXPECT_TRUE(TakeException("java/lang/IllegalArgumentException"));
    EXPECT_EQ(env()->NewObject(throwing, MethodId(throwing, "<init>", "()V")), nullptr);
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException"));
}

TEST_F(Calls, NullResultsComeBackAsNull) {
    EXPECT_EQ(env()->CallStaticObjectMethod(base, StaticMethodId(base, "nullObject", "()Ljava/lang/Object;")), nullptr);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(env()->CallStaticObjectMethod(base, StaticMethodId(base, "nullString", "()Ljava/lang/String;")), nullptr);
    EXPECT_TRUE(NoException());
    jobject nullToString = NewDefault("fixtures/NullToString");
    jclass objectClass = FindClass("java/lang/Object");
    EXPECT_EQ(env()->CallObjectMethod(nullToString, MethodId(objectClass, "toString", "()Ljava/lang/String;")), nullptr);
    EXPECT_TRUE(NoException());
}

TEST_F(Calls, FailedLookupsAnswerNullWithTheJvmsError) {
    EXPECT_EQ(env()->GetMethodID(base, "noSuchMethod", "()V"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchMethodError"));
    EXPECT_EQ(env()->GetMethodID(base, "intResult", "()J"), nullptr);  // right name, wrong type
    EXPECT_TRUE(TakeException("java/lang/NoSuchMethodError"));
    EXPECT_EQ(env()->GetStaticMethodID(base, "intResult", "()I"), nullptr);  // not static
    EXPECT_TRUE(TakeException("java/lang/NoSuchMethodError"));
    jclass noDefault = FindClass("fixtures/NoDefaultConstructor");
    EXPECT_EQ(env()->GetMethodID(noDefault, "<init>", "()V"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchMethodError"));
    EXPECT_EQ(env()->FindClass("fixtures/NoSuchClass"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError"));
}

TEST_F(Calls, ClassQueriesAnswerAsTheJvm) {
    jclass super = env()->GetSuperclass(derived);
    EXPECT_TRUE(env()->IsSameObject(super, base));
    EXPECT_TRUE(env()->IsAssignableFrom(derived, base));
    EXPECT_FALSE(env()->IsAssignableFrom(base, derived));
    EXPECT_TRUE(env()->IsInstanceOf(object, base));
    jclass string = FindClass("java/lang/String");
    EXPECT_FALSE(env()->IsInstanceOf(object, string));
    jobject allocated = env()->AllocObject(base);  // no constructor runs
    ASSERT_NE(allocated, nullptr);
    EXPECT_EQ(env()->CallIntMethod(allocated, MethodId(base, "value", "()I")), 0);
    EXPECT_TRUE(NoException());
}

}  // namespace
}  // namespace mv::test
