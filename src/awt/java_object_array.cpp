#include "awt/java_object_array.h"

#include "common/com/error.h"
#include "common/com/safearray.h"
#include "common/jni/pointer_bits.h"

namespace mv {

HRESULT TakeHandlesFromArray(const VARIANT& value, java_handle_list& handles) {
    const VARTYPE elementType = static_cast<VARTYPE>(V_VT(&value) & VT_TYPEMASK);
    if (!HoldsArray(value) || (elementType != VT_UI8 && elementType != VT_UI4)) return E_UNEXPECTED;
    SAFEARRAY* array = V_ARRAY(&value);
    if (::SafeArrayGetDim(array) != 1) return E_UNEXPECTED;
    const ULONG count = array->rgsabound[0].cElements;
    const safearray_lock lock(array);
    MV_RETURN_IF_FAILED(lock.result());
    // A 32-bit element carries the reference as the 32-bit module hands it out: widened.
    const auto element = [&](ULONG i) -> UINT64 {
        return elementType == VT_UI8 ? static_cast<const UINT64*>(lock.data())[i]
                                     : CarrierFromPointer(static_cast<const ULONG*>(lock.data())[i]);
    };
    try {
        handles.reserve(count);
    } catch (...) {
        for (ULONG i = 0; i < count; ++i) scoped_java_handle dropped(handles.bridge(), element(i));
        throw;
    }
    for (ULONG i = 0; i < count; ++i) handles.add(element(i));
    return S_OK;
}

}  // namespace mv
