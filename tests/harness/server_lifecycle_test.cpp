// The JNI server starts with what it is given, reports where it listens, collects the JVM's
// output, takes the Windows process's environment, and never outlives its purpose: it ends when
// stopped, when its Windows parent dies (even killed), and at its maximum lifetime.

#include <winsock2.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "child_process.h"
#include "common/win/handles.h"
#include "jni_server.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;

// Whether something accepts connections on 127.0.0.1:port.
bool Listening(int port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool connected = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::closesocket(s);
    return connected;
}

// Whether Linux process `pid` runs (exists and is not a zombie), read through Wine's Z: drive.
bool LinuxProcessRuns(unsigned pid) {
    std::wstring path = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat";
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char stat[512] = {};
    DWORD n = 0;
    ::ReadFile(file.get(), stat, sizeof stat - 1, &n, nullptr);
    const char* afterName = std::strrchr(stat, ')');  // "pid (comm) S ..."
    return afterName != nullptr && afterName[1] == ' ' && afterName[2] != 'Z' && afterName[2] != 'X';
}

// Waits up to `seconds` for the server at port/pid to be gone.
bool GoneWithin(int port, unsigned pid, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (!Listening(port) && !LinuxProcessRuns(pid)) return true;
        ::Sleep(100);
    }
    return false;
}

class ServerLifecycle : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    // Attaches the calling thread to `server` for one piece of work.
    template <typename Work>
    void WithEnv(JniServer& server, Work work) {
        JNIEnv* env = nullptr;
        ASSERT_EQ(server.vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
        work(env);
        server.vm()->DetachCurrentThread();
        for (const std::string& warning : FindJniWarnings(server.Output())) ADD_FAILURE() << warning;
    }
    static std::string StaticString(JNIEnv* env, const char* className, const char* field) {
        jclass cls = env->FindClass(className);
        if (cls == nullptr) {
            env->ExceptionClear();
            return "<no class>";
        }
        auto value = static_cast<jstring>(env->GetStaticObjectField(cls, env->GetStaticFieldID(cls, field, "Ljava/lang/String;")));
        std::string text = Utf(env, value);
        env->DeleteLocalRef(value);
        env->DeleteLocalRef(cls);
        return text;
    }
};

TEST_F(ServerLifecycle, ReportsWhereItListensAndEndsWhenStopped) {
    JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    int port = MvJniProxy_ServerPort();
    unsigned pid = MvJniProxy_ServerPid();
    EXPECT_GT(port, 0);
    EXPECT_TRUE(LinuxProcessRuns(pid));
    WithEnv(server, [](JNIEnv* env) { EXPECT_EQ(env->GetVersion(), JNI_VERSION_10); });
    server.Stop();
    EXPECT_EQ(MvJniProxy_GetJavaVM(), nullptr);
    EXPECT_EQ(MvJniProxy_ServerPort(), 0);
    EXPECT_TRUE(GoneWithin(port, pid, 10));
    EXPECT_THAT(server.Output(), HasSubstr("mv-jniserver: exiting (parent asked to stop)"));
}

TEST_F(ServerLifecycle, DestroyJavaVMEndsTheServer) {
    JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    int port = MvJniProxy_ServerPort();
    unsigned pid = MvJniProxy_ServerPid();
    JavaVM* vm = server.vm();
    EXPECT_EQ(vm->DestroyJavaVM(), JNI_OK);
    EXPECT_EQ(MvJniProxy_GetJavaVM(), nullptr);
    EXPECT_TRUE(GoneWithin(port, pid, 10));
    JNIEnv* env = nullptr;
    EXPECT_EQ(vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_ERR);
    EXPECT_EQ(vm->DestroyJavaVM(), JNI_ERR);
}

TEST_F(ServerLifecycle, OneServerAtATime) {
    JniServer first;
    ASSERT_TRUE(first.started()) << first.error();
    JniServer second;
    EXPECT_FALSE(second.started());
    EXPECT_THAT(second.error(), HasSubstr("already running"));
}

TEST_F(ServerLifecycle, AFailedStartSaysWhy) {
    JniServerSettings missingMain;
    missingMain.mainClass = "fixtures.NoSuchMain";
    JniServer noMain(missingMain);
    EXPECT_FALSE(noMain.started());
    EXPECT_THAT(noMain.error(), HasSubstr("main class fixtures.NoSuchMain not found"));

    JniServerSettings badOption;
    badOption.jvmOptions = {"-XX:+NoSuchOptionAnywhere"};
    JniServer noJvm(badOption);
    EXPECT_FALSE(noJvm.started());
    EXPECT_THAT(noJvm.error(), HasSubstr("JNI_CreateJavaVM failed"));
}

TEST_F(ServerLifecycle, RunsAMainClassOnItsOwnThread) {
    JniServerSettings settings;
    settings.mainClass = "fixtures.MainApp";
    settings.mainArgs = {"one", "two words", "\"quoted\""};
    JniServer server(settings);
    ASSERT_TRUE(server.started()) << server.error();
    WithEnv(server, [](JNIEnv* env) {
        jclass app = env->FindClass("fixtures/MainApp");
        ASSERT_NE(app, nullptr);
        jfieldID started = env->GetStaticFieldID(app, "started", "Z");
        for (int i = 0; i < 100 && !env->GetStaticBooleanField(app, started); ++i) ::Sleep(100);
        EXPECT_TRUE(env->GetStaticBooleanField(app, started));
        env->DeleteLocalRef(app);
        EXPECT_EQ(StaticString(env, "fixtures/MainApp", "arguments"), "one,two words,\"quoted\"");
        EXPECT_EQ(StaticString(env, "fixtures/MainApp", "threadName"), "main");
    });
}

