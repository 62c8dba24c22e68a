#include "jni_server.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <map>

#include "common/win/handles.h"
#include "jniproxy/mv_jni_proxy.h"
#include "text_lines.h"

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

std::string Unescaped(std::string line) {
    static const std::pair<const char*, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}, {"&amp;", '&'}};
    for (const auto& [entity, c] : kEntities)
        for (std::size_t at; (at = line.find(entity)) != std::string::npos;) line.replace(at, std::strlen(entity), 1, c);
    return line;
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

std::vector<std::string> FindJniWarnings(const std::string& output) {
    static const char* const kMarkers[] = {"WARNING in native method", "WARNING: JNI local refs",
                                           "FATAL ERROR in native method"};
    std::vector<std::pair<std::string, bool>> reports;  // the text, whether a JDK module's own
    std::map<std::string, std::size_t> unframed;  // writer -> its last report still without a stack line
    std::string writer;
    for (const std::string& raw : SplitLines(output)) {
        if (raw.rfind("<writer thread='", 0) == 0) {
            writer = raw;
            continue;
        }
        const std::string line = Unescaped(raw);
        if (std::any_of(std::begin(kMarkers), std::end(kMarkers), [&](const char* m) { return line.find(m) != std::string::npos; })) {
            unframed[writer] = reports.size();
            reports.push_back({line, false});
        } else if (line.rfind("\tat ", 0) == 0 && unframed.count(writer) != 0) {
            auto& [text, jdk] = reports[unframed[writer]];
            unframed.erase(writer);
            text += "\n" + line;
            const std::size_t open = line.rfind('(');  // "(java.desktop@17.0.15/Native Method)"
            jdk = open != std::string::npos && line.find('@', open) != std::string::npos && line.size() >= 15 &&
                  line.compare(line.size() - 15, 15, "/Native Method)") == 0;
        }
    }
    std::vector<std::string> warnings;
    for (const auto& [text, jdk] : reports)
        if (!jdk) warnings.push_back(text);
    return warnings;
}

}  // namespace mv::test
