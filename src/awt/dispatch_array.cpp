#include "awt/dispatch_array.h"

#include <utility>

#include "common/com/error.h"

namespace mv {

HRESULT ReadDispatchArray(SAFEARRAY* array, std::vector<com_ptr<IDispatch>>& elements) {
    if (!array || ::SafeArrayGetDim(array) != 1) return E_INVALIDARG;
    LONG lower = 0, upper = -1;
    MV_RETURN_IF_FAILED(::SafeArrayGetLBound(array, 1, &lower));
    MV_RETURN_IF_FAILED(::SafeArrayGetUBound(array, 1, &upper));
    elements.clear();
    elements.reserve(upper >= lower ? static_cast<std::size_t>(upper - lower + 1) : 0);
    for (LONG i = lower; i <= upper; ++i) {
        com_ptr<IDispatch> element;
        // Gives an added reference of a VT_DISPATCH element.
        MV_RETURN_IF_FAILED(::SafeArrayGetElement(array, &i, element.put_void()));
        elements.push_back(std::move(element));
    }
    return S_OK;
}

}  // namespace mv
