// The reader of log files: recognising the form, and stopping cleanly at damaged data.

#include <gtest/gtest.h>

#include <algorithm>

#include "log/log_file_reader.h"
#include "log/log_scramble.h"
#include "log_test_support.h"

namespace {

std::vector<std::uint8_t> Record(const std::wstring& text) {
    std::vector<std::uint8_t> bytes = logtest::Utf16Bytes(text);
    const std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
    mv::ScrambleLogRecord(bytes.data(), length);
    std::vector<std::uint8_t> record(4 + bytes.size(), 0);
    record[0] = static_cast<std::uint8_t>(length);
    record[1] = static_cast<std::uint8_t>(length >> 8);
    std::copy(bytes.begin(), bytes.end(), record.begin() + 4);
    return record;
}

mv::DecodedLogFile Decode(const std::vector<std::uint8_t>& bytes) {
    return mv::DecodeLogFile(bytes.data(), bytes.size());
}

TEST(LogFileReader, RecognisesBothFormsAndEmptyFiles) {
    EXPECT_EQ(Decode({}).status, mv::LogFileStatus::kOk);
    EXPECT_EQ(Decode({}).text, L"");

    std::vector<std::uint8_t> plain = {0xFF, 0xFE};
    const std::vector<std::uint8_t> text = logtest::Utf16Bytes(L"one\r\ntwo\r\n");
    plain.insert(plain.end(), text.begin(), text.end());
    const mv::DecodedLogFile decodedPlain = Decode(plain);
    EXPECT_EQ(decodedPlain.status, mv::LogFileStatus::kOk);
    EXPECT_EQ(decodedPlain.form, mv::LogFileForm::kPlain);
    EXPECT_EQ(decodedPlain.text, L"one\r\ntwo\r\n");

    std::vector<std::uint8_t> obfuscated = {0xFF, 0xFE, 1, 0, 0, 0};
    for (const wchar_t* line : {L"one", L"", L"three\r\n"}) {
        const std::vector<std::uint8_t> record = Record(line);
        obfuscated.insert(obfuscated.end(), record.begin(), record.end());
    }
    const mv::DecodedLogFile decodedObfuscated = Decode(obfuscated);
    EXPECT_EQ(decodedObfuscated.status, mv::LogFileStatus::kOk);
    EXPECT_EQ(decodedObfuscated.form, mv::LogFileForm::kObfuscated);
    EXPECT_EQ(decodedObfuscated.text, L"one\r\n\r\nthree\r\n\r\n");
}

TEST(LogFileReader, StopsAtDamageAndKeepsWhatPrecedesIt) {
    EXPECT_EQ(Decode(logtest::Utf16Bytes(L"no mark")).status, mv::LogFileStatus::kNotALogFile);

    std::vector<std::uint8_t> plain = {0xFF, 0xFE, 'a', 0, 'b'};
    EXPECT_EQ(Decode(plain).status, mv::LogFileStatus::kDamaged);
    EXPECT_EQ(Decode(plain).text, L"a");

    std::vector<std::uint8_t> obfuscated = {0xFF, 0xFE, 1, 0, 0, 0};
    const std::vector<std::uint8_t> record = Record(L"whole");
    obfuscated.insert(obfuscated.end(), record.begin(), record.end());
    for (std::size_t cut : {1u, 3u, 4u, 9u}) {  // inside the length, or inside the text
        std::vector<std::uint8_t> damaged = obfuscated;
        damaged.insert(damaged.end(), record.begin(), record.begin() + cut);
        const mv::DecodedLogFile decoded = Decode(damaged);
        EXPECT_EQ(decoded.status, mv::LogFileStatus::kDamaged) << cut;
        EXPECT_EQ(decoded.text, L"whole\r\n") << cut;
    }
    std::vector<std::uint8_t> oddLength = obfuscated;
    for (std::uint8_t byte : {3, 0, 0, 0, 1, 2, 3}) oddLength.push_back(byte);
    EXPECT_EQ(Decode(oddLength).status, mv::LogFileStatus::kDamaged);
}

TEST(LogFileReader, MissingFileIsUnreadable) {
    EXPECT_EQ(mv::ReadLogFile(L"C:\\no\\such\\dir\\wk_observer.log").status,
              mv::LogFileStatus::kUnreadable);
}

TEST(LogFileReader, SplitsLinesAtCrLfOnly) {
    EXPECT_EQ(mv::SplitLogLines(L"a\r\nb\r\n"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(mv::SplitLogLines(L"a\r\nb"), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_EQ(mv::SplitLogLines(L"a\nb\r\n\r\n"), (std::vector<std::wstring>{L"a\nb", L""}));
    EXPECT_TRUE(mv::SplitLogLines(L"").empty());
}

}  // namespace
