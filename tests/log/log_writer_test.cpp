// Writing lines: the level gate, the exact plain line, the byte-order mark, the obfuscated
// records, line ends, the log directory and the log mutex.

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "common/win/handles.h"
#include "log/log.h"
#include "log/log_file_reader.h"
#include "log/log_mutex.h"
#include "log/log_rotation.h"
#include "log/log_scramble.h"
#include "log/log_writer.h"
#include "log/null_dacl_security_attributes.h"
#include "log_test_support.h"

namespace {

using logtest::kDeploymentKey;
using logtest::kTempKey;
using logtest::ReadBytes;

constexpr wchar_t kMessage[] = L"[CJavaVM::c'tor]\tCould not attach to JVM";

// The text of a plain file after its byte-order mark; fails the test without one.
std::wstring PlainText(const std::wstring& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        ADD_FAILURE() << "no FF FE at the start of the plain file";
        return {};
    }
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    }
    return text;
}

ULONGLONG AsFileTime(const SYSTEMTIME& time) {
    FILETIME fileTime;
    EXPECT_TRUE(::SystemTimeToFileTime(&time, &fileTime));
    return (static_cast<ULONGLONG>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
}

class LogWriter : public logtest::LogTest {};

TEST_F(LogWriter, ConfiguredLevelZeroCreatesNoFile) {
    SetString(kDeploymentKey, L"LogPath", Dir());
    mv::LogLine(L"CJavaVM", L"c'tor", L"dropped");
    SetDword(kDeploymentKey, L"LogLevel", 5);
    SetDword(kTempKey, L"ObsLogLevel_Temp", 0);
    mv::LogLine(L"CJavaVM", L"c'tor", L"dropped");
    EXPECT_TRUE(logtest::ListFiles(Dir()).empty());
}

TEST_F(LogWriter, BeginLineGatesByLevelBeforeTouchingAnything) {
    EnableLogInDirectory();
    std::wostringstream line;
    mv::CWinFWStream file;
    EXPECT_EQ(mv::LogBeginLine(2, line, file), mv::kLogLevelDisabled);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(line.str().empty());
    EXPECT_TRUE(logtest::ListFiles(Dir()).empty());

    EXPECT_EQ(mv::LogBeginLine(1, line, file), mv::kLogLineBegun);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(logtest::FileExists(PlainFile()));
    line << L"m";
    const std::optional<logtest::ParsedLine> parsed = logtest::ParseLine(line.str());
    ASSERT_TRUE(parsed) << ::testing::PrintToString(line.str());
    EXPECT_EQ(parsed->level, 1u);
    EXPECT_EQ(parsed->message, L"m");
}

TEST_F(LogWriter, PlainLineHasTheExactHeaderAndMessage) {
    EnableLogInDirectory();
    SYSTEMTIME before;
    ::GetLocalTime(&before);
    mv::LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
    SYSTEMTIME after;
    ::GetLocalTime(&after);

    const std::wstring text = PlainText(PlainFile());
    ASSERT_GE(text.size(), 2u);
    ASSERT_EQ(text.substr(text.size() - 2), L"\r\n");
    const std::wstring line = text.substr(0, text.size() - 2);
    ASSERT_EQ(line.find(L"\r\n"), std::wstring::npos) << "one line only";
    const std::optional<logtest::ParsedLine> parsed = logtest::ParseLine(line);
    ASSERT_TRUE(parsed) << ::testing::PrintToString(line);

    EXPECT_EQ(parsed->level, 1u);
    EXPECT_EQ(parsed->processId, ::GetCurrentProcessId());
    EXPECT_EQ(parsed->threadId, ::GetCurrentThreadId());
    EXPECT_EQ(parsed->imageName, L"log_test.exe");
    EXPECT_EQ(parsed->message, kMessage);
    const unsigned long session = logtest::TokenSessionId();
    if (session == 0) {
        EXPECT_FALSE(parsed->sessionId) << "session 0 leaves out \" S:\"";
    } else {
        EXPECT_EQ(parsed->sessionId, session);
    }
    const ULONGLONG stamp = AsFileTime(parsed->stamp);
    EXPECT_GE(stamp + 10000, AsFileTime(before));  // allow for the millisecond rounding
    EXPECT_LE(stamp, AsFileTime(after));
}

TEST_F(LogWriter, ByteOrderMarkOnlyOnAnEmptyFile) {
    EnableLogInDirectory();
    mv::LogLine(L"A", L"b", L"first");
    mv::LogLine(L"A", L"b", L"second");
    const std::wstring text = PlainText(PlainFile());
    EXPECT_EQ(text.find(L'\xFEFF'), std::wstring::npos) << "one byte-order mark, at the start";
    const std::vector<std::wstring> lines = mv::SplitLogLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(logtest::ParseLine(lines[1])->message, L"[A::b]\tsecond");

    // An existing empty file gets one; an existing non-empty file without one does not.
    logtest::WriteBytes(PlainFile(), {});
    mv::LogLine(L"A", L"b", L"x");
    EXPECT_EQ(mv::SplitLogLines(PlainText(PlainFile())).size(), 1u);
    logtest::WriteBytes(PlainFile(), logtest::Utf16Bytes(L"old\r\n"));
    mv::LogLine(L"A", L"b", L"x");
    const std::vector<std::uint8_t> bytes = ReadBytes(PlainFile());
    const std::vector<std::uint8_t> start = logtest::Utf16Bytes(L"old\r\nL:");
    ASSERT_GE(bytes.size(), start.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + start.size()), start);
}

