#include "bridge/client_process_watch.h"

#include <new>

#include "module/module_lock.h"

namespace mv {
namespace {

// The pool's callbacks carry the process id and this object's address; one object serves the process.
struct callback_context {
    client_process_watch* watch;
    DWORD process;
};

}  // namespace

bool client_process_watch::Watch(DWORD process) {
    const std::lock_guard<std::mutex> hold(m_lock);
    const auto [at, added] = m_watches.emplace(process, watch{});  // may throw before anything is made
    if (!added) return true;
    watch& entry = at->second;
    auto* context = new (std::nothrow) callback_context{this, process};
    bool waiting = false;
    if (context) {
        entry.process = ::OpenProcess(SYNCHRONIZE, FALSE, process);
        if (entry.process)
            waiting = ::RegisterWaitForSingleObject(&entry.wait, entry.process, &OnEnded, context, INFINITE,
                                                    WT_EXECUTEONLYONCE | WT_EXECUTELONGFUNCTION);
        else if (::GetLastError() == ERROR_INVALID_PARAMETER)  // the id names no process: it has ended
            waiting = ::QueueUserWorkItem(&OnAlreadyEnded, context, WT_EXECUTELONGFUNCTION);
    }
    if (!waiting) {
        if (entry.process) ::CloseHandle(entry.process);
        delete context;
        m_watches.erase(at);
        return false;
    }
    ModuleLock();
    return true;
}

void client_process_watch::Stop(DWORD process) noexcept {
    watch entry;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        const auto found = m_watches.find(process);
        if (found == m_watches.end()) return;
        entry = found->second;
        m_watches.erase(found);
    }
    // Not waiting for a callback that runs: Stop is called from the callback itself.
    if (entry.wait) ::UnregisterWait(entry.wait);
    if (entry.process) ::CloseHandle(entry.process);
    ModuleUnlock();
}

void CALLBACK client_process_watch::OnEnded(void* context, BOOLEAN) noexcept {
    const auto* c = static_cast<callback_context*>(context);
    const callback_context copy = *c;
    delete c;
    copy.watch->m_ended(copy.process);
}

DWORD WINAPI client_process_watch::OnAlreadyEnded(void* context) noexcept {
    OnEnded(context, FALSE);
    return 0;
}

}  // namespace mv
