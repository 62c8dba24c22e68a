#include "host_process.h"

#include <sstream>

#include "common/win/command_line.h"
#include "text_lines.h"
#include "wine_path.h"

namespace mv::test {
namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// A new empty file in the temporary folder for the JVM's output; its Windows path.
std::wstring NewOutputFile() {
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, L"jvm", 0, file)) return {};
    return file;
}

// "\tat sun.font.FreetypeFontScaler.initNativeScaler(java.desktop@17.0.15/Native Method)"
bool IsJdkNativeFrame(const std::string& line) {
    return line.rfind("\tat ", 0) == 0 && line.find("/Native Method)") != std::string::npos &&
           line.find('@') != std::string::npos;
}

}  // namespace

HostProcess::HostProcess(const std::string& mainClass) {
    HostSettings settings;
    settings.mainClass = mainClass;
    Start(settings);
}

HostProcess::HostProcess(const HostSettings& settings) { Start(settings); }

void HostProcess::Start(const HostSettings& settings) {
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

    std::string classPath;
    for (const std::string& entry : settings.classPath) classPath += (classPath.empty() ? "" : ":") + entry;
    std::wstring command = L"\"" + WindowsPathOfUnixPath(MV_JAVA_HOST_PATH) + L"\"";
    AppendCommandLineArgument(command, L"--class-path");
    AppendCommandLineArgument(command, Widen(classPath));
    AppendCommandLineArgument(command, L"--max-lifetime");
    AppendCommandLineArgument(command, std::to_wstring(settings.maxLifetimeSeconds));
    if (!settings.mainClass.empty()) {
        AppendCommandLineArgument(command, L"--main-class");
        AppendCommandLineArgument(command, Widen(settings.mainClass));
    }
    for (const std::string& arg : settings.mainArgs) {
        AppendCommandLineArgument(command, L"--arg");
        AppendCommandLineArgument(command, Widen(arg));
    }
    for (const std::string& option : settings.jvmOptions) {
        AppendCommandLineArgument(command, L"--jvm-option");
        AppendCommandLineArgument(command, Widen(option));
    }
    if (settings.keepJvmOutput) {
        m_jvmOutputFile = NewOutputFile();
        const std::string unixPath = UnixPathOf(m_jvmOutputFile);
        if (unixPath.empty()) return;
        AppendCommandLineArgument(command, L"--jvm-output");
        AppendCommandLineArgument(command, Widen(unixPath));
    }

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
    if (ReadLine(reply, 120000) && reply.rfind("ready ", 0) == 0) m_pid = std::stoul(reply.substr(6));
}

HostProcess::~HostProcess() {
    if (m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT) Stop();
    if (!m_jvmOutputFile.empty()) ::DeleteFileW(m_jvmOutputFile.c_str());
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

long long HostProcess::LiveReferences() {
    const std::string answer = Command("refs");
    return answer.rfind("refs ", 0) == 0 ? std::stoll(answer.substr(5)) : -1;
}

std::string HostProcess::Command(const std::string& command, DWORD timeoutMs) {
    const std::string line = command + "\n";
    DWORD written = 0;
    if (!m_stdinWrite ||
        !::WriteFile(m_stdinWrite.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        return {};
    std::string answer;
    ReadLine(answer, timeoutMs);
    return answer;
}

std::vector<std::string> HostProcess::CommandLines(const std::string& command, const std::string& lastLine,
                                                   DWORD timeoutMs) {
    std::vector<std::string> answers;
    std::string answer = Command(command, timeoutMs);
    for (;;) {
        if (answer.empty()) break;
        answers.push_back(answer);
        if (answer == lastLine || answer.rfind("error", 0) == 0) break;
        if (!ReadLine(answer, timeoutMs)) break;
    }
    return answers;
}

std::string HostProcess::JvmOutput() const {
    std::string text;
    if (m_jvmOutputFile.empty()) return text;
    unique_hfile file(::CreateFileW(m_jvmOutputFile.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return text;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    return text;
}

bool HostProcess::WaitForJvmOutput(const std::string& text, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (JvmOutput().find(text) != std::string::npos) return true;
        if (::GetTickCount64() > deadline || !m_process ||
            ::WaitForSingleObject(m_process.get(), 0) != WAIT_TIMEOUT)
            return false;
        ::Sleep(100);
    }
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

std::vector<std::string> FindJniWarningsOfCallers(const std::string& jvmOutput) {
    static const char* const kMarkers[] = {"WARNING in native method", "WARNING: JNI local refs",
                                           "FATAL ERROR in native method"};
    const std::vector<std::string> lines = SplitLines(jvmOutput);
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        bool isWarning = false;
        for (const char* marker : kMarkers) isWarning = isWarning || lines[i].find(marker) != std::string::npos;
        if (!isWarning) continue;
        const std::string next = i + 1 < lines.size() ? lines[i + 1] : std::string();
        if (IsJdkNativeFrame(next)) continue;
        warnings.push_back(lines[i] + (next.empty() ? "" : "\n" + next));
    }
    return warnings;
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

com_ptr<IMvJavaCpp> PublishedJvmOf(DWORD pid) {
    using LookupByPid = IMvJavaCpp*(__cdecl*)(DWORD);
    static const HMODULE module = ::LoadLibraryW(WindowsPathOfUnixPath(MV_MODULE_PATH).c_str());
    static const auto byPid =
        module ? reinterpret_cast<LookupByPid>(reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")))
               : nullptr;
    com_ptr<IMvJavaCpp> jvm;
    if (byPid) jvm.attach(byPid(pid));
    return jvm;
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
