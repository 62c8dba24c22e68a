// The main object's Java operations against a real JVM: which threads it attaches and detaches,
// when it takes the sibling library's environment, and the AWT event hook members with their log
// lines, with the agent's listener class absent and present.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "common/com/com_ptr.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"
#include "mv_java_jni.h"

namespace {

using Lines = std::vector<std::wstring>;
const std::wstring kAttachFailed = L"[CJavaVM::c'tor]\tCould not attach to JVM",
                   kAdd = L"[CMvJavaCpp::AddAWTEventListener]\t", kGet = L"[CMvJavaCpp::GetMorvaneAWTHook]\t";
constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK

MvJniProxyCounters Counters() {
    MvJniProxyCounters c{};
    MvJniProxy_GetCounters(&c);
    return c;
}

// A main object with the JVM saved and the log written to a directory of the test's own.
class MainObject : public mv::test::JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK);
        ASSERT_EQ(m_obj->JavaSaveRunningJVM(Pid(), reinterpret_cast<UINT64>(vm())), S_OK);
        m_log.EnableLogInDirectory();
        MvJavaJni_Reset();
        MvJniProxy_ResetCounters();
    }
    void TearDown() override {
        m_obj.reset();
        ::CoUninitialize();
        JniTest::TearDown();
    }
    static LONG Pid() { return static_cast<LONG>(::GetCurrentProcessId()); }
    static mv::com_ptr<IMvJavaCpp> Unsaved() {
        mv::com_ptr<IMvJavaCpp> obj;
        EXPECT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, obj.put_void()), S_OK);
        return obj;
    }
    // The messages of the level 1 lines written since the last call.
    Lines NewLogMessages() {
        Lines messages;
        const mv::DecodedLogFile file = mv::ReadLogFile(m_log.PlainFile());
        const Lines lines = file.status == mv::LogFileStatus::kOk ? mv::SplitLogLines(file.text) : Lines{};
        for (std::size_t i = m_logRead; i < lines.size(); ++i) {
            const auto parsed = logtest::ParseLine(lines[i]);
            EXPECT_TRUE(parsed && parsed->level == 1u) << "not a level 1 line";
            messages.push_back(parsed ? parsed->message : lines[i]);
        }
        m_logRead = lines.size();
        return messages;
    }
    // The hook members called once each: add's, remove's and get's answers and get's handle.
    static std::tuple<HRESULT, HRESULT, HRESULT, UINT64> CallHookMembers(IMvJavaCpp* obj) {
        UINT64 hook = 0;
        const HRESULT add = obj->AddAWTEventListener(kComponentEvents), remove = obj->RemoveAWTEventListener(kComponentEvents);
        const HRESULT get = obj->GetMorvaneAWTHook(&hook);
        return {add, remove, get, hook};
    }
    static constexpr std::tuple<HRESULT, HRESULT, HRESULT, UINT64> kAllFailed{E_FAIL, E_FAIL, E_FAIL, 0};

    logtest::LogSettingsScope m_log;
    std::size_t m_logRead = 0;
    mv::com_ptr<IMvJavaCpp> m_obj;
};

// The test thread starts detached, as a COM thread of the Java process would be.
class Attachment : public MainObject {
protected:
    void SetUp() override {
        MainObject::SetUp();
        m_jvmVersion = env()->GetVersion();
        ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
        MvJniProxy_ResetCounters();
    }
    bool Attached() const {
        void* env = nullptr;
        return vm()->GetEnv(&env, JNI_VERSION_1_2) == JNI_OK;
    }
    jint m_jvmVersion = 0;
};