TEST_F(LogWriter, ObfuscatedRecordsDecodeToThePlainLines) {
    EnableLogInDirectory(/*obfuscated=*/true);
    mv::LogLine(L"CJavaVM", L"c'tor", L"Could not attach to JVM");
    mv::LogLine(L"A", L"b", L"ends in CR LF\r\n");
    EXPECT_FALSE(logtest::FileExists(PlainFile()));

    const std::vector<std::uint8_t> bytes = ReadBytes(ObfuscatedFile());
    ASSERT_GE(bytes.size(), 10u);
    const std::vector<std::uint8_t> header(bytes.begin(), bytes.begin() + 6);
    EXPECT_EQ(header, (std::vector<std::uint8_t>{0xFF, 0xFE, 0x01, 0x00, 0x00, 0x00}));
    const std::vector<std::wstring> records = logtest::DecodeObfuscatedForTest(bytes);
    ASSERT_EQ(records.size(), 2u);
    const std::optional<logtest::ParsedLine> first = logtest::ParseLine(records[0]);
    ASSERT_TRUE(first) << ::testing::PrintToString(records[0]);
    EXPECT_EQ(first->message, kMessage);
    EXPECT_EQ(first->processId, ::GetCurrentProcessId());
    EXPECT_EQ(first->imageName, L"log_test.exe");
    // No line end is added to a record; the message keeps its own.
    EXPECT_EQ(records[1].substr(records[1].size() - 16), L"\tends in CR LF\r\n");
    std::uint32_t firstLength = 0;
    for (int i = 9; i >= 6; --i) firstLength = (firstLength << 8) | bytes[i];
    EXPECT_EQ(firstLength, records[0].size() * 2);

    // The reader gives the text the plain form would hold.
    const mv::DecodedLogFile decoded = mv::ReadLogFile(ObfuscatedFile());
    EXPECT_EQ(decoded.status, mv::LogFileStatus::kOk);
    EXPECT_EQ(decoded.form, mv::LogFileForm::kObfuscated);
    EXPECT_EQ(decoded.text, records[0] + L"\r\n" + records[1] + L"\r\n");
}

TEST_F(LogWriter, TenUnitRecordHasLengthTwentyAndUnscramblesWithItsLength) {
    const std::wstring path = PathIn(L"record.bin");
    {
        mv::CWinFWStream file;
        ASSERT_TRUE(file.Open(path, false));
        std::wostringstream line;
        line << L"0123456789";
        mv::LogWriteObfuscatedLine(file, line);
    }
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), 24u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4),
              (std::vector<std::uint8_t>{20, 0, 0, 0}));
    std::vector<std::uint8_t> record(bytes.begin() + 4, bytes.end());
    EXPECT_NE(record, logtest::Utf16Bytes(L"0123456789"));
    mv::ScrambleLogRecord(record.data(), 20);
    EXPECT_EQ(record, logtest::Utf16Bytes(L"0123456789"));
}

