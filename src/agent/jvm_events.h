#pragma once
// The events of the JVM's life that publishing follows, through a JVMTI environment of the
// library's own: VMInit starts publishing a JVM that was still starting when the library was
// loaded (-agentpath), VMDeath withdraws the publication.

#include <jni.h>

namespace mv::agent {

// Asks `vm` for VMDeath and, when `publishOnInit`, VMInit. False where the JVM offers no JVMTI
// environment (then a publication lasts until the process ends).
bool FollowJvmLife(JavaVM* vm, bool publishOnInit) noexcept;

}  // namespace mv::agent
