#pragma once
// Runs a Windows program of the test prefix (regsvr32, cscript) as a child process of this
// test program, through the same Wine, and collects what it writes to stdout and stderr.

#include <windows.h>

#include <string>

namespace mvtest {

struct ProcessRun {
    bool started = false;
    bool timedOut = false;  // the child was killed after the time allowed
    DWORD exitCode = 0;
    std::string output;     // stdout and stderr, interleaved as written
};

ProcessRun RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);

// A program of the system folder (C:\windows\system32\<name>).
std::wstring SystemProgram(const wchar_t* name);

}  // namespace mvtest
