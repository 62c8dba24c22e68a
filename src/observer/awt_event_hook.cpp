// The AWT event hook: the agent's Java listener class keeps its hook object in the static field
// "app"; these members switch the hook's listening on and off and hand the hook object out.

#include "bridge/client_handles.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"
#include "log/log.h"

namespace mv {

namespace {

constexpr const char* kListenerClass = "com/morvane/MorvaneAWTEventListener";
constexpr const char* kHookField = "app";
constexpr const char* kHookFieldSignature = "Lcom/morvane/MorvaneAWTHook;";
constexpr const char* kSwitchSignature = "(I)V";

// The failure lines of the hook lookup; a member that reports no failures logs nothing.
struct hook_lookup_lines {
    const wchar_t* noClass;
    const wchar_t* noField;
    const wchar_t* noHook;
};

// Finds the listener class and the hook object in its field "app" (local references owned by
// the caller). A failed class or field lookup is cleared; each failure writes its line.
template <typename Log>
bool FindHookObject(JNIEnv* env, const hook_lookup_lines& lines, Log&& log, local_ref<jclass>& listenerClass,
                    local_ref<jobject>& hook) {
    listenerClass = local_ref<jclass>(env, env->FindClass(kListenerClass));
    if (!listenerClass) {
        env->ExceptionClear();
        log(lines.noClass);
        return false;
    }
    const jfieldID field = env->GetStaticFieldID(listenerClass.get(), kHookField, kHookFieldSignature);
    if (!field) {
        env->ExceptionClear();
        log(lines.noField);
        return false;
    }
    hook = local_ref<jobject>(env, env->GetStaticObjectField(listenerClass.get(), field));
    if (!hook) {
        log(lines.noHook);
        return false;
    }
    return true;
}

// Calls the hook's `methodName` "(I)V" with `eventType`.
template <typename Log>
HRESULT CallHookSwitch(JNIEnv* env, const char* methodName, LONG eventType, Log&& log) {
    local_ref<jclass> listenerClass(env, nullptr);
    local_ref<jobject> hook(env, nullptr);
    const hook_lookup_lines lines{L"Unable to FindClass", L"Unable to GetStaticFieldID.",
                                  L"Unable to get eventListener object."};
    if (!FindHookObject(env, lines, log, listenerClass, hook)) return E_FAIL;
    // The method is looked up in the hook object's own class, so a subclass's override serves.
    local_ref<jclass> hookClass(env, env->GetObjectClass(hook.get()));
    if (!hookClass) {
        log(L" Unable to get hook class.");
        return E_FAIL;
    }
    const jmethodID method = env->GetMethodID(hookClass.get(), methodName, kSwitchSignature);
    if (!method) {
        env->ExceptionClear();
        log(L"Unable to GetMethodID.");
        return E_FAIL;
    }
    env->CallVoidMethod(hook.get(), method, static_cast<jint>(eventType));
    // What the hook does with the event type is its own affair; an exception it threw does not
    // leave this call.
    if (env->ExceptionCheck()) env->ExceptionClear();
    listenerClass.reset();
    hookClass.reset();
    hook.reset();
    return S_OK;
}

}  // namespace

STDMETHODIMP CMvJavaCpp::AddAWTEventListener(LONG eventType) noexcept {
    return RunJavaOperation([&](JNIEnv* env) {
        return CallHookSwitch(env, "addEventListener", eventType, [](const wchar_t* message) {
            LogLine(L"CMvJavaCpp", L"AddAWTEventListener", message);
        });
    });
}

STDMETHODIMP CMvJavaCpp::RemoveAWTEventListener(LONG eventType) noexcept {
    return RunJavaOperation([&](JNIEnv* env) {
        return CallHookSwitch(env, "removeEventListener", eventType, [](const wchar_t*) {});
    });
}

STDMETHODIMP CMvJavaCpp::GetMorvaneAWTHook(UINT64* hook) noexcept {
    const auto log = [](const wchar_t* message) { LogLine(L"CMvJavaCpp", L"GetMorvaneAWTHook", message); };
    JavaVM* vm = SavedJavaVM();
    if (!vm) {
        log(L"Could not get Java VM");
        return E_FAIL;
    }
    if (!hook) return E_POINTER;
    return guard_hresult([&]() -> HRESULT {
        CJavaVM attachment(vm);
        JNIEnv* env = attachment.env();
        if (!env) {
            log(L"Failed to get JNI pointer");
            return E_FAIL;
        }
        local_ref<jclass> listenerClass(env, nullptr);
        local_ref<jobject> hookObject(env, nullptr);
        const hook_lookup_lines lines{L"Unable to FindClass.", L"Unable to GetStaticFieldID for app.",
                                      L"Unable to get hook object."};
        if (!FindHookObject(env, lines, log, listenerClass, hookObject)) return E_FAIL;
        const UINT64 handle = NewClientHandle(env, hookObject.get());
        if (!handle) {
            log(L"Unable to get lock hook object.");
            return E_FAIL;
        }
        *hook = handle;
        hookObject.reset();
        listenerClass.reset();
        return S_OK;
    });
}

}  // namespace mv
