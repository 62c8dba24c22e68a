// The main object's Java operations against a real JVM (with the agent's hook jar on its class
// path): which threads it attaches and detaches, when it takes the sibling library's environment,
// and the AWT event hook members with their log lines. A Java exception left pending fails a test
// (JniTest).

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "bridge_test.h"
#include "common/com/com_ptr.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"
#include "log_test_support.h"
#include "mv_java_jni.h"

namespace {

using Lines = std::vector<std::wstring>;
const std::wstring kAttachFailed = L"[CJavaVM::c'tor]\tCould not attach to JVM",
                   kAdd = L"[CMvJavaCpp::AddAWTEventListener]\t", kGet = L"[CMvJavaCpp::GetMorvaneAWTHook]\t";
constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK
constexpr const char* kListener = "com/morvane/MorvaneAWTEventListener";

MvJniProxyCounters Counters() {
    MvJniProxyCounters c{};
    MvJniProxy_GetCounters(&c);
    return c;
}

// A main object with the JVM saved and the log written to a directory of the test's own.
class MainObject : public mv::test::BridgeTest {
protected:
    static void SetUpTestSuite() {
        mv::test::JniServerSettings settings;
        settings.classPath = {MV_HOOK_JAR};
        StartServer(settings);
    }
    void SetUp() override {
        BridgeTest::SetUp();
        m_log.EnableLogInDirectory();
        MvJniProxy_ResetCounters();
    }
    static LONG Pid() { return static_cast<LONG>(::GetCurrentProcessId()); }
    static mv::com_ptr<IMvJavaCpp> New() {  // no JVM saved
        mv::com_ptr<IMvJavaCpp> obj;
        EXPECT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, obj.put_void()), S_OK);
        return obj;
    }
    // The messages of the lines written since the last call; all must be of level 1.
    Lines NewLogMessages() {
        Lines messages = logtest::MessagesIn(m_log.PlainFile(), 1);
        messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(std::min(m_logRead, messages.size())));
        m_logRead += messages.size();
        return messages;
    }

    logtest::LogSettingsScope m_log;
    std::size_t m_logRead = 0;
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
        void* env = nullptr;
        if (row.ownerAttached) { ASSERT_EQ(vm()->AttachCurrentThread(&env, nullptr), JNI_OK); }
        for (int call = 1; call <= 2; ++call) {
            MvJniProxy_ResetCounters();
            LONG version = 0;
            ASSERT_EQ(bridge()->GetJVMVersion(&version), S_OK);
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

TEST_F(Attachment, FailedAttachOrNoUsableJvmFailsTheOperation) {
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    LONG version = 12345;
    EXPECT_EQ(bridge()->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 12345);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_EQ(NewLogMessages(), Lines{kAttachFailed});
    EXPECT_EQ(bridge()->GetJVMVersion(&version), S_OK) << "the fault was for one attach";
    EXPECT_EQ(bridge()->GetJVMVersion(nullptr), E_POINTER);
    EXPECT_EQ(bridge()->JavaSaveRunningJVM(Pid() + 1, 0xDEAD0000ull), E_FAIL) << "another process's JVM";
    EXPECT_EQ(bridge()->GetJVMVersion(&version), S_OK) << "the saved JVM is kept";
    ASSERT_EQ(bridge()->JavaSaveRunningJVM(Pid(), 0), S_OK);
    MvJniProxy_ResetCounters();
    version = 5;
    EXPECT_EQ(bridge()->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(New()->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 5) << "nothing is written on failure";
    EXPECT_EQ(Counters().calls, 0);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_TRUE(NewLogMessages().empty());
}

// The hook is installed as the toolkit does it (by constructing the listener) and taken away again
// after each test.
class Hook : public MainObject {
protected:
    void TearDown() override {
        if (m_hook) {
            env()->DeleteLocalRef(m_hook);
            jclass listener = FindClass(kListener);
            env()->SetStaticObjectField(listener, App(listener), nullptr);
            env()->DeleteLocalRef(listener);
        }
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
    // Add's, remove's and get's answers and get's handle.
    static std::tuple<HRESULT, HRESULT, HRESULT, UINT64> CallHookMembers(IMvJavaCpp* obj) {
        UINT64 hook = 0;
        const HRESULT add = obj->AddAWTEventListener(kComponentEvents);
        const HRESULT remove = obj->RemoveAWTEventListener(kComponentEvents);
        return {add, remove, obj->GetMorvaneAWTHook(&hook), hook};
    }
    jobject m_hook = nullptr;
};

// Remove never writes a line. A class lookup made to fail (for all three members) is what a
// missing class gives; an attach made to fail leaves a member without an environment (the last row:
// the thread stays detached).
TEST_F(Hook, UntilItIsInstalledEveryMemberFailsWithItsLines) {
    const struct {
        const char* name;
        bool saved;
        std::string fault;
        Lines lines;
    } rows[] = {
        {"the listener class absent", true, "FindClass",
         {kAdd + L"Unable to FindClass", kGet + L"Unable to FindClass."}},
        {"not installed", true, "",
         {kAdd + L"Unable to get eventListener object.", kGet + L"Unable to get hook object."}},
        {"no saved JVM", false, "", {kGet + L"Could not get Java VM"}},
        {"no environment", true, "AttachCurrentThread",
         {kAttachFailed, kAttachFailed, kAttachFailed, kGet + L"Failed to get JNI pointer"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.fault == "AttachCurrentThread") { ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK); }
        if (!row.fault.empty()) { ASSERT_EQ(MvJniProxy_FailNext(row.fault.c_str(), 3), 1); }
        MvJniProxy_ResetCounters();
        const auto answers = CallHookMembers(row.saved ? bridge() : New().get());
        MvJniProxy_ClearFaults();
        EXPECT_EQ(answers, std::make_tuple(E_FAIL, E_FAIL, E_FAIL, UINT64{0}));
        if (!row.saved) { EXPECT_EQ(Counters().calls, 0) << "nothing reached the JVM"; }
        EXPECT_EQ(NewLogMessages(), row.lines);
    }
}

// The installed hook's members work, or fail at the Java lookup made to fail with their line;
// either way the hook listens for nothing afterwards. Each hook handle is a new global reference
// to the hook that the caller owns.
TEST_F(Hook, InstalledItsMembersWorkOrFailAtTheirJavaLookup) {
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
        const auto [add, remove, get, hook] = CallHookMembers(bridge());
        MvJniProxy_ClearFaults();
        EXPECT_EQ(std::make_tuple(add, remove, get), std::make_tuple(row.addAndRemove, row.addAndRemove, row.get));
        EXPECT_EQ(mv::test::LiveGlobalReferences(), references + (hook ? 1 : 0));
        if (hook) {
            EXPECT_TRUE(env()->IsSameObject(reinterpret_cast<jobject>(static_cast<std::uintptr_t>(hook)), m_hook));
            EXPECT_EQ(bridge()->DeleteJavaObject(hook), S_OK);
            EXPECT_EQ(mv::test::LiveGlobalReferences(), references);
        }
        EXPECT_EQ(ListenedMask(), 0);
        EXPECT_EQ(NewLogMessages(), row.lines);
    }
    EXPECT_EQ(bridge()->AddAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(bridge()->AddAWTEventListener(4 /* focus */), S_OK);
    EXPECT_EQ(bridge()->RemoveAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(ListenedMask(), 4) << "the masks combine";
}

}  // namespace
