// The AWT event hook members of the main object against a real JVM: with the agent's listener
// class absent, present but not installed, and installed; what the hook then listens for, the
// hook handles handed out, and the log lines of each failure.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/com/com_ptr.h"
#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"

namespace {

constexpr const char* kListenerClass = "com/morvane/MorvaneAWTEventListener";
constexpr const char* kHookSignature = "Lcom/morvane/MorvaneAWTHook;";
constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK
constexpr LONG kFocusEvents = 4;      // java.awt.AWTEvent.FOCUS_EVENT_MASK

class HookMembers : public mv::test::JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK);
        ASSERT_EQ(m_obj->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()),
                                            reinterpret_cast<UINT64>(vm())),
                  S_OK);
        m_log.EnableLogInDirectory();
    }
    void TearDown() override {
        m_obj.reset();
        ::CoUninitialize();
        JniTest::TearDown();
    }

    // The messages of the lines written to the log so far.
    std::vector<std::wstring> LogMessages() const {
        std::vector<std::wstring> messages;
        const mv::DecodedLogFile file = mv::ReadLogFile(m_log.PlainFile());
        if (file.status != mv::LogFileStatus::kOk) return messages;
        for (const auto& line : mv::SplitLogLines(file.text)) {
            const auto parsed = logtest::ParseLine(line);
            messages.push_back(parsed ? parsed->message : L"<malformed> " + line);
        }
        return messages;
    }

    logtest::LogSettingsScope m_log;
    mv::com_ptr<IMvJavaCpp> m_obj;
};

// The application was started without the agent's Java classes.
class HookClassAbsent : public HookMembers {};

TEST_F(HookClassAbsent, EveryMemberFailsAndOnlyAddAndGetWriteALine) {
    EXPECT_EQ(m_obj->AddAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_FALSE(env()->ExceptionCheck()) << "the failed class lookup is cleared";
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kComponentEvents), E_FAIL);
    UINT64 hook = 77;
    EXPECT_EQ(m_obj->GetMorvaneAWTHook(&hook), E_FAIL);
    EXPECT_EQ(hook, 77u);
    EXPECT_FALSE(env()->ExceptionCheck());

    EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{
                                 L"[CMvJavaCpp::AddAWTEventListener]\tUnable to FindClass",
                                 L"[CMvJavaCpp::GetMorvaneAWTHook]\tUnable to FindClass.",
                             }));
}

// The agent's classes are on the class path; each test installs the hook itself (the listener's
// constructor does it, as the toolkit does when it loads the listener as an assistive technology)
// and takes it away again afterwards.
class HookClassPresent : public HookMembers {
protected:
    static void SetUpTestSuite() {
        mv::test::JniServerSettings settings;
        settings.classPath = {MV_HOOK_JAR};
        StartServer(settings);
    }
    void TearDown() override {
        if (jclass listener = env()->FindClass(kListenerClass)) {
            env()->SetStaticObjectField(listener, AppField(listener), nullptr);
            env()->DeleteLocalRef(listener);
        } else {
            env()->ExceptionClear();
        }
        HookMembers::TearDown();
    }

    jfieldID AppField(jclass listener) { return StaticFieldId(listener, "app", kHookSignature); }

    // Installs the hook and answers it (a local reference).
    jobject InstallHook() {
        jobject listener = NewDefault(kListenerClass);
        if (listener) env()->DeleteLocalRef(listener);
        jclass cls = FindClass(kListenerClass);
        if (!cls) return nullptr;
        jobject hook = env()->GetStaticObjectField(cls, AppField(cls));
        env()->DeleteLocalRef(cls);
        EXPECT_NE(hook, nullptr) << "constructing the listener installs the hook";
        return hook;
    }

    jlong ListenedMask(jobject hook) {
        jclass cls = env()->GetObjectClass(hook);
        const jlong mask = env()->CallLongMethod(hook, MethodId(cls, "getListenedMask", "()J"));
        EXPECT_TRUE(NoException());
        env()->DeleteLocalRef(cls);
        return mask;
    }
};

TEST_F(HookClassPresent, WhileAppIsNullAddAndGetFailWithTheirLinesAndRemoveWithNone) {
    EXPECT_EQ(m_obj->AddAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kComponentEvents), E_FAIL);
    UINT64 hook = 0;
    EXPECT_EQ(m_obj->GetMorvaneAWTHook(&hook), E_FAIL);
    EXPECT_EQ(hook, 0u);
    EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{
                                 L"[CMvJavaCpp::AddAWTEventListener]\tUnable to get eventListener object.",
                                 L"[CMvJavaCpp::GetMorvaneAWTHook]\tUnable to get hook object.",
                             }));
}

