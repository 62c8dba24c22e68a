#pragma once
// What the test bed's JVM offers of JVMTI: environments that take event callbacks and the
// enabling of VMInit and VMDeath, so that an agent library can follow the JVM's start and end.
// The JVM itself lives in another process; its events are the tests' to post
// (MvJniProxy_PostVmEvent), on the posting thread as the JVM posts them on one of its own.

#include <jni.h>

namespace mv::proxy {

// Whether JavaVM::GetEnv is asked for a JVMTI environment, and a new one for it (JNI_OK).
bool IsJvmtiVersion(jint version);
jint NewJvmtiEnv(void** penv);

// Calls the callback of `event` ("VMInit" or "VMDeath") of every environment that enabled it:
// how many were called, or -1 for another name.
int PostVmEvent(const char* event);

}  // namespace mv::proxy
