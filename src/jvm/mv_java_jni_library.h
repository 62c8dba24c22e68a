#pragma once
// The agent's sibling library MvJavaJni, reached by name at run time. When it is not loaded in
// the process and cannot be loaded, the module behaves as with a current Java version: it never
// asks the library for an environment and attaches threads to the JVM itself. So a process that
// never touches Java loads the module without the library.

#include <jni.h>

namespace mv {

struct MvJavaJniFunctions {
    int (*getJavaVersion)();    // null when the library is absent
    JNIEnv* (*getJNIEnv)();     // null when the library is absent
};

// The library's two functions, looked up once per process ("MvJavaJni.dll": a module already
// loaded in the process, else the file in this module's own folder). Thread-safe.
const MvJavaJniFunctions& GetMvJavaJniFunctions() noexcept;

}  // namespace mv
