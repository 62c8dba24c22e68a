#pragma once
// The release of the running Java platform, read from the JVM itself.

#include <jni.h>

namespace mv::agent {

// The major release (8, 11, 17...) from the system property "java.class.version" (the newest
// class-file version the JVM loads: "52.0" on Java 8); 0 when it cannot be read. Leaves no
// exception pending.
int ReadJavaRelease(JNIEnv* env) noexcept;

}  // namespace mv::agent
