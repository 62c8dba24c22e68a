// The controls tests rely on: the JNI warning check fails the test that caused a warning, a slot
// that is not forwarded stops the process naming the function, the trace and counters see the
// calls, and injected faults fail calls as the JVM fails them. The MvJavaJni stand-in answers as
// configured.

#include <gmock/gmock.h>

#include <string>

#include "child_process.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"
#include "mv_java_jni.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;

constexpr unsigned kChildTimeoutMs = 120000;

std::string ReadTrace() {
    std::string text(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(text.data(), text.size());
    text.resize(text.size() - 1);
    return text;
}

using Controls = JniTest;

// Run only as a child: a call result is used without the exception check -Xcheck:jni requires.
TEST_F(Controls, DISABLED_ChildSkipsTheExceptionCheck) {
    jclass base = FindClass("fixtures/Base");
    env()->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
    env()->DeleteLocalRef(env()->FindClass("fixtures/Base"));  // no check before this call
}

// Run only as a child: the same calls with the check, which the JVM accepts.
TEST_F(Controls, DISABLED_ChildChecksTheException) {
    jclass base = FindClass("fixtures/Base");
    env()->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
    EXPECT_TRUE(NoException());
    env()->DeleteLocalRef(env()->FindClass("fixtures/Base"));
}

TEST(JniWarningCheck, FailsTheTestThatCausedAWarning) {
    ChildProcess child("Controls.DISABLED_ChildSkipsTheExceptionCheck");
    ASSERT_TRUE(child.started());
    EXPECT_NE(child.Finish(kChildTimeoutMs), 0u) << child.output();
    EXPECT_THAT(child.output(), HasSubstr("the JVM reported a JNI warning: WARNING in native method: "
                                          "JNI call made without checking exceptions"));
    EXPECT_THAT(child.output(), HasSubstr("FAILED  ] Controls.DISABLED_ChildSkipsTheExceptionCheck"));
}

TEST(JniWarningCheck, PassesTheSameCallsWithTheCheck) {
    ChildProcess child("Controls.DISABLED_ChildChecksTheException");
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.Finish(kChildTimeoutMs), 0u) << child.output();
    EXPECT_THAT(child.output(), HasSubstr("PASSED  ] 1 test"));
}

TEST(JniWarningCheck, FindsEveryKindOfReport) {
    std::string output =
        "plain line\n"
        "WARNING in native method: JNI call made with exception pending\n"
        "\tat fixtures.Base.x(Base.java)\n"
        "WARNING: JNI local refs: 33, exceeds capacity: 32\n"
        "FATAL ERROR in native method: Using JNIEnv in the wrong thread\n";
    EXPECT_THAT(FindJniWarnings(output),
                ::testing::ElementsAre(HasSubstr("exception pending"), HasSubstr("local refs"),
                                       HasSubstr("wrong thread")));
    EXPECT_TRUE(FindJniWarnings("Exception in thread \"main\" java.lang.Error\n").empty());
}

// Run only as a child: calls a slot that the proxy does not forward.
TEST_F(Controls, DISABLED_ChildCallsAnUnforwardedSlot) {
    jclass base = FindClass("fixtures/Base");
    env()->RegisterNatives(base, nullptr, 0);
}

TEST(UnforwardedSlot, StopsTheProcessNamingTheFunction) {
    ChildProcess child("Controls.DISABLED_ChildCallsAnUnforwardedSlot");
    ASSERT_TRUE(child.started());
    EXPECT_NE(child.Finish(kChildTimeoutMs), 0u);
    EXPECT_THAT(child.output(), HasSubstr("JNI proxy: RegisterNatives is not forwarded"));
}

// Run only as a child: hands the test thread's JNIEnv to another thread.
TEST_F(Controls, DISABLED_ChildUsesAnEnvOnAnotherThread) {
    JNIEnv* mine = env();
    HANDLE thread = ::CreateThread(nullptr, 0, [](void* e) -> DWORD {
        static_cast<JNIEnv*>(e)->GetVersion();
        return 0;
    }, mine, 0, nullptr);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
}

