#include "jni_server.h"

#include <windows.h>

#include <atomic>
#include <cwchar>

#include "common/win/handles.h"
#include "jniproxy/mv_jni_proxy.h"

#ifndef MV_FIXTURES_JAR
#error "MV_FIXTURES_JAR must name the Java fixtures jar"
#endif

namespace mv::test {

namespace {

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    DWORD n = ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, n);
}

// Output files are named mv-jvm-<Windows pid>-<n>.log. A test process that was killed or stopped
// on purpose leaves its files behind; they go once their process is gone.
void RemoveOrphanedOutputFiles(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    unique_hfind search(::FindFirstFileW((folder + L"mv-jvm-*.log").c_str(), &found));
    if (!search) return;
    do {
        DWORD pid = std::wcstoul(found.cFileName + 7, nullptr, 10);
        unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        if (!process) ::DeleteFileW((folder + found.cFileName).c_str());
    } while (::FindNextFileW(search.get(), &found));
}

std::wstring NewOutputFile() {
    static std::atomic<unsigned> counter{0};
    std::wstring folder = TempFolder();
    RemoveOrphanedOutputFiles(folder);
    std::wstring path = folder + L"mv-jvm-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(++counter) + L".log";
    // The file must exist before the server opens it, so that UnixPathOf can map it.
    unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return path;
}

}  // namespace

JniServer::JniServer(const JniServerSettings& settings) : m_outputFile(NewOutputFile()) {
    std::string outputPath = UnixPathOf(m_outputFile);
    if (outputPath.empty()) {
        m_error = "cannot map the output file to a Linux path";
        return;
    }
    std::vector<std::string> options;
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
}

void JniServer::Stop() {
    if (m_vm == nullptr) return;
    MvJniProxy_StopServer();
    m_vm = nullptr;
}

std::string JniServer::Output() const {
    unique_hfile file(::CreateFileW(m_outputFile.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    if (!file) return text;
    char buffer[65536];
    DWORD n = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
    return text;
}

std::vector<std::string> FindJniWarnings(const std::string& output) {
    static const char* const kMarkers[] = {"WARNING in native method", "WARNING: JNI local refs",
                                           "FATAL ERROR in native method"};
    std::vector<std::string> warnings;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(start, end - start);
        for (const char* marker : kMarkers)
            if (line.find(marker) != std::string::npos) {
                warnings.push_back(line);
                break;
            }
        start = end + 1;
    }
    return warnings;
}

}  // namespace mv::test
