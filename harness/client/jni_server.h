#pragma once
// A JNI server for one test program or suite: mv-jniserver started through jniproxy.dll with the
// Java fixtures on its class path, its JVM output collected in a file, and the JVM's own reports
// (tty, where -Xcheck:jni writes) in a log that tags each run of lines with its writing thread.

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
    ~JniServer();  // stops the server and removes its files
    JniServer(const JniServer&) = delete;
    JniServer& operator=(const JniServer&) = delete;

    bool started() const { return m_vm != nullptr; }
    const std::string& error() const { return m_error; }
    JavaVM* vm() const { return m_vm; }
    std::string Output() const;     // everything the JVM printed (stdout and stderr) so far
    std::string VmReports() const;  // the JVM's log of its own reports, with writer tags
    void Stop();

private:
    std::wstring m_outputFile, m_reportFile;  // Windows paths
    std::string m_error;
    JavaVM* m_vm = nullptr;
};

}  // namespace mv::test
