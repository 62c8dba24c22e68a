#pragma once
// A child process whose standard output and error the test reads: this same test program running
// some of its tests (for behaviour that must end or upset a process: a fatal proxy stop, a test
// that the JNI warning check fails, a parent that dies; child-only tests are DISABLED_ ones,
// which a normal run skips), or any program with its arguments, as a user would run it.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"

namespace mv::test {

class ChildProcess {
public:
    // This program with --gtest_filter=`filter` (disabled tests included).
    explicit ChildProcess(const std::string& filter);
    // `program` with `args`, each quoted as needed.
    ChildProcess(const std::wstring& program, const std::vector<std::wstring>& args);
    ~ChildProcess();  // kills the child if it still runs
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

}  // namespace mv::test
