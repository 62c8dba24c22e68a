// Handles: NewGlobalRef (one more handle to an object) and DeleteJavaObject (gives one back).

#include "bridge/client_handles.h"
#include "jvm/mv_java_cpp.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::NewGlobalRef(UINT64 hObj, UINT64* phObj) noexcept {
    // All 64 bits are compared with zero here, unlike the other members' handle checks.
    if (hObj == 0 || !phObj) return E_INVALIDARG;
    return RunJavaOperation({hObj}, [&](JNIEnv* env) -> HRESULT {
        // The output is written either way: zero when the JVM made no reference.
        *phObj = NewClientHandle(env, HandleToJObject(hObj));
        return *phObj ? S_OK : E_FAIL;
    });
}

STDMETHODIMP CMvJavaCpp::DeleteJavaObject(UINT64 hjObject) noexcept {
    if (IsNullHandle(hjObject)) return E_FAIL;
    // Forgotten before it is deleted: a second deletion of the handle, from any thread, then fails
    // here instead of deleting it again. A call from another process may delete only handles that
    // went to a client.
    if (!bridge_call().Forgets(HandleToJObject(hjObject))) return E_INVALIDARG;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        env->DeleteGlobalRef(HandleToJObject(hjObject));
        return S_OK;
    });
}

}  // namespace mv
