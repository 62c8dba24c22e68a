#include "process_run.h"

#include <vector>

#include "common/win/handles.h"

namespace mvtest {
namespace {

// Moves what the pipe holds now into `output`; false once the pipe is closed and empty.
bool DrainPipe(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    while (available > 0) {
        char buffer[4096];
        DWORD read = 0;
        const DWORD wanted = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
        if (!::ReadFile(pipe, buffer, wanted, &read, nullptr) || read == 0) return false;
        output.append(buffer, read);
        available -= read;
    }
    return true;
}

}  // namespace

std::wstring SystemProgram(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\" + name;
}

ProcessRun RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    mv::unique_handle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inheritable, 0)) return run;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    mv::unique_hfile noInput(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                           OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = noInput.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info)) {
        return run;
    }
    run.started = true;
    mv::unique_handle process(info.hProcess);
    mv::unique_handle thread(info.hThread);
    writeEnd.reset();  // the child holds the only write end now: its exit closes the pipe

    const ULONGLONG deadline = ::GetTickCount64() + timeoutMilliseconds;
    for (;;) {
        const bool open = DrainPipe(readEnd.get(), run.output);
        if (::WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) {
            DrainPipe(readEnd.get(), run.output);
            break;
        }
        if (::GetTickCount64() > deadline) {
            run.timedOut = true;
            ::TerminateProcess(process.get(), 1);
            ::WaitForSingleObject(process.get(), INFINITE);
            break;
        }
        if (!open) ::Sleep(20);
    }
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

}  // namespace mvtest
