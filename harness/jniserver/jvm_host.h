#pragma once
// The JVM of the server, and the Java main class it may run beside the call connections.

#include <jni.h>

#include <string>
#include <vector>

namespace mv::server {

// Creates the JVM on the calling thread with the class path and options given (after two of
// its own: crash reports to stderr, no core file).
JavaVM* CreateJvm(const std::string& classPath, const std::vector<std::string>& options,
                  std::string& error);

// Looks up `mainClass`'s static main(String[]) on the calling (attached) thread and runs it on a
// new thread attached as "main". False with a message when the class or method is missing.
bool StartMainClass(JavaVM* vm, const std::string& mainClass, const std::vector<std::string>& args,
                    std::string& error);

}  // namespace mv::server
