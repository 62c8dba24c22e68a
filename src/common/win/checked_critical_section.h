#pragma once
// A critical section whose initialisation can fail and says so, for records built while a
// module loads: the loader must learn of the failure instead of the module crashing later.
// Entering an uninitialised or already deleted section fails instead of touching it.

#include <windows.h>

namespace mv {

class checked_critical_section {
public:
    checked_critical_section() noexcept
        : m_initialized(::InitializeCriticalSectionAndSpinCount(&m_cs, 0) != FALSE) {}
    ~checked_critical_section() { destroy(); }
    checked_critical_section(const checked_critical_section&) = delete;
    checked_critical_section& operator=(const checked_critical_section&) = delete;

    bool initialized() const noexcept { return m_initialized; }

    // E_UNEXPECTED when the section is not (or no longer) usable.
    HRESULT lock() noexcept {
        if (!m_initialized) return E_UNEXPECTED;
        ::EnterCriticalSection(&m_cs);
        return S_OK;
    }
    void unlock() noexcept { ::LeaveCriticalSection(&m_cs); }

    // Deletes the section ahead of destruction (a module's termination step).
    void destroy() noexcept {
        if (m_initialized) {
            m_initialized = false;
            ::DeleteCriticalSection(&m_cs);
        }
    }

private:
    CRITICAL_SECTION m_cs;
    bool m_initialized;
};

// Holds a checked_critical_section for the scope when it could be entered; `result()` says
// whether it was.
class checked_critical_section_lock {
public:
    explicit checked_critical_section_lock(checked_critical_section& cs) noexcept
        : m_cs(cs), m_hr(cs.lock()) {}
    ~checked_critical_section_lock() {
        if (SUCCEEDED(m_hr)) m_cs.unlock();
    }
    checked_critical_section_lock(const checked_critical_section_lock&) = delete;
    checked_critical_section_lock& operator=(const checked_critical_section_lock&) = delete;

    HRESULT result() const noexcept { return m_hr; }

private:
    checked_critical_section& m_cs;
    HRESULT m_hr;
};

}  // namespace mv
