#include "host_process.h"

#include <vector>

#include "wine_path.h"

namespace mv::test {

HostProcess::HostProcess(const std::string& mainClass) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &inherit, 0)) return;
    unique_handle childIn(inRead);
    m_stdinWrite.reset(inWrite);
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return;
    unique_handle childOut(outWrite);
    m_stdoutRead.reset(outRead);
    ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring command = L"\"" + WindowsPathOfUnixPath(MV_JAVA_HOST_PATH) + L"\" --class-path \"";
    for (const char* p = MV_FIXTURES_JAR; *p; ++p) command += static_cast<wchar_t>(*p);
    command += L"\" --max-lifetime 300";
    if (!mainClass.empty()) command += L" --main-class " + std::wstring(mainClass.begin(), mainClass.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn.get();
    startup.hStdOutput = childOut.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    childOut.reset();  // so that the pipe ends when the host ends

    std::string reply;
    if (ReadLine(reply, 60000) && reply.rfind("ready ", 0) == 0) m_pid = std::stoul(reply.substr(6));
}

HostProcess::~HostProcess() {
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) Stop();
}

int HostProcess::Stop() {
    if (!m_process) return -1;
    DWORD written = 0;
    ::WriteFile(m_stdinWrite.get(), "stop\n", 5, &written, nullptr);
    m_stdinWrite.reset();
    if (::WaitForSingleObject(m_process.get(), 30000) != WAIT_OBJECT_0) {
        Kill();
        return -1;
    }
    std::string rest;
    while (ReadLine(rest, 1000)) {}
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.get(), &code);
    return static_cast<int>(code);
}

void HostProcess::Kill() {
    if (!m_process) return;
    ::TerminateProcess(m_process.get(), 99);
    ::WaitForSingleObject(m_process.get(), 10000);
}

bool HostProcess::ReadLine(std::string& line, DWORD timeoutMs) {
    line.clear();
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const std::size_t newline = m_output.find('\n');
        if (newline != std::string::npos) {
            line = m_output.substr(0, newline);
            m_output.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        DWORD available = 0;
        if (!::PeekNamedPipe(m_stdoutRead.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) {
            if (::GetTickCount64() > deadline) return false;
            ::Sleep(20);
            continue;
        }
        char buffer[512];
        DWORD read = 0;
        if (!::ReadFile(m_stdoutRead.get(), buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
        m_output.append(buffer, read);
    }
}

ModuleRegistration::ModuleRegistration() {
    m_module = ::LoadLibraryW(WindowsPathOfUnixPath(MV_MODULE_PATH).c_str());
    if (!m_module) return;
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(m_module, "DllRegisterServer")));
    m_hr = reg ? reg() : E_FAIL;
}

ModuleRegistration::~ModuleRegistration() {
    if (!m_module) return;
    auto unreg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(m_module, "DllUnregisterServer")));
    if (unreg) unreg();
    ::FreeLibrary(m_module);
}

}  // namespace mv::test
