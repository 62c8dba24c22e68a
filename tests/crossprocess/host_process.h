#pragma once
// A Java-process host (mvjava-host) started by a test: a JVM with the Java fixtures, the main
// object created through COM, saved and published. Stopped (and waited for) when destroyed.

#include <windows.h>

#include <string>

#include "common/win/handles.h"

namespace mv::test {

class HostProcess {
public:
    // Starts the host and waits until it reports the object published (or fails).
    explicit HostProcess(const std::string& mainClass = {});
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool ready() const { return m_pid != 0; }
    DWORD pid() const { return m_pid; }
    const std::string& output() const { return m_output; }
    // Asks the host to withdraw and exit; answers its exit code (or -1 when it had to be killed).
    int Stop();
    // Ends the host at once, as a crash would.
    void Kill();

private:
    bool ReadLine(std::string& line, DWORD timeoutMs);

    unique_handle m_process;
    unique_handle m_stdinWrite;
    unique_handle m_stdoutRead;
    DWORD m_pid = 0;
    std::string m_output;
};

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

}  // namespace mv::test
