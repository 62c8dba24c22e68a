// The main object's Java operations against a real JVM: which threads it attaches and detaches,
// when it uses the sibling library's environment, and the AWT event hook members with their log
// lines, with the agent's listener class absent and present.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
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
const wchar_t kAttachFailed[] = L"[CJavaVM::c'tor]\tCould not attach to JVM";

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
    bool Attached() const {
        void* env = nullptr;
        return vm()->GetEnv(&env, JNI_VERSION_1_2) == JNI_OK;
    }
    jint JvmVersion() const {  // asked on a thread of its own
        jint version = 0;
        std::thread([&] {
            JNIEnv* env = nullptr;
            if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return;
            version = env->GetVersion();
            vm()->DetachCurrentThread();
        }).join();
        return version;
    }
    Lines LogMessages() const {
        Lines messages;
        const mv::DecodedLogFile file = mv::ReadLogFile(m_log.PlainFile());
        for (const auto& line : file.status == mv::LogFileStatus::kOk ? mv::SplitLogLines(file.text) : Lines{}) {
            const auto parsed = logtest::ParseLine(line);
            EXPECT_TRUE(parsed && parsed->level == 1u) << "not a level 1 line";
            messages.push_back(parsed ? parsed->message : line);
        }
        return messages;
    }

    logtest::LogSettingsScope m_log;
    mv::com_ptr<IMvJavaCpp> m_obj;
};

// The test thread starts detached, as a COM thread of the Java process would be.
class Attachment : public MainObject {
protected:
    void SetUp() override {
        MainObject::SetUp();
        ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
        MvJniProxy_ResetCounters();
    }
};

TEST_F(Attachment, CurrentJavaAttachesAndDetachesEachOperation) {
    const jint jvmVersion = JvmVersion();
    for (int javaVersion : {5, 17}) {  // 5: the lowest that is not "old"
        SCOPED_TRACE(javaVersion);
        MvJavaJni_Reset();
        MvJavaJni_SetJavaVersion(javaVersion);
        MvJniProxy_ResetCounters();
        for (int call = 1; call <= 2; ++call) {
            LONG version = 0;
            ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
            EXPECT_EQ(version, jvmVersion);
            EXPECT_EQ(Counters().attaches, call);
            EXPECT_EQ(Counters().detaches, call);
            EXPECT_FALSE(Attached()) << "no thread stays attached between calls";
        }
        EXPECT_EQ(MvJavaJni_GetJavaVersionCalls(), 2);
        EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 0) << "the library's environment is only for Java 4 and older";
    }
}

TEST_F(Attachment, OldJavaUsesTheLibrarysEnvironmentWhenItHasOne) {
    MvJavaJni_SetJavaVersion(4);
    MvJavaJni_SetProvidesEnv(1);
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);  // the library attaches the thread for itself
    EXPECT_EQ(version, JvmVersion());
    MvJniProxy_ResetCounters();
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 2);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_TRUE(Attached()) << "the library's attachment is left alone";
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 1);

    MvJniProxy_ResetCounters();
    MvJavaJni_SetProvidesEnv(0);  // no environment from the library: the object attaches itself
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 3);
    EXPECT_EQ(Counters().attaches, 1);
    EXPECT_EQ(Counters().detaches, 1);
}

TEST_F(Attachment, FailedAttachFailsTheOperationWithOneLogLine) {
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    LONG version = 12345;
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 12345);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK) << "the fault was for one attach";
    EXPECT_EQ(LogMessages(), Lines{kAttachFailed});
}

