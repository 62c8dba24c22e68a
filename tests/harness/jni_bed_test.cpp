// The test bed's promises beyond single calls: attachment per Windows thread, references,
// exceptions and monitors per thread, the controls (trace, counters, faults, the MvJavaJni
// stand-in, the JNI warning check, fatal stops) and the server's life.

#include <gmock/gmock.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <thread>

#include "child_process.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"
#include "mv_java_jni.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;

// Runs `work` on a new thread attached for its duration.
template <typename Work>
void OnAttachedThread(JavaVM* vm, Work work, const char* name = nullptr, bool daemon = false) {
    std::thread([&] {
        JNIEnv* env = nullptr;
        JavaVMAttachArgs args{JNI_VERSION_1_6, const_cast<char*>(name), nullptr};
        if ((daemon ? vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), &args)
                    : vm->AttachCurrentThread(reinterpret_cast<void**>(&env), &args)) != JNI_OK)
            return ADD_FAILURE() << "no attach", void();
        work(env);
        vm->DetachCurrentThread();
    }).join();
}

MvJniProxyCounters Counters() {
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    return counters;
}

jint EnvState(JavaVM* vm) {
    JNIEnv* current = nullptr;
    return vm->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6);
}

using Bed = JniTest;

TEST_F(Bed, AttachmentIsPerThreadAndCountedOnce) {
    JNIEnv* again = nullptr;
    ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&again), nullptr), JNI_OK);
    EXPECT_EQ(again, env());
    ASSERT_EQ(vm()->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&again), nullptr), JNI_OK);
    EXPECT_EQ(again, env());
    EXPECT_EQ(Counters().attaches, 1);
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);  // one detach ends it
    EXPECT_EQ(EnvState(vm()), JNI_EDETACHED);
    EXPECT_EQ(vm()->DetachCurrentThread(), JNI_OK);  // a detached thread: nothing happens
    EXPECT_EQ(Counters().detaches, 1);
    EXPECT_EQ(MvJniProxy_GetJavaVM(), vm());
}

TEST_F(Bed, OtherThreadsHaveTheirOwnJavaThreadExceptionsAndMonitors) {
    std::string names;
    for (bool daemon : {false, true})
        OnAttachedThread(vm(), [&](JNIEnv* other) {
            jclass thread = other->FindClass("java/lang/Thread");
            jobject current = other->CallStaticObjectMethod(thread, other->GetStaticMethodID(thread, "currentThread", "()Ljava/lang/Thread;"));
            other->ExceptionCheck();
            auto name = static_cast<jstring>(other->CallObjectMethod(current, other->GetMethodID(thread, "getName", "()Ljava/lang/String;")));
            other->ExceptionCheck();
            const bool isDaemon = other->CallBooleanMethod(current, other->GetMethodID(thread, "isDaemon", "()Z"));
            other->ExceptionCheck();
            names += Utf(other, name) + (isDaemon ? " daemon;" : " user;");
        }, daemon ? "mv-daemon" : "mv-user", daemon);
    EXPECT_EQ(names, "mv-user user;mv-daemon daemon;");

    LocalFrame frame(env(), 16);
    jobject global = env()->NewGlobalRef(env()->NewStringUTF("shared"));
    ASSERT_EQ(env()->MonitorEnter(global), JNI_OK);
    ASSERT_EQ(env()->ThrowNew(FindClass("java/lang/IllegalStateException"), "the test thread's"), 0);
    bool otherSawPending = true, otherHolds = true, otherExitThrew = false;
    jint length = -1, otherExit = JNI_OK;
    OnAttachedThread(vm(), [&](JNIEnv* other) {
        otherSawPending = other->ExceptionCheck();
        length = other->GetStringLength(static_cast<jstring>(global));
        jclass thread = other->FindClass("java/lang/Thread");
        otherHolds = other->CallStaticBooleanMethod(thread, other->GetStaticMethodID(thread, "holdsLock", "(Ljava/lang/Object;)Z"), global);
        other->ExceptionCheck();
        otherExit = other->MonitorExit(global);  // not the owner
        otherExitThrew = other->ExceptionCheck();
        other->ExceptionClear();
    });
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException")) << "still pending on its own thread";
    EXPECT_FALSE(otherSawPending);
    EXPECT_EQ(length, 6);
    EXPECT_FALSE(otherHolds);
    EXPECT_NE(otherExit, JNI_OK);
    EXPECT_TRUE(otherExitThrew);
    EXPECT_EQ(env()->MonitorExit(global), JNI_OK);
    env()->DeleteGlobalRef(global);
}

