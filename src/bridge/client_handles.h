#pragma once
// Handles as the object, string and array members take and give them: a handle names no object
// when the reference it carries is null, and every handle given to a client is a new global
// reference that the client owns, recorded as handed out (bridge_call.h).

#include <windows.h>

#include <jni.h>

#include "bridge/bridge_call.h"
#include "bridge/java_handles.h"

namespace mv {

// True when `handle` carries no reference (on the 32-bit module: its low 32 bits are zero).
inline bool IsNullHandle(UINT64 handle) noexcept { return HandleToJObject(handle) == nullptr; }

// A new global reference to `object` for a client to own, as a handle; 0 when the JVM gives none
// or it cannot be recorded.
inline UINT64 NewClientHandle(JNIEnv* env, jobject object) noexcept {
    jobject global = env->NewGlobalRef(object);
    if (!global) return 0;
    if (!RecordHandedOut(global)) {
        env->DeleteGlobalRef(global);
        return 0;
    }
    return JObjectToHandle(global);
}

}  // namespace mv
