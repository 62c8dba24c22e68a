#include "log/log_mutex.h"

#include <atomic>

#include "common/win/handles.h"
#include "log/null_dacl_security_attributes.h"

namespace mv {
namespace {

class LogMutex {
public:
    LogMutex() noexcept {
        DWORD error = ERROR_SUCCESS;
        try {
            NS_SECURITY_UTILS::CNullDaclSecurityAttributes everyone;
            m_mutex.reset(::CreateMutexW(everyone.get(), FALSE, kLogMutexName));
            error = ::GetLastError();
        } catch (const NS_SECURITY_UTILS::CSecurityAttributeInitializationException&) {
            // The module still loads; the log then runs unserialised.
            return;
        }
        // A mutex that another process created with a narrower descriptor may refuse full
        // access; waiting and releasing are all the log needs.
        if (!m_mutex && error == ERROR_ACCESS_DENIED) {
            m_mutex.reset(::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kLogMutexName));
        }
    }
    HANDLE get() const noexcept { return m_mutex.get(); }

private:
    unique_handle m_mutex;  // closed when the module unloads
};

// A function-local static, so that a log line from any other static initialiser finds the
// mutex already made; the global below makes sure it exists once the module has loaded.
LogMutex& TheLogMutex() noexcept {
    static LogMutex mutex;
    return mutex;
}
[[maybe_unused]] const HANDLE g_logMutexAtLoad = TheLogMutex().get();

// Set when a wait ran out, cleared once the mutex is taken again: while a holder hangs, a line looks
// at the mutex without waiting, so that a hung holder costs a call one time-out, not one per line.
std::atomic<bool> g_holderHangs{false};

}  // namespace

HANDLE LogMutexHandle() noexcept { return TheLogMutex().get(); }

LogMutexLock::LogMutexLock() noexcept
    : m_mutex(LogMutexHandle()), m_owned(false), m_timedOut(false) {
    if (m_mutex == nullptr) return;
    const DWORD result = ::WaitForSingleObject(m_mutex, g_holderHangs.load() ? 0 : kLogMutexTimeoutMs);
    m_owned = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    m_timedOut = result == WAIT_TIMEOUT;
    if (m_owned || m_timedOut) g_holderHangs.store(m_timedOut);
}

LogMutexLock::~LogMutexLock() {
    if (m_owned) ::ReleaseMutex(m_mutex);
}

}  // namespace mv
