#include "bridge/member_results.h"

#include <string>

#include "bridge/client_handles.h"
#include "bridge/java_strings.h"

namespace mv {

HRESULT HandOutReference(JNIEnv* env, jobject object, UINT64* out) noexcept {
    const UINT64 handle = NewClientHandle(env, object);
    if (handle == 0) {
        env->ExceptionClear();
        return E_FAIL;
    }
    *out = handle;
    return S_OK;
}

HRESULT HandOutString(JNIEnv* env, jstring s, BSTR* out) {
    std::wstring text;
    if (!JavaStringToBstr(env, s, text)) text.clear();
    BSTR result = ::SysAllocString(text.c_str());
    if (!result) return E_OUTOFMEMORY;
    *out = result;
    return S_OK;
}

}  // namespace mv