TEST_F(LogWriter, ScramblingMatchesTheTestsKeystreamForShortAndLongRecords) {
    for (std::uint32_t length : {2u, 20u, 254u, 256u, 300u, 5000u}) {
        std::wstring text(length / 2, L'\0');
        for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<wchar_t>(0x41 + i % 50);
        std::vector<std::uint8_t> file = {0xFF, 0xFE, 1, 0, 0, 0};
        file.push_back(static_cast<std::uint8_t>(length));
        file.push_back(static_cast<std::uint8_t>(length >> 8));
        file.push_back(0);
        file.push_back(0);
        std::vector<std::uint8_t> record = logtest::Utf16Bytes(text);
        mv::ScrambleLogRecord(record.data(), length);
        file.insert(file.end(), record.begin(), record.end());
        const std::vector<std::wstring> decoded = logtest::DecodeObfuscatedForTest(file);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0], text) << length;
    }
}

TEST_F(LogWriter, EveryPlainLineEndsInItsOwnCrLf) {
    EnableLogInDirectory();
    mv::LogLine(L"A", L"b", L"ends in CR LF\r\n");
    mv::LogLine(L"A", L"b", L"inner\nLF");
    const std::wstring text = PlainText(PlainFile());
    const std::size_t second = text.find(L"L:1 ", 1);
    ASSERT_NE(second, std::wstring::npos);
    EXPECT_EQ(text.substr(second - 17, 17), L"ends in CR LF\r\n\r\n");
    EXPECT_EQ(text.substr(text.size() - 10), L"inner\nLF\r\n") << "an inner LF is left alone";
}

TEST_F(LogWriter, NullAndEmptyPiecesWriteNothing) {
    EnableLogInDirectory();
    mv::LogLine(nullptr, L"", nullptr);
    const std::vector<std::wstring> lines = mv::SplitLogLines(PlainText(PlainFile()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(logtest::ParseLine(lines[0])->message, L"[::]\t");

    std::wostringstream stream;
    mv::WriteWideText(stream, nullptr);
    mv::WriteWideText(stream, L"");
    EXPECT_TRUE(stream.good());
    EXPECT_TRUE(stream.str().empty());
}

TEST_F(LogWriter, LogPathWithTrailingBackslashesWritesIntoThatDirectory) {
    EnableLogInDirectory();
    SetString(kDeploymentKey, L"LogPath", Dir() + L"\\\\");
    mv::LogLine(L"A", L"b", L"here");
    EXPECT_EQ(logtest::ListFiles(Dir()), std::vector<std::wstring>{L"wk_observer.log"});

    // A single backslash leaves the root of the current drive.
    SetString(kDeploymentKey, L"LogPath", L"\\");
    std::wstring current;
    EXPECT_EQ(mv::LogRotateIfNeeded(current), 1);
    EXPECT_EQ(current, L"\\wk_observer.log");
}

TEST_F(LogWriter, MissingDirectoryLosesTheLineAndCreatesNothing) {
    EnableLogInDirectory();
    const std::wstring missing = PathIn(L"missing");
    SetString(kDeploymentKey, L"LogPath", missing);
    std::wostringstream line;
    mv::CWinFWStream file;
    EXPECT_EQ(mv::LogBeginLine(1, line, file), mv::kLogFileNotOpened);
    EXPECT_FALSE(file.IsOpen());
    mv::LogLine(L"A", L"b", L"lost");
    EXPECT_FALSE(logtest::FileExists(missing));
}

TEST_F(LogWriter, FileStreamWritesLongStringsThroughAndBuffersShortOnes) {
    const std::wstring path = PathIn(L"stream.txt");
    mv::CWinFWStream file;
    EXPECT_EQ(file.rdbuf()->pubsync(), mv::CWinFileBuffer::kFailed) << "no handle yet";
    EXPECT_FALSE(file.WriteRaw(L"x", 1));
    ASSERT_TRUE(file.Open(path, false));
    EXPECT_FALSE(file.Open(path, false)) << "a handle is already attached";

    file << L'a' << L'b' << L'c' << L'd' << L'e';
    EXPECT_EQ(file.PendingUnits(), 5u);
    file << std::wstring(L"xy");  // shorter than what is pending: buffered
    EXPECT_EQ(file.PendingUnits(), 7u);
    file << std::wstring(L"1234567");  // as long as what is pending: straight through
    EXPECT_EQ(file.PendingUnits(), 0u);
    file << std::wstring();
    for (int i = 0; i < 120; ++i) file << L'z';  // fills the 49-unit put area twice
    file << L'\r' << L'\n' << std::flush;        // an existing CR LF is not widened
    file << L'a' << L'\n' << L'b' << std::endl;
    EXPECT_TRUE(file.WriteRaw(nullptr, 3));
    file.Close();
    EXPECT_FALSE(file.IsOpen());

    const std::wstring expected =
        L"abcdexy1234567" + std::wstring(120, L'z') + L"\r\n" + L"a\nb\r\n";
    EXPECT_EQ(ReadBytes(path), logtest::Utf16Bytes(expected));
}

TEST_F(LogWriter, HeaderIsWrittenOnlyToAnExistingEmptyFile) {
    const std::wstring path = PathIn(L"header.mvl");
    mv::CWinFWStream file;
    file.WriteHeaderIfEmpty(path, 1);  // no file: nothing, and no handle either
    EXPECT_FALSE(logtest::FileExists(path));
    ASSERT_TRUE(file.Open(path, false));
    file.WriteHeaderIfEmpty(path, 2);  // only exactly 1 means obfuscated
    file.Close();
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{0xFF, 0xFE}));
    logtest::WriteBytes(path, {});
    ASSERT_TRUE(file.Open(path, false));
    file.WriteHeaderIfEmpty(path, 1);
    file.WriteHeaderIfEmpty(path, 1);
    file.Close();
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{0xFF, 0xFE, 1, 0, 0, 0}));
}

