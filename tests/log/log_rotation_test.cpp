// Rotation by size and purging of rotated files, through the registry settings and real files.

#include <gtest/gtest.h>

#include <iomanip>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "log/log.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"

namespace {

using logtest::kDeploymentKey;
using logtest::ListFiles;
using logtest::ReadBytes;

// 100-ns units in a day; preset file times count in days from a fixed date.
constexpr ULONGLONG kDay = 864000000000ULL;
constexpr ULONGLONG kYear2020 = 132223104000000000ULL;

std::vector<std::uint8_t> PlainFileOfSize(std::size_t size) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    bytes.resize(size, 'a');
    return bytes;
}

// Messages of the lines in a log file of either form, in order.
std::vector<std::wstring> MessagesIn(const std::wstring& path) {
    const mv::DecodedLogFile decoded = mv::ReadLogFile(path);
    EXPECT_EQ(decoded.status, mv::LogFileStatus::kOk) << ::testing::PrintToString(path);
    std::vector<std::wstring> messages;
    for (const std::wstring& line : mv::SplitLogLines(decoded.text)) {
        const std::optional<logtest::ParsedLine> parsed = logtest::ParseLine(line);
        EXPECT_TRUE(parsed) << ::testing::PrintToString(line);
        if (parsed) messages.push_back(parsed->message);
    }
    return messages;
}

// The 17-digit stamp of `time` plus `addMs` milliseconds, computed independently of the log.
std::wstring Stamp(const SYSTEMTIME& time, int addMs) {
    FILETIME fileTime;
    EXPECT_TRUE(::SystemTimeToFileTime(&time, &fileTime));
    ULARGE_INTEGER value;
    value.LowPart = fileTime.dwLowDateTime;
    value.HighPart = fileTime.dwHighDateTime;
    value.QuadPart += static_cast<ULONGLONG>(addMs) * 10000;
    fileTime.dwLowDateTime = value.LowPart;
    fileTime.dwHighDateTime = value.HighPart;
    SYSTEMTIME t;
    EXPECT_TRUE(::FileTimeToSystemTime(&fileTime, &t));
    std::wostringstream stamp;
    stamp << std::setfill(L'0') << std::setw(4) << t.wYear << std::setw(2) << t.wMonth
          << std::setw(2) << t.wDay << std::setw(2) << t.wHour << std::setw(2) << t.wMinute
          << std::setw(2) << t.wSecond << std::setw(3) << t.wMilliseconds;
    return stamp.str();
}

class LogRotation : public logtest::LogTest {
protected:
    void SetLimits(DWORD sizeKiB, DWORD count) {
        SetDword(kDeploymentKey, L"LogFileSize", sizeKiB);
        SetDword(kDeploymentKey, L"LogFileCount", count);
    }
    std::vector<std::wstring> Rotated(const wchar_t* extension = L"log") const {
        return ListFiles(Dir(), (std::wstring(L"wk_observer_*.") + extension).c_str());
    }
};

TEST_F(LogRotation, FileExactlyAtTheLimitIsNotRotated) {
    EnableLogInDirectory();
    SetLimits(1, 10);
    logtest::WriteBytes(PlainFile(), PlainFileOfSize(1024));
    mv::LogLine(L"A", L"b", L"appended");
    EXPECT_TRUE(Rotated().empty());
    const std::vector<std::uint8_t> bytes = ReadBytes(PlainFile());
    ASSERT_GT(bytes.size(), 1024u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 1024),
              PlainFileOfSize(1024));
}

TEST_F(LogRotation, FileOneByteOverTheLimitIsRotatedBeforeTheLine) {
    EnableLogInDirectory();
    SetLimits(1, 10);
    logtest::WriteBytes(PlainFile(), PlainFileOfSize(1025));
    mv::LogLine(L"A", L"b", L"first of the new file");

    const std::vector<std::wstring> rotated = Rotated();
    ASSERT_EQ(rotated.size(), 1u);
    EXPECT_TRUE(std::regex_match(rotated[0], std::wregex(L"wk_observer_\\d{17}\\.log")))
        << ::testing::PrintToString(rotated[0]);
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    EXPECT_EQ(rotated[0].substr(12, 4), std::to_wstring(now.wYear));
    EXPECT_EQ(ReadBytes(PathIn(rotated[0])), PlainFileOfSize(1025));
    EXPECT_EQ(MessagesIn(PlainFile()), std::vector<std::wstring>{L"[A::b]\tfirst of the new file"});
}

