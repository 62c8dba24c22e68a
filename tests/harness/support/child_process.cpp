#include "child_process.h"

#include <vector>

namespace mv::test {

ChildProcess::ChildProcess(const std::string& filter) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return;
    m_pipe.reset(readEnd);
    unique_handle childEnd(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    wchar_t program[MAX_PATH];
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(program) + L"\" --gtest_also_run_disabled_tests --gtest_filter=";
    line.append(filter.begin(), filter.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
}

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::ReadAvailable() {
    DWORD available = 0;
    if (!::PeekNamedPipe(m_pipe.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    std::vector<char> buffer(available);
    DWORD n = 0;
    if (!::ReadFile(m_pipe.get(), buffer.data(), available, &n, nullptr)) return false;
    m_output.append(buffer.data(), n);
    return true;
}

bool ChildProcess::ReadUntil(const std::string& marker, unsigned milliseconds) {
    ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (m_output.find(marker) == std::string::npos) {
        if (!ReadAvailable() || ::GetTickCount64() > deadline) return false;
        ::Sleep(20);
    }
    return true;
}

DWORD ChildProcess::Finish(unsigned milliseconds) {
    ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (ReadAvailable() && ::GetTickCount64() < deadline) {
        if (::WaitForSingleObject(m_process.get(), 20) == WAIT_OBJECT_0) {
            ReadAvailable();
            break;
        }
    }
    if (::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) Kill();
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(m_process.get(), &code);
    return code;
}

void ChildProcess::Kill() {
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process.get(), 99);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

}  // namespace mv::test
