#include "host_process.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "common/com/safearray.h"
#include "common/win/command_line.h"
#include "wine_path.h"

namespace mv::test {
namespace {

template <typename Fn>
Fn ModuleExport(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

std::size_t ListedWindows(IMvJavaCpp* jvm) {
    SAFEARRAY* windows = nullptr;
    if (!jvm || FAILED(jvm->GetAllTopLevelComponents(&windows)) || !windows) return 0;
    const unique_safearray owned(windows);
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(windows, 1, &lower)) || FAILED(::SafeArrayGetUBound(windows, 1, &upper))) return 0;
    return static_cast<std::size_t>(static_cast<LONGLONG>(upper) - lower + 1);
}

}  // namespace

HostProcess::HostProcess(const HostSettings& settings) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    unique_handle childIn, childOut;
    if (!::CreatePipe(childIn.put(), m_stdinWrite.put(), &inherit, 0) ||
        !::CreatePipe(m_stdoutRead.put(), childOut.put(), &inherit, 0))
        return;
    ::SetHandleInformation(m_stdinWrite.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(m_stdoutRead.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring command = L"\"" + WindowsPathOfUnixPath(settings.hostPath) + L"\"";
    const auto add = [&](const wchar_t* name, const std::string& value) {
        AppendCommandLineArgument(command, name);
        AppendCommandLineArgument(command, std::wstring(value.begin(), value.end()));
    };
    std::string classPath;
    for (const std::string& entry : settings.classPath) classPath += (classPath.empty() ? "" : ":") + entry;
    add(L"--class-path", classPath);
    add(L"--max-lifetime", std::to_string(settings.maxLifetimeSeconds));
    if (!settings.mainClass.empty()) add(L"--main-class", settings.mainClass);
    for (const std::string& arg : settings.mainArgs) add(L"--arg", arg);
    for (const std::string& option : settings.jvmOptions) add(L"--jvm-option", option);
    if (settings.referenceOffset) add(L"--reference-offset", std::to_string(settings.referenceOffset));
    if (settings.keepJvmOutput) {
        wchar_t folder[MAX_PATH], file[MAX_PATH];
        if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"jvm", 0, file)) return;
        m_jvmOutputFile = file;
        add(L"--jvm-output", UnixPathOf(m_jvmOutputFile));  // Wine maps every path of its drives
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn.get();
    startup.hStdOutput = childOut.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
        return;
    ::CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    childOut.reset();  // so that the pipe ends when the host ends
    std::string reply;
    if (ReadLine(reply, 120000) && reply.rfind("ready ", 0) == 0) m_pid = std::stoul(reply.substr(6));
}

HostProcess::~HostProcess() {
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) Stop();
    if (!m_jvmOutputFile.empty()) ::DeleteFileW(m_jvmOutputFile.c_str());
}

int HostProcess::Stop() {
    if (!m_process) return -1;
    DWORD written = 0, code = 0;
    ::WriteFile(m_stdinWrite.get(), "stop\n", 5, &written, nullptr);
    m_stdinWrite.reset();
    if (::WaitForSingleObject(m_process.get(), 30000) != WAIT_OBJECT_0) {
        ::TerminateProcess(m_process.get(), 99);
        ::WaitForSingleObject(m_process.get(), 10000);
        return -1;
    }
    return ::GetExitCodeProcess(m_process.get(), &code) ? static_cast<int>(code) : -1;
}

long long HostProcess::LiveReferences() {
    const std::string answer = Command("refs");
    return answer.rfind("refs ", 0) == 0 ? std::stoll(answer.substr(5)) : -1;
}

