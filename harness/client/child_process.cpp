#include "child_process.h"

#include "common/win/command_line.h"

namespace mv::test {
namespace {

// The child inherits the write end only.
bool InheritedPipe(unique_handle& readEnd, unique_handle& writeEnd) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE r = nullptr, w = nullptr;
    if (!::CreatePipe(&r, &w, &inherit, 1 << 16)) return false;
    readEnd.reset(r);
    writeEnd.reset(w);
    return ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
}

bool Drain(HANDLE pipe, std::string& into, std::string& both) {
    DWORD available = 0, n = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    std::string buffer(available, '\0');
    if (!::ReadFile(pipe, buffer.data(), available, &n, nullptr)) return false;
    into.append(buffer.data(), n);
    both.append(buffer.data(), n);
    return true;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& filter) {
    wchar_t program[MAX_PATH];
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(program) + L"\" --gtest_also_run_disabled_tests --gtest_filter=";
    Start(line.append(filter.begin(), filter.end()));
}

ChildProcess::ChildProcess(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::wstring line;
    AppendCommandLineArgument(line, program);
    for (const std::wstring& arg : args) AppendCommandLineArgument(line, arg);
    Start(line);
}

void ChildProcess::Start(std::wstring line) {
    unique_handle outWrite, errWrite;
    if (!InheritedPipe(m_outPipe, outWrite) || !InheritedPipe(m_errPipe, errWrite)) return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite.get();
    startup.hStdError = errWrite.get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        m_err = "CreateProcess failed with error " + std::to_string(::GetLastError());
        m_output = m_err;
        return;
    }
    ::CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
}

bool ChildProcess::ReadAvailable() {
    return Drain(m_outPipe.get(), m_out, m_output) & Drain(m_errPipe.get(), m_err, m_output);
}

bool ChildProcess::ReadUntil(const std::string& marker, unsigned milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (m_output.find(marker) == std::string::npos) {
        if (!ReadAvailable() || ::GetTickCount64() > deadline) return false;
        ::Sleep(20);
    }
    return true;
}

DWORD ChildProcess::Finish(unsigned milliseconds) {
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    while (m_process && ReadAvailable() && ::GetTickCount64() < deadline)
        if (::WaitForSingleObject(m_process.get(), 20) == WAIT_OBJECT_0) break;
    ReadAvailable();
    if (!m_process || ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) Kill();
    DWORD code = STILL_ACTIVE;
    if (m_process) ::GetExitCodeProcess(m_process.get(), &code);
    return code;
}

void ChildProcess::Kill() {
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process.get(), 99);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
}

std::wstring SystemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\" + name;
}

ProcessRun RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"mvo", 0, name)) return run;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const unique_hfile output(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, share, &inheritable, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const unique_hfile input(::CreateFileW(L"NUL", GENERIC_READ, share, &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = startup.hStdError = output.get();
    std::wstring line = commandLine;
    PROCESS_INFORMATION info{};
    run.started = output && ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                             nullptr, &startup, &info);
    if (!run.started) return run;
    const unique_handle process(info.hProcess), thread(info.hThread);
    if (::WaitForSingleObject(process.get(), timeoutMilliseconds) != WAIT_OBJECT_0) {
        run.timedOut = true;
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), INFINITE);
    }
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    ::SetFilePointer(output.get(), 0, nullptr, FILE_BEGIN);  // the child wrote through the same file object
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(output.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) run.output.append(buffer, read);
    return run;
}

}  // namespace mv::test
