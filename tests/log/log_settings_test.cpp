// Log settings as read from the registry of the test prefix: defaults, types, precedence,
// arithmetic and the string rules that turn values into paths.

#include <gtest/gtest.h>

#include "common/win/handles.h"
#include "log/log_settings.h"
#include "log/registry_reader.h"
#include "log_test_support.h"

namespace {

using logtest::kDeploymentKey;
using logtest::kTempKey;

class LogSettings : public logtest::LogTest {};

TEST_F(LogSettings, DefaultsWhenValuesAreAbsent) {
    EXPECT_EQ(mv::GetLogLevel(), 0u);
    EXPECT_EQ(mv::IsLogObfuscationEnabled(), 0u);
    EXPECT_EQ(mv::GetLogFileSizeLimit(), 1048576u);
    EXPECT_EQ(mv::GetLogFileCount(), 1u);
    EXPECT_EQ(mv::GetLogDirectory(), L"c:");
}

TEST_F(LogSettings, DefaultsWhenTheKeysAreMissing) {
    // The fixture removed every log value; drop the then-empty keys as well.
    const LONG deleted = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kDeploymentKey);
    ASSERT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND) << deleted;
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kTempKey);
    mv::unique_hkey probe;
    ASSERT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeploymentKey, 0, KEY_READ, probe.put()),
              ERROR_SUCCESS)
        << "DeploymentOptions holds values of others";
    EXPECT_EQ(mv::GetLogLevel(), 0u);
    EXPECT_EQ(mv::GetLogFileSizeLimit(), 1048576u);
    EXPECT_EQ(mv::GetLogFileCount(), 1u);
    EXPECT_EQ(mv::GetLogDirectory(), L"c:");
}

TEST_F(LogSettings, ReadsEachValueFromItsKey) {
    SetDword(kDeploymentKey, L"LogLevel", 3);
    SetDword(kTempKey, L"LogObfuscationEnabled", 1);
    SetDword(kDeploymentKey, L"LogFileSize", 5);
    SetDword(kDeploymentKey, L"LogFileCount", 7);
    SetString(kDeploymentKey, L"LogPath", L"d:\\logs");
    EXPECT_EQ(mv::GetLogLevel(), 3u);
    EXPECT_EQ(mv::IsLogObfuscationEnabled(), 1u);
    EXPECT_EQ(mv::GetLogFileSizeLimit(), 5u * 1024u);
    EXPECT_EQ(mv::GetLogFileCount(), 7u);
    EXPECT_EQ(mv::GetLogDirectory(), L"d:\\logs");

    // Values under the other key do not count.
    RemoveValue(kDeploymentKey, L"LogLevel");
    SetDword(kTempKey, L"LogLevel", 4);
    SetDword(kDeploymentKey, L"LogObfuscationEnabled", 1);
    RemoveValue(kTempKey, L"LogObfuscationEnabled");
    EXPECT_EQ(mv::GetLogLevel(), 0u);
    EXPECT_EQ(mv::IsLogObfuscationEnabled(), 0u);
    RemoveValue(kTempKey, L"LogLevel");
    RemoveValue(kDeploymentKey, L"LogObfuscationEnabled");
}

TEST_F(LogSettings, TemporaryLevelWinsEvenWhenZero) {
    SetDword(kDeploymentKey, L"LogLevel", 5);
    SetDword(kTempKey, L"ObsLogLevel_Temp", 0);
    EXPECT_EQ(mv::GetLogLevel(), 0u);
    SetDword(kTempKey, L"ObsLogLevel_Temp", 2);
    EXPECT_EQ(mv::GetLogLevel(), 2u);
    RemoveValue(kTempKey, L"ObsLogLevel_Temp");
    EXPECT_EQ(mv::GetLogLevel(), 5u);
}

TEST_F(LogSettings, WrongTypesGiveDefaults) {
    SetString(kDeploymentKey, L"LogLevel", L"5");
    SetRaw(kDeploymentKey, L"LogFileCount", REG_QWORD, {9, 0, 0, 0, 0, 0, 0, 0});
    SetRaw(kDeploymentKey, L"LogFileSize", REG_BINARY, {9, 0, 0, 0});
    SetDword(kDeploymentKey, L"LogPath", 42);
    EXPECT_EQ(mv::GetLogLevel(), 0u);
    EXPECT_EQ(mv::GetLogFileCount(), 1u);
    EXPECT_EQ(mv::GetLogFileSizeLimit(), 1048576u);
    EXPECT_EQ(mv::GetLogDirectory(), L"c:");
    // A string "ObsLogLevel_Temp" is no override: "LogLevel" decides.
    SetString(kTempKey, L"ObsLogLevel_Temp", L"0");
    SetDword(kDeploymentKey, L"LogLevel", 4);
    EXPECT_EQ(mv::GetLogLevel(), 4u);
}

