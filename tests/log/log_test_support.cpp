#include "log_test_support.h"

#include <algorithm>
#include <regex>

#include "common/win/handles.h"

namespace logtest {
namespace {

struct LogValue {
    const wchar_t* key;
    const wchar_t* name;
};
constexpr LogValue kLogValues[] = {
    {kTempKey, L"ObsLogLevel_Temp"},   {kTempKey, L"LogObfuscationEnabled"},
    {kDeploymentKey, L"LogLevel"},     {kDeploymentKey, L"LogFileSize"},
    {kDeploymentKey, L"LogFileCount"}, {kDeploymentKey, L"LogPath"},
};

mv::unique_hkey CreateKey(const wchar_t* key) {
    mv::unique_hkey opened;
    EXPECT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                opened.put(), nullptr),
              ERROR_SUCCESS);
    return opened;
}

void DeleteValue(const wchar_t* key, const wchar_t* name) {
    mv::unique_hkey opened;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, opened.put()) == ERROR_SUCCESS) {
        ::RegDeleteValueW(opened.get(), name);
    }
}

void RemoveDirectoryTree(const std::wstring& directory) {
    for (const std::wstring& name : ListFiles(directory)) {
        ::DeleteFileW((directory + L"\\" + name).c_str());
    }
    ::RemoveDirectoryW(directory.c_str());
}

std::wstring MakeTempDirectory() {
    static LONG counter = 0;
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    const std::wstring directory = std::wstring(base) + L"mvlog_" +
                                   std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                   std::to_wstring(::InterlockedIncrement(&counter));
    RemoveDirectoryTree(directory);
    EXPECT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
    return directory;
}

// The test's own keystream, written from the rule rather than shared with the library.
std::vector<std::uint8_t> Keystream(std::uint32_t length) {
    std::vector<std::uint8_t> keys;
    unsigned s = ((length >> 8) ^ length ^ 0x96u) & 0xFFu;
    for (std::uint32_t i = 0; i < length; ++i) {
        s = (s % 2 == 1) ? ((((s >> 1) ^ 0xE6u) | 0x80u) & 0xFFu) : (s >> 1);
        keys.push_back(static_cast<std::uint8_t>(s));
    }
    return keys;
}

unsigned long ToNumber(const std::wstring& digits) { return std::stoul(digits); }
WORD ToWord(const std::wstring& digits) { return static_cast<WORD>(std::stoul(digits)); }

}  // namespace

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    mv::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        ADD_FAILURE() << "cannot open " << ::testing::PrintToString(path);
        return {};
    }
    std::vector<std::uint8_t> bytes(::GetFileSize(file.get(), nullptr));
    DWORD read = 0;
    if (!bytes.empty()) {
        EXPECT_TRUE(
            ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr));
    }
    bytes.resize(read);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    mv::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    if (!bytes.empty()) {
        ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr));
    }
    ASSERT_EQ(written, bytes.size());
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetFileTimes(const std::wstring& path, ULONGLONG fileTime) {
    mv::unique_hfile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(fileTime);
    time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    ASSERT_TRUE(::SetFileTime(file.get(), &time, nullptr, &time));
}