// The sibling library's environment is only for Java 4 and older, and only when it has one; a
// thread that is already attached stays so; any other thread is attached for one operation.
TEST_F(Attachment, EachOperationAttachesAsTheJavaVersionAndTheThreadRequire) {
    const struct {
        const char* name;
        int javaVersion;
        bool libraryEnv, ownerAttached;
        int attaches, jniEnvCalls;  // per operation (attaches = detaches); in two operations
    } rows[] = {
        {"Java 17", 17, false, false, 1, 0},
        {"Java 5, the lowest that is not old", 5, false, false, 1, 0},
        {"Java 4, the library's environment", 4, true, false, 0, 2},
        {"Java 4, no environment from the library", 4, false, false, 1, 2},
        {"a thread attached by its owner", 17, false, true, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MvJavaJni_Reset();
        MvJavaJni_SetJavaVersion(row.javaVersion);
        MvJavaJni_SetProvidesEnv(row.libraryEnv);
        JNIEnv* env = nullptr;
        if (row.ownerAttached) { ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK); }
        for (int call = 1; call <= 2; ++call) {
            MvJniProxy_ResetCounters();
            LONG version = 0;
            ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
            EXPECT_EQ(version, m_jvmVersion);
            if (call == 1 && row.libraryEnv) continue;  // the library attaches the thread for itself first
            EXPECT_EQ(Counters().attaches, row.attaches);
            EXPECT_EQ(Counters().detaches, row.attaches);
            EXPECT_EQ(Attached(), row.libraryEnv || row.ownerAttached);
        }
        EXPECT_EQ(MvJavaJni_GetJavaVersionCalls(), 2);
        EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), row.jniEnvCalls);
        if (row.libraryEnv) { EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 1); }
        if (row.ownerAttached) { ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK); }
    }
    EXPECT_TRUE(NewLogMessages().empty());
}

TEST_F(Attachment, FailedAttachFailsTheOperationWithOneLogLine) {
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    LONG version = 12345;
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 12345);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK) << "the fault was for one attach";
    EXPECT_EQ(NewLogMessages(), Lines{kAttachFailed});
}

TEST_F(Attachment, WithoutAUsableSavedJvmNothingReachesJava) {
    LONG version = 5;
    EXPECT_EQ(Unsaved()->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 5) << "nothing is written on failure";
    EXPECT_EQ(m_obj->GetJVMVersion(nullptr), E_POINTER);
    // Saving for another process keeps the saved JVM; saving zero makes operations fail.
    EXPECT_EQ(m_obj->JavaSaveRunningJVM(Pid() + 1, 0xDEAD0000ull), E_FAIL);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    MvJniProxy_ResetCounters();
    ASSERT_EQ(m_obj->JavaSaveRunningJVM(Pid(), 0), S_OK);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(Counters().calls, 0);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_TRUE(NewLogMessages().empty());
}

TEST_F(Attachment, ThreadsAttachIndependently) {
    constexpr int kThreads = 4, kCalls = 10;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kCalls; ++i) {
                LONG version = 0;
                if (m_obj->GetJVMVersion(&version) == S_OK && version == m_jvmVersion) ++ok;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok.load(), kThreads * kCalls);
    EXPECT_EQ(Counters().attaches, kThreads * kCalls);
    EXPECT_EQ(Counters().detaches, kThreads * kCalls);
}

// The application was started without the agent's Java classes.
class HookClassAbsent : public MainObject {};

TEST_F(HookClassAbsent, EveryMemberFailsAndOnlyAddAndGetWriteALine) {
    EXPECT_EQ(CallHookMembers(m_obj.get()), kAllFailed);
    EXPECT_FALSE(env()->ExceptionCheck()) << "the failed class lookups are cleared";
    EXPECT_EQ(NewLogMessages(), (Lines{kAdd + L"Unable to FindClass", kGet + L"Unable to FindClass."}));
}

TEST_F(HookClassAbsent, WithoutASavedJvmOrAnEnvironmentOnlyGetWritesALine) {
    EXPECT_EQ(CallHookMembers(Unsaved().get()), kAllFailed);
    EXPECT_EQ(Counters().calls, 0) << "nothing reached the JVM";
    EXPECT_EQ(NewLogMessages(), Lines{kGet + L"Could not get Java VM"});
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 3), 1);
    EXPECT_EQ(CallHookMembers(m_obj.get()), kAllFailed);
    MvJniProxy_ClearFaults();
    EXPECT_EQ(NewLogMessages(), (Lines{kAttachFailed, kAttachFailed, kAttachFailed, kGet + L"Failed to get JNI pointer"}));
}