TEST_F(LogSettings, FileSizeLimitIsKibibytesInUnsigned32BitArithmetic) {
    const std::pair<DWORD, DWORD> cases[] = {
        {0, 0},       {1, 1024},       {4194303, 0xFFFFFC00u},
        {4194304, 0}, {4194305, 1024}, {0xFFFFFFFF, 0xFFFFFC00u},
    };
    for (const auto& [kib, bytes] : cases) {
        SetDword(kDeploymentKey, L"LogFileSize", kib);
        EXPECT_EQ(mv::GetLogFileSizeLimit(), bytes) << kib << " KiB";
    }
}

TEST_F(LogSettings, LogPathAcceptsEveryStringTypeAndLosesTrailingSeparators) {
    SetString(kDeploymentKey, L"LogPath", L"d:\\logs\\\\");
    EXPECT_EQ(mv::GetLogDirectory(), L"d:\\logs");
    SetString(kDeploymentKey, L"LogPath", L"d:\\logs/\\/");
    EXPECT_EQ(mv::GetLogDirectory(), L"d:\\logs");
    SetString(kDeploymentKey, L"LogPath", L"\\");
    EXPECT_EQ(mv::GetLogDirectory(), L"");
    SetString(kDeploymentKey, L"LogPath", L"%TEMP%\\x", REG_EXPAND_SZ);
    EXPECT_EQ(mv::GetLogDirectory(), L"%TEMP%\\x") << "references are not expanded";
    SetString(kDeploymentKey, L"LogPath", std::wstring(L"e:\\first\0f:\\second\0", 20),
              REG_MULTI_SZ);
    EXPECT_EQ(mv::GetLogDirectory(), L"e:\\first");
    // Binary data without a terminator: the text runs to the end of the data.
    SetRaw(kDeploymentKey, L"LogPath", REG_BINARY, logtest::Utf16Bytes(L"g:\\bin"));
    EXPECT_EQ(mv::GetLogDirectory(), L"g:\\bin");
}

TEST_F(LogSettings, RegistryReadersSetTheDefaultFirstAndReplaceItOnlyOnSuccess) {
    DWORD number = 77;
    EXPECT_FALSE(mv::ReadRegistryDword(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MORVANE\\NoSuchKey", L"X",
                                       number, 5));
    EXPECT_EQ(number, 5u);
    std::wstring text = L"old";
    EXPECT_FALSE(
        mv::ReadRegistryString(HKEY_LOCAL_MACHINE, kDeploymentKey, L"LogPath", text, L"dflt"));
    EXPECT_EQ(text, L"dflt");

    SetDword(kDeploymentKey, L"LogFileCount", 12);
    EXPECT_TRUE(
        mv::ReadRegistryDword(HKEY_LOCAL_MACHINE, kDeploymentKey, L"LogFileCount", number, 5));
    EXPECT_EQ(number, 12u);
    SetString(kDeploymentKey, L"LogPath", L"x:\\y");
    EXPECT_TRUE(
        mv::ReadRegistryString(HKEY_LOCAL_MACHINE, kDeploymentKey, L"LogPath", text, L"dflt"));
    EXPECT_EQ(text, L"x:\\y");

    // Without a subkey the value is read from the root key itself.
    mv::unique_hkey root;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kDeploymentKey, 0, KEY_QUERY_VALUE, root.put()),
              ERROR_SUCCESS);
    EXPECT_TRUE(mv::ReadRegistryDword(root.get(), nullptr, L"LogFileCount", number, 5));
    EXPECT_EQ(number, 12u);
    EXPECT_TRUE(mv::ReadRegistryString(root.get(), nullptr, L"LogPath", text, L"dflt"));
    EXPECT_EQ(text, L"x:\\y");
    // The root stays open for the caller.
    EXPECT_EQ(::RegQueryValueExW(root.get(), L"LogPath", nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
}

TEST(LogTrimCharacters, RemovesMembersOfTheSetAtTheChosenEnds) {
    const wchar_t* set = L"\\/";
    EXPECT_EQ(mv::TrimCharacters(L"//a\\b//", mv::kTrimTrailing, set), L"//a\\b");
    EXPECT_EQ(mv::TrimCharacters(L"//a\\b//", mv::kTrimLeading, set), L"a\\b//");
    EXPECT_EQ(mv::TrimCharacters(L"//a\\b//", mv::kTrimLeading | mv::kTrimTrailing, set), L"a\\b");
    EXPECT_EQ(mv::TrimCharacters(L"//a\\b//", 0, set), L"//a\\b//");
    EXPECT_EQ(mv::TrimCharacters(L"\\/\\", mv::kTrimTrailing, set), L"");
    EXPECT_EQ(mv::TrimCharacters(L"\\/\\", mv::kTrimLeading, set), L"");
    EXPECT_EQ(mv::TrimCharacters(L"", mv::kTrimLeading | mv::kTrimTrailing, set), L"");
}

TEST(LogProcessImageName, IsTheExecutablesFileName) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    const std::wstring name = mv::GetProcessImageName();
    EXPECT_EQ(name, L"log_test.exe");
    EXPECT_EQ(name.find_first_of(L"\\/"), std::wstring::npos);
}

}  // namespace
