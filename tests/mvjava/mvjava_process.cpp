#include "mvjava_process.h"

#include "common/win/command_line.h"
#include "wine_path.h"

namespace mv::test {
namespace {

std::wstring TempFile(const wchar_t* prefix) {
    wchar_t folder[MAX_PATH];
    wchar_t file[MAX_PATH];
    if (!::GetTempPathW(MAX_PATH, folder) || !::GetTempFileNameW(folder, prefix, 0, file)) return {};
    return file;
}

std::string ReadShared(const std::wstring& path) {
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

unique_hfile InheritableWriter(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return unique_hfile(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

unique_handle Start(const std::vector<std::wstring>& args, const std::wstring& outFile, const std::wstring& errFile) {
    const std::wstring program = MvjavaPath();
    std::wstring line = L"\"" + program + L"\"";
    for (const std::wstring& arg : args) AppendCommandLineArgument(line, arg);
    unique_hfile out = InheritableWriter(outFile);
    unique_hfile err = InheritableWriter(errFile);
    if (!out || !err) return {};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                          &startup, &info))
        return {};
    ::CloseHandle(info.hThread);
    return unique_handle(info.hProcess);
}

}  // namespace

std::wstring MvjavaPath() { return WindowsPathOfUnixPath(MV_MVJAVA_PATH); }

MvjavaResult RunMvjava(const std::vector<std::wstring>& args, DWORD timeoutMs) {
    MvjavaResult result;
    const std::wstring outFile = TempFile(L"mvo");
    const std::wstring errFile = TempFile(L"mve");
    {
        unique_handle process = Start(args, outFile, errFile);
        if (process) {
            if (::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) {
                DWORD code = 0;
                ::GetExitCodeProcess(process.get(), &code);
                result.exitCode = static_cast<int>(code);
            } else {
                ::TerminateProcess(process.get(), 99);
                ::WaitForSingleObject(process.get(), 10000);
            }
        } else {
            result.err = "mvjava could not be started (error " + std::to_string(::GetLastError()) + ")";
        }
    }
    result.out = ReadShared(outFile);
    result.err += ReadShared(errFile);
    ::DeleteFileW(outFile.c_str());
    ::DeleteFileW(errFile.c_str());
    return result;
}

MvjavaProcess::MvjavaProcess(const std::vector<std::wstring>& args)
    : m_outFile(TempFile(L"mvo")), m_errFile(TempFile(L"mve")) {
    m_process = Start(args, m_outFile, m_errFile);
}

MvjavaProcess::~MvjavaProcess() {
    Terminate();
    ::DeleteFileW(m_outFile.c_str());
    ::DeleteFileW(m_errFile.c_str());
}

std::string MvjavaProcess::Output() const { return ReadShared(m_outFile); }

bool MvjavaProcess::WaitForOutput(const std::string& text, DWORD timeoutMs) const {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (Output().find(text) != std::string::npos) return true;
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(100);
    }
}

bool MvjavaProcess::Running() const {
    return m_process && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
}

void MvjavaProcess::Terminate() {
    if (!m_process) return;
    if (Running()) ::TerminateProcess(m_process.get(), 99);
    ::WaitForSingleObject(m_process.get(), 10000);
    m_process.reset();
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

}  // namespace mv::test