TEST_F(Attachment, WithoutAUsableSavedJvmNothingReachesJava) {
    mv::com_ptr<IMvJavaCpp> fresh;
    ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    LONG version = 5;
    EXPECT_EQ(fresh->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 5) << "nothing is written on failure";
    EXPECT_EQ(fresh->GetJVMVersion(nullptr), E_POINTER);
    // Saving for another process keeps the saved JVM; saving zero makes operations fail.
    EXPECT_EQ(m_obj->JavaSaveRunningJVM(Pid() + 1, 0xDEAD0000ull), E_FAIL);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    MvJniProxy_ResetCounters();
    ASSERT_EQ(m_obj->JavaSaveRunningJVM(Pid(), 0), S_OK);
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(Counters().calls, 0);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(Attachment, AThreadAttachedByItsOwnerStaysAttached) {
    JNIEnv* env = nullptr;
    ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
    MvJniProxy_ResetCounters();
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_TRUE(Attached());
}

TEST_F(Attachment, ThreadsAttachIndependently) {
    constexpr int kThreads = 4, kCalls = 10;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < kCalls; ++i) {
                LONG version = 0;
                if (m_obj->GetJVMVersion(&version) == S_OK && version > 0) ++ok;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok.load(), kThreads * kCalls);
    EXPECT_EQ(Counters().attaches, kThreads * kCalls);
    EXPECT_EQ(Counters().detaches, kThreads * kCalls);
}

constexpr const char* kListener = "com/morvane/MorvaneAWTEventListener";
constexpr LONG kComponentEvents = 1, kFocusEvents = 4;  // java.awt.AWTEvent masks
const std::wstring kAdd = L"[CMvJavaCpp::AddAWTEventListener]\t", kGet = L"[CMvJavaCpp::GetMorvaneAWTHook]\t";

// The three hook members called once each; the handle that GetMorvaneAWTHook gave (0 on failure).
struct HookResults {
    HRESULT add, remove, get;
    UINT64 hook;
};
HookResults CallHookMembers(IMvJavaCpp* obj) {
    HookResults r{obj->AddAWTEventListener(kComponentEvents), obj->RemoveAWTEventListener(kComponentEvents), E_FAIL, 0};
    r.get = obj->GetMorvaneAWTHook(&r.hook);
    return r;
}
void ExpectAllFailed(const HookResults& r) {
    EXPECT_EQ(r.add, E_FAIL);
    EXPECT_EQ(r.remove, E_FAIL);
    EXPECT_EQ(r.get, E_FAIL);
    EXPECT_EQ(r.hook, 0u);
}

// The application was started without the agent's Java classes.
class HookClassAbsent : public MainObject {};

TEST_F(HookClassAbsent, EveryMemberFailsAndOnlyAddAndGetWriteALine) {
    ExpectAllFailed(CallHookMembers(m_obj.get()));
    EXPECT_FALSE(env()->ExceptionCheck()) << "the failed class lookups are cleared";
    EXPECT_EQ(LogMessages(), (Lines{kAdd + L"Unable to FindClass", kGet + L"Unable to FindClass."}));
}

TEST_F(HookClassAbsent, WithoutASavedJvmOrAnEnvironmentOnlyGetWritesALine) {
    mv::com_ptr<IMvJavaCpp> unsaved;
    ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, unsaved.put_void()), S_OK);
    ExpectAllFailed(CallHookMembers(unsaved.get()));
    EXPECT_EQ(Counters().calls, 0) << "nothing reached the JVM";
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 3), 1);
    ExpectAllFailed(CallHookMembers(m_obj.get()));
    MvJniProxy_ClearFaults();
    EXPECT_EQ(LogMessages(), (Lines{kGet + L"Could not get Java VM", kAttachFailed, kAttachFailed, kAttachFailed,
                                    kGet + L"Failed to get JNI pointer"}));
}

// The agent's classes are on the class path; a test installs the hook as the toolkit does (by
// constructing the listener) and takes it away again afterwards.
class HookClassPresent : public MainObject {
protected:
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
    void InstallHook() {
        env()->DeleteLocalRef(NewDefault(kListener));
        jclass cls = FindClass(kListener);
        m_hook = env()->GetStaticObjectField(cls, App(cls));
        env()->DeleteLocalRef(cls);
        ASSERT_NE(m_hook, nullptr) << "constructing the listener installs the hook";
    }
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
    ExpectAllFailed(CallHookMembers(m_obj.get()));
    EXPECT_EQ(LogMessages(), (Lines{kAdd + L"Unable to get eventListener object.", kGet + L"Unable to get hook object."}));
}

