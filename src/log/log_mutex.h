#pragma once
// The named mutex "MV_LOG_MUTEX" that serialises the log among all processes of the agent.
// It is created (or, when another process made it, opened) while the module loads and closed
// when it unloads.
//
// Locking scheme: a log line holds the mutex for its whole life - size check, rotation,
// purge, open, header, write and close (see LogLine). Only one writer of any process touches
// the files at a time, so a rotation never copies a file that someone is still appending to
// (whose delete would then fail and duplicate lines), appends never overlap, and every line
// lands whole in exactly one file. The mutex is recursive per thread, so the rotation's own
// wait inside a held line just nests. Two rotations in one millisecond would want the same
// rotated name; the rotation then takes the next free millisecond (see log_rotation.cpp).
// A writer that dies holding the mutex abandons it; the next writer takes it over (its own
// line is written, though the dead writer's line may be cut short). A writer that hangs holding
// it (a suspended process, a log folder on a stalled share) does not die: every other writer
// waits for it at most kLogMutexTimeoutMs and then loses its line, as if the folder were
// missing, so a log site never blocks the COM call it sits in. After such a time-out no line of
// the process waits again until one finds the mutex free: until then lines are lost at once.

#include <windows.h>

namespace mv {

inline constexpr wchar_t kLogMutexName[] = L"MV_LOG_MUTEX";

// How long a line waits for the log mutex before it is given up.
inline constexpr DWORD kLogMutexTimeoutMs = 5000;

// The module's handle to the log mutex; null when it could not be created, in which case
// waiting fails at once and the log runs unserialised.
HANDLE LogMutexHandle() noexcept;

// Waits for the log mutex for up to kLogMutexTimeoutMs (not at all while the last wait of the
// process ran out) and releases it at the end of the scope.
// An abandoned mutex (its owner died holding it) counts as acquired, so a crashed writer never
// blocks the log; without a mutex the scope holds nothing. When the time runs out the scope
// holds nothing either and timed_out() tells its owner to leave the files alone.
class LogMutexLock {
public:
    LogMutexLock() noexcept;
    ~LogMutexLock();
    LogMutexLock(const LogMutexLock&) = delete;
    LogMutexLock& operator=(const LogMutexLock&) = delete;

    bool owns_lock() const noexcept { return m_owned; }
    bool timed_out() const noexcept { return m_timedOut; }

private:
    HANDLE m_mutex;
    bool m_owned;
    bool m_timedOut;
};

}  // namespace mv
