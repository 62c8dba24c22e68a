#include "bridge/bridge_call.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "bridge/handle_registry.h"

namespace mv {
namespace {

thread_local bridge_call* t_innermost = nullptr;

std::atomic<bool>& ChecksOn() noexcept {
    static std::atomic<bool> on{[] {
        const char* value = std::getenv("MVJAVA_BRIDGE_CHECKS");
        return !(value && std::strcmp(value, "off") == 0);
    }()};
    return on;
}

}  // namespace

bool BridgeChecksOn() noexcept { return ChecksOn().load(std::memory_order_relaxed); }
void SetBridgeChecks(bool on) noexcept { ChecksOn().store(on); }

bridge_call::bridge_call() noexcept : m_outer(t_innermost) {
    if (BridgeChecksOn()) m_origin = OriginOfCall();
    else m_origin = {false, ::GetCurrentProcessId()};
    if (m_origin.other_process) m_slot = static_cast<int>(handle_registry::Instance().EnterCall());
    t_innermost = this;
}

bridge_call::~bridge_call() {
    t_innermost = m_outer;
    if (m_slot >= 0) handle_registry::Instance().LeaveCall(static_cast<unsigned>(m_slot));
}

bool bridge_call::Admits(jobject ref) const noexcept {
    return !ref || !m_origin.other_process || handle_registry::Instance().Knows(ref);
}

bool bridge_call::Forgets(jobject ref) const noexcept {
    // With the checks off the origin is this process's: whatever was recorded is forgotten.
    return handle_registry::Instance().Forget(ref, m_origin);
}

DWORD bridge_call::OwnerOfNewHandles() noexcept {
    return t_innermost ? t_innermost->m_origin.process : OriginOfCall().process;
}

bool RecordHandedOut(jobject ref) noexcept {
    if (!BridgeChecksOn()) return true;
    try {
        handle_registry::Instance().Record(ref, bridge_call::OwnerOfNewHandles());
        return true;
    } catch (...) {
        return false;
    }
}

void ForgetHandedOut(jobject ref) noexcept { handle_registry::Instance().Forget(ref, call_origin{}); }

}  // namespace mv