TEST_F(HookClassPresent, AddAndRemoveChangeWhatTheHookListensFor) {
    InstallHook();
    const struct {
        bool add;
        LONG type;
        jlong mask;
    } steps[] = {{true, kComponentEvents, 1}, {true, kFocusEvents, 5}, {false, kComponentEvents, 4}, {false, kFocusEvents, 0}};
    ASSERT_EQ(ListenedMask(), 0);
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << (step.add ? "add " : "remove ") << step.type);
        EXPECT_EQ(step.add ? m_obj->AddAWTEventListener(step.type) : m_obj->RemoveAWTEventListener(step.type), S_OK);
        EXPECT_EQ(ListenedMask(), step.mask);
    }
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(HookClassPresent, EachHookHandleIsANewReferenceThatTheCallerOwns) {
    InstallHook();
    const long long before = mv::test::LiveGlobalReferences();
    UINT64 first = 0, second = 0;
    ASSERT_EQ(m_obj->GetMorvaneAWTHook(&first), S_OK);
    ASSERT_EQ(m_obj->GetMorvaneAWTHook(&second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(mv::test::LiveGlobalReferences(), before + 2);
    VARIANT_BOOL same = VARIANT_FALSE;
    ASSERT_EQ(m_obj->IsSameJavaObject(first, second, &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
    EXPECT_TRUE(env()->IsSameObject(reinterpret_cast<jobject>(static_cast<std::uintptr_t>(first)), m_hook));
    EXPECT_EQ(m_obj->DeleteJavaObject(first), S_OK);
    EXPECT_EQ(m_obj->DeleteJavaObject(second), S_OK);
    EXPECT_EQ(mv::test::LiveGlobalReferences(), before);
    EXPECT_TRUE(LogMessages().empty());
}

TEST_F(HookClassPresent, FailedJavaLookupsAreClearedAndWrittenByAddAndGetOnly) {
    InstallHook();
    const struct {
        const char* function;
        int calls;  // how many of add, remove and get reach it
        HRESULT addAndRemove, get;
        Lines lines;
    } faults[] = {
        {"GetStaticFieldID", 3, E_FAIL, E_FAIL,
         {kAdd + L"Unable to GetStaticFieldID.", kGet + L"Unable to GetStaticFieldID for app."}},
        {"GetMethodID", 2, E_FAIL, S_OK, {kAdd + L"Unable to GetMethodID."}},
        {"GetObjectClass", 2, E_FAIL, S_OK, {kAdd + L" Unable to get hook class."}},
        {"NewGlobalRef", 1, S_OK, E_FAIL, {kGet + L"Unable to get lock hook object."}},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.function);
        const std::size_t before = LogMessages().size();
        ASSERT_EQ(MvJniProxy_FailNext(fault.function, fault.calls), 1);
        const HookResults r = CallHookMembers(m_obj.get());
        MvJniProxy_ClearFaults();
        EXPECT_EQ(r.add, fault.addAndRemove);
        EXPECT_EQ(r.remove, fault.addAndRemove);
        EXPECT_EQ(r.get, fault.get);
        if (r.hook) {
            EXPECT_EQ(m_obj->DeleteJavaObject(r.hook), S_OK);
        }
        EXPECT_FALSE(env()->ExceptionCheck());
        EXPECT_EQ(ListenedMask(), 0);
        const Lines all = LogMessages();
        EXPECT_EQ(Lines(all.begin() + static_cast<std::ptrdiff_t>(std::min(before, all.size())), all.end()), fault.lines);
    }
}

}  // namespace
