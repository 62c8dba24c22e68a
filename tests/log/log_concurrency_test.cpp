// Several processes with several threads each write lines while a small size limit forces
// many rotations (and nothing is purged): afterwards every line is found exactly once, whole
// and well formed, across the current and the rotated files, in each thread's order.

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <tuple>

#include "common/win/handles.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"
#include "wine_path.h"

namespace {

using logtest::kDeploymentKey;

constexpr int kProcesses = 4;
constexpr int kThreads = 4;
constexpr int kLinesPerThread = 250;
constexpr DWORD kLimitKiB = 8;  // about 35 lines per file: over a hundred rotations
constexpr DWORD kChildTimeoutMs = 120000;

std::wstring WriterPath() { return mv::test::WindowsPathOfUnixPath(MV_LOG_WRITER_PATH); }

struct Child {
    mv::unique_handle process;
    DWORD processId = 0;
};

Child StartWriter(int index, const std::wstring& startEvent) {
    const std::wstring exe = WriterPath();
    std::wstring commandLine = L"\"" + exe + L"\" " + std::to_wstring(index) + L" " +
                               std::to_wstring(kThreads) + L" " + std::to_wstring(kLinesPerThread) +
                               L" " + startEvent;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Child child;
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        ADD_FAILURE() << "CreateProcess failed: " << ::GetLastError();
        return child;
    }
    ::CloseHandle(info.hThread);
    child.process.reset(info.hProcess);
    child.processId = info.dwProcessId;
    return child;
}

class LogConcurrency : public logtest::LogTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LogConcurrency, EveryLineOfEveryWriterLandsExactlyOnce) {
    const bool obfuscated = GetParam();
    EnableLogInDirectory(obfuscated);
    SetDword(kDeploymentKey, L"LogFileSize", kLimitKiB);
    SetDword(kDeploymentKey, L"LogFileCount", 100000);

    const std::wstring eventName = L"MvLogConcurrencyStart_" +
                                   std::to_wstring(::GetCurrentProcessId()) +
                                   (obfuscated ? L"_mvl" : L"_log");
    mv::unique_handle start(::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    ASSERT_TRUE(start);
    std::vector<Child> children;
    for (int p = 0; p < kProcesses; ++p) children.push_back(StartWriter(p, eventName));
    ::SetEvent(start.get());
    for (int p = 0; p < kProcesses; ++p) {
        ASSERT_TRUE(children[p].process) << "writer " << p;
        ASSERT_EQ(::WaitForSingleObject(children[p].process.get(), kChildTimeoutMs), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        ::GetExitCodeProcess(children[p].process.get(), &exitCode);
        ASSERT_EQ(exitCode, 0u) << "writer " << p;
    }

    // Rotated files in stamp order, then the current file.
    const wchar_t* extension = obfuscated ? L"mvl" : L"log";
    std::vector<std::wstring> files =
        logtest::ListFiles(Dir(), (std::wstring(L"wk_observer_*.") + extension).c_str());
    EXPECT_GE(files.size(), 24u) << "the size limit should force dozens of rotations";
    files.push_back(std::wstring(L"wk_observer.") + extension);

    static const std::wregex message(
        L"\\[LogConcurrency::writer\\]\\tp=(\\d+) t=(\\d+) n=(\\d+) \\.{40}");
    std::map<std::tuple<int, int, int>, int> seen;
    std::map<std::pair<int, int>, int> lastLine;
    std::map<std::pair<int, int>, unsigned long> threadIds;
    int foreignLines = 0;
    for (const std::wstring& name : files) {
        const std::vector<std::uint8_t> bytes = logtest::ReadBytes(PathIn(name));
        // The test's own decoding, checked against the library's reader.
        std::vector<std::wstring> lines;
        const mv::DecodedLogFile decoded = mv::DecodeLogFile(bytes.data(), bytes.size());
        ASSERT_EQ(decoded.status, mv::LogFileStatus::kOk) << ::testing::PrintToString(name);
        if (obfuscated) {
            lines = logtest::DecodeObfuscatedForTest(bytes);
            std::wstring joined;
            for (const std::wstring& line : lines) joined += line + L"\r\n";
            EXPECT_EQ(decoded.text, joined);
        } else {
            ASSERT_GE(bytes.size(), 2u);
            ASSERT_EQ(bytes[0], 0xFF);
            ASSERT_EQ(bytes[1], 0xFE);
            lines = mv::SplitLogLines(decoded.text);
            ASSERT_EQ(decoded.text.substr(decoded.text.size() - 2), L"\r\n")
                << "ends with a whole line";
        }
        for (const std::wstring& line : lines) {
            const std::optional<logtest::ParsedLine> parsed = logtest::ParseLine(line);
            ASSERT_TRUE(parsed) << "malformed line in " << ::testing::PrintToString(name) << ": "
                                << ::testing::PrintToString(line);
            if (parsed->imageName != L"log_concurrency_writer.exe") {
                ++foreignLines;  // another program of this prefix logging meanwhile
                continue;
            }
            std::wsmatch m;
            ASSERT_TRUE(std::regex_match(parsed->message, m, message))
                << ::testing::PrintToString(line);
            const int p = std::stoi(m[1]);
            const int t = std::stoi(m[2]);
            const int n = std::stoi(m[3]);
            ASSERT_TRUE(p < kProcesses && t < kThreads && n < kLinesPerThread)
                << ::testing::PrintToString(line);
            EXPECT_EQ(parsed->processId, children[p].processId);
            const auto thread = std::make_pair(p, t);
            if (threadIds.count(thread)) {
                EXPECT_EQ(parsed->threadId, threadIds[thread]);
            }
            threadIds[thread] = parsed->threadId;
            EXPECT_GT(n, lastLine.count(thread) ? lastLine[thread] : -1)
                << "order of " << p << "/" << t;
            lastLine[thread] = n;
            ++seen[std::make_tuple(p, t, n)];
        }
    }

    int missing = 0;
    int duplicated = 0;
    for (int p = 0; p < kProcesses; ++p) {
        for (int t = 0; t < kThreads; ++t) {
            for (int n = 0; n < kLinesPerThread; ++n) {
                const auto found = seen.find(std::make_tuple(p, t, n));
                if (found == seen.end()) {
                    ++missing;
                } else if (found->second != 1) {
                    ++duplicated;
                }
            }
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(duplicated, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kProcesses * kThreads * kLinesPerThread));
    EXPECT_EQ(foreignLines, 0) << "lines of other programs (not an error of the log itself)";
}

INSTANTIATE_TEST_SUITE_P(BothForms, LogConcurrency, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& form) {
                             return form.param ? "Obfuscated" : "Plain";
                         });

}  // namespace
