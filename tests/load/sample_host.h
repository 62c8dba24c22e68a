#pragma once
// The Java process the load and soak suites drive: an mvjava-host running samples.BothApps (the
// Swing login window and the AWT window) with the hook jar as the assistive technology and
// -Xcheck:jni, its lifetime chosen by the suite, the module registered while it runs. Besides
// the main object it answers the host's live references and its handle and memory counters.

#include <windows.h>

#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"
#include "process_counters.h"

namespace mv::test {

// Host, references and counters at one moment.
struct HostSample {
    long long refs = -1;
    ProcessCounters counters;
};

class SampleHost {
public:
    explicit SampleHost(int lifetimeSeconds);
    ~SampleHost();
    SampleHost(const SampleHost&) = delete;
    SampleHost& operator=(const SampleHost&) = delete;

    // Empty when the host runs, lists both sample windows and can be measured; else why not.
    const std::string& problem() const { return m_problem; }
    DWORD pid() const { return m_host ? m_host->pid() : 0; }
    HostProcess& process() { return *m_host; }

    // The host's main object (a new proxy each time).
    com_ptr<IMvJavaCpp> Jvm() const;
    HostSample Sample();

    // Asks the host for a native window behind each Java window; answers the one titled `title`
    // (0 when none), the others are closed again. The windows go with the host.
    ULONG MirrorWindowTitled(const std::wstring& title);

    // The host's JVM output holds no JNI warning about calls made from outside.
    std::string JniWarnings() const;

private:
    std::unique_ptr<ModuleRegistration> m_registration;
    std::unique_ptr<HostProcess> m_host;
    std::unique_ptr<ProcessCounterReader> m_counters;
    std::string m_problem;
};

}  // namespace mv::test
