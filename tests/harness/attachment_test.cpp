// The proxy's JavaVM attaches Windows threads as the JVM does: attaching an attached thread and
// detaching a detached one change nothing, GetEnv tells attached from detached and checks the
// version, attach arguments reach the Java thread, and two threads work at once.

#include <future>
#include <string>
#include <thread>

#include "jni_test.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using Attachment = JniTest;

TEST_F(Attachment, AttachingAnAttachedThreadChangesNothing) {
    JNIEnv* again = nullptr;
    ASSERT_EQ(vm()->AttachCurrentThread(reinterpret_cast<void**>(&again), nullptr), JNI_OK);
    EXPECT_EQ(again, env());
    ASSERT_EQ(vm()->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&again), nullptr), JNI_OK);
    EXPECT_EQ(again, env());
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    EXPECT_EQ(counters.attaches, 1);
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);  // one detach ends it
    JNIEnv* current = nullptr;
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_EDETACHED);
}

TEST_F(Attachment, GetEnvTellsAttachedFromDetachedAndChecksTheVersion) {
    JNIEnv* current = nullptr;
    for (jint version : {JNI_VERSION_1_1, JNI_VERSION_1_2, JNI_VERSION_1_4, JNI_VERSION_1_6, JNI_VERSION_1_8,
                         JNI_VERSION_9, JNI_VERSION_10}) {
        EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), version), JNI_OK) << std::hex << version;
        EXPECT_EQ(current, env());
    }
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), 0x00150000), JNI_EVERSION);
    EXPECT_EQ(current, nullptr);
    ASSERT_EQ(vm()->DetachCurrentThread(), JNI_OK);
    current = env();
    EXPECT_EQ(vm()->GetEnv(reinterpret_cast<void**>(&current), JNI_VERSION_1_6), JNI_EDETACHED);
    EXPECT_EQ(current, nullptr);
    EXPECT_EQ(vm()->DetachCurrentThread(), JNI_OK);  // detaching a detached thread: no-op
    MvJniProxyCounters counters{};
    MvJniProxy_GetCounters(&counters);
    EXPECT_EQ(counters.detaches, 1);
}

TEST_F(Attachment, TheEnvironmentAnswersTheJvmsVersionAndTheProxyVm) {
    EXPECT_EQ(env()->GetVersion(), JNI_VERSION_10);
    JavaVM* fromEnv = nullptr;
    EXPECT_EQ(env()->GetJavaVM(&fromEnv), JNI_OK);
    EXPECT_EQ(fromEnv, vm());
    EXPECT_EQ(MvJniProxy_GetJavaVM(), vm());
}

// The name and daemon state of the Java thread behind the calling thread.
std::string ThreadDescription(JNIEnv* env) {
    jclass thread = env->FindClass("java/lang/Thread");
    jobject current = env->CallStaticObjectMethod(
        thread, env->GetStaticMethodID(thread, "currentThread", "()Ljava/lang/Thread;"));
    env->ExceptionCheck();
    auto name = static_cast<jstring>(env->CallObjectMethod(current, env->GetMethodID(thread, "getName", "()Ljava/lang/String;")));
    env->ExceptionCheck();
    jboolean daemon = env->CallBooleanMethod(current, env->GetMethodID(thread, "isDaemon", "()Z"));
    env->ExceptionCheck();
    std::string text = Utf(env, name) + (daemon ? " daemon" : " user");
    env->DeleteLocalRef(name);
    env->DeleteLocalRef(current);
    env->DeleteLocalRef(thread);
    return text;
}

TEST_F(Attachment, AttachArgumentsNameTheJavaThread) {
    std::string plain, daemon;
    std::thread([&] {
        char name[] = "mv-test-thread";
        JavaVMAttachArgs args{JNI_VERSION_1_6, name, nullptr};
        JNIEnv* other = nullptr;
        if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&other), &args) != JNI_OK) return;
        plain = ThreadDescription(other);
        vm()->DetachCurrentThread();
        char daemonName[] = "mv-daemon-thread";
        JavaVMAttachArgs daemonArgs{JNI_VERSION_1_6, daemonName, nullptr};
        if (vm()->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&other), &daemonArgs) != JNI_OK) return;
        daemon = ThreadDescription(other);
        vm()->DetachCurrentThread();
    }).join();
    EXPECT_EQ(plain, "mv-test-thread user");
    EXPECT_EQ(daemon, "mv-daemon-thread daemon");
}

// Each thread blocks in Java until the other arrives: both succeed only if the server runs the
// two calls at the same time.
TEST_F(Attachment, TwoThreadsWorkAtOnceOnTheirOwnEnvironments) {
    auto meet = [this]() -> std::string {
        JNIEnv* own = nullptr;
        if (vm()->AttachCurrentThread(reinterpret_cast<void**>(&own), nullptr) != JNI_OK) return "no attach";
        jclass rendezvous = own->FindClass("fixtures/Rendezvous");
        jboolean met = own->CallStaticBooleanMethod(rendezvous, own->GetStaticMethodID(rendezvous, "meet", "(J)Z"),
                                                    jlong{20000});
        bool thrown = own->ExceptionCheck();
        own->DeleteLocalRef(rendezvous);
        vm()->DetachCurrentThread();
        return thrown ? "threw" : met ? "met" : "alone";
    };
    auto first = std::async(std::launch::async, meet);
    auto second = std::async(std::launch::async, meet);
    EXPECT_EQ(first.get(), "met");
    EXPECT_EQ(second.get(), "met");
}

}  // namespace
}  // namespace mv::test
