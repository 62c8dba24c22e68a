#pragma once
// A JNI server for one test program or suite: mv-jniserver started through jniproxy.dll with the
// Java fixtures on its class path and -Xcheck:jni, its JVM output collected in a file of its own
// and the JVM's own reports (tty, where -Xcheck:jni writes) also in a log that names the writing
// thread, so that a report is read with its own stack lines whatever other threads printed.

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

    std::string Output() const;    // everything the JVM printed (stdout and stderr) so far
    std::string VmReports() const;  // the JVM's log of its own reports, with writer tags
    void Stop();

private:
    std::wstring m_outputFile;  // Windows paths
    std::wstring m_reportFile;
    std::string m_error;
    JavaVM* m_vm = nullptr;
};

// The JNI reports of -Xcheck:jni ("WARNING in native method", "WARNING: JNI local refs", "FATAL
// ERROR in native method") in JVM output or in VmReports(), each with its first stack line. A
// stack line belongs to the last report of its writing thread (<writer thread='n'/> in the log;
// plain output has one writer) whatever lines came between. Reports whose own first frame is a
// native method of a JDK module ("\tat sun.font.X.m(java.desktop@17.0.15/Native Method)") are
// the JDK's business and left out.
std::vector<std::string> FindJniWarnings(const std::string& output);

}  // namespace mv::test