std::vector<std::wstring> ListFiles(const std::wstring& directory, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    mv::unique_hfind search(::FindFirstFileW((directory + L"\\" + pattern).c_str(), &found));
    if (!search) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileW(search.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> Utf16Bytes(const std::wstring& text) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<std::wstring> DecodeObfuscatedForTest(const std::vector<std::uint8_t>& file) {
    std::vector<std::wstring> records;
    const std::vector<std::uint8_t> header = {0xFF, 0xFE, 0x01, 0x00, 0x00, 0x00};
    if (file.size() < header.size() || !std::equal(header.begin(), header.end(), file.begin())) {
        ADD_FAILURE() << "obfuscated file without its FF FE 01 00 00 00 header";
        return records;
    }
    std::size_t offset = header.size();
    while (offset < file.size()) {
        if (file.size() - offset < 4) {
            ADD_FAILURE() << "partial length field at " << offset;
            break;
        }
        std::uint32_t length = 0;
        for (int i = 3; i >= 0; --i) length = (length << 8) | file[offset + i];
        offset += 4;
        if (length % 2 != 0 || length > file.size() - offset) {
            ADD_FAILURE() << "bad record length " << length << " at " << offset - 4;
            break;
        }
        const std::vector<std::uint8_t> keys = Keystream(length);
        std::wstring text;
        for (std::uint32_t i = 0; i < length; i += 2) {
            const unsigned low = file[offset + i] ^ keys[i];
            const unsigned high = file[offset + i + 1] ^ keys[i + 1];
            text += static_cast<wchar_t>(low | (high << 8));
        }
        records.push_back(text);
        offset += length;
    }
    return records;
}

std::optional<ParsedLine> ParseLine(const std::wstring& line) {
    static const std::wregex pattern(
        L"L:(\\d+) (\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})\\.(\\d{3})"
        L" P:(\\d+) T:(\\d+)(?: S:(\\d+))?\\t\\{([^}\\t\\r\\n]*)\\}\\t([^\\r\\n]*)");
    std::wsmatch m;
    if (!std::regex_match(line, m, pattern)) return std::nullopt;
    ParsedLine parsed;
    parsed.level = ToNumber(m[1]);
    parsed.stamp.wYear = ToWord(m[2]);
    parsed.stamp.wMonth = ToWord(m[3]);
    parsed.stamp.wDay = ToWord(m[4]);
    parsed.stamp.wHour = ToWord(m[5]);
    parsed.stamp.wMinute = ToWord(m[6]);
    parsed.stamp.wSecond = ToWord(m[7]);
    parsed.stamp.wMilliseconds = ToWord(m[8]);
    parsed.processId = ToNumber(m[9]);
    parsed.threadId = ToNumber(m[10]);
    if (m[11].matched) parsed.sessionId = ToNumber(m[11]);
    parsed.imageName = m[12];
    parsed.message = m[13];
    return parsed;
}

unsigned long TokenSessionId() {
    mv::unique_handle token;
    DWORD session = 0;
    DWORD size = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !::GetTokenInformation(token.get(), ::TokenSessionId, &session, sizeof(session), &size)) {
        return 0;
    }
    return session;
}

// ---- LogSettingsScope --------------------------------------------------------------------------

LogSettingsScope::LogSettingsScope() {
    for (const LogValue& value : kLogValues) {
        SavedValue saved;
        saved.key = value.key;
        saved.name = value.name;
        mv::unique_hkey key;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, value.key, 0, KEY_QUERY_VALUE, key.put()) ==
            ERROR_SUCCESS) {
            DWORD size = 0;
            if (::RegQueryValueExW(key.get(), value.name, nullptr, &saved.type, nullptr, &size) ==
                ERROR_SUCCESS) {
                saved.data.resize(size);
                saved.present = ::RegQueryValueExW(key.get(), value.name, nullptr, &saved.type,
                                                   saved.data.data(), &size) == ERROR_SUCCESS;
            }
        }
        m_saved.push_back(saved);
        DeleteValue(value.key, value.name);
    }
    m_dir = MakeTempDirectory();
}

LogSettingsScope::~LogSettingsScope() {
    for (const SavedValue& saved : m_saved) {
        DeleteValue(saved.key, saved.name);
        if (saved.present) {
            mv::unique_hkey key = CreateKey(saved.key);
            ::RegSetValueExW(key.get(), saved.name, 0, saved.type, saved.data.data(),
                             static_cast<DWORD>(saved.data.size()));
        }
    }
    RemoveDirectoryTree(m_dir);
}

void LogSettingsScope::SetDword(const wchar_t* key, const wchar_t* name, DWORD value) {
    mv::unique_hkey opened = CreateKey(key);
    ASSERT_EQ(::RegSetValueExW(opened.get(), name, 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value), sizeof(value)),
              ERROR_SUCCESS);
}

void LogSettingsScope::SetString(const wchar_t* key, const wchar_t* name, const std::wstring& text,
                        DWORD type) {
    SetRaw(key, name, type, Utf16Bytes(text + L'\0'));
}

void LogSettingsScope::SetRaw(const wchar_t* key, const wchar_t* name, DWORD type,
                     const std::vector<std::uint8_t>& data) {
    mv::unique_hkey opened = CreateKey(key);
    ASSERT_EQ(
        ::RegSetValueExW(opened.get(), name, 0, type, data.data(), static_cast<DWORD>(data.size())),
        ERROR_SUCCESS);
}

void LogSettingsScope::RemoveValue(const wchar_t* key, const wchar_t* name) { DeleteValue(key, name); }

void LogSettingsScope::EnableLogInDirectory(bool obfuscated) {
    SetString(kDeploymentKey, L"LogPath", m_dir);
    SetDword(kDeploymentKey, L"LogLevel", 1);
    if (obfuscated) SetDword(kTempKey, L"LogObfuscationEnabled", 1);
}

}  // namespace logtest
