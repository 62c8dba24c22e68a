#include "bridge/handle_registry.h"

#include <string>

#include "jvm/java_vm_attachment.h"
#include "log/log.h"

namespace mv {

handle_registry::handle_registry() noexcept : m_watch(&OnClientEnded) {}

handle_registry& handle_registry::Instance() noexcept {
    static handle_registry registry;
    return registry;
}

void handle_registry::Record(jobject ref, DWORD owner) {
    {
        const std::unique_lock<std::shared_mutex> hold(m_lock);
        m_owners[ref] = owner;
    }
    // Outside the table's lock: a watch whose process has already ended reclaims at once.
    try {
        if (owner != 0 && owner != ::GetCurrentProcessId()) m_watch.Watch(owner);
    } catch (...) {
        const std::unique_lock<std::shared_mutex> hold(m_lock);
        m_owners.erase(ref);
        throw;
    }
}

bool handle_registry::Knows(jobject ref) const noexcept {
    const std::shared_lock<std::shared_mutex> hold(m_lock);
    return m_owners.count(ref) != 0;
}

bool handle_registry::Forget(jobject ref, const call_origin& origin) noexcept {
    const std::unique_lock<std::shared_mutex> hold(m_lock);
    const auto found = m_owners.find(ref);
    if (!origin.other_process) {
        if (found != m_owners.end()) m_owners.erase(found);
        return true;  // this process's code deletes its own references as well
    }
    if (found == m_owners.end() || found->second == ::GetCurrentProcessId()) return false;
    m_owners.erase(found);
    return true;
}

unsigned handle_registry::EnterCall() noexcept {
    const unsigned slot = m_epoch.load() & 1u;
    m_inFlight[slot].fetch_add(1);
    return slot;
}

void handle_registry::LeaveCall(unsigned slot) noexcept { m_inFlight[slot].fetch_sub(1); }

std::size_t handle_registry::Reclaim(DWORD process) noexcept {
    const std::lock_guard<std::mutex> serial(m_reclaiming);
    m_watch.Stop(process);
    std::vector<jobject> refs;
    try {
        const std::unique_lock<std::shared_mutex> hold(m_lock);
        for (const auto& [ref, owner] : m_owners)
            if (owner == process) refs.push_back(ref);
        for (jobject ref : refs) m_owners.erase(ref);
    } catch (const std::bad_alloc&) {
        return 0;  // the handles stay recorded; they are reclaimed with the module's process
    }
    // A call that admitted one of them entered before they left the table, so it counts in the
    // slot that was current then: wait until that slot has emptied. Later calls count in the other
    // slot and no longer find them.
    const unsigned old = m_epoch.fetch_add(1) & 1u;
    while (m_inFlight[old].load() != 0) ::Sleep(1);
    JavaVM* vm = m_vm.load();
    if (refs.empty() || !vm) return 0;
    const CJavaVM attachment(vm);
    JNIEnv* env = attachment.env();
    if (!env) return 0;
    for (jobject ref : refs) env->DeleteGlobalRef(ref);
    try {
        LogLine(L"MvJavaCpp", L"ReclaimHandles",
                (std::to_wstring(refs.size()) + L" handle(s) of ended client process " + std::to_wstring(process) +
                 L" deleted").c_str());
    } catch (const std::bad_alloc&) {
    }
    return refs.size();
}

void handle_registry::OnClientEnded(DWORD process) noexcept { Instance().Reclaim(process); }

}  // namespace mv
