#pragma once
// An owned SAFEARRAY and a scope that keeps its data locked.

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace mv {

class unique_safearray {
public:
    unique_safearray() noexcept = default;
    // Takes ownership of `array`.
    explicit unique_safearray(SAFEARRAY* array) noexcept : m_array(array) {}
    unique_safearray(unique_safearray&& other) noexcept : m_array(other.release()) {}
    unique_safearray& operator=(unique_safearray&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_safearray(const unique_safearray&) = delete;
    unique_safearray& operator=(const unique_safearray&) = delete;
    ~unique_safearray() { reset(); }

    SAFEARRAY* get() const noexcept { return m_array; }
    explicit operator bool() const noexcept { return m_array != nullptr; }
    SAFEARRAY** put() noexcept {
        reset();
        return &m_array;
    }
    SAFEARRAY* release() noexcept { return std::exchange(m_array, nullptr); }
    void reset(SAFEARRAY* array = nullptr) noexcept {
        if (SAFEARRAY* old = std::exchange(m_array, array)) ::SafeArrayDestroy(old);
    }

private:
    SAFEARRAY* m_array = nullptr;
};

// The number of elements in all dimensions of `array`: what its data pointer covers. A product
// beyond 64 bits answers the largest value.
inline ULONGLONG SafeArrayTotalElements(const SAFEARRAY* array) noexcept {
    ULONGLONG total = 1;
    for (USHORT d = 0; d < array->cDims; ++d) {
        const ULONG n = array->rgsabound[d].cElements;
        if (n == 0) return 0;
        total = total > ~0ull / n ? ~0ull : total * n;
    }
    return total;
}

// Locks a SAFEARRAY's data for the scope; `ok()` tells whether the lock was taken.
class safearray_lock {
public:
    explicit safearray_lock(SAFEARRAY* array) noexcept
        : m_array(array), m_hr(array ? ::SafeArrayLock(array) : E_INVALIDARG) {}
    ~safearray_lock() {
        if (SUCCEEDED(m_hr)) ::SafeArrayUnlock(m_array);
    }
    safearray_lock(const safearray_lock&) = delete;
    safearray_lock& operator=(const safearray_lock&) = delete;

    bool ok() const noexcept { return SUCCEEDED(m_hr); }
    HRESULT result() const noexcept { return m_hr; }
    void* data() const noexcept { return ok() ? m_array->pvData : nullptr; }

private:
    SAFEARRAY* m_array;
    HRESULT m_hr;
};

}  // namespace mv
