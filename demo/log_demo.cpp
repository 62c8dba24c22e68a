#include "log_demo.h"

#include <windows.h>

#include <optional>
#include <string>

#include "common/win/handles.h"
#include "log/log.h"
#include "log/log_file_reader.h"

namespace mvdemo {
namespace {

constexpr wchar_t kDeploymentKey[] = L"SOFTWARE\\MORVANE\\DeploymentOptions";
constexpr wchar_t kTempKey[] = L"SOFTWARE\\MORVANE\\Temp";

std::string Narrow(std::wstring_view w) {
    std::string s;
    for (wchar_t c : w) s += c == L'\t' ? std::string("\\t") : std::string(1, c < 128 ? static_cast<char>(c) : '?');
    return s;
}

// Sets a registry value for the demo and puts the earlier state back when destroyed.
class scoped_registry_value {
public:
    scoped_registry_value(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size)
        : m_key(key), m_name(name) {
        mv::unique_hkey k;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                              nullptr) != ERROR_SUCCESS)
            return;
        DWORD oldType = 0, oldSize = sizeof(m_old);
        if (::RegQueryValueExW(k.get(), name, nullptr, &oldType, m_old, &oldSize) == ERROR_SUCCESS) {
            m_oldType = oldType;
            m_oldSize = oldSize;
        }
        ::RegSetValueExW(k.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    }
    ~scoped_registry_value() {
        mv::unique_hkey k;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_key, 0, KEY_SET_VALUE, k.put()) != ERROR_SUCCESS) return;
        if (m_oldType) ::RegSetValueExW(k.get(), m_name, 0, *m_oldType, m_old, m_oldSize);
        else ::RegDeleteValueW(k.get(), m_name);
    }
    scoped_registry_value(const scoped_registry_value&) = delete;
    scoped_registry_value& operator=(const scoped_registry_value&) = delete;

private:
    const wchar_t* m_key;
    const wchar_t* m_name;
    std::optional<DWORD> m_oldType;
    BYTE m_old[1024] = {};
    DWORD m_oldSize = 0;
};

scoped_registry_value SetDword(const wchar_t* key, const wchar_t* name, DWORD value) {
    return scoped_registry_value(key, name, REG_DWORD, &value, sizeof(value));
}

bool ShowFile(const std::wstring& path, std::FILE* out) {
    const mv::DecodedLogFile file = mv::ReadLogFile(path);
    std::fprintf(out, "  read back %s (%s form):\n", Narrow(path).c_str(),
                 file.form == mv::LogFileForm::kPlain ? "plain" : "obfuscated");
    const auto lines = mv::SplitLogLines(file.text);
    for (const auto& line : lines) std::fprintf(out, "    %s\n", Narrow(line).c_str());
    return file.status == mv::LogFileStatus::kOk && lines.size() == 2;
}

}  // namespace

bool RunLogDemo(std::FILE* out) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"mvdemo-log";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"\\wk_observer.log", L"\\wk_observer.mvl"}) ::DeleteFileW((dir + name).c_str());

    std::fprintf(out, "log directory %s, LogLevel 1\n", Narrow(dir).c_str());
    const std::wstring logPath = dir + L"\\\\";  // trailing separators are trimmed by the log
    scoped_registry_value path(kDeploymentKey, L"LogPath", REG_SZ, logPath.c_str(),
                               static_cast<DWORD>((logPath.size() + 1) * sizeof(wchar_t)));
    auto level = SetDword(kDeploymentKey, L"LogLevel", 1);

    bool ok = true;
    {
        auto plain = SetDword(kTempKey, L"LogObfuscationEnabled", 0);
        mv::LogLine(L"MvDemo", L"plain", L"a line in the plain form");
        mv::LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
        ok = ShowFile(dir + L"\\wk_observer.log", out) && ok;
    }
    {
        auto obfuscated = SetDword(kTempKey, L"LogObfuscationEnabled", 1);
        mv::LogLine(L"MvDemo", L"obfuscated", L"a line in the obfuscated form");
        mv::LogLine(L"MvDemo", L"obfuscated", L"and one more");
        ok = ShowFile(dir + L"\\wk_observer.mvl", out) && ok;
    }
    return ok;
}

}  // namespace mvdemo
