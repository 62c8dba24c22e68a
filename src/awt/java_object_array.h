#pragma once
// Reading the VARIANT that the bridge's GetJavaObjectArray gives: a one-dimensional array of
// handles, VT_ARRAY|VT_UI8, or VT_ARRAY|VT_UI4 where the system cannot make VT_UI8 arrays.
// Every element is a reference the reader now owns.

#include <windows.h>
#include <oleauto.h>

#include "awt/java_handle.h"

namespace mv {

// True when `value` holds an array at all.
inline bool HoldsArray(const VARIANT& value) noexcept { return (V_VT(&value) & VT_ARRAY) && V_ARRAY(&value); }

// Appends the handles of `value`, in index order, to `handles`, which owns them from then on.
// E_UNEXPECTED for an array of another element type. May throw bad_alloc; the handles are
// then deleted.
HRESULT TakeHandlesFromArray(const VARIANT& value, java_handle_list& handles);

}  // namespace mv
