#pragma once
// A critical section owned for its whole life, and a scope that holds it.

#include <windows.h>

namespace mv {

class critical_section {
public:
    critical_section() noexcept { ::InitializeCriticalSection(&m_cs); }
    ~critical_section() { ::DeleteCriticalSection(&m_cs); }
    critical_section(const critical_section&) = delete;
    critical_section& operator=(const critical_section&) = delete;

    void lock() noexcept { ::EnterCriticalSection(&m_cs); }
    void unlock() noexcept { ::LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

// Holds a critical section from construction to destruction (usable with std::lock_guard too).
class critical_section_lock {
public:
    explicit critical_section_lock(critical_section& cs) noexcept : m_cs(cs) { m_cs.lock(); }
    ~critical_section_lock() { m_cs.unlock(); }
    critical_section_lock(const critical_section_lock&) = delete;
    critical_section_lock& operator=(const critical_section_lock&) = delete;

private:
    critical_section& m_cs;
};

}  // namespace mv
