#include "mv_java_jni.h"

#include <atomic>

#include "jniproxy/mv_jni_proxy.h"

namespace {

constexpr int kDefaultVersion = 17;

std::atomic<int> g_version{kDefaultVersion};
std::atomic<bool> g_providesEnv{false};
std::atomic<long> g_envCalls{0};
std::atomic<long> g_versionCalls{0};
thread_local bool t_attachedHere = false;

}  // namespace

MV_JAVA_JNI_API int GetJavaVersion(void) {
    g_versionCalls++;
    return g_version;
}

MV_JAVA_JNI_API JNIEnv* GetJNIEnv(void) {
    g_envCalls++;
    JavaVM* vm = MvJniProxy_GetJavaVM();
    if (!g_providesEnv || vm == nullptr) return nullptr;
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_6) == JNI_OK) return env;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return nullptr;
    t_attachedHere = true;
    return env;
}

MV_JAVA_JNI_API void MvJavaJni_SetJavaVersion(int version) { g_version = version; }
MV_JAVA_JNI_API void MvJavaJni_SetProvidesEnv(int provides) { g_providesEnv = provides != 0; }
MV_JAVA_JNI_API long MvJavaJni_GetJNIEnvCalls(void) { return g_envCalls; }
MV_JAVA_JNI_API long MvJavaJni_GetJavaVersionCalls(void) { return g_versionCalls; }

MV_JAVA_JNI_API void MvJavaJni_Reset(void) {
    g_version = kDefaultVersion;
    g_providesEnv = false;
    g_envCalls = 0;
    g_versionCalls = 0;
    t_attachedHere = false;
}

MV_JAVA_JNI_API int MvJavaJni_ReleaseCurrentThread(void) {
    if (!t_attachedHere) return 0;
    t_attachedHere = false;
    JavaVM* vm = MvJniProxy_GetJavaVM();
    if (vm != nullptr) vm->DetachCurrentThread();
    return 1;
}
