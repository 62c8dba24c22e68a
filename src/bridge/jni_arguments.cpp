#include "bridge/jni_arguments.h"

#include <oleauto.h>

#include <utility>

#include "bridge/argument_conversion.h"
#include "bridge/java_strings.h"
#include "common/com/safearray.h"

namespace mv {
namespace {

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

HRESULT BuildJniArguments(JNIEnv* env, const VARIANT& paramArray, const std::string& parameters,
                          jni_arguments& args) {
    args.slots.clear();
    args.strings.clear();
    if (V_VT(&paramArray) == VT_EMPTY) return parameters.empty() ? S_OK : E_FAIL;
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
    if (static_cast<ULONGLONG>(count) != parameters.size()) return E_FAIL;
    if (count == 0) return S_OK;
    // Only dimension 1 counts, but its elements must exist: another dimension may hold none.
    if (SafeArrayTotalElements(array) < static_cast<ULONGLONG>(count)) return E_FAIL;

    const safearray_lock lock(array);  // released on every path, a descriptor without data too
    const auto* elements = static_cast<const VARIANT*>(lock.data());
    if (!elements) return E_FAIL;
    args.slots.resize(parameters.size());
    // Every element is converted before the first string is made: a refused one costs no JNI call.
    std::vector<std::size_t> strings;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        switch (ConvertArgument(elements[i], parameters[i], args.slots[i])) {
        case argument_conversion::refused: return E_FAIL;
        case argument_conversion::new_string: strings.push_back(i); break;
        case argument_conversion::value: break;
        }
    }
    for (std::size_t i : strings) {
        local_ref<jstring> s(env, NewJavaString(env, V_BSTR(&elements[i])));
        if (!s) {
            env->ExceptionClear();
            return E_FAIL;
        }
        args.slots[i].l = s.get();
        args.strings.push_back(std::move(s));
    }
    return S_OK;
}

}  // namespace mv
