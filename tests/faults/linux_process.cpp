#include "linux_process.h"

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/handles.h"

namespace mv::test {

bool KillLinuxProcess(unsigned pid) {
    std::wstring command = L"Z:\\bin\\kill -KILL " + std::to_wstring(pid);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine starts the Linux program; the handles it leaves in `info` are not valid for a Linux
    // program (they may name unrelated handles of this process), so they are not closed.
    return ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info) != FALSE;
}

bool LinuxProcessRunning(unsigned pid) {
    const std::wstring path = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat";
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    char buffer[512] = {};
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr) || read == 0) return false;
    // "pid (name) S ...": the state follows the closing parenthesis of the name.
    const std::string stat(buffer, read);
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size()) return false;
    const char state = stat[close + 2];
    return state != 'Z' && state != 'X' && state != 'x';
}

bool WaitForLinuxProcessEnd(unsigned pid, unsigned timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (LinuxProcessRunning(pid)) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(50);
    }
    return true;
}

}  // namespace mv::test
