#include "bridge/member_results.h"

#include <string>

#include "bridge/java_handles.h"
#include "bridge/java_strings.h"
#include "common/jni/local_ref.h"

namespace mv {

HRESULT HandOutReference(JNIEnv* env, jobject object, UINT64* out) noexcept {
    scoped_global_ref global(env, env->NewGlobalRef(object));
    if (!global) {
        env->ExceptionClear();
        return E_FAIL;
    }
    *out = JObjectToHandle(global.release());
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
