// Log registry values of the wrong type or at the ends of their range. A value of a wrong type
// gives the setting's default; each case checks the effect on the files (which file gets the
// line, whether rotation happens and how many rotated files are kept), not the readers alone.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "log_faults_support.h"

namespace {

using logtest::kDeploymentKey;
using logtest::kTempKey;
using mv::test::Holds;
using mv::test::LogUnderGuard;

struct WrongValue {
    DWORD type;
    std::vector<std::uint8_t> data;
    std::wstring label;
};

// Values of every wrong type whose bytes, read as a number, start with `low`: a string (the
// character `low` and its NUL), binary data of 1 to 8 bytes and a 64-bit number.
std::vector<WrongValue> WrongValues(std::uint8_t low) {
    std::vector<WrongValue> values;
    values.push_back({REG_SZ, {low, 0, 0, 0}, L"REG_SZ"});
    for (std::size_t size = 1; size <= 8; ++size) {
        std::vector<std::uint8_t> data(size, 0);
        data[0] = low;
        values.push_back({REG_BINARY, data, L"REG_BINARY of " + std::to_wstring(size)});
    }
    values.push_back({REG_QWORD, {low, 0, 0, 0, 0, 0, 0, 0}, L"REG_QWORD"});
    return values;
}

std::vector<std::wstring> RotatedFiles(const std::wstring& directory) {
    return logtest::ListFiles(directory, L"wk_observer_*.log");
}

class LogSettingFaults : public logtest::LogTest {
protected:
    void SetUp() override {
        logtest::LogTest::SetUp();
        EnableLogInDirectory();
    }

    // Rotated files of an earlier day, oldest first.
    void PresetRotatedFiles(int count) {
        for (int i = 0; i < count; ++i) {
            const std::wstring path = PathIn(L"wk_observer_2020010100000000" + std::to_wstring(i) + L".log");
            logtest::WriteBytes(path, {0xFF, 0xFE, 'o', 0});
            logtest::SetFileTimes(path, 132223104000000000ull + static_cast<ULONGLONG>(i) * 10000000ull);
        }
    }

