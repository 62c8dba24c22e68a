#include "bridge/jni_arguments.h"

#include <oleauto.h>

#include <algorithm>

#include "bridge/argument_conversion.h"
#include "bridge/java_strings.h"
#include "bridge/method_signature.h"
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

bool jni_arguments::IsMadeString(std::size_t i) const noexcept {
    return std::any_of(texts.begin(), texts.end(), [i](const auto& text) { return text.first == i; });
}

HRESULT ConvertJniArguments(const VARIANT& paramArray, const char* methodsig, jni_arguments& args) {
    args.slots.clear();
    args.texts.clear();
    args.handles.clear();
    if (!ParameterDescriptors(methodsig, args.parameters)) return E_FAIL;
    const std::size_t parameters = args.parameters.size();
    if (V_VT(&paramArray) == VT_EMPTY) return parameters == 0 ? S_OK : E_FAIL;
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
    if (static_cast<ULONGLONG>(count) != parameters) return E_FAIL;
    if (count == 0) return S_OK;
    // Only dimension 1 counts, but its elements must exist: another dimension may hold none.
    if (SafeArrayTotalElements(array) < static_cast<ULONGLONG>(count)) return E_FAIL;

    const safearray_lock lock(array);  // released on every path, a descriptor without data too
    const auto* elements = static_cast<const VARIANT*>(lock.data());
    if (!elements) return E_FAIL;
    args.slots.resize(parameters);
    for (std::size_t i = 0; i < parameters; ++i) {
        const char kind = ParameterKind(args.parameters[i]);
        switch (ConvertArgument(elements[i], kind, args.slots[i])) {
        case argument_conversion::refused: return E_FAIL;
        case argument_conversion::new_string: args.texts.emplace_back(i, V_BSTR(&elements[i])); break;
        case argument_conversion::value:
            if (kind == 'L' && args.slots[i].l) args.handles.push_back(args.slots[i].l);
            break;
        }
    }
    return S_OK;
}

HRESULT MakeArgumentStrings(JNIEnv* env, jni_arguments& args, argument_strings& strings) {
    for (const auto& [slot, text] : args.texts) {
        local_ref<jstring> s(env, NewJavaString(env, text));
        if (!s) {
            env->ExceptionClear();
            return E_FAIL;
        }
        args.slots[slot].l = s.get();
        strings.push_back(std::move(s));
    }
    return S_OK;
}

}  // namespace mv