TEST_F(LogRotation, SizeLimitZeroRotatesEveryNonEmptyFile) {
    EnableLogInDirectory();
    SetLimits(0, 10);
    mv::LogLine(L"A", L"b", L"one");  // no file yet: nothing to rotate
    EXPECT_TRUE(Rotated().empty());
    mv::LogLine(L"A", L"b", L"two");
    const std::vector<std::wstring> rotated = Rotated();
    ASSERT_EQ(rotated.size(), 1u);
    EXPECT_EQ(MessagesIn(PathIn(rotated[0])), std::vector<std::wstring>{L"[A::b]\tone"});
    EXPECT_EQ(MessagesIn(PlainFile()), std::vector<std::wstring>{L"[A::b]\ttwo"});
}

// Purging keeps the newest files by creation time (not by name) of the current form only.
class LogPurge : public LogRotation, public ::testing::WithParamInterface<bool> {};

TEST_P(LogPurge, KeepsTheNewestRotatedFilesOfTheCurrentFormOnly) {
    const bool obfuscated = GetParam();
    const wchar_t* own = obfuscated ? L"mvl" : L"log";
    const wchar_t* other = obfuscated ? L"log" : L"mvl";
    EnableLogInDirectory(obfuscated);
    SetLimits(0, 2);
    // Name stamps run against the creation times: "...04" is the oldest file.
    std::map<std::wstring, ULONGLONG> preset;
    for (int i = 1; i <= 4; ++i) {
        preset[L"wk_observer_2020010100000000" + std::to_wstring(i) + L"." + own] =
            kYear2020 + (5 - i) * kDay;
        preset[L"wk_observer_2020010100000000" + std::to_wstring(i) + L"." + other] =
            kYear2020 + i * kDay;
    }
    preset[L"unrelated.log"] = kYear2020;
    preset[std::wstring(L"wk_observer.") + other] = kYear2020;
    for (const auto& [name, time] : preset) {
        logtest::WriteBytes(PathIn(name), {0xFF, 0xFE});
        logtest::SetFileTimes(PathIn(name), time);
    }
    mv::LogLine(L"A", L"b", L"one");
    mv::LogLine(L"A", L"b", L"two");  // rotates "one", then purges

    const std::vector<std::wstring> kept = Rotated(own);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0], std::wstring(L"wk_observer_20200101000000001.") + own)
        << "the newest preset file";
    EXPECT_EQ(MessagesIn(PathIn(kept[1])), std::vector<std::wstring>{L"[A::b]\tone"})
        << "the new one";
    EXPECT_EQ(Rotated(other).size(), 4u);
    EXPECT_TRUE(logtest::FileExists(PathIn(L"unrelated.log")));
    EXPECT_TRUE(logtest::FileExists(PathIn(std::wstring(L"wk_observer.") + other)));
}

TEST_P(LogPurge, CountZeroDeletesEveryRotatedFileIncludingTheNewOne) {
    const bool obfuscated = GetParam();
    const wchar_t* own = obfuscated ? L"mvl" : L"log";
    const wchar_t* other = obfuscated ? L"log" : L"mvl";
    EnableLogInDirectory(obfuscated);
    SetLimits(0, 0);
    const std::wstring otherRotated = std::wstring(L"wk_observer_20200101000000000.") + other;
    logtest::WriteBytes(PathIn(otherRotated), {0xFF, 0xFE});
    logtest::WriteBytes(PathIn(std::wstring(L"wk_observer_20200101000000000.") + own),
                        {0xFF, 0xFE});
    mv::LogLine(L"A", L"b", L"one");
    mv::LogLine(L"A", L"b", L"two");
    EXPECT_TRUE(Rotated(own).empty());
    EXPECT_EQ(Rotated(other), std::vector<std::wstring>{otherRotated});
    EXPECT_EQ(MessagesIn(PathIn(std::wstring(L"wk_observer.") + own)),
              std::vector<std::wstring>{L"[A::b]\ttwo"});
}