// Each thread blocks in Java until the other arrives: both meet only if the server runs them at once.
TEST_F(Bed, TwoThreadsWorkAtOnce) {
    auto meet = [this] {
        std::string met = "no attach";
        OnAttachedThread(vm(), [&](JNIEnv* own) {
            jclass rendezvous = own->FindClass("fixtures/Rendezvous");
            const bool ok = own->CallStaticBooleanMethod(rendezvous, own->GetStaticMethodID(rendezvous, "meet", "(J)Z"), jlong{20000});
            met = own->ExceptionCheck() ? "threw" : ok ? "met" : "alone";
        });
        return met;
    };
    auto first = std::async(std::launch::async, meet), second = std::async(std::launch::async, meet);
    EXPECT_EQ(first.get() + "," + second.get(), "met,met");
}

// A weak reference shows whether the collector may take an object held only by another thread's
// local reference: not while that thread is attached, and once it has detached.
TEST_F(Bed, ALocalReferenceDiesWithItsThreadsAttachment) {
    std::promise<jweak> made;
    std::promise<void> mayDetach;
    std::thread holder([&] {
        OnAttachedThread(vm(), [&](JNIEnv* other) {
            made.set_value(other->NewWeakGlobalRef(other->AllocObject(other->FindClass("java/lang/Object"))));
            mayDetach.get_future().wait();
        });
    });
    const jweak weak = made.get_future().get();
    jclass system = FindClass("java/lang/System");
    auto collectedAfterGc = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            env()->CallStaticVoidMethod(system, StaticMethodId(system, "gc", "()V"));
            if (env()->ExceptionCheck() || env()->IsSameObject(weak, nullptr)) return true;
        }
        return false;
    };
    EXPECT_FALSE(collectedAfterGc(3)) << "collected while the local reference lived";
    mayDetach.set_value();
    holder.join();
    EXPECT_TRUE(collectedAfterGc(20)) << "the local reference outlived its thread's attachment";
    env()->DeleteWeakGlobalRef(weak);
}

TEST_F(Bed, TraceAndCountersSeeTheCalls) {
    LocalFrame frame(env(), 16);
    jclass base = env()->FindClass("fixtures/Base");
    env()->CallStaticIntMethod(base, env()->GetStaticMethodID(base, "staticIntResult", "()I"));
    env()->ExceptionCheck();
    jobject global = env()->NewGlobalRef(base);
    jweak weak = env()->NewWeakGlobalRef(base);
    env()->DeleteGlobalRef(global);
    env()->DeleteWeakGlobalRef(weak);
    env()->DeleteGlobalRef(nullptr);  // a no-op, not counted
    std::string trace(MvJniProxy_ReadTrace(nullptr, 0), '\0');
    MvJniProxy_ReadTrace(trace.data(), trace.size());
    // jni.h's C++ wrappers pass their arguments on as a va_list: the table sees the V form.
    for (const char* call : {"FindClass(\"fixtures/Base\") -> 0x", "\"staticIntResult\", \"()I\") -> 0x",
                             "CallStaticIntMethodV(0x", "staticIntResult()I) -> 2147483647", "ExceptionCheck() -> 0"})
        EXPECT_THAT(trace, HasSubstr(call));
    const MvJniProxyCounters c = Counters();
    EXPECT_EQ(std::vector<long long>({c.globalRefsMade, c.globalRefsDeleted, c.weakRefsMade, c.weakRefsDeleted, c.attaches, c.detaches}),
              std::vector<long long>({1, 1, 1, 1, 1, 0}));
    EXPECT_GE(c.calls, 8);
    EXPECT_EQ(LiveGlobalReferences(), 0);
    MvJniProxy_ResetCounters();
    MvJniProxy_ClearTrace();
    MvJniProxy_SetTracing(0);
    env()->GetVersion();
    MvJniProxy_SetTracing(1);
    EXPECT_EQ(MvJniProxy_ReadTrace(nullptr, 0), 1u);
    EXPECT_EQ(Counters().calls, 1);
}

