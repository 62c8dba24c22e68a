#include "bridge/jni_arguments.h"

#include <oleauto.h>

#include <utility>

#include "bridge/java_handles.h"
#include "bridge/java_strings.h"

namespace mv {
namespace {

// Fills one slot from one element and answers the JNI type letter it holds; 0 for an element
// type that is refused (or a string the JVM could not make, its error cleared).
char FillSlot(JNIEnv* env, const VARIANT& element, jvalue& slot, jni_arguments& args) {
    switch (V_VT(&element)) {
    case VT_I2: slot.s = V_I2(&element); return 'S';
    case VT_I4: slot.i = V_I4(&element); return 'I';
    case VT_R4: slot.f = V_R4(&element); return 'F';
    case VT_R8: slot.d = V_R8(&element); return 'D';
    case VT_BOOL: slot.z = V_BOOL(&element) ? JNI_TRUE : JNI_FALSE; return 'Z';
    case VT_I1: slot.b = static_cast<jbyte>(V_I1(&element)); return 'B';
    case VT_UI1: slot.b = static_cast<jbyte>(V_UI1(&element)); return 'B';
    case VT_UI2: slot.c = V_UI2(&element); return 'C';
    case VT_I8: slot.j = V_I8(&element); return 'J';
    case VT_UI8: slot.l = HandleToJObject(V_UI8(&element)); return 'L';
    case VT_BSTR: {
        local_ref<jstring> s(env, NewJavaString(env, V_BSTR(&element)));
        if (!s) {
            env->ExceptionClear();
            return 0;
        }
        slot.l = s.get();
        args.strings.push_back(std::move(s));
        return 'L';
    }
    default:
        return 0;
    }
}

// Keeps a SAFEARRAY's data accessed for a scope.
class array_access {
public:
    explicit array_access(SAFEARRAY* array) noexcept : m_array(array) {
        if (FAILED(::SafeArrayAccessData(array, &m_data))) m_data = nullptr;
    }
    ~array_access() {
        if (m_data) ::SafeArrayUnaccessData(m_array);
    }
    array_access(const array_access&) = delete;
    array_access& operator=(const array_access&) = delete;
    const VARIANT* elements() const noexcept { return static_cast<const VARIANT*>(m_data); }

private:
    SAFEARRAY* m_array;
    void* m_data = nullptr;
};

}  // namespace

HRESULT BuildJniArguments(JNIEnv* env, const VARIANT& paramArray, jni_arguments& args) {
    args.slots.clear();
    args.kinds.clear();
    args.strings.clear();
    if (V_VT(&paramArray) == VT_EMPTY) return S_OK;
    if (V_VT(&paramArray) != (VT_ARRAY | VT_VARIANT)) return E_FAIL;

    SAFEARRAY* array = V_ARRAY(&paramArray);
    LONG lower = 0, upper = 0;
    HRESULT hr = ::SafeArrayGetLBound(array, 1, &lower);
    if (FAILED(hr)) return hr;
    hr = ::SafeArrayGetUBound(array, 1, &upper);
    if (FAILED(hr)) return hr;
    const LONG count = upper - lower + 1;
    if (count <= 0) return S_OK;
    // Only dimension 1 counts, but its elements must exist: another dimension may hold none.
    ULONGLONG total = 1;
    for (USHORT d = 0; d < array->cDims; ++d) total *= array->rgsabound[d].cElements;
    if (total < static_cast<ULONGLONG>(count)) return E_FAIL;

    args.slots.resize(static_cast<std::size_t>(count));
    args.kinds.reserve(static_cast<std::size_t>(count));
    const array_access access(array);
    if (!access.elements()) return E_FAIL;
    for (LONG i = 0; i < count; ++i) {
        const char kind = FillSlot(env, access.elements()[i], args.slots[static_cast<std::size_t>(i)], args);
        if (!kind) return E_FAIL;
        args.kinds.push_back(kind);
    }
    return S_OK;
}

}  // namespace mv
