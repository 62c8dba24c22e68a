#include "jvmti_stand_in.h"

#include <jvmti.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "proxy_env.h"
#include "proxy_vm.h"

namespace mv::proxy {
namespace {

struct StandInEnv {
    _jvmtiEnv env;  // first: the jvmtiEnv* handed out is the address of this
    jvmtiEventCallbacks callbacks{};
    bool vmInit = false;
    bool vmDeath = false;
};

std::mutex g_lock;
std::vector<StandInEnv*> g_envs;  // live for the life of the process, as the JVM's are

StandInEnv* Of(jvmtiEnv* env) { return reinterpret_cast<StandInEnv*>(env); }

jvmtiError JNICALL SetEventCallbacks(jvmtiEnv* env, const jvmtiEventCallbacks* callbacks, jint size) {
    if (size < 0) return JVMTI_ERROR_ILLEGAL_ARGUMENT;
    const std::lock_guard<std::mutex> hold(g_lock);
    StandInEnv* self = Of(env);
    self->callbacks = jvmtiEventCallbacks{};
    if (callbacks)
        std::memcpy(&self->callbacks, callbacks, std::min<std::size_t>(size, sizeof self->callbacks));
    return JVMTI_ERROR_NONE;
}

jvmtiError JNICALL SetEventNotificationMode(jvmtiEnv* env, jvmtiEventMode mode, jvmtiEvent event, jthread, ...) {
    if (mode != JVMTI_ENABLE && mode != JVMTI_DISABLE) return JVMTI_ERROR_ILLEGAL_ARGUMENT;
    const std::lock_guard<std::mutex> hold(g_lock);
    if (event == JVMTI_EVENT_VM_INIT) Of(env)->vmInit = mode == JVMTI_ENABLE;
    else if (event == JVMTI_EVENT_VM_DEATH) Of(env)->vmDeath = mode == JVMTI_ENABLE;
    else return JVMTI_ERROR_INVALID_EVENT_TYPE;  // the only events this stand-in posts
    return JVMTI_ERROR_NONE;
}

jvmtiError JNICALL DisposeEnvironment(jvmtiEnv* env) {
    const std::lock_guard<std::mutex> hold(g_lock);
    Of(env)->vmInit = Of(env)->vmDeath = false;
    return JVMTI_ERROR_NONE;
}

const jvmtiInterface_1_* FunctionTable() {
    static const jvmtiInterface_1_ table = [] {
        jvmtiInterface_1_ t{};
        t.SetEventCallbacks = &SetEventCallbacks;
        t.SetEventNotificationMode = &SetEventNotificationMode;
        t.DisposeEnvironment = &DisposeEnvironment;
        return t;
    }();
    return &table;
}

}  // namespace

bool IsJvmtiVersion(jint version) {
    return (version & JVMTI_VERSION_MASK_INTERFACE_TYPE) == JVMTI_VERSION_INTERFACE_JVMTI;
}

jint NewJvmtiEnv(void** penv) {
    auto* env = new StandInEnv{_jvmtiEnv{FunctionTable()}};
    const std::lock_guard<std::mutex> hold(g_lock);
    g_envs.push_back(env);
    *penv = &env->env;
    return JNI_OK;
}

int PostVmEvent(const char* event) {
    const bool init = std::strcmp(event, "VMInit") == 0;
    if (!init && std::strcmp(event, "VMDeath") != 0) return -1;
    std::vector<std::pair<jvmtiEnv*, jvmtiEventCallbacks>> posted;
    {
        const std::lock_guard<std::mutex> hold(g_lock);
        for (StandInEnv* env : g_envs)
            if (init ? env->vmInit && env->callbacks.VMInit : env->vmDeath && env->callbacks.VMDeath)
                posted.emplace_back(&env->env, env->callbacks);
    }
    // The JVM posts both on a thread attached to it, with that thread's environment.
    JavaVM* vm = ProxyJavaVM();
    JNIEnv* jni = nullptr;
    const bool attachedHere = CurrentSession() == nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&jni), nullptr) != JNI_OK) return 0;
    for (const auto& [env, callbacks] : posted) {
        if (init) callbacks.VMInit(env, jni, nullptr);
        else callbacks.VMDeath(env, jni);
    }
    if (attachedHere) vm->DetachCurrentThread();
    return static_cast<int>(posted.size());
}

}  // namespace mv::proxy
