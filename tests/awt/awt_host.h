#pragma once
// The Java process every AWT test program drives: one mvjava-host per program running
// samples.BothApps (the Swing login window and the AWT window) with the hook installed as the
// assistive technology and -Xcheck:jni, the module registered for the program's life. Tests reach
// its main object across processes and ask it for native windows.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"

namespace mv::test {

// Starts such a host (JVM output kept, living at most `lifetimeSeconds`, BothApps given `mainArgs`)
// and waits until the module lists both sample windows. Null with the reason in `problem` when it
// does not get there.
std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem,
                                                 const std::vector<std::string>& mainArgs = {});

class AwtHost {
public:
    static AwtHost* Get();                // the program's host, started on first use; null on failure
    static const std::string& Problem();  // why Get() answers null
    static void ShutDown();               // checks the JVM output for JNI warnings, stops the host
    HostProcess& process() { return *m_host; }
    com_ptr<IMvJavaCpp> Jvm() { return PublishedJvmOf(m_host->pid()); }  // a new proxy each time

private:
    ModuleRegistration m_registration;
    std::unique_ptr<HostProcess> m_host;
};

}  // namespace mv::test