TEST_F(Bed, InjectedFaultsFailTheNextCallsAsTheJvmFailsThem) {
  {
    LocalFrame frame(env(), 32);
    jclass base = FindClass("fixtures/Base");
    jstring text = env()->NewStringUTF("x");
    struct Fault {
        const char* function;
        std::function<bool()> failed;  // the call, answering whether it failed
        const char* pending;           // the JVM's exception, or null for none
    };
    const Fault faults[] = {
        {"FindClass", [&] { return !env()->FindClass("java/lang/String"); }, "java/lang/NoClassDefFoundError"},
        {"GetMethodID", [&] { return !env()->GetMethodID(base, "value", "()I"); }, "java/lang/NoSuchMethodError"},
        {"GetStaticFieldID", [&] { return !env()->GetStaticFieldID(base, "lastVoidCall", "Ljava/lang/String;"); }, "java/lang/NoSuchFieldError"},
        {"NewGlobalRef", [&] { return !env()->NewGlobalRef(text); }, nullptr},
        {"NewStringUTF", [&] { return !env()->NewStringUTF("y"); }, "java/lang/OutOfMemoryError"},
        {"NewObject", [&] { return !env()->NewObject(base, MethodId(base, "<init>", "()V")); }, "java/lang/OutOfMemoryError"},
        {"GetStringChars", [&] { return !env()->GetStringChars(text, nullptr); }, "java/lang/OutOfMemoryError"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.function);
        ASSERT_EQ(MvJniProxy_FailNext(fault.function, 1), 1);
        EXPECT_TRUE(fault.failed());
        EXPECT_EQ(fault.pending ? TakeException(fault.pending) : env()->ExceptionCheck() == JNI_TRUE, fault.pending != nullptr);
    }
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 2), 1);  // the next two, then no more
    EXPECT_EQ(std::vector<bool>({!env()->NewGlobalRef(text), !env()->NewGlobalRef(text)}), std::vector<bool>({true, true}));
    jobject global = env()->NewGlobalRef(text);
    EXPECT_NE(global, nullptr);
    env()->DeleteGlobalRef(global);
  }
    for (auto [function, count] : {std::pair<const char*, int>{"GetVersion", 1}, {"NoSuchFunction", 1}, {nullptr, 1}, {"FindClass", -1}})
        EXPECT_EQ(MvJniProxy_FailNext(function, count), 0) << (function ? function : "null");
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    JNIEnv* attached = nullptr;
    EXPECT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&attached), nullptr), JNI_ERR);
    EXPECT_EQ(EnvState(vm()), JNI_EDETACHED);
}

TEST_F(Bed, TheMvJavaJniStandInAnswersAsSet) {
    HMODULE module = ::GetModuleHandleW(L"MvJavaJni.dll");  // found by name, as the module finds it
    ASSERT_TRUE(module && ::GetProcAddress(module, "GetJNIEnv") && ::GetProcAddress(module, "GetJavaVersion"));
    EXPECT_EQ(GetJavaVersion(), 17);
    MvJavaJni_SetJavaVersion(4);
    EXPECT_EQ(GetJavaVersion(), 4);
    EXPECT_EQ(MvJavaJni_GetJavaVersionCalls(), 2);
    EXPECT_EQ(GetJNIEnv(), nullptr);  // until told to give one
    MvJavaJni_SetProvidesEnv(1);
    EXPECT_EQ(GetJNIEnv(), env());
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    JNIEnv* given = GetJNIEnv();  // attaches a detached thread and keeps it attached
    ASSERT_NE(given, nullptr);
    EXPECT_EQ(EnvState(vm()), JNI_OK);
    EXPECT_EQ(GetJNIEnv(), given);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 4);
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 1);
    EXPECT_EQ(EnvState(vm()), JNI_EDETACHED);
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 0);
}

// Run only as children (see ChildProcess): each ends or fails its process on purpose.
TEST_F(Bed, DISABLED_SkipsTheExceptionCheck) {
    jclass base = FindClass("fixtures/Base");
    env()->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
    env()->DeleteLocalRef(env()->FindClass("fixtures/Base"));  // no check before this call
}
TEST_F(Bed, DISABLED_MakesTheExceptionCheck) {
    jclass base = FindClass("fixtures/Base");
    env()->CallStaticVoidMethod(base, StaticMethodId(base, "staticVoidResult", "()V"));
    EXPECT_TRUE(NoException());
    env()->DeleteLocalRef(env()->FindClass("fixtures/Base"));
}
TEST_F(Bed, DISABLED_CallsAnUnforwardedSlot) { env()->RegisterNatives(FindClass("fixtures/Base"), nullptr, 0); }
TEST_F(Bed, DISABLED_UsesAnEnvOnAnotherThread) {
    std::thread([e = env()] { e->GetVersion(); }).join();
}
TEST_F(Bed, DISABLED_EndsTheJvm) { env()->FatalError("ended on purpose by a test"); }
TEST_F(Bed, DISABLED_StartsAServerAndWaits) {
    std::printf("server pid=%u ready\n", MvJniProxy_ServerPid());
    std::fflush(stdout);
    ::Sleep(120000);
}

