#pragma once
// The release of the running Java platform, read from the JVM itself.

#include <jni.h>

namespace mv::agent {

// The major release (8 for "1.8", 17 for "17") from the system property
// "java.specification.version"; 0 when it cannot be read. Leaves no exception pending.
int ReadJavaRelease(JNIEnv* env) noexcept;

}  // namespace mv::agent
