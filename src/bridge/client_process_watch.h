#pragma once
// Tells when a client process has ended: one wait of the system's thread pool per process, which
// runs `ended` once on a pool thread. The process is held open while it is watched, so its id
// cannot name another process in between. Each watch holds a module lock: the module stays loaded
// while a callback may still run.

#include <windows.h>

#include <mutex>
#include <unordered_map>

namespace mv {

class client_process_watch {
public:
    using ended_callback = void (*)(DWORD process);
    explicit client_process_watch(ended_callback ended) noexcept : m_ended(ended) {}
    client_process_watch(const client_process_watch&) = delete;
    client_process_watch& operator=(const client_process_watch&) = delete;

    // Watches `process` unless it is watched already. When it has ended before it could be
    // opened, `ended` runs on a pool thread as it would have. False when it cannot be watched
    // (no right to wait for it, no resources): its end then goes unnoticed. Throws bad_alloc.
    bool Watch(DWORD process);

    // Stops watching `process` (from its callback too).
    void Stop(DWORD process) noexcept;

private:
    struct watch {
        HANDLE process = nullptr;
        HANDLE wait = nullptr;  // null once the callback has been queued without a wait
    };
    static void CALLBACK OnEnded(void* context, BOOLEAN timedOut) noexcept;
    static DWORD WINAPI OnAlreadyEnded(void* context) noexcept;

    ended_callback m_ended;
    std::mutex m_lock;
    std::unordered_map<DWORD, watch> m_watches;
};

}  // namespace mv
