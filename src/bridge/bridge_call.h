#pragma once
// One call of a member of the main object, from its start to its end: where it comes from, which
// handles it may pass to the JVM, and to whom the handles it hands out belong.
//
// A call from another process may name only handles that the module handed out and has not
// deleted (and zero); a call from this process is trusted with references of its own. The checks
// can be switched off for a measurement of what they cost (SetBridgeChecks, or the variable
// MVJAVA_BRIDGE_CHECKS=off in the Java process): then every handle reaches the JVM as it is.

#include <windows.h>

#include <jni.h>

#include "bridge/call_origin.h"

namespace mv {

class bridge_call {
public:
    bridge_call() noexcept;
    ~bridge_call();
    bridge_call(const bridge_call&) = delete;
    bridge_call& operator=(const bridge_call&) = delete;

    const call_origin& origin() const noexcept { return m_origin; }
    // Whether `ref` may reach the JVM in this call.
    bool Admits(jobject ref) const noexcept;
    // Forgets `ref` before its deletion, if this call may delete it (see handle_registry::Forget).
    bool Forgets(jobject ref) const noexcept;

    // The owner of a handle handed out on this thread now: the client of the innermost call, or
    // this process.
    static DWORD OwnerOfNewHandles() noexcept;

private:
    call_origin m_origin;
    bridge_call* m_outer;
    int m_slot = -1;  // the registry's slot this call counts in; -1: not counted
};

// Records a global reference that is about to be handed out; false (nothing recorded) when the
// table has no room.
bool RecordHandedOut(jobject ref) noexcept;
// Forgets a reference that was recorded and is deleted again before it was handed out.
void ForgetHandedOut(jobject ref) noexcept;

// Whether handles are checked at all (on unless switched off).
bool BridgeChecksOn() noexcept;
void SetBridgeChecks(bool on) noexcept;

}  // namespace mv
