#include "jni_server.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

#include "common/win/handles.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

// mv-jvm-<Windows pid>-<n>.log, made now so that UnixPathOf can map it; the files of killed test
// processes go here once their process is gone.
std::wstring NewFile() {
    static std::atomic<unsigned> counter{0};
    wchar_t buffer[MAX_PATH];
    const std::wstring folder(buffer, ::GetTempPathW(MAX_PATH, buffer));
    WIN32_FIND_DATAW found;
    unique_hfind search(::FindFirstFileW((folder + L"mv-jvm-*.log").c_str(), &found));
    while (search) {
        unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, std::wcstoul(found.cFileName + 7, nullptr, 10)));
        if (!process) ::DeleteFileW((folder + found.cFileName).c_str());
        if (!::FindNextFileW(search.get(), &found)) break;
    }
    std::wstring path = folder + L"mv-jvm-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L".log";
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return path;
}

std::string ReadShared(const std::wstring& path) {
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char buffer[65536];
    DWORD n = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    return text;
}

}  // namespace

JniServer::JniServer(const JniServerSettings& settings) : m_outputFile(NewFile()), m_reportFile(NewFile()) {
    const std::string outputPath = UnixPathOf(m_outputFile), reportPath = UnixPathOf(m_reportFile);
    if (outputPath.empty() || reportPath.empty()) {
        m_error = "cannot map the output files to Linux paths";
        return;
    }
    std::vector<std::string> options = {"-XX:+UnlockDiagnosticVMOptions", "-XX:+LogVMOutput", "-XX:LogFile=" + reportPath};
    if (settings.checkJni) options.push_back("-Xcheck:jni");
    options.insert(options.end(), settings.jvmOptions.begin(), settings.jvmOptions.end());
    std::vector<const char*> optionTexts, argTexts;
    for (const auto& o : options) optionTexts.push_back(o.c_str());
    for (const auto& a : settings.mainArgs) argTexts.push_back(a.c_str());
    std::string classPath = MV_FIXTURES_JAR;
    for (const auto& entry : settings.classPath) classPath += ":" + entry;

    MvJniServerConfig config{};
    config.classPath = classPath.c_str();
    config.jvmOptions = optionTexts.data();
    config.jvmOptionCount = static_cast<int>(optionTexts.size());
    config.mainClass = settings.mainClass.empty() ? nullptr : settings.mainClass.c_str();
    config.mainArgs = argTexts.data();
    config.mainArgCount = static_cast<int>(argTexts.size());
    config.outputPath = outputPath.c_str();
    config.maxLifetimeSeconds = settings.maxLifetimeSeconds;
    char error[512] = "";
    m_vm = MvJniProxy_StartServer(&config, error, sizeof error);
    if (m_vm == nullptr) m_error = error;
}

JniServer::~JniServer() {
    Stop();
    ::DeleteFileW(m_outputFile.c_str());
    ::DeleteFileW(m_reportFile.c_str());
}

void JniServer::Stop() {
    if (m_vm == nullptr) return;
    MvJniProxy_StopServer();
    m_vm = nullptr;
}

std::string JniServer::Output() const { return ReadShared(m_outputFile); }
std::string JniServer::VmReports() const { return ReadShared(m_reportFile); }

}  // namespace mv::test
