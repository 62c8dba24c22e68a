#pragma once
// A JNI server for one test program or suite: mv-jniserver started through jniproxy.dll with the
// Java fixtures on its class path and -Xcheck:jni, its JVM output collected in a file of its own.

#include <jni.h>

#include <string>
#include <vector>

#include "wine_path.h"  // UnixPathOf: the Linux path of a file the server is to use

namespace mv::test {

struct JniServerSettings {
    bool checkJni = true;                 // adds -Xcheck:jni
    std::vector<std::string> classPath;   // Linux paths after the fixtures jar (e.g. MV_HOOK_JAR)
    std::vector<std::string> jvmOptions;  // more options after it
    std::string mainClass;                // a Java main class to run on its own thread
    std::vector<std::string> mainArgs;
    int maxLifetimeSeconds = 600;
};

class JniServer {
public:
    explicit JniServer(const JniServerSettings& settings = {});
    ~JniServer();  // stops the server and removes the output file
    JniServer(const JniServer&) = delete;
    JniServer& operator=(const JniServer&) = delete;

    bool started() const { return m_vm != nullptr; }
    const std::string& error() const { return m_error; }
    JavaVM* vm() const { return m_vm; }

    // Everything the JVM printed (stdout and stderr) so far.
    std::string Output() const;
    void Stop();

private:
    std::wstring m_outputFile;  // Windows path of the output file
    std::string m_error;
    JavaVM* m_vm = nullptr;
};

// The JNI warnings (-Xcheck:jni reports: "WARNING in native method", "WARNING: JNI local refs",
// "FATAL ERROR in native method") in JVM output, each with the line that reports it.
std::vector<std::string> FindJniWarnings(const std::string& output);

}  // namespace mv::test
