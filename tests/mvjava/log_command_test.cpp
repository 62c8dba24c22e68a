// mvjava log on files the module's log writer wrote, in both forms: the output is the file's
// text line by line in UTF-8 (checked against the test's own decoding), and --follow prints the
// lines added later, once each, until it is ended.

#include <windows.h>

#include "log/log.h"
#include "log_test_support.h"
#include "mvjava_process.h"

namespace {

using logtest::LogTest;
using mv::test::MvjavaResult;
using mv::test::RunMvjava;
using mv::test::SplitLines;
using mv::test::Utf8;

// The file's lines as the test decodes it (plain: UTF-16LE after the byte-order mark).
std::vector<std::string> DecodedLines(const std::wstring& file, bool obfuscated) {
    const std::vector<std::uint8_t> bytes = logtest::ReadBytes(file);
    std::vector<std::string> lines;
    if (obfuscated) {
        for (const std::wstring& record : logtest::DecodeObfuscatedForTest(bytes)) lines.push_back(Utf8(record));
        return lines;
    }
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(Utf8(text.substr(start, end - start)));
    return lines;
}

class MvjavaLog : public LogTest {
protected:
    void WriteLines(const std::wstring& method, const std::vector<std::wstring>& messages) {
        for (const std::wstring& message : messages) mv::LogLine(L"MvjavaLogTest", method.c_str(), message.c_str());
    }

    void ExpectPrintsTheFile(bool obfuscated) {
        EnableLogInDirectory(obfuscated);
        const std::vector<std::wstring> messages = {L"first", L"Zo\u00eb \u6771\U0001F600", L"tab\tinside", L"last"};
        WriteLines(obfuscated ? L"obfuscated" : L"plain", messages);
        const std::wstring file = obfuscated ? ObfuscatedFile() : PlainFile();

        const MvjavaResult result = RunMvjava({L"log", file});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::vector<std::string> printed = SplitLines(result.out);
        EXPECT_EQ(printed, DecodedLines(file, obfuscated));
        // Each message came out whole, in order, after its header.
        std::size_t next = 0;
        for (const std::string& line : printed) {
            const std::optional<logtest::ParsedLine> parsed = logtest::ParseLine(mv::test::Wide(line));
            ASSERT_TRUE(parsed) << line;
            if (next < messages.size() &&
                parsed->message == L"[MvjavaLogTest::" + std::wstring(obfuscated ? L"obfuscated" : L"plain") +
                                       L"]\t" + messages[next])
                ++next;
        }
        EXPECT_EQ(next, messages.size()) << result.out;
    }
};

TEST_F(MvjavaLog, PrintsAPlainFileAsText) { ExpectPrintsTheFile(false); }

TEST_F(MvjavaLog, PrintsAnObfuscatedFileAsText) { ExpectPrintsTheFile(true); }

TEST_F(MvjavaLog, FilesThatAreNoLogFilesAreExitSix) {
    const MvjavaResult missing = RunMvjava({L"log", PathIn(L"missing.log")});
    EXPECT_EQ(missing.exitCode, 6) << missing.err;
    EXPECT_EQ(missing.out, "");
    logtest::WriteBytes(PathIn(L"notes.txt"), {'n', 'o', 't', 'e', 's'});
    const MvjavaResult notLog = RunMvjava({L"log", PathIn(L"notes.txt")});
    EXPECT_EQ(notLog.exitCode, 6) << notLog.err;
    EXPECT_EQ(notLog.err.rfind("mvjava: ", 0), 0u) << notLog.err;

    // A record cut short: what precedes it is printed, then the error.
    std::vector<std::uint8_t> damaged = {0xFF, 0xFE};
    const std::vector<std::uint8_t> line = logtest::Utf16Bytes(L"whole line\r\n");
    damaged.insert(damaged.end(), line.begin(), line.end());
    damaged.push_back('x');
    logtest::WriteBytes(PathIn(L"damaged.log"), damaged);
    const MvjavaResult cut = RunMvjava({L"log", PathIn(L"damaged.log")});
    EXPECT_EQ(cut.exitCode, 6) << cut.err;
    EXPECT_EQ(cut.out, "whole line\n");
}

TEST_F(MvjavaLog, FollowPrintsLinesAddedLaterOnceEach) {
    for (bool obfuscated : {false, true}) {
        EnableLogInDirectory(obfuscated);
        const std::wstring file = obfuscated ? ObfuscatedFile() : PlainFile();
        WriteLines(L"follow", {L"before"});
        mv::test::MvjavaProcess follower({L"log", L"--follow", file});
        ASSERT_TRUE(follower.started());
        ASSERT_TRUE(follower.WaitForOutput("\tbefore\n", 30000)) << follower.Output();
        WriteLines(L"follow", {L"after one", L"after two"});
        ASSERT_TRUE(follower.WaitForOutput("\tafter two\n", 30000)) << follower.Output();
        EXPECT_TRUE(follower.Running()) << "--follow keeps going";
        follower.Terminate();
        const std::vector<std::string> printed = SplitLines(follower.Output());
        EXPECT_EQ(printed, DecodedLines(file, obfuscated)) << "each line once, in order";
        ::DeleteFileW(file.c_str());
    }
}

}  // namespace
