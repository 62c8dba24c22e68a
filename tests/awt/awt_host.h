#pragma once
// The Java process every AWT test program drives: one mvjava-host per program running
// samples.BothApps (the Swing login window and the AWT window) with the hook installed as the
// assistive technology and -Xcheck:jni, the module registered for the program's life. Tests reach
// its main object across processes and ask it for native windows.

#include <windows.h>

#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"

namespace mv::test {

// Starts such a host (JVM output kept, living at most `lifetimeSeconds`) and waits until the
// module lists both sample windows. Null with the reason in `problem` when it does not get there.
std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem);

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

// A native top-level window that the host made on request, closed again when this goes.
class HostWindow {
public:
    static HostWindow TopLevel(HostProcess& host, LONG x, LONG y, LONG width, LONG height) {
        return HostWindow(host, "window " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) +
                                    " " + std::to_string(height));
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { Close(); }
    ULONG value() const { return m_window; }
    explicit operator bool() const { return m_window != 0; }
    const std::string& answer() const { return m_answer; }  // the host's answer to the request
    void Close() {
        if (m_window) m_host.Command("close " + std::to_string(m_window));
        m_window = 0;
    }

private:
    HostWindow(HostProcess& host, const std::string& command) : m_host(host), m_answer(host.Command(command)) {
        if (m_answer.rfind("window ", 0) == 0) m_window = static_cast<ULONG>(std::stoull(m_answer.substr(7)));
    }
    HostProcess& m_host;
    std::string m_answer;
    ULONG m_window = 0;
};

}  // namespace mv::test
