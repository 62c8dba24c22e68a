#include <sstream>

#include "common/win/handles.h"
#include "process_run.h"
#include "wine_path.h"

namespace mvtest {

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
    const mv::unique_hfile output(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, share, &inheritable, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const mv::unique_hfile input(::CreateFileW(L"NUL", GENERIC_READ, share, &inheritable, OPEN_EXISTING, 0, nullptr));
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
    const mv::unique_handle process(info.hProcess), thread(info.hThread);
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

std::string ScriptReport::Step(const std::string& label) const {
    const auto found = steps.find(label);
    return found == steps.end() ? "(missing)" : found->second;
}

ScriptReport RunScript(const std::string& fileName, const std::wstring& arguments) {
    ScriptReport report;
    const std::wstring script = mv::test::WindowsPathOfUnixPath(std::string(MV_TEST_SCRIPTS_DIR) + "/" + fileName);
    report.run = RunProcess(L"\"" + SystemProgram(L"cscript.exe") + L"\" //nologo \"" + script + L"\" " + arguments);
    std::istringstream lines(report.run.output);
    std::string text;
    while (std::getline(lines, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        // The outcome starts at the last " ok " or " error " (labels have no such words).
        const auto ok = text.rfind(" ok "), at = ok != std::string::npos ? ok : text.rfind(" error ");
        if (at != std::string::npos) report.steps[text.substr(0, at)] = text.substr(at + 1);
    }
    return report;
}

}  // namespace mvtest
