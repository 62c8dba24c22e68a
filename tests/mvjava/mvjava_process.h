#pragma once
// Runs mvjava.exe as a user would: a child process with its command line, standard output and
// error captured (in files, so neither can block the child), and its exit code.

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"
#include "text_lines.h"

namespace mv::test {

struct MvjavaResult {
    int exitCode = -1;  // -1: it did not end in time (and was terminated)
    std::string out;    // UTF-8 as written
    std::string err;
};

// The Windows path of the built mvjava.exe.
std::wstring MvjavaPath();

// Runs `mvjava args...` to its end (at most `timeoutMs`).
MvjavaResult RunMvjava(const std::vector<std::wstring>& args, DWORD timeoutMs = 180000);

// A long-running mvjava (log --follow): started, watched through its output, terminated.
class MvjavaProcess {
public:
    explicit MvjavaProcess(const std::vector<std::wstring>& args);
    ~MvjavaProcess();
    MvjavaProcess(const MvjavaProcess&) = delete;
    MvjavaProcess& operator=(const MvjavaProcess&) = delete;

    bool started() const { return static_cast<bool>(m_process); }
    // Its standard output so far.
    std::string Output() const;
    // Waits until its output holds `text` (true) or `timeoutMs` passed (false).
    bool WaitForOutput(const std::string& text, DWORD timeoutMs) const;
    // Whether it is still running.
    bool Running() const;
    // Ends it (TerminateProcess on its own handle) and waits for it.
    void Terminate();

private:
    unique_handle m_process;
    std::wstring m_outFile;
    std::wstring m_errFile;
};


// UTF-16 <-> UTF-8 through Windows' own converter (independent of mvjava's).
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace mv::test
