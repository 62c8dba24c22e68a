#pragma once
// The handles that the module has handed out and not deleted, process-wide, each with the process
// it went to. A call from another process may name only these (and zero): JNI does not check a
// reference, so any other number would reach the JVM as a wild pointer. Once a client process has
// ended, the handles that went to it are deleted, after every call that may still use them has
// returned. Handles that went to this process (the agent's code, the component objects) stay.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include <jni.h>

#include "bridge/call_origin.h"
#include "bridge/client_process_watch.h"

namespace mv {

class handle_registry {
public:
    static handle_registry& Instance() noexcept;

    // The JVM whose handles are deleted when their client ends.
    void SetJavaVM(JavaVM* vm) noexcept { m_vm.store(vm); }

    // Records `ref` as handed out to `owner` (a process id; 0 when it cannot be told). Throws
    // bad_alloc, leaving the table as it was.
    void Record(jobject ref, DWORD owner);
    bool Knows(jobject ref) const noexcept;
    // Forgets `ref` as a call from `origin` may: a call from another process only a handle that
    // went to a client process. False, forgetting nothing, when it may not (or it is unknown).
    bool Forget(jobject ref, const call_origin& origin) noexcept;

    // A call from another process brackets its use of handles with these: a handle reclaimed
    // while such a call runs is deleted only once it has returned.
    unsigned EnterCall() noexcept;
    void LeaveCall(unsigned slot) noexcept;

    // Deletes the handles that went to `process`, which has ended; returns how many.
    std::size_t Reclaim(DWORD process) noexcept;

private:
    handle_registry() noexcept;
    static void OnClientEnded(DWORD process) noexcept;

    mutable std::shared_mutex m_lock;
    std::unordered_map<jobject, DWORD> m_owners;
    client_process_watch m_watch;
    std::mutex m_reclaiming;                 // one reclaim at a time
    std::atomic<unsigned> m_epoch{0};        // its low bit: the slot new calls count in
    std::atomic<long> m_inFlight[2] = {{0}, {0}};
    std::atomic<JavaVM*> m_vm{nullptr};
};

}  // namespace mv
