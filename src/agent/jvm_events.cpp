#include "jvm_events.h"

#include <jvmti.h>

#include "agent_log.h"
#include "publisher.h"

namespace mv::agent {
namespace {

void JNICALL OnVmInit(jvmtiEnv*, JNIEnv*, jthread) { StartPublishing(ServedJavaVM()); }

// The JVM is going: the process leaves the table before its threads stop answering calls.
void JNICALL OnVmDeath(jvmtiEnv*, JNIEnv*) { Withdraw(); }

}  // namespace

bool FollowJvmLife(JavaVM* vm, bool publishOnInit) noexcept {
    jvmtiEnv* jvmti = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&jvmti), JVMTI_VERSION_1_0) != JNI_OK || !jvmti) {
        Log(L"FollowJvmLife", L"the JVM offers no JVMTI environment: the publication lasts until the process ends");
        return false;
    }
    jvmtiEventCallbacks callbacks{};
    callbacks.VMInit = &OnVmInit;
    callbacks.VMDeath = &OnVmDeath;
    bool ok = jvmti->SetEventCallbacks(&callbacks, sizeof callbacks) == JVMTI_ERROR_NONE &&
              jvmti->SetEventNotificationMode(JVMTI_ENABLE, JVMTI_EVENT_VM_DEATH, nullptr) == JVMTI_ERROR_NONE;
    if (ok && publishOnInit)
        ok = jvmti->SetEventNotificationMode(JVMTI_ENABLE, JVMTI_EVENT_VM_INIT, nullptr) == JVMTI_ERROR_NONE;
    if (!ok) Log(L"FollowJvmLife", L"the JVM refused the events of its start and end");
    return ok;
}

}  // namespace mv::agent
