#pragma once
// Error handling at COM boundaries: early returns on failure, and a guard that turns any
// exception into an HRESULT so none crosses an interface.

#include <windows.h>

#include <new>

#define MV_RETURN_IF_FAILED(expr)                       \
    do {                                                \
        const HRESULT mv_hr_ = (expr);                  \
        if (FAILED(mv_hr_)) return mv_hr_;             \
    } while (0)

#define MV_RETURN_HR_IF(hr, cond)                       \
    do {                                                \
        if (cond) return (hr);                          \
    } while (0)

#define MV_RETURN_IF_NULL_ALLOC(ptr)                    \
    do {                                                \
        if ((ptr) == nullptr) return E_OUTOFMEMORY;     \
    } while (0)

namespace mv {

// Runs `body` (which returns an HRESULT) and maps escaping exceptions to HRESULTs.
template <typename Body>
HRESULT guard_hresult(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace mv