// The agent's classes are on the class path; a test installs the hook as the toolkit does (by
// constructing the listener) and takes it away again afterwards.
class HookClassPresent : public MainObject {
protected:
    static constexpr const char* kListener = "com/morvane/MorvaneAWTEventListener";
    static void SetUpTestSuite() {
        mv::test::JniServerSettings settings;
        settings.classPath = {MV_HOOK_JAR};
        StartServer(settings);
    }
    void TearDown() override {
        if (m_hook) env()->DeleteLocalRef(m_hook);
        jclass listener = FindClass(kListener);
        env()->SetStaticObjectField(listener, App(listener), nullptr);
        env()->DeleteLocalRef(listener);
        MainObject::TearDown();
    }
    jfieldID App(jclass listener) { return StaticFieldId(listener, "app", "Lcom/morvane/MorvaneAWTHook;"); }
    jlong ListenedMask() {
        jclass cls = env()->GetObjectClass(m_hook);
        const jlong mask = env()->CallLongMethod(m_hook, MethodId(cls, "getListenedMask", "()J"));
        EXPECT_TRUE(NoException());
        env()->DeleteLocalRef(cls);
        return mask;
    }
    jobject m_hook = nullptr;
};

TEST_F(HookClassPresent, WhileTheHookIsNotInstalledAddAndGetFailWithTheirLines) {
    EXPECT_EQ(CallHookMembers(m_obj.get()), kAllFailed);
    EXPECT_EQ(NewLogMessages(), (Lines{kAdd + L"Unable to get eventListener object.", kGet + L"Unable to get hook object."}));
}

// With the hook installed the members work, or fail at the Java lookup made to fail with their
// line; either way exceptions are cleared and the hook listens for nothing afterwards. Each hook
// handle is a new global reference to the hook that the caller owns.
TEST_F(HookClassPresent, InstalledHookMembersWorkOrFailAtTheirJavaLookup) {
    env()->DeleteLocalRef(NewDefault(kListener));
    jclass cls = FindClass(kListener);
    m_hook = env()->GetStaticObjectField(cls, App(cls));
    env()->DeleteLocalRef(cls);
    ASSERT_NE(m_hook, nullptr) << "constructing the listener installs the hook";
    const struct {
        const char* function;  // the lookup made to fail ("": none)
        int calls;             // how many of add, remove and get reach it
        HRESULT addAndRemove, get;
        Lines lines;
    } rows[] = {
        {"", 0, S_OK, S_OK, {}},
        {"GetStaticFieldID", 3, E_FAIL, E_FAIL,
         {kAdd + L"Unable to GetStaticFieldID.", kGet + L"Unable to GetStaticFieldID for app."}},
        {"GetMethodID", 2, E_FAIL, S_OK, {kAdd + L"Unable to GetMethodID."}},
        {"GetObjectClass", 2, E_FAIL, S_OK, {kAdd + L" Unable to get hook class."}},
        {"NewGlobalRef", 1, S_OK, E_FAIL, {kGet + L"Unable to get lock hook object."}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.function);
        const long long references = mv::test::LiveGlobalReferences();
        if (*row.function) { ASSERT_EQ(MvJniProxy_FailNext(row.function, row.calls), 1); }
        const auto [add, remove, get, hook] = CallHookMembers(m_obj.get());
        MvJniProxy_ClearFaults();
        EXPECT_EQ(std::make_tuple(add, remove, get), std::make_tuple(row.addAndRemove, row.addAndRemove, row.get));
        EXPECT_EQ(mv::test::LiveGlobalReferences(), references + (hook ? 1 : 0));
        if (hook) {
            EXPECT_TRUE(env()->IsSameObject(reinterpret_cast<jobject>(static_cast<std::uintptr_t>(hook)), m_hook));
            EXPECT_EQ(m_obj->DeleteJavaObject(hook), S_OK);
            EXPECT_EQ(mv::test::LiveGlobalReferences(), references);
        }
        EXPECT_FALSE(env()->ExceptionCheck());
        EXPECT_EQ(ListenedMask(), 0);
        EXPECT_EQ(NewLogMessages(), row.lines);
    }
    const struct {
        bool add;
        LONG events;
        jlong mask;
    } steps[] = {{true, kComponentEvents, 1}, {true, 4 /* focus */, 5}, {false, kComponentEvents, 4}, {false, 4, 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << (step.add ? "add " : "remove ") << step.events);
        EXPECT_EQ(step.add ? m_obj->AddAWTEventListener(step.events) : m_obj->RemoveAWTEventListener(step.events), S_OK);
        EXPECT_EQ(ListenedMask(), step.mask);
    }
}

}  // namespace