std::string HostProcess::Command(const std::string& command, DWORD timeoutMs) {
    const std::string line = command + "\n";
    DWORD written = 0;
    std::string answer;
    if (m_stdinWrite &&
        ::WriteFile(m_stdinWrite.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        ReadLine(answer, timeoutMs);
    return answer;
}

std::vector<std::string> HostProcess::CommandLines(const std::string& command, const std::string& lastLine,
                                                   DWORD timeoutMs) {
    std::vector<std::string> answers;
    for (std::string answer = Command(command, timeoutMs); !answer.empty();) {
        answers.push_back(answer);
        if (answer == lastLine || answer.rfind("error", 0) == 0 || !ReadLine(answer, timeoutMs)) break;
    }
    return answers;
}

std::string HostProcess::JvmOutput() const {
    std::ifstream file(std::filesystem::path(m_jvmOutputFile), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool HostProcess::WaitForJvmOutput(const std::string& text, DWORD timeoutMs) {
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;; ::Sleep(100)) {
        if (JvmOutput().find(text) != std::string::npos) return true;
        if (::GetTickCount64() > deadline || !m_process || ::WaitForSingleObject(m_process.get(), 0) != WAIT_TIMEOUT)
            return false;
    }
}

bool HostProcess::ReadLine(std::string& line, DWORD timeoutMs) {
    line.clear();
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;;) {
        if (const std::size_t newline = m_output.find('\n'); newline != std::string::npos) {
            line = m_output.substr(0, newline);
            m_output.erase(0, newline + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        DWORD available = 0, read = 0;
        if (!::PeekNamedPipe(m_stdoutRead.get(), nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) {
            if (::GetTickCount64() > deadline) return false;
            ::Sleep(20);
            continue;
        }
        char buffer[512];
        if (!::ReadFile(m_stdoutRead.get(), buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
        m_output.append(buffer, read);
    }
}

bool WaitForListedWindows(HostProcess& host, std::size_t count, DWORD timeoutMs, std::string& problem) {
    if (!host.WaitForJvmOutput("windows open", timeoutMs))
        return problem = "the windows did not open; the JVM printed: " + host.JvmOutput(), false;
    // The windows are open; the module lists them once their opening has been dispatched.
    for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;; ::Sleep(200)) {
        if (ListedWindows(PublishedJvmOf(host.pid()).get()) >= count) return true;
        if (::GetTickCount64() > deadline)
            return problem = "the module does not list " + std::to_string(count) + " window(s)", false;
    }
}

std::vector<ULONG> MirroredWindows(const std::vector<std::string>& lines) {
    std::vector<ULONG> windows;
    for (const std::string& line : lines) {
        std::istringstream words(line);
        std::string word;
        unsigned long long window = 0;
        if (words >> word >> window && word == "mirror") windows.push_back(static_cast<ULONG>(window));
    }
    return windows;
}

com_ptr<IDispatch> WindowBehindMirror(HostProcess& host, IMvJavaCpp* jvm, const wchar_t* title) {
    com_ptr<IDispatch> window;
    for (ULONG value : MirroredWindows(host.CommandLines("mirror", "mirror done"))) {
        wchar_t text[64] = {};
        ::GetWindowTextW(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value)), text, 64);
        GetHWNDResultInfo info = CannotMatch;
        com_ptr<IDispatch> found;
        if (std::wstring(text) == title && jvm->GetComponentFromHwnd(value, &info, found.put()) == S_OK &&
            info == ResultOK)
            window = std::move(found);
        host.Command("close " + std::to_string(value));
    }
    return window;
}

com_ptr<IMvJavaCpp> PublishedJvmOf(DWORD pid) {
    static const auto byPid = ModuleExport<IMvJavaCpp*(__cdecl*)(DWORD)>(
        ::LoadLibraryW(WindowsPathOfUnixPath(MV_MODULE_PATH).c_str()), "GetJVMFromPid");
    com_ptr<IMvJavaCpp> jvm;
    if (byPid) jvm.attach(byPid(pid));
    return jvm;
}

using ServerRegistration = HRESULT(STDAPICALLTYPE*)();

ModuleRegistration::ModuleRegistration() : m_module(::LoadLibraryW(WindowsPathOfUnixPath(MV_MODULE_PATH).c_str())) {
    const auto reg = ModuleExport<ServerRegistration>(m_module, "DllRegisterServer");
    m_hr = reg ? reg() : E_FAIL;
}

ModuleRegistration::~ModuleRegistration() {
    if (const auto unreg = ModuleExport<ServerRegistration>(m_module, "DllUnregisterServer")) unreg();
    if (m_module) ::FreeLibrary(m_module);
}

#ifdef MV_PEER_MODULE_PATH
PeerModuleRegistration::PeerModuleRegistration() { m_registered = Run(L"/s"); }

PeerModuleRegistration::~PeerModuleRegistration() {
    if (m_registered) Run(L"/s /u");
}

bool PeerModuleRegistration::Run(const wchar_t* options) {
    // A 64-bit program finds the 32-bit regsvr32 in the WoW64 system folder; a 32-bit one reaches the
    // 64-bit regsvr32 through "sysnative" (its system32 is redirected).
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring regsvr32 = std::wstring(windows, length) +
                                  (sizeof(void*) == 8 ? L"\\syswow64\\regsvr32.exe" : L"\\sysnative\\regsvr32.exe");
    const ProcessRun run = RunProcess(L"\"" + regsvr32 + L"\" " + options + L" \"" +
                                      WindowsPathOfUnixPath(MV_PEER_MODULE_PATH) + L"\"");
    m_output = run.output;
    return run.started && !run.timedOut && run.exitCode == 0;
}
#endif

}  // namespace mv::test
