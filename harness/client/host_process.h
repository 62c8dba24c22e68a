#pragma once
// A Java-process host (mvjava-host) started by a test: a JVM with the test's class path and
// options, the main object published. The test talks to it by command lines (window, child, close,
// mirror, refs, stop) and stops it when destroyed.

#include <windows.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/win/handles.h"

namespace mv::test {

// Installs the agent's hook jar (on the class path) as the assistive technology.
inline constexpr char kHookAsAssistiveTechnology[] =
    "-Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener";

struct HostSettings {
    std::vector<std::string> classPath = {MV_FIXTURES_JAR};  // Linux paths
    std::vector<std::string> jvmOptions;                     // e.g. "-Xcheck:jni"
    std::string mainClass;                                   // empty: none
    std::vector<std::string> mainArgs;
    int maxLifetimeSeconds = 300;
    bool keepJvmOutput = false;  // the JVM's stdout and stderr go to a file: JvmOutput()
    std::string hostPath = MV_JAVA_HOST_PATH;  // Linux path of the mvjava-host (of this bitness)
    unsigned long long referenceOffset = 0;      // the host's references moved by this (0: the JVM's own)
};

class HostProcess {
public:
    explicit HostProcess(const HostSettings& settings = {});
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool ready() const { return m_pid != 0; }  // the object was published
    DWORD pid() const { return m_pid; }
    const std::string& output() const { return m_output; }  // printed and not read yet
    int Stop();  // withdraws and exits; the exit code, or -1 when it had to be killed

    // One command line; the answer line (empty when none came in time).
    std::string Command(const std::string& command, DWORD timeoutMs = 60000);
    // Answer lines up to and including `lastLine` (or an "error" line).
    std::vector<std::string> CommandLines(const std::string& command, const std::string& lastLine,
                                          DWORD timeoutMs = 60000);
    long long LiveReferences();  // the host's live JNI global references; -1 without answer

    std::string JvmOutput() const;
    bool WaitForJvmOutput(const std::string& text, DWORD timeoutMs);

private:
    bool ReadLine(std::string& line, DWORD timeoutMs);

    unique_handle m_process, m_stdinWrite, m_stdoutRead;
    DWORD m_pid = 0;
    std::string m_output;
    std::wstring m_jvmOutputFile;  // removed when the host is gone
};

// Waits until the host's JVM has printed "windows open" (keepJvmOutput) and the module in it lists
// at least `count` top-level windows; false with the reason in `problem`.
bool WaitForListedWindows(HostProcess& host, std::size_t count, DWORD timeoutMs, std::string& problem);

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

// The native windows named by the "mirror HWND X Y W H" lines of the host's answer to "mirror".
std::vector<ULONG> MirroredWindows(const std::vector<std::string>& lines);

// The Java window that `jvm` matches (ResultOK) to the host's native mirror titled `title`, as a
// client finds a window that appeared; null when none. The mirrors are closed again.
com_ptr<IDispatch> WindowBehindMirror(HostProcess& host, IMvJavaCpp* jvm, const wchar_t* title);

// The main object that process `pid` published (the built module's GetJVMFromPid): a new proxy.
com_ptr<IMvJavaCpp> PublishedJvmOf(DWORD pid);

// Registers the built module (classes and type library) for the life of the object.
class ModuleRegistration {
public:
    ModuleRegistration();
    ~ModuleRegistration();
    ModuleRegistration(const ModuleRegistration&) = delete;
    ModuleRegistration& operator=(const ModuleRegistration&) = delete;
    HRESULT result() const { return m_hr; }

private:
    HMODULE m_module = nullptr;
    HRESULT m_hr = E_FAIL;
};

#ifdef MV_PEER_MODULE_PATH
// Registers the other architecture's module with the regsvr32 of its bitness, for the life of the
// object; a Java process of that bitness creates its main object through it.
class PeerModuleRegistration {
public:
    PeerModuleRegistration();
    ~PeerModuleRegistration();
    PeerModuleRegistration(const PeerModuleRegistration&) = delete;
    PeerModuleRegistration& operator=(const PeerModuleRegistration&) = delete;
    bool registered() const { return m_registered; }
    const std::string& output() const { return m_output; }

private:
    bool Run(const wchar_t* options);
    bool m_registered = false;
    std::string m_output;
};
#endif

}  // namespace mv::test
