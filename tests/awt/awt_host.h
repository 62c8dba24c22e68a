#pragma once
// The Java process every AWT test program drives: one mvjava-host per program running
// samples.BothApps (the Swing login window and the AWT window) with the hook installed as the
// assistive technology and -Xcheck:jni, the module registered for the program's life. Tests reach
// the host's main object across processes and ask the host for native windows.

#include <windows.h>

#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"

namespace mv::test {

// Starts a host running samples.BothApps with the hook jar as the assistive technology and
// -Xcheck:jni, its JVM output kept, for at most `lifetimeSeconds`, and waits until the module lists
// both sample windows. Answers the host, or null with the reason in `problem`.
std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem);

class AwtHost {
public:
    // The program's host, started on first use; null when it could not start (see Problem()).
    static AwtHost* Get();
    // Why Get() answers null.
    static const std::string& Problem();
    // Stops the host (checking its JVM output first) and withdraws the registration.
    static void ShutDown();

    HostProcess& process() { return *m_host; }
    // The host's main object, found by its process id (a new proxy each time).
    com_ptr<IMvJavaCpp> Jvm();

private:
    AwtHost() = default;
    std::unique_ptr<ModuleRegistration> m_registration;
    std::unique_ptr<HostProcess> m_host;
};

// A native window that the host made on request, closed again when this goes.
class HostWindow {
public:
    HostWindow() = default;
    // A top-level window at exactly (x, y, width, height).
    static HostWindow TopLevel(HostProcess& host, LONG x, LONG y, LONG width, LONG height);
    // A child window of `parent` at (x, y, width, height) in its client area.
    static HostWindow Child(HostProcess& host, HWND parent, LONG x, LONG y, LONG width, LONG height);
    HostWindow(HostWindow&& other) noexcept;
    HostWindow& operator=(HostWindow&& other) noexcept;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() { Close(); }

    HWND get() const { return m_window; }
    ULONG value() const { return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(m_window)); }
    explicit operator bool() const { return m_window != nullptr; }
    // What the host answered when the window was asked for.
    const std::string& answer() const { return m_answer; }
    void Close();

private:
    static HostWindow FromAnswer(HostProcess& host, const std::string& answer);
    HostProcess* m_host = nullptr;
    HWND m_window = nullptr;
    std::string m_answer;
};

}  // namespace mv::test
