#pragma once
// Arrays of component objects as clients receive them: one-dimensional SAFEARRAYs of
// VT_DISPATCH with lower bound 0, each non-null element holding one reference.

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/safearray.h"

namespace mv {

// A new array of `count` null elements; null when it cannot be made.
inline unique_safearray NewDispatchArray(ULONG count) noexcept {
    return unique_safearray(::SafeArrayCreateVector(VT_DISPATCH, 0, count));
}

// Stores `object` at `index`; the array takes its own reference and the caller keeps its one.
inline HRESULT PutDispatchElement(SAFEARRAY* array, LONG index, IDispatch* object) noexcept {
    return ::SafeArrayPutElement(array, &index, object);
}

// The elements of a one-dimensional array, in index order, each with a reference of its own
// (null elements stay null). May throw bad_alloc.
HRESULT ReadDispatchArray(SAFEARRAY* array, std::vector<com_ptr<IDispatch>>& elements);

}  // namespace mv
