#pragma once
// Child processes of a test program or tool. ChildProcess: this program running some of its
// DISABLED_ tests (behaviour that ends or fails a process), or any program with its arguments, its
// output read while it runs. RunProcess: a program of the prefix (regsvr32, cscript) run to its end,
// its output in a file, which no process the child leaves behind can hold open as it would a pipe.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"

namespace mv::test {

class ChildProcess {
public:
    explicit ChildProcess(const std::string& filter);  // this program, --gtest_filter=filter
    ChildProcess(const std::wstring& program, const std::vector<std::wstring>& args);
    ~ChildProcess() { Kill(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return static_cast<bool>(m_process); }
    // Reads output until it contains `marker` (true) or `milliseconds` pass or the child ends.
    bool ReadUntil(const std::string& marker, unsigned milliseconds);
    // Reads until the child ends (or the time passes, then kills it); answers its exit code.
    DWORD Finish(unsigned milliseconds);
    void Kill();
    const std::string& output() const { return m_output; }  // stdout and stderr as they came
    const std::string& out() const { return m_out; }
    const std::string& err() const { return m_err; }

private:
    void Start(std::wstring line);
    bool ReadAvailable();

    unique_handle m_process;
    unique_handle m_outPipe, m_errPipe;
    std::string m_output, m_out, m_err;
};

// Runs `commandLine` to its end (killed after the time allowed).
struct ProcessRun {
    bool started = false;
    bool timedOut = false;  // the child was killed after the time allowed
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr, interleaved as written
};
ProcessRun RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);
std::wstring SystemProgram(const wchar_t* name);  // C:\windows\system32\<name>


}  // namespace mv::test
