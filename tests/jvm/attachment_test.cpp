// Attaching calling threads to the JVM for one operation, against a real JVM: who attaches,
// who detaches, when the sibling library's environment is used, and what a failed attach does.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
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

MvJniProxyCounters Counters() {
    MvJniProxyCounters c{};
    MvJniProxy_GetCounters(&c);
    return c;
}

// The test thread starts detached, as a COM thread of the Java process would be.
class Attachment : public mv::test::JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK);
        ASSERT_EQ(m_obj->JavaSaveRunningJVM(CurrentPid(), reinterpret_cast<UINT64>(vm())), S_OK);
        MvJniProxy_ResetCounters();
        MvJniProxy_ClearTrace();
    }
    void TearDown() override {
        m_obj.reset();
        ::CoUninitialize();
        JniTest::TearDown();
    }

    static LONG CurrentPid() { return static_cast<LONG>(::GetCurrentProcessId()); }
    bool ThreadAttached() const {
        void* env = nullptr;
        return vm()->GetEnv(&env, JNI_VERSION_1_2) == JNI_OK;
    }
    // The JNI version the JVM itself reports, asked on a thread of its own.
    jint JvmVersion() const {
        jint version = 0;
        std::thread([&] {
            JNIEnv* env = nullptr;
            if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) == JNI_OK) {
                version = env->GetVersion();
                vm()->DetachCurrentThread();
            }
        }).join();
        return version;
    }

    mv::com_ptr<IMvJavaCpp> m_obj;
};

TEST_F(Attachment, CurrentJavaAttachesAndDetachesOncePerOperation) {
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(Counters().attaches, 1);
    EXPECT_EQ(Counters().detaches, 1);
    EXPECT_FALSE(ThreadAttached()) << "no thread stays attached between calls";
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(Counters().attaches, 2);
    EXPECT_EQ(Counters().detaches, 2);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 0) << "the library's environment is only for Java 4 and older";
    EXPECT_EQ(version, JvmVersion());
    EXPECT_GE(version, 0x00010008);
}

TEST_F(Attachment, OldJavaUsesTheLibrarysEnvironmentWithoutAttaching) {
    MvJavaJni_SetJavaVersion(4);
    MvJavaJni_SetProvidesEnv(1);
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);  // the library attaches the thread for itself
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 1);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_TRUE(ThreadAttached()) << "the library's attachment is left alone";

    MvJniProxy_ResetCounters();
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_EQ(version, JvmVersion());
    EXPECT_EQ(MvJavaJni_ReleaseCurrentThread(), 1);
}

TEST_F(Attachment, OldJavaWithoutALibraryEnvironmentAttachesItself) {
    MvJavaJni_SetJavaVersion(4);
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(MvJavaJni_GetJNIEnvCalls(), 1);
    EXPECT_EQ(Counters().attaches, 1);
    EXPECT_EQ(Counters().detaches, 1);
}

TEST_F(Attachment, FailedAttachFailsTheOperationAndWritesOneLogLine) {
    logtest::LogSettingsScope log;
    log.EnableLogInDirectory();
    ASSERT_EQ(MvJniProxy_FailNext("AttachCurrentThread", 1), 1);
    LONG version = 12345;
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 12345);
    EXPECT_EQ(Counters().detaches, 0);

    const mv::DecodedLogFile file = mv::ReadLogFile(log.PlainFile());
    ASSERT_EQ(file.status, mv::LogFileStatus::kOk);
    const auto lines = mv::SplitLogLines(file.text);
    ASSERT_EQ(lines.size(), 1u);
    const auto parsed = logtest::ParseLine(lines[0]);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->level, 1u);
    EXPECT_EQ(parsed->message, L"[CJavaVM::c'tor]\tCould not attach to JVM");

    // The fault was for one attach only: the next operation works and logs nothing.
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(mv::SplitLogLines(mv::ReadLogFile(log.PlainFile()).text).size(), 1u);
}

TEST_F(Attachment, WithoutASavedJavaVmNothingReachesJava) {
    mv::com_ptr<IMvJavaCpp> fresh;
    ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    MvJniProxy_SetTracing(1);
    LONG version = 5;
    EXPECT_EQ(fresh->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 5);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_EQ(Counters().calls, 0);
    EXPECT_EQ(MvJniProxy_ReadTrace(nullptr, 0), 1u) << "an empty trace (just its terminator)";
    MvJniProxy_SetTracing(0);
}

TEST_F(Attachment, SavingForAnotherProcessKeepsTheSavedJavaVm) {
    EXPECT_EQ(m_obj->JavaSaveRunningJVM(CurrentPid() + 1, 0xDEAD0000ull), E_FAIL);
    LONG version = 0;
    EXPECT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(version, JvmVersion());
}

TEST_F(Attachment, SavingZeroMakesJavaOperationsFail) {
    ASSERT_EQ(m_obj->JavaSaveRunningJVM(CurrentPid(), 0), S_OK);
    LONG version = 0;
    EXPECT_EQ(m_obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(Counters().calls, 0);
}

TEST_F(Attachment, AThreadAttachedByItsOwnerStaysAttached) {
    JNIEnv* env = nullptr;
    ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr), JNI_OK);
    MvJniProxy_ResetCounters();
    LONG version = 0;
    ASSERT_EQ(m_obj->GetJVMVersion(&version), S_OK);
    EXPECT_EQ(Counters().attaches, 0);
    EXPECT_EQ(Counters().detaches, 0);
    EXPECT_TRUE(ThreadAttached());
}

TEST_F(Attachment, ThreadsAttachIndependently) {
    constexpr int kThreads = 4, kCalls = 10;
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kCalls; ++i) {
                LONG version = 0;
                if (m_obj->GetJVMVersion(&version) == S_OK && version > 0) ++ok;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(ok.load(), kThreads * kCalls);
    EXPECT_EQ(Counters().attaches, kThreads * kCalls);
    EXPECT_EQ(Counters().detaches, kThreads * kCalls);
}

}  // namespace
