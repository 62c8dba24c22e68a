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
    static AwtHost* Get();                   // the program's host, started on first use; null on failure
    static const std::string& Problem();     // why Get() answers null
    static void ShutDown();                  // checks the JVM output for JNI warnings, stops the host
    HostProcess& process() { return *m_host; }
    com_ptr<IMvJavaCpp> Jvm();               // its main object, a new proxy each time

private:
    AwtHost() = default;
    std::unique_ptr<ModuleRegistration> m_registration;
    std::unique_ptr<HostProcess> m_host;
};

// A native window that the host made on request, closed again when this goes.
class HostWindow {
public:
    HostWindow() = default;
    static HostWindow TopLevel(HostProcess& host, LONG x, LONG y, LONG width, LONG height);
    // A child of `parent` at (x, y, width, height) in its client area.
    static HostWindow Child(HostProcess& host, HWND parent, LONG x, LONG y, LONG width, LONG height);
    HostWindow(HostWindow&& other) noexcept { *this = std::move(other); }
    HostWindow& operator=(HostWindow&& other) noexcept;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { Close(); }

    HWND get() const { return m_window; }
    ULONG value() const { return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(m_window)); }
    explicit operator bool() const { return m_window != nullptr; }
    const std::string& answer() const { return m_answer; }  // the host's answer to the request
    void Close();

private:
    static HostWindow Request(HostProcess& host, const std::string& command);
    HostProcess* m_host = nullptr;
    HWND m_window = nullptr;
    std::string m_answer;
};

}  // namespace mv::test