TEST_F(ServerLifecycle, TheWindowsEnvironmentReachesTheJvm) {
    ASSERT_TRUE(::SetEnvironmentVariableW(L"MV_HARNESS_PROBE", L"probe value \u00e9"));
    JniServer server;
    ::SetEnvironmentVariableW(L"MV_HARNESS_PROBE", nullptr);
    ASSERT_TRUE(server.started()) << server.error();
    char display[256] = "";
    ::GetEnvironmentVariableA("DISPLAY", display, sizeof display);
    WithEnv(server, [&](JNIEnv* env) {
        jclass system = env->FindClass("java/lang/System");
        jmethodID getenv = env->GetStaticMethodID(system, "getenv", "(Ljava/lang/String;)Ljava/lang/String;");
        auto read = [&](const char* name) {
            jstring key = env->NewStringUTF(name);
            auto value = static_cast<jstring>(env->CallStaticObjectMethod(system, getenv, key));
            std::string text = env->ExceptionCheck() ? "<threw>" : Utf(env, value);
            env->DeleteLocalRef(value);
            env->DeleteLocalRef(key);
            return text;
        };
        EXPECT_EQ(read("MV_HARNESS_PROBE"), "probe value \xC3\xA9");
        if (display[0] != '\0') {
            EXPECT_EQ(read("DISPLAY"), display);
        }
        env->DeleteLocalRef(system);
    });
}

TEST_F(ServerLifecycle, CollectsWhatTheJvmPrints) {
    JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    WithEnv(server, [](JNIEnv* env) {
        jclass system = env->FindClass("java/lang/System");
        jobject out = env->GetStaticObjectField(system, env->GetStaticFieldID(system, "out", "Ljava/io/PrintStream;"));
        jclass stream = env->GetObjectClass(out);
        jstring line = env->NewStringUTF("printed by the JVM");
        env->CallVoidMethod(out, env->GetMethodID(stream, "println", "(Ljava/lang/String;)V"), line);
        EXPECT_FALSE(env->ExceptionCheck());
        jclass error = env->FindClass("java/lang/IllegalStateException");
        env->ThrowNew(error, "described on stderr");
        env->ExceptionDescribe();  // prints and clears
        EXPECT_FALSE(env->ExceptionCheck());
        for (jobject ref : {static_cast<jobject>(system), out, static_cast<jobject>(stream), static_cast<jobject>(line),
                            static_cast<jobject>(error)})
            env->DeleteLocalRef(ref);
    });
    std::string output = server.Output();
    EXPECT_THAT(output, HasSubstr("printed by the JVM\n"));
    EXPECT_THAT(output, HasSubstr("java.lang.IllegalStateException: described on stderr"));
}

TEST_F(ServerLifecycle, EnvironmentsOfAStoppedServerAreGone) {
    JniServer first;
    ASSERT_TRUE(first.started()) << first.error();
    JNIEnv* old = nullptr;
    ASSERT_EQ(first.vm()->AttachCurrentThread(reinterpret_cast<void**>(&old), nullptr), JNI_OK);
    first.Stop();
    JniServer second;
    ASSERT_TRUE(second.started()) << second.error();
    JNIEnv* current = nullptr;
    EXPECT_EQ(second.vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_EDETACHED);
    WithEnv(second, [](JNIEnv* env) { EXPECT_EQ(env->GetVersion(), JNI_VERSION_10); });
}

TEST_F(ServerLifecycle, EndsAtItsMaximumLifetime) {
    JniServerSettings settings;
    settings.maxLifetimeSeconds = 2;
    JniServer server(settings);
    ASSERT_TRUE(server.started()) << server.error();
    int port = MvJniProxy_ServerPort();
    unsigned pid = MvJniProxy_ServerPid();
    EXPECT_TRUE(GoneWithin(port, pid, 20));
    EXPECT_THAT(server.Output(), HasSubstr("mv-jniserver: exiting (maximum lifetime reached)"));
}

// Run only as a child: starts a server, says where it is, and waits to be killed.
TEST_F(ServerLifecycle, DISABLED_ChildStartsAServerAndWaits) {
    JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    std::printf("server port=%d pid=%u ready\n", MvJniProxy_ServerPort(), MvJniProxy_ServerPid());
    std::fflush(stdout);
    ::Sleep(120000);
}

TEST_F(ServerLifecycle, EndsWhenItsWindowsParentIsKilled) {
    ChildProcess child("ServerLifecycle.DISABLED_ChildStartsAServerAndWaits");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(child.ReadUntil(" ready", 120000)) << child.output();
    int port = 0;
    unsigned pid = 0;
    ASSERT_EQ(std::sscanf(child.output().c_str() + child.output().find("server port="), "server port=%d pid=%u",
                          &port, &pid), 2);
    ASSERT_TRUE(Listening(port));
    ASSERT_TRUE(LinuxProcessRuns(pid));
    child.Kill();
    EXPECT_TRUE(GoneWithin(port, pid, 20));
}

}  // namespace
}  // namespace mv::test