TEST(BedChild, FailsOrStopsAsPromised) {
    const struct {
        const char* test;
        bool passes;
        const char* printed;
    } children[] = {
        {"DISABLED_SkipsTheExceptionCheck", false,
         "the JVM reported a JNI warning: WARNING in native method: JNI call made without checking exceptions"},
        {"DISABLED_MakesTheExceptionCheck", true, "PASSED  ] 1 test"},
        {"DISABLED_CallsAnUnforwardedSlot", false, "JNI proxy: RegisterNatives is not forwarded"},
        {"DISABLED_UsesAnEnvOnAnotherThread", false, "JNI proxy: GetVersion called with a JNIEnv that is not this thread's own"},
        {"DISABLED_EndsTheJvm", false, "JNI proxy: connection to the JNI server lost during FatalError"},
    };
    for (const auto& row : children) {
        SCOPED_TRACE(row.test);
        ChildProcess child(std::string("Bed.") + row.test);
        ASSERT_TRUE(child.started());
        EXPECT_EQ(child.Finish(120000) == 0, row.passes) << child.output();
        EXPECT_THAT(child.output(), HasSubstr(row.printed));
    }
}

// What the JVM prints: a report with its own first stack line, other threads' lines between.
TEST(BedWarnings, AReportIsReadWithItsOwnStackLine) {
    const std::string jdk = "\tat sun.font.FreetypeFontScaler.initNativeScaler(java.desktop@17.0.15/Native Method)";
    const struct {
        const char* name;
        std::string output;
        std::vector<std::string> found;
    } rows[] = {
        {"every kind", "WARNING in native method: a\nWARNING: JNI local refs: 33, exceeds capacity: 32\n"
                       "FATAL ERROR in native method: c\nException in thread \"main\" java.lang.Error\n",
         {"WARNING in native method: a", "WARNING: JNI local refs: 33, exceeds capacity: 32", "FATAL ERROR in native method: c"}},
        {"the JDK's own, application output between", "WARNING in native method: jdk\nwindows open\n" + jdk + "\n", {}},
        {"ours, then the JDK's", "WARNING in native method: ours\nWARNING in native method: jdk\n" + jdk + "\n",
         {"WARNING in native method: ours"}},
        {"tagged writers interleaved",
         "<writer thread='1'/>\nWARNING in native method: jdk\n<writer thread='2'/>\nWARNING in native method: "
         "ours &apos;x&apos;\n<writer thread='1'/>\n" + jdk + "\n<writer thread='2'/>\n\tat fixtures.X.y(X.java:1)\n",
         {"WARNING in native method: ours 'x'\n\tat fixtures.X.y(X.java:1)"}},
    };
    for (const auto& row : rows) EXPECT_EQ(FindJniWarnings(row.output), row.found) << row.name;
}