TEST(WrongThread, AnEnvUsedOnAnotherThreadStopsTheProcess) {
    ChildProcess child("Controls.DISABLED_ChildUsesAnEnvOnAnotherThread");
    ASSERT_TRUE(child.started());
    EXPECT_NE(child.Finish(kChildTimeoutMs), 0u);
    EXPECT_THAT(child.output(), HasSubstr("JNI proxy: GetVersion called with a JNIEnv that is not this thread's own"));
}

// Run only as a child: FatalError ends the JVM, as it does in a process of its own.
TEST_F(Controls, DISABLED_ChildEndsTheJvm) {
    env()->FatalError("ended on purpose by a test");
}

TEST(LostServer, ACallWhoseServerDiedStopsTheProcessNamingIt) {
    ChildProcess child("Controls.DISABLED_ChildEndsTheJvm");
    ASSERT_TRUE(child.started());
    EXPECT_NE(child.Finish(kChildTimeoutMs), 0u);
    EXPECT_THAT(child.output(), HasSubstr("JNI proxy: connection to the JNI server lost during FatalError"));
}

TEST_F(Controls, TheTraceNamesEachCallWithItsArguments) {
    LocalFrame frame(env(), 16);
    MvJniProxy_ClearTrace();
    jclass base = env()->FindClass("fixtures/Base");
    jmethodID method = env()->GetStaticMethodID(base, "staticIntResult", "()I");
    env()->CallStaticIntMethod(base, method);
    env()->ExceptionCheck();
    std::string trace = ReadTrace();
    EXPECT_THAT(trace, HasSubstr("FindClass(\"fixtures/Base\") -> 0x"));
    EXPECT_THAT(trace, HasSubstr("GetStaticMethodID(0x"));
    EXPECT_THAT(trace, HasSubstr("\"staticIntResult\", \"()I\") -> 0x"));
    // jni.h's C++ wrappers pass their arguments on as a va_list: the table sees the V form.
    EXPECT_THAT(trace, HasSubstr("CallStaticIntMethodV(0x"));
    EXPECT_THAT(trace, HasSubstr("staticIntResult()I) -> 2147483647"));
    EXPECT_THAT(trace, HasSubstr("ExceptionCheck() -> 0"));
    MvJniProxy_ClearTrace();
    EXPECT_EQ(ReadTrace(), "");
    MvJniProxy_SetTracing(0);
    env()->GetVersion();
    MvJniProxy_SetTracing(1);
    EXPECT_EQ(ReadTrace(), "");
}

TEST_F(Controls, CountersCountReferencesAndAttachments) {
    jstring text = env()->NewStringUTF("counted");
    jobject global = env()->NewGlobalRef(text);
    jweak weak = env()->NewWeakGlobalRef(text);
    env()->DeleteGlobalRef(global);
    env()->DeleteWeakGlobalRef(weak);
    env()->DeleteGlobalRef(nullptr);  // a no-op, not counted
    env()->DeleteLocalRef(text);
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    EXPECT_EQ(counters.globalRefsMade, 1);
    EXPECT_EQ(counters.globalRefsDeleted, 1);
    EXPECT_EQ(counters.weakRefsMade, 1);
    EXPECT_EQ(counters.weakRefsDeleted, 1);
    EXPECT_EQ(counters.attaches, 1);  // SetUp's
    EXPECT_EQ(counters.detaches, 0);
    EXPECT_GE(counters.calls, 7);
    MvJniProxy_ResetCounters();
    MvJniProxy_GetCounters(&counters);
    EXPECT_EQ(counters.globalRefsMade + counters.attaches + counters.calls, 0);
}

