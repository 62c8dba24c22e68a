#pragma once
// Linux processes of the test bed (the JNI server) seen from a Windows test program: through Wine's
// Z: drive, /proc/<pid>/stat shows whether one runs; /bin/kill ends one; /bin/sh runs a command.

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace mv::test {

// Whether Linux process `pid` runs: it exists and is no zombie ("pid (name) S ...").
inline bool LinuxProcessRuns(unsigned pid) {
    std::ifstream stat("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    const std::string text{std::istreambuf_iterator<char>(stat), std::istreambuf_iterator<char>()};
    const std::size_t close = text.rfind(')');  // the state follows the name
    return close != std::string::npos && close + 2 < text.size() && !std::strchr("ZXx", text[close + 2]);
}

inline bool LinuxProcessEndsWithin(unsigned pid, DWORD ms) {
    for (const ULONGLONG end = ::GetTickCount64() + ms;; ::Sleep(50)) {
        if (!LinuxProcessRuns(pid)) return true;
        if (::GetTickCount64() > end) return false;
    }
}

// Sends SIGKILL; false when /bin/kill could not be started.
inline bool KillLinuxProcess(unsigned pid) {
    std::wstring line = L"Z:\\bin\\kill -KILL " + std::to_wstring(pid);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};  // handles of a Linux program are not valid: not closed
    return ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
}

// Runs `command` with /bin/sh: what it printed (stdout and stderr), then "shell exit <code>" as its
// last line; empty when it did not end within `ms`. Wine starts a Linux program but gives no
// handle to wait on, so the command writes to a file of its own, read until that line is there.
inline std::string RunLinuxShell(const std::string& command, DWORD ms) {
    static int runs = 0;
    const std::string file = "/tmp/mv-shell-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++runs);
    const std::string line = "Z:\\bin\\sh -c \"" + command + " >" + file + " 2>&1; echo shell exit $? >>" + file + "\"";
    std::wstring wide(line.begin(), line.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return {};
    std::string windowsFile = "Z:" + file;
    for (char& c : windowsFile)
        if (c == '/') c = '\\';
    for (const ULONGLONG end = ::GetTickCount64() + ms; ::GetTickCount64() < end; ::Sleep(100)) {
        std::ifstream in(windowsFile);
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (text.find("shell exit ") == std::string::npos) continue;
        in.close();
        ::DeleteFileA(windowsFile.c_str());
        return text;
    }
    return {};
}

}  // namespace mv::test