INSTANTIATE_TEST_SUITE_P(BothForms, LogPurge, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& form) {
                             return form.param ? "Obfuscated" : "Plain";
                         });

// A rotation whose stamp is taken (by a rotation of the same millisecond) takes the next free
// millisecond and never replaces the file.
TEST_F(LogRotation, TakenRotatedNameIsNeverReplaced) {
    EnableLogInDirectory();
    SetLimits(0, 100000);
    mv::LogLine(L"A", L"b", L"one");

    // Every stamp of a window that starts a little later is taken; the line is written once
    // the window has begun, so its rotation finds its own stamp taken.
    constexpr int kLeadMs = 2500;
    constexpr int kWindowMs = 500;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const std::wstring windowStart = Stamp(now, kLeadMs);
    const std::vector<std::uint8_t> marker = {0xFF, 0xFE, 'x', 0};
    std::set<std::wstring> occupied;
    for (int ms = 0; ms < kWindowMs; ++ms) {
        const std::wstring name = L"wk_observer_" + Stamp(now, kLeadMs + ms) + L".log";
        logtest::WriteBytes(PathIn(name), marker);
        occupied.insert(name);
    }
    SYSTEMTIME beforeLine;
    for (;;) {
        ::GetLocalTime(&beforeLine);
        if (Stamp(beforeLine, 0) >= windowStart) break;
        ::Sleep(5);
    }
    ASSERT_LT(Stamp(beforeLine, 0), Stamp(now, kLeadMs + kWindowMs - 200))
        << "the test was held up too long";
    mv::LogLine(L"A", L"b", L"two");

    std::vector<std::wstring> added;
    for (const std::wstring& name : Rotated()) {
        if (occupied.count(name) == 0)
            added.push_back(name);
        else
            EXPECT_EQ(ReadBytes(PathIn(name)), marker) << ::testing::PrintToString(name);
    }
    EXPECT_EQ(Rotated().size(), static_cast<std::size_t>(kWindowMs + 1));
    ASSERT_EQ(added, std::vector<std::wstring>{L"wk_observer_" + Stamp(now, kLeadMs + kWindowMs) +
                                               L".log"})
        << "the first free millisecond after the taken ones";
    EXPECT_EQ(MessagesIn(PathIn(added[0])), std::vector<std::wstring>{L"[A::b]\tone"});
}

// With a size limit of 0 every line rotates, back to back: no line is lost or repeated and
// the stamps keep the order of the lines.
TEST_F(LogRotation, BackToBackRotationsLoseNoLine) {
    EnableLogInDirectory();
    SetLimits(0, 100000);
    constexpr int kLines = 150;
    for (int i = 0; i < kLines; ++i)
        mv::LogLine(L"A", L"b", (L"line " + std::to_wstring(i)).c_str());

    const std::vector<std::wstring> rotated = Rotated();
    EXPECT_EQ(rotated.size(), static_cast<std::size_t>(kLines - 1));
    std::vector<std::wstring> messages;
    for (const std::wstring& name : rotated) {
        const std::vector<std::wstring> inFile = MessagesIn(PathIn(name));
        EXPECT_EQ(inFile.size(), 1u) << ::testing::PrintToString(name);
        messages.insert(messages.end(), inFile.begin(), inFile.end());
    }
    const std::vector<std::wstring> current = MessagesIn(PlainFile());
    messages.insert(messages.end(), current.begin(), current.end());
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kLines));
    for (int i = 0; i < kLines; ++i) {
        EXPECT_EQ(messages[i], L"[A::b]\tline " + std::to_wstring(i)) << "in stamp order";
    }
}

}  // namespace
