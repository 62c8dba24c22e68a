#pragma once
// Runs tests of this same test program in a child process, for behaviour that must end or
// upset a process (a fatal proxy stop, a test that the JNI warning check fails, a parent that
// dies). Child-only tests are DISABLED_ ones, which a normal run skips.

#include <windows.h>

#include <string>

#include "common/win/handles.h"

namespace mv::test {

class ChildProcess {
public:
    // Starts this program with --gtest_filter=`filter` (disabled tests included), its stdout and
    // stderr going into one pipe.
    explicit ChildProcess(const std::string& filter);
    ~ChildProcess();  // kills the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return static_cast<bool>(m_process); }
    // Reads output until it contains `marker` (true) or `milliseconds` pass or the pipe ends.
    bool ReadUntil(const std::string& marker, unsigned milliseconds);
    // Reads until the child ends (or the time passes, then kills it); answers its exit code.
    DWORD Finish(unsigned milliseconds);
    void Kill();
    const std::string& output() const { return m_output; }

private:
    bool ReadAvailable();

    unique_handle m_process;
    unique_handle m_pipe;
    std::string m_output;
};

}  // namespace mv::test