TEST(LogMutex, ExistsOnceTheModuleIsLoaded) {
    ASSERT_NE(mv::LogMutexHandle(), nullptr);
    mv::unique_handle opened(::OpenMutexW(SYNCHRONIZE, FALSE, L"MV_LOG_MUTEX"));
    EXPECT_TRUE(opened);
}

TEST(LogMutex, NullDaclSecurityAttributesGrantEveryone) {
    NS_SECURITY_UTILS::CNullDaclSecurityAttributes attributes;
    SECURITY_ATTRIBUTES* sa = attributes.get();
    EXPECT_EQ(sa->nLength, sizeof(SECURITY_ATTRIBUTES));
    EXPECT_FALSE(sa->bInheritHandle);
    BOOL present = FALSE;
    BOOL defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(1);
    ASSERT_TRUE(::GetSecurityDescriptorDacl(sa->lpSecurityDescriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(dacl, nullptr);
    EXPECT_FALSE(defaulted);
}

class LogMutexAbandoned : public logtest::LogTest {};

TEST_F(LogMutexAbandoned, LineIsStillWrittenAndTheMutexFreedAfterwards) {
    EnableLogInDirectory();
    std::thread([] {
        mv::unique_handle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"MV_LOG_MUTEX"));
        ASSERT_EQ(::WaitForSingleObject(mutex.get(), 5000), WAIT_OBJECT_0);
        // The thread ends owning it: the mutex is abandoned.
    }).join();
    mv::LogLine(L"A", L"b", L"after an abandoned mutex");
    EXPECT_EQ(mv::SplitLogLines(PlainText(PlainFile())).size(), 1u);

    DWORD waited = WAIT_FAILED;
    std::thread([&waited] {
        mv::unique_handle mutex(
            ::OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"MV_LOG_MUTEX"));
        waited = ::WaitForSingleObject(mutex.get(), 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ::ReleaseMutex(mutex.get());
    }).join();
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "the log released what it took over";
}

}  // namespace
