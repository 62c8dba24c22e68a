#include "bridge/jni_arguments.h"

#include <oleauto.h>

#include <utility>

#include "bridge/java_handles.h"
#include "bridge/java_strings.h"
#include "common/com/safearray.h"

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

// Whether `array` really holds VARIANTs: a VT_ARRAY|VT_VARIANT label says nothing about the
// descriptor, and elements of another type or size read as VARIANTs run past the data and turn
// arbitrary bytes into strings and handles. The element type comes from the descriptor's stored
// type (FADF_HAVEVARTYPE, which SafeArrayAllocDescriptorEx sets) or from FADF_VARIANT.
bool HoldsVariants(SAFEARRAY* array) noexcept {
    VARTYPE vt = VT_EMPTY;
    return array->cbElements == sizeof(VARIANT) && SUCCEEDED(::SafeArrayGetVartype(array, &vt)) &&
           vt == VT_VARIANT;
}

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
    // Counted in 64 bits: a dimension that runs past LONG's range reports an upper bound below
    // its lower one, and no count of it is true.
    const LONGLONG count = static_cast<LONGLONG>(upper) - lower + 1;
    if (count < 0 || !HoldsVariants(array)) return E_FAIL;
    if (count == 0) return S_OK;
    // Only dimension 1 counts, but its elements must exist: another dimension may hold none.
    if (SafeArrayTotalElements(array) < static_cast<ULONGLONG>(count)) return E_FAIL;

    const safearray_lock lock(array);  // released on every path, a descriptor without data too
    const auto* elements = static_cast<const VARIANT*>(lock.data());
    if (!elements) return E_FAIL;
    args.slots.resize(static_cast<std::size_t>(count));
    args.kinds.reserve(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < args.slots.size(); ++i) {
        const char kind = FillSlot(env, elements[i], args.slots[i], args);
        if (!kind) return E_FAIL;
        args.kinds.push_back(kind);
    }
    return S_OK;
}

}  // namespace mv
