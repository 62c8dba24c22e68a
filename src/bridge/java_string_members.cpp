// Strings: NewJavaString and GetJavaString. Both work on the UTF-16 units of the text up to its
// first NUL character.

#include <string>

#include "bridge/client_handles.h"
#include "bridge/java_class_lookup.h"
#include "bridge/java_strings.h"
#include "common/jni/local_ref.h"
#include "jvm/mv_java_cpp.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::NewJavaString(BSTR value, UINT64* hjString) noexcept {
    if (!hjString) return E_POINTER;
    return RunJavaOperation([&](JNIEnv* env) -> HRESULT {
        const local_ref<jstring> s(env, mv::NewJavaString(env, value));
        if (!s) {
            env->ExceptionClear();
            return E_FAIL;
        }
        const UINT64 handle = NewClientHandle(env, s.get());
        if (!handle) {
            env->ExceptionClear();
            return E_FAIL;
        }
        *hjString = handle;
        return S_OK;
    });
}

STDMETHODIMP CMvJavaCpp::GetJavaString(UINT64 hjString, BSTR* value) noexcept {
    if (!value) return E_POINTER;
    if (IsNullHandle(hjString)) return E_FAIL;
    return RunJavaOperation({hjString}, [&](JNIEnv* env) -> HRESULT {
        // The client's handle stays the client's. JNI reads any other object as a string's memory.
        const auto string = static_cast<jstring>(HandleToJObject(hjString));
        if (!IsInstanceOfClass(env, string, "java/lang/String")) return E_FAIL;
        std::wstring text;
        if (!JavaStringToBstr(env, string, text)) return E_FAIL;
        BSTR result = ::SysAllocString(text.c_str());
        if (!result) return E_OUTOFMEMORY;
        *value = result;
        return S_OK;
    });
}

}  // namespace mv
