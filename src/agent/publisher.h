#pragma once
// Publishes this process's JVM for native clients. On a thread of this library's own (COM
// initialised there; never a JVM thread, which may hold the JVM's locks), the main object is
// created from the module in this library's folder, given the JVM (JavaSaveRunningJVM) and put in
// the Running Object Table (JavaAddToROT). Withdrawn when the JVM ends. Once per process: the
// first entry point that asks wins, and a process that is published already is left as it is.
// Failures go to the module's log; none stops or slows the application.

#include <jni.h>

namespace mv::agent {

// Starts publishing `vm`; returns at once. Does nothing after the first call or a withdrawal.
void StartPublishing(JavaVM* vm) noexcept;

// Takes the process out of the table and waits for that, a few seconds at most. Publishing does
// not start again afterwards.
void Withdraw() noexcept;

// The JVM handed to the first entry point (null before) and its major release (0 until read, as
// the publishing thread does before publishing).
void ServeJavaVM(JavaVM* vm) noexcept;
JavaVM* ServedJavaVM() noexcept;
int ServedJavaRelease() noexcept;

}  // namespace mv::agent