    // A current file over the default size limit of 1 MiB.
    void PresetLargeCurrentFile() {
        std::vector<std::uint8_t> bytes(1536 * 1024, 'x');
        bytes[0] = 0xFF;
        bytes[1] = 0xFE;
        logtest::WriteBytes(PlainFile(), bytes);
    }
};

TEST_F(LogSettingFaults, LevelOfAWrongTypeWritesNothing) {
    for (const WrongValue& value : WrongValues(1)) {
        SetRaw(kDeploymentKey, L"LogLevel", value.type, value.data);
        LogUnderGuard(L"level " + value.label);
        EXPECT_FALSE(logtest::FileExists(PlainFile())) << "written with a LogLevel of " << value.label;
    }
}

TEST_F(LogSettingFaults, TemporaryLevelOfAWrongTypeFallsBackToTheLevel) {
    for (const WrongValue& value : WrongValues(0)) {
        SetRaw(kTempKey, L"ObsLogLevel_Temp", value.type, value.data);
        LogUnderGuard(L"temporary level " + value.label);
        EXPECT_TRUE(Holds(PlainFile(), L"temporary level " + value.label));
    }
}

TEST_F(LogSettingFaults, ObfuscationSwitchOfAWrongTypeKeepsThePlainForm) {
    for (const WrongValue& value : WrongValues(1)) {
        SetRaw(kTempKey, L"LogObfuscationEnabled", value.type, value.data);
        LogUnderGuard(L"switch " + value.label);
        EXPECT_TRUE(Holds(PlainFile(), L"switch " + value.label));
        EXPECT_FALSE(logtest::FileExists(ObfuscatedFile())) << value.label;
    }
}

TEST_F(LogSettingFaults, SizeLimitOfAWrongTypeKeepsTheDefaultMebibyte) {
    LogUnderGuard(L"a line to make the file non-empty");
    for (const WrongValue& value : WrongValues(0)) {
        SetRaw(kDeploymentKey, L"LogFileSize", value.type, value.data);
        LogUnderGuard(L"size " + value.label);
        EXPECT_TRUE(RotatedFiles(Dir()).empty()) << "rotated with a LogFileSize of " << value.label;
    }
    PresetLargeCurrentFile();  // the default limit does apply
    SetRaw(kDeploymentKey, L"LogFileSize", REG_SZ, {0, 0});
    LogUnderGuard(L"over the default limit");
    EXPECT_EQ(RotatedFiles(Dir()).size(), 1u);
}

TEST_F(LogSettingFaults, CountOfAWrongTypeKeepsOneRotatedFile) {
    SetDword(kDeploymentKey, L"LogFileSize", 0);
    for (const WrongValue& value : WrongValues(0)) {
        PresetRotatedFiles(3);
        SetRaw(kDeploymentKey, L"LogFileCount", value.type, value.data);
        LogUnderGuard(L"count " + value.label);
        LogUnderGuard(L"count, rotated " + value.label);
        EXPECT_EQ(RotatedFiles(Dir()).size(), 1u) << "with a LogFileCount of " << value.label;
    }
}

TEST_F(LogSettingFaults, SizeLimitsOfZeroAndOfAWrappingSizeRotateEveryLine) {
    for (DWORD size : {0ul, 4194304ul}) {
        SetDword(kDeploymentKey, L"LogFileCount", 0xFFFFFFFF);
        SetDword(kDeploymentKey, L"LogFileSize", size);
        const std::size_t before = RotatedFiles(Dir()).size();
        LogUnderGuard(L"one with " + std::to_wstring(size));
        LogUnderGuard(L"two with " + std::to_wstring(size));
        EXPECT_TRUE(Holds(PlainFile(), L"two with " + std::to_wstring(size)));
        EXPECT_FALSE(Holds(PlainFile(), L"one with " + std::to_wstring(size))) << "not rotated at " << size;
        EXPECT_GE(RotatedFiles(Dir()).size(), before + 1) << size;
        ::Sleep(5);  // the next rotation gets a later stamp
    }
}

TEST_F(LogSettingFaults, LargestSizeLimitNeverRotates) {
    SetDword(kDeploymentKey, L"LogFileSize", 0xFFFFFFFF);  // 0xFFFFFC00 bytes after the wrap
    PresetLargeCurrentFile();
    LogUnderGuard(L"into a file over the default limit");
    EXPECT_TRUE(RotatedFiles(Dir()).empty());
    EXPECT_TRUE(Holds(PlainFile(), L"into a file over the default limit"));
}

TEST_F(LogSettingFaults, CountOfZeroKeepsNoRotatedFile) {
    SetDword(kDeploymentKey, L"LogFileSize", 0);
    SetDword(kDeploymentKey, L"LogFileCount", 0);
    PresetRotatedFiles(3);
    LogUnderGuard(L"one");
    LogUnderGuard(L"two");
    EXPECT_TRUE(RotatedFiles(Dir()).empty());
    EXPECT_TRUE(Holds(PlainFile(), L"two"));
}

TEST_F(LogSettingFaults, LargestCountKeepsEveryRotatedFileWithoutHanging) {
    SetDword(kDeploymentKey, L"LogFileSize", 0);
    SetDword(kDeploymentKey, L"LogFileCount", 0xFFFFFFFF);
    PresetRotatedFiles(5);
    LogUnderGuard(L"one");
    LogUnderGuard(L"two");
    EXPECT_EQ(RotatedFiles(Dir()).size(), 6u);
    EXPECT_TRUE(Holds(PlainFile(), L"two"));
}

TEST_F(LogSettingFaults, PathsOfOtherStringFormsNameTheDirectory) {
    // Only the first string of a multi-string counts.
    const std::wstring other = PathIn(L"other");
    ASSERT_TRUE(::CreateDirectoryW(other.c_str(), nullptr));
    std::wstring multi = Dir() + L'\0' + other + L'\0' + L'\0';
    SetRaw(kDeploymentKey, L"LogPath", REG_MULTI_SZ, logtest::Utf16Bytes(multi));
    LogUnderGuard(L"multi-string path");
    EXPECT_TRUE(Holds(PlainFile(), L"multi-string path"));
    EXPECT_FALSE(logtest::FileExists(other + L"\\wk_observer.log"));

    // Binary text without a terminating NUL ends with the data.
    SetRaw(kDeploymentKey, L"LogPath", REG_BINARY, logtest::Utf16Bytes(other));
    LogUnderGuard(L"binary path");
    EXPECT_TRUE(Holds(other + L"\\wk_observer.log", L"binary path"));
    ::DeleteFileW((other + L"\\wk_observer.log").c_str());
    ::RemoveDirectoryW(other.c_str());
}

// An empty path and a single backslash both leave an empty directory: the current file is
// \wk_observer.log at the root of the current drive. The test runs from a folder of drive Z:
// (the Linux root), whose root is not the default c:\.
TEST_F(LogSettingFaults, EmptyPathsWriteAtTheRootOfTheCurrentDrive) {
    const std::wstring atRoot = L"Z:\\wk_observer.log";
    const std::wstring atDefault = L"C:\\wk_observer.log";
    if (logtest::FileExists(atRoot)) GTEST_SKIP() << "Z:\\wk_observer.log is there already";
    wchar_t saved[MAX_PATH];
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, saved), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(L"Z:\\tmp"));
    const bool defaultExisted = logtest::FileExists(atDefault);
    for (const std::wstring& path : {std::wstring(), std::wstring(L"\\")}) {
        SetString(kDeploymentKey, L"LogPath", path);
        LogUnderGuard(L"empty path of " + std::to_wstring(path.size()));
        EXPECT_TRUE(Holds(atRoot, L"empty path of " + std::to_wstring(path.size())));
        ::DeleteFileW(atRoot.c_str());
    }
    ::SetCurrentDirectoryW(saved);
    EXPECT_EQ(logtest::FileExists(atDefault), defaultExisted) << "the default file was touched";
}

}  // namespace
