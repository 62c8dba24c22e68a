#pragma once
// Shared fixture and helpers of the log tests: a clean set of log registry values (saved,
// removed and restored around each test), a temporary log directory per test, file reading,
// an independent decoder of obfuscated records and a parser of line headers.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace logtest {

// Written out here rather than taken from the library, so that a wrong name fails the tests.
inline constexpr wchar_t kDeploymentKey[] = L"SOFTWARE\\MORVANE\\DeploymentOptions";
inline constexpr wchar_t kTempKey[] = L"SOFTWARE\\MORVANE\\Temp";

std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::wstring& path);
// Sets creation and last-write time (Wine reports the last-write time as creation time).
void SetFileTimes(const std::wstring& path, ULONGLONG fileTime);
// Names (without directory) of the files in `directory` matching `pattern`, sorted.
std::vector<std::wstring> ListFiles(const std::wstring& directory, const wchar_t* pattern = L"*");

// UTF-16LE bytes of `text`.
std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text);

// Decodes the records of an obfuscated file (after its 6-byte header) with a scrambler of
// the test's own; fails the test on a malformed file.
std::vector<std::wstring> DecodeObfuscatedForTest(const std::vector<std::uint8_t>& file);

struct ParsedLine {
    unsigned long level = 0;
    SYSTEMTIME stamp{};
    unsigned long processId = 0;
    unsigned long threadId = 0;
    std::optional<unsigned long> sessionId;
    std::wstring imageName;
    std::wstring message;
};
// Parses one line (without its line end); nullopt when it is not a well-formed log line.
std::optional<ParsedLine> ParseLine(const std::wstring& line);

// The process token's session id, as the header should show it.
unsigned long TokenSessionId();

// The log's registry values saved and removed for a scope, with a temporary log directory;
// everything is put back (and the directory removed) when the scope ends. Other test programs
// use it to capture the lines the module writes.
class LogSettingsScope {
public:
    LogSettingsScope();
    ~LogSettingsScope();
    LogSettingsScope(const LogSettingsScope&) = delete;
    LogSettingsScope& operator=(const LogSettingsScope&) = delete;

    void SetDword(const wchar_t* key, const wchar_t* name, DWORD value);
    void SetString(const wchar_t* key, const wchar_t* name, const std::wstring& text,
                   DWORD type = REG_SZ);
    void SetRaw(const wchar_t* key, const wchar_t* name, DWORD type,
                const std::vector<std::uint8_t>& data);
    void RemoveValue(const wchar_t* key, const wchar_t* name);

    // LogPath = the scope's directory, LogLevel = 1, and optionally the obfuscated form.
    void EnableLogInDirectory(bool obfuscated = false);

    const std::wstring& Dir() const { return m_dir; }
    std::wstring PathIn(const std::wstring& name) const { return m_dir + L"\\" + name; }
    std::wstring PlainFile() const { return PathIn(L"wk_observer.log"); }
    std::wstring ObfuscatedFile() const { return PathIn(L"wk_observer.mvl"); }

private:
    struct SavedValue {
        const wchar_t* key = nullptr;
        const wchar_t* name = nullptr;
        bool present = false;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    std::vector<SavedValue> m_saved;
    std::wstring m_dir;
};

// Fixture of the log tests: a LogSettingsScope around each test.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override { m_scope.emplace(); }
    void TearDown() override { m_scope.reset(); }

    void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) { m_scope->SetDword(key, name, value); }
    void SetString(const wchar_t* key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        m_scope->SetString(key, name, text, type);
    }
    void SetRaw(const wchar_t* key, const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& data) {
        m_scope->SetRaw(key, name, type, data);
    }
    void RemoveValue(const wchar_t* key, const wchar_t* name) { m_scope->RemoveValue(key, name); }
    void EnableLogInDirectory(bool obfuscated = false) { m_scope->EnableLogInDirectory(obfuscated); }

    const std::wstring& Dir() const { return m_scope->Dir(); }
    std::wstring PathIn(const std::wstring& name) const { return m_scope->PathIn(name); }
    std::wstring PlainFile() const { return m_scope->PlainFile(); }
    std::wstring ObfuscatedFile() const { return m_scope->ObfuscatedFile(); }

private:
    std::optional<LogSettingsScope> m_scope;
};

}  // namespace logtest
