#pragma once
// Helpers of the tests that read the module's log: its registry values saved, removed and restored
// around a scope that owns a log directory, file bytes, an obfuscated-file decoder, a line parser and
// the messages of a file.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "common/win/handles.h"
#include "log/log_file_reader.h"

namespace logtest {

// Not taken from the library, so that a wrong name fails the tests.
inline constexpr wchar_t kDeploymentKey[] = L"SOFTWARE\\MORVANE\\DeploymentOptions";
inline constexpr wchar_t kTempKey[] = L"SOFTWARE\\MORVANE\\Temp";

// The whole file, opened shared like a live log; fails the test when it cannot be read.
inline std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    mv::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<std::uint8_t> bytes(file ? ::GetFileSize(file.get(), nullptr) + 1 : 0);
    DWORD read = 0;
    EXPECT_TRUE(file && ::ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr))
        << "cannot read " << ::testing::PrintToString(path);
    bytes.resize(read);
    return bytes;
}

inline void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    mv::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    const DWORD size = DWORD(bytes.size());
    ASSERT_TRUE(file && (size == 0 || ::WriteFile(file.get(), bytes.data(), size, &written, nullptr)));
    ASSERT_EQ(written, bytes.size());
}

// Names (without directory) of the files in `directory` matching `pattern`, sorted.
inline std::vector<std::wstring> ListFiles(const std::wstring& directory, const wchar_t* pattern = L"*") {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    mv::unique_hfind search(::FindFirstFileW((directory + L"\\" + pattern).c_str(), &found));
    for (bool more = bool(search); more; more = ::FindNextFileW(search.get(), &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {  // UTF-16LE, no terminator
    std::vector<std::uint8_t> bytes;
    for (wchar_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
    return bytes;
}

struct Value {  // a registry value under HKEY_LOCAL_MACHINE
    const wchar_t *key, *name;
    DWORD type;
    std::vector<std::uint8_t> data;
};
inline Value Dword(const wchar_t* key, const wchar_t* name, DWORD n) {
    return {key, name, REG_DWORD, {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)}};
}
inline Value Text(const wchar_t* key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
    return {key, name, type, Utf16Bytes(text + L'\0')};
}

// The records of an obfuscated file, unscrambled with a keystream written here from the rule
// rather than shared with the library; fails the test on a malformed file.
inline std::vector<std::wstring> DecodeObfuscatedForTest(const std::vector<std::uint8_t>& file) {
    std::vector<std::wstring> records;
    const std::vector<std::uint8_t> header = {0xFF, 0xFE, 0x01, 0x00, 0x00, 0x00};
    if (file.size() < header.size() || !std::equal(header.begin(), header.end(), file.begin())) {
        ADD_FAILURE() << "obfuscated file without its FF FE 01 00 00 00 header";
        return records;
    }
    for (std::size_t at = header.size(); at < file.size();) {
        std::uint32_t length = 0;
        for (std::size_t i = 0; i < 4 && at + i < file.size(); ++i) length |= std::uint32_t{file[at + i]} << 8 * i;
        if ((at += 4) > file.size() || length % 2 != 0 || length > file.size() - at) {
            ADD_FAILURE() << "bad or partial record length " << length << " at " << at - 4;
            break;
        }
        std::wstring text(length / 2, L'\0');
        for (std::uint32_t i = 0, s = ((length >> 8) ^ length ^ 0x96u) & 0xFFu; i < length; ++i, ++at) {
            s = (s % 2 == 1) ? ((((s >> 1) ^ 0xE6u) | 0x80u) & 0xFFu) : (s >> 1);
            text[i / 2] = wchar_t(text[i / 2] | (file[at] ^ s) << (i % 2 * 8));
        }
        records.push_back(text);
    }
    return records;
}

struct ParsedLine {
    unsigned long level = 0;
    std::wstring stamp;  // yyyy-MM-dd HH:mm:ss.fff
    unsigned long processId = 0, threadId = 0;
    std::optional<unsigned long> sessionId;
    std::wstring imageName, message;
};

// Parses one line (without its line end); nullopt when it is not a well-formed log line.
inline std::optional<ParsedLine> ParseLine(const std::wstring& line) {
    static const std::wregex pattern(L"L:(\\d+) (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}) P:(\\d+) T:(\\d+)"
                                     L"(?: S:(\\d+))?\\t\\{([^}\\t\\r\\n]*)\\}\\t([^\\r\\n]*)");
    std::wsmatch m;
    if (!std::regex_match(line, m, pattern)) return std::nullopt;
    ParsedLine p{std::stoul(m[1].str()), m[2], std::stoul(m[3].str()), std::stoul(m[4].str()), {}, m[6], m[7]};
    if (m[5].matched) p.sessionId = std::stoul(m[5].str());
    return p;
}

// The messages of the log file at `path` (either form), read with the library's reader; a missing file
// has none; only lines of `processes` (empty: any) count, so that programs of other suites logging in the
// shared prefix meanwhile do not. An undecodable file, a malformed line ("<malformed> line") or a line
// of another level than `level` (0: any) fails the test.
inline std::vector<std::wstring> MessagesIn(const std::wstring& path, unsigned long level = 0,
                                            const std::vector<unsigned long>& processes = {::GetCurrentProcessId()}) {
    std::vector<std::wstring> messages;
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return messages;
    const mv::DecodedLogFile file = mv::ReadLogFile(path);
    EXPECT_EQ(file.status, mv::LogFileStatus::kOk) << ::testing::PrintToString(path);
    for (const std::wstring& line : mv::SplitLogLines(file.text)) {
        const std::optional<ParsedLine> parsed = ParseLine(line);
        if (parsed && !processes.empty() && std::count(processes.begin(), processes.end(), parsed->processId) == 0) continue;
        EXPECT_TRUE(parsed && (!level || parsed->level == level)) << ::testing::PrintToString(line);
        messages.push_back(parsed ? parsed->message : L"<malformed> " + line);
    }
    return messages;
}

// The log's registry values saved and removed for a scope, with a temporary log directory;
// everything is put back (and the directory removed) when the scope ends.
class LogSettingsScope {
public:
    LogSettingsScope() {
        for (const wchar_t* name : {L"ObsLogLevel_Temp", L"LogObfuscationEnabled", L"LogLevel", L"LogFileSize",
                                    L"LogFileCount", L"LogPath"}) {
            Value value{m_saved.size() < 2 ? kTempKey : kDeploymentKey, name, REG_NONE, {}};
            mv::unique_hkey key;
            DWORD size = 0;
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, value.key, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
                ::RegQueryValueExW(key.get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
                value.data.resize(size);
                ::RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(), &size);
            }
            m_saved.push_back(value);
            RemoveValue(value.key, name);
        }
        static LONG counter = 0;
        wchar_t base[MAX_PATH];
        ::GetTempPathW(MAX_PATH, base);
        m_dir = base + (L"mvlog_" + std::to_wstring(::GetCurrentProcessId())) + L"_" +
                std::to_wstring(::InterlockedIncrement(&counter));
        RemoveTree();
        EXPECT_TRUE(::CreateDirectoryW(m_dir.c_str(), nullptr));
    }
    ~LogSettingsScope() {
        for (const Value& saved : m_saved) {
            RemoveValue(saved.key, saved.name);
            if (saved.type != REG_NONE) Set(saved);
        }
        RemoveTree();
    }
    LogSettingsScope(const LogSettingsScope&) = delete;
    LogSettingsScope& operator=(const LogSettingsScope&) = delete;

    void Set(const Value& v) {
        EXPECT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, v.key, v.name, v.type, v.data.data(), DWORD(v.data.size())), 0);
    }
    void RemoveValue(const wchar_t* key, const wchar_t* name) { ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key, name); }
    void EnableLogInDirectory(bool obfuscated = false) {
        Set(Text(kDeploymentKey, L"LogPath", m_dir));
        Set(Dword(kDeploymentKey, L"LogLevel", 1));
        if (obfuscated) Set(Dword(kTempKey, L"LogObfuscationEnabled", 1));
    }

    const std::wstring& Dir() const { return m_dir; }
    std::wstring PathIn(const std::wstring& name) const { return m_dir + L"\\" + name; }
    std::wstring PlainFile() const { return PathIn(L"wk_observer.log"); }
    std::wstring ObfuscatedFile() const { return PathIn(L"wk_observer.mvl"); }

private:
    void RemoveTree() {
        for (const std::wstring& name : ListFiles(m_dir)) ::DeleteFileW(PathIn(name).c_str());
        ::RemoveDirectoryW(m_dir.c_str());
    }
    std::vector<Value> m_saved;  // type REG_NONE: the value was absent
    std::wstring m_dir;
};

class LogTest : public ::testing::Test, public LogSettingsScope {};

}  // namespace logtest