TEST_F(Controls, InjectedLookupFaultsLeaveTheJvmsOwnError) {
    ASSERT_EQ(MvJniProxy_FailNext("FindClass", 1), 1);
    EXPECT_EQ(env()->FindClass("java/lang/String"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError"));
    jclass string = env()->FindClass("java/lang/String");  // only the next call failed
    ASSERT_NE(string, nullptr);
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);
    EXPECT_EQ(env()->GetMethodID(string, "length", "()I"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchMethodError"));
    ASSERT_EQ(MvJniProxy_FailNext("GetStaticFieldID", 1), 1);
    EXPECT_EQ(env()->GetStaticFieldID(string, "CASE_INSENSITIVE_ORDER", "Ljava/util/Comparator;"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchFieldError"));
    env()->DeleteLocalRef(string);
}

TEST_F(Controls, InjectedReferenceFaultsAnswerNullWithNothingPending) {
    jstring text = env()->NewStringUTF("x");
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 2), 1);
    EXPECT_EQ(env()->NewGlobalRef(text), nullptr);
    EXPECT_EQ(env()->NewGlobalRef(text), nullptr);
    EXPECT_FALSE(env()->ExceptionCheck());
    jobject global = env()->NewGlobalRef(text);
    EXPECT_NE(global, nullptr);
    env()->DeleteGlobalRef(global);
    env()->DeleteLocalRef(text);
}

TEST_F(Controls, InjectedAllocationFaultsRaiseOutOfMemoryError) {
    ASSERT_EQ(MvJniProxy_FailNext("NewStringUTF", 1), 1);
    EXPECT_EQ(env()->NewStringUTF("x"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
    ASSERT_EQ(MvJniProxy_FailNext("NewObject", 1), 1);
    jclass base = FindClass("fixtures/Base");
    EXPECT_EQ(env()->NewObject(base, MethodId(base, "<init>", "()V")), nullptr);
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
    ASSERT_EQ(MvJniProxy_FailNext("GetStringChars", 1), 1);
    jstring text = env()->NewStringUTF("y");
    EXPECT_EQ(env()->GetStringChars(text, nullptr), nullptr);
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
    env()->DeleteLocalRef(text);
    env()->DeleteLocalRef(base);
}

TEST_F(Controls, AnInjectedAttachFaultLeavesTheThreadDetached) {
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    JNIEnv* attached = nullptr;
    EXPECT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&attached), nullptr), JNI_ERR);
    JNIEnv* current = nullptr;
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_EDETACHED);
    EXPECT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&attached), nullptr), JNI_OK);
}

TEST_F(Controls, OnlyKnownFunctionsTakeFaults) {
    EXPECT_EQ(MvJniProxy_FailNext("GetVersion", 1), 0);
    EXPECT_EQ(MvJniProxy_FailNext("NoSuchFunction", 1), 0);
    EXPECT_EQ(MvJniProxy_FailNext(nullptr, 1), 0);
    EXPECT_EQ(MvJniProxy_FailNext("FindClass", -1), 0);
    EXPECT_NE(env()->GetVersion(), 0);
}

using StandIn = JniTest;

TEST_F(StandIn, ReportsTheConfiguredVersionAndCountsCalls) {
    EXPECT_EQ(GetJavaVersion(), 17);
    MvJavaJni_SetJavaVersion(4);
    EXPECT_EQ(GetJavaVersion(), 4);
    MvJavaJni_SetJavaVersion(-1);
    EXPECT_EQ(GetJavaVersion(), -1);
    EXPECT_EQ(MvJavaJni_GetJavaVersionCalls(), 3);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 0);
}

TEST_F(StandIn, GivesNoEnvironmentUntilToldTo) {
    EXPECT_EQ(GetJNIEnv(), nullptr);
    MvJavaJni_SetProvidesEnv(1);
    EXPECT_EQ(GetJNIEnv(), env());  // the thread is attached: its own environment
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 2);
}

TEST_F(StandIn, AttachesADetachedThreadAndKeepsItAttached) {
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    MvJavaJni_SetProvidesEnv(1);
    JNIEnv* given = GetJNIEnv();
    ASSERT_NE(given, nullptr);
    EXPECT_NE(given->GetVersion(), 0);
    JNIEnv* current = nullptr;
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_OK);
    EXPECT_EQ(current, given);
    EXPECT_EQ(GetJNIEnv(), given);
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 1);
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_EDETACHED);
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 0);
}

TEST(StandInExports, AreFoundByName) {
    HMODULE module = ::GetModuleHandleW(L"MvJavaJni.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_NE(::GetProcAddress(module, "GetJNIEnv"), nullptr);
    EXPECT_NE(::GetProcAddress(module, "GetJavaVersion"), nullptr);
}

}  // namespace
}  // namespace mv::test
