#pragma once
// A Java process for the benchmark: mvjava-host running one sample main class (with the hook as
// the assistive technology when the windows are to be listed), and its published main object.
// The JVM runs without -Xcheck:jni: its checks would be part of every figure.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"

namespace mv::bench {

class BenchHost {
public:
    // Starts the host and, when `mainClass` opens windows, waits until the module lists
    // `windows` of them. Check ready(). `jvmOptions` go to the JVM too (a UI scale, say).
    BenchHost(const std::string& mainClass, const std::vector<std::string>& mainArgs, std::size_t windows,
              const std::vector<std::string>& jvmOptions = {});
    ~BenchHost();
    BenchHost(const BenchHost&) = delete;
    BenchHost& operator=(const BenchHost&) = delete;

    bool ready() const { return static_cast<bool>(m_jvm); }
    const std::string& problem() const { return m_problem; }
    IMvJavaCpp* jvm() const { return m_jvm.get(); }
    test::HostProcess& process() { return *m_host; }

private:
    std::unique_ptr<test::HostProcess> m_host;
    com_ptr<IMvJavaCpp> m_jvm;
    std::string m_problem;
};

// Median microseconds of the cheapest cross-process member, IsDisconnectObserverComplete: it
// answers from the main object's own state and never reaches Java. The floor of every
// cross-process figure. `ok` turns false when a call failed.
double NoOpCallMicroseconds(IMvJavaCpp* jvm, int runs, int calls, bool& ok);

}  // namespace mv::bench
