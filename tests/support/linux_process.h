#pragma once
// Linux processes of the test bed (the JNI server) seen from a Windows test program: through Wine's
// Z: drive, /proc/<pid>/stat shows whether one runs; /bin/kill ends one.

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

}  // namespace mv::test