// Whether Linux process `pid` runs (exists and is no zombie), read through Wine's Z: drive.
bool LinuxProcessRuns(unsigned pid) {
    FILE* stat = _wfopen((L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat").c_str(), L"r");
    char text[512] = {};
    if (!stat) return false;
    std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    const char* afterName = std::strrchr(text, ')');  // "pid (comm) S ..."
    return afterName && afterName[1] == ' ' && afterName[2] != 'Z' && afterName[2] != 'X';
}

bool GoneWithin(unsigned pid, int seconds) {
    for (int i = 0; i < seconds * 10; ++i, ::Sleep(100))
        if (!LinuxProcessRuns(pid)) return true;
    return false;
}

// One piece of work on a server's JVM from this thread; its JNI reports fail the test.
template <typename Work>
void WithEnv(JniServer& server, Work work) {
    JNIEnv* env = nullptr;
    ASSERT_EQ(server.vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
    {
        LocalFrame frame(env, 32);
        work(env);
    }
    server.vm()->DetachCurrentThread();
    for (const std::string& warning : FindJniWarnings(server.VmReports())) ADD_FAILURE() << warning;
}

std::string CallStaticString(JNIEnv* env, const char* cls, const char* method, const char* arg) {
    jclass c = env->FindClass(cls);
    auto value = static_cast<jstring>(env->CallStaticObjectMethod(
        c, env->GetStaticMethodID(c, method, "(Ljava/lang/String;)Ljava/lang/String;"), env->NewStringUTF(arg)));
    return env->ExceptionCheck() ? "<threw>" : Utf(env, value);
}

TEST(BedServer, StartsWithWhatItIsGivenAndEndsWhenStopped) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"MV_HARNESS_PROBE", L"probe \u00e9"));
    JniServerSettings settings;
    settings.mainClass = "fixtures.MainApp";
    settings.mainArgs = {"one", "two words", "\"quoted\""};
    JniServer server(settings);
    ::SetEnvironmentVariableW(L"MV_HARNESS_PROBE", nullptr);
    ASSERT_TRUE(server.started()) << server.error();
    const unsigned pid = MvJniProxy_ServerPid();
    EXPECT_TRUE(MvJniProxy_ServerPort() > 0 && LinuxProcessRuns(pid));
    EXPECT_THAT(JniServer().error(), HasSubstr("already running"));  // one server at a time
    WithEnv(server, [](JNIEnv* env) {
        EXPECT_EQ(env->GetVersion(), JNI_VERSION_10);
        jclass app = env->FindClass("fixtures/MainApp");
        for (int i = 0; i < 100 && !env->GetStaticBooleanField(app, env->GetStaticFieldID(app, "started", "Z")); ++i) ::Sleep(100);
        std::string ran;
        for (const char* field : {"arguments", "threadName"})
            ran += Utf(env, static_cast<jstring>(env->GetStaticObjectField(app, env->GetStaticFieldID(app, field, "Ljava/lang/String;")))) + ";";
        EXPECT_EQ(ran, "one,two words,\"quoted\";main;");
        EXPECT_EQ(CallStaticString(env, "java/lang/System", "getenv", "MV_HARNESS_PROBE"), "probe \xC3\xA9");
        env->ThrowNew(env->FindClass("java/lang/IllegalStateException"), "described on stderr");
        env->ExceptionDescribe();  // prints and clears
    });
    EXPECT_THAT(server.Output(), HasSubstr("java.lang.IllegalStateException: described on stderr"));
    server.Stop();
    EXPECT_EQ(MvJniProxy_GetJavaVM(), nullptr);
    EXPECT_EQ(MvJniProxy_ServerPort(), 0);
    EXPECT_TRUE(GoneWithin(pid, 10));
    EXPECT_THAT(server.Output(), HasSubstr("mv-jniserver: exiting (parent asked to stop)"));
}

TEST(BedServer, AFailedStartSaysWhy) {
    JniServerSettings noMain, badOption;
    noMain.mainClass = "fixtures.NoSuchMain";
    badOption.jvmOptions = {"-XX:+NoSuchOptionAnywhere"};
    EXPECT_THAT(JniServer(noMain).error(), HasSubstr("main class fixtures.NoSuchMain not found"));
    EXPECT_THAT(JniServer(badOption).error(), HasSubstr("JNI_CreateJavaVM failed"));
}

TEST(BedServer, DestroyJavaVMEndsItAndItsEnvironmentsGo) {
    JniServer first;
    ASSERT_TRUE(first.started()) << first.error();
    JavaVM* vm = first.vm();
    JNIEnv* old = nullptr;
    ASSERT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&old), nullptr), JNI_OK);
    const unsigned pid = MvJniProxy_ServerPid();
    EXPECT_EQ(vm->DestroyJavaVM(), JNI_OK);
    EXPECT_EQ(MvJniProxy_GetJavaVM(), nullptr);
    EXPECT_TRUE(GoneWithin(pid, 10));
    EXPECT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&old), nullptr), JNI_ERR);
    EXPECT_EQ(vm->DestroyJavaVM(), JNI_ERR);
    JniServer second;
    ASSERT_TRUE(second.started()) << second.error();
    EXPECT_EQ(EnvState(second.vm()), JNI_EDETACHED);
}

TEST(BedServer, EndsAtItsMaximumLifetimeAndWithItsKilledParent) {
    JniServerSettings shortLived;
    shortLived.maxLifetimeSeconds = 2;
    JniServer server(shortLived);
    ASSERT_TRUE(server.started()) << server.error();
    EXPECT_TRUE(GoneWithin(MvJniProxy_ServerPid(), 20));
    EXPECT_THAT(server.Output(), HasSubstr("mv-jniserver: exiting (maximum lifetime reached)"));
    server.Stop();

    ChildProcess child("Bed.DISABLED_StartsAServerAndWaits");
    ASSERT_TRUE(child.ReadUntil(" ready", 120000)) << child.output();
    unsigned pid = 0;
    ASSERT_EQ(std::sscanf(child.output().c_str() + child.output().find("server pid="), "server pid=%u", &pid), 1);
    ASSERT_TRUE(LinuxProcessRuns(pid));
    child.Kill();
    EXPECT_TRUE(GoneWithin(pid, 20));
}

}  // namespace
}  // namespace mv::test
