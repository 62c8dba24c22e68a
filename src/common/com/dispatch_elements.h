#pragma once
// Takes the IDispatch elements out of a one-dimensional SAFEARRAY that a member handed out (for
// example an array of component objects), and destroys the array.
//
// Why not just destroy the array: an array that crossed processes under Wine arrives with no
// feature flags (no FADF_DISPATCH), so SafeArrayDestroy would not release its elements and every
// element's object would stay alive in the other process. Such references are taken over and
// their slots cleared; an array that releases its own elements gives each element a reference
// of its own instead.

#include <windows.h>
#include <oleauto.h>

#include <utility>
#include <vector>

#include "common/com/com_ptr.h"
#include "common/com/safearray.h"

namespace mv {

inline std::vector<com_ptr<IDispatch>> TakeDispatchElements(SAFEARRAY* array) noexcept {
    unique_safearray owned(array);
    std::vector<com_ptr<IDispatch>> elements;
    LONG lower = 0, upper = -1;
    if (!owned || ::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)) || array->cbElements != sizeof(IDispatch*))
        return elements;
    const bool arrayReleasesElements = (array->fFeatures & (FADF_DISPATCH | FADF_UNKNOWN)) != 0;
    const safearray_lock lock(array);
    if (!lock.ok()) return elements;
    auto* data = static_cast<IDispatch**>(lock.data());
    try {
        elements.reserve(static_cast<std::size_t>(upper - lower + 1));
    } catch (...) {
        return elements;
    }
    for (LONG i = 0; i <= upper - lower; ++i) {
        elements.emplace_back();
        if (arrayReleasesElements)
            elements.back() = com_ptr<IDispatch>(data[i]);
        else
            elements.back().attach(std::exchange(data[i], nullptr));
    }
    return elements;
}

}  // namespace mv