TEST_F(HookClassPresent, AddAndRemoveChangeWhatTheHookListensFor) {
    jobject hook = InstallHook();
    ASSERT_NE(hook, nullptr);
    ASSERT_EQ(ListenedMask(hook), 0);

    EXPECT_EQ(m_obj->AddAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(ListenedMask(hook), kComponentEvents);
    EXPECT_EQ(m_obj->AddAWTEventListener(kFocusEvents), S_OK);
    EXPECT_EQ(ListenedMask(hook), kComponentEvents | kFocusEvents);
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(ListenedMask(hook), kFocusEvents);
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kFocusEvents), S_OK);
    EXPECT_EQ(ListenedMask(hook), 0);

    EXPECT_TRUE(LogMessages().empty());
    env()->DeleteLocalRef(hook);
}

TEST_F(HookClassPresent, EachHookHandleIsANewReferenceThatTheCallerOwns) {
    jobject hook = InstallHook();
    ASSERT_NE(hook, nullptr);
    const long long before = mv::test::LiveGlobalReferences();

    UINT64 first = 0, second = 0;
    ASSERT_EQ(m_obj->GetMorvaneAWTHook(&first), S_OK);
    ASSERT_EQ(m_obj->GetMorvaneAWTHook(&second), S_OK);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(mv::test::LiveGlobalReferences(), before + 2);
    VARIANT_BOOL same = VARIANT_FALSE;
    ASSERT_EQ(m_obj->IsSameJavaObject(first, second, &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
    EXPECT_TRUE(env()->IsSameObject(reinterpret_cast<jobject>(static_cast<std::uintptr_t>(first)), hook));

    EXPECT_EQ(m_obj->DeleteJavaObject(first), S_OK);
    EXPECT_EQ(m_obj->DeleteJavaObject(second), S_OK);
    EXPECT_EQ(mv::test::LiveGlobalReferences(), before);
    EXPECT_TRUE(LogMessages().empty());
    env()->DeleteLocalRef(hook);
}

TEST_F(HookClassPresent, FailedLookupsAreClearedAndWrittenByAddAndGetOnly) {
    jobject hook = InstallHook();
    ASSERT_NE(hook, nullptr);
    UINT64 handle = 0;

    ASSERT_EQ(MvJniProxy_FailNext("GetStaticFieldID", 3), 1);
    EXPECT_EQ(m_obj->AddAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(m_obj->GetMorvaneAWTHook(&handle), E_FAIL);
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 2), 1);
    EXPECT_EQ(m_obj->AddAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(m_obj->RemoveAWTEventListener(kComponentEvents), E_FAIL);
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(m_obj->GetMorvaneAWTHook(&handle), E_FAIL);
    EXPECT_EQ(handle, 0u);
    EXPECT_FALSE(env()->ExceptionCheck());
    MvJniProxy_ClearFaults();

    EXPECT_EQ(ListenedMask(hook), 0) << "nothing reached the hook";
    EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{
                                 L"[CMvJavaCpp::AddAWTEventListener]\tUnable to GetStaticFieldID.",
                                 L"[CMvJavaCpp::GetMorvaneAWTHook]\tUnable to GetStaticFieldID for app.",
                                 L"[CMvJavaCpp::AddAWTEventListener]\tUnable to GetMethodID.",
                                 L"[CMvJavaCpp::GetMorvaneAWTHook]\tUnable to get lock hook object.",
                             }));
    env()->DeleteLocalRef(hook);
}

TEST_F(HookClassPresent, WithoutASavedJvmOnlyGetWritesALine) {
    mv::com_ptr<IMvJavaCpp> unsaved;
    ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, unsaved.put_void()), S_OK);
    MvJniProxy_ResetCounters();
    UINT64 handle = 0;
    EXPECT_EQ(unsaved->AddAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(unsaved->RemoveAWTEventListener(kComponentEvents), E_FAIL);
    EXPECT_EQ(unsaved->GetMorvaneAWTHook(&handle), E_FAIL);
    MvJniProxyCounters c{};
    MvJniProxy_GetCounters(&c);
    EXPECT_EQ(c.calls, 0) << "nothing reached the JVM";
    EXPECT_EQ(LogMessages(), (std::vector<std::wstring>{L"[CMvJavaCpp::GetMorvaneAWTHook]\tCould not get Java VM"}));
}

}  // namespace
