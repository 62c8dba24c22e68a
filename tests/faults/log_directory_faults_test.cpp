// The log's directory and current file go wrong under a running process: the directory
// disappears, its path is taken by a file, the current file cannot be written, the path is
// too long. Every line returns normally (under a hang guard), nothing is created where it
// should not be, and lines resume once the directory is usable again.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/handles.h"
#include "log_faults_support.h"

namespace {

using logtest::kDeploymentKey;
using mv::test::Holds;
using mv::test::LogUnderGuard;

class LogDirectoryFaults : public logtest::LogTest {
protected:
    void SetUp() override {
        logtest::LogTest::SetUp();
        EnableLogInDirectory();
    }
};

TEST_F(LogDirectoryFaults, LinesResumeWhenARemovedDirectoryComesBack) {
    LogUnderGuard(L"before the directory went");
    ASSERT_TRUE(Holds(PlainFile(), L"before the directory went"));
    ASSERT_TRUE(::DeleteFileW(PlainFile().c_str()));
    ASSERT_TRUE(::RemoveDirectoryW(Dir().c_str()));

    LogUnderGuard(L"while the directory is gone");
    LogUnderGuard(L"while the directory is still gone");
    EXPECT_EQ(::GetFileAttributesW(Dir().c_str()), INVALID_FILE_ATTRIBUTES) << "the log made a directory";

    ASSERT_TRUE(::CreateDirectoryW(Dir().c_str(), nullptr));
    LogUnderGuard(L"after the directory came back");
    EXPECT_TRUE(Holds(PlainFile(), L"after the directory came back"));
    EXPECT_FALSE(Holds(PlainFile(), L"gone"));
}

TEST_F(LogDirectoryFaults, ADirectoryPathTakenByAFileLeavesTheFileAlone) {
    const std::wstring taken = PathIn(L"taken");
    logtest::WriteBytes(taken, {'n', 'o', 't', ' ', 'a', ' ', 'd', 'i', 'r'});
    SetString(kDeploymentKey, L"LogPath", taken);

    LogUnderGuard(L"into a path that is a file");
    EXPECT_EQ(logtest::ReadBytes(taken), (std::vector<std::uint8_t>{'n', 'o', 't', ' ', 'a', ' ', 'd', 'i', 'r'}));

    ASSERT_TRUE(::DeleteFileW(taken.c_str()));
    ASSERT_TRUE(::CreateDirectoryW(taken.c_str(), nullptr));
    LogUnderGuard(L"into the directory now there");
    const std::wstring current = taken + L"\\wk_observer.log";
    EXPECT_TRUE(Holds(current, L"into the directory now there"));
    EXPECT_FALSE(Holds(current, L"a path that is a file"));
    ::DeleteFileW(current.c_str());
    ::RemoveDirectoryW(taken.c_str());
}

// Wine keeps the read-only attribute as the file's Unix write permission, and these tests run
// as root, who may write any file: whether a read-only current file refuses the log is found
// out here, not assumed. What fails for everyone is a file another process holds without
// sharing write access.
TEST_F(LogDirectoryFaults, ACurrentFileHeldWithoutWriteSharingLosesLinesUntilReleased) {
    LogUnderGuard(L"first line");
    ASSERT_TRUE(Holds(PlainFile(), L"first line"));
    {
        mv::unique_hfile held(::CreateFileW(PlainFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        LogUnderGuard(L"while held by another");
    }
    LogUnderGuard(L"after the release");
    EXPECT_TRUE(Holds(PlainFile(), L"after the release"));
    EXPECT_FALSE(Holds(PlainFile(), L"while held by another"));
}

// A reader that shares reading and writing but not deleting (a log viewer, say) keeps the
// current file from being rotated: the lines go on into it, and no rotated copy piles up.
TEST_F(LogDirectoryFaults, ACurrentFileHeldWithoutDeleteSharingGrowsInsteadOfRotating) {
    LogUnderGuard(L"first line");
    ASSERT_TRUE(Holds(PlainFile(), L"first line"));
    SetDword(kDeploymentKey, L"LogFileSize", 0);
    {
        mv::unique_hfile reader(::CreateFileW(PlainFile().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader);
        for (int i = 0; i < 5; ++i) LogUnderGuard(L"while a reader holds it " + std::to_wstring(i));
        EXPECT_TRUE(logtest::ListFiles(Dir(), L"wk_observer_*.log").empty());
        EXPECT_TRUE(Holds(PlainFile(), L"while a reader holds it 4"));
    }
    LogUnderGuard(L"after the reader let go");
    EXPECT_EQ(logtest::ListFiles(Dir(), L"wk_observer_*.log").size(), 1u);
    EXPECT_TRUE(Holds(PlainFile(), L"after the reader let go"));
}

TEST_F(LogDirectoryFaults, AReadOnlyCurrentFile) {
    LogUnderGuard(L"first line");
    ASSERT_TRUE(Holds(PlainFile(), L"first line"));
    ASSERT_TRUE(::SetFileAttributesW(PlainFile().c_str(), FILE_ATTRIBUTE_READONLY));
    // What Wine itself does with the attribute for this process.
    mv::unique_hfile probe(::CreateFileW(PlainFile().c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr));
    const bool writable = static_cast<bool>(probe);
    probe.reset();
    std::printf("robustness: a read-only current file %s opened for writing under Wine (as root)\n",
                writable ? "can be" : "cannot be");

    LogUnderGuard(L"into a read-only file");
    EXPECT_EQ(Holds(PlainFile(), L"into a read-only file"), writable);
    // Rotation: the current file cannot be deleted, so no rotated copy may stay behind (one per
    // line over the limit would fill the disk); the lines go on into the current file.
    SetDword(kDeploymentKey, L"LogFileSize", 0);
    SetDword(kDeploymentKey, L"LogFileCount", 2);
    for (int i = 0; i < 4; ++i) LogUnderGuard(L"rotating a read-only file " + std::to_wstring(i));
    const std::vector<std::wstring> rotated = logtest::ListFiles(Dir(), L"wk_observer_*.log");
    const bool survived = logtest::FileExists(PlainFile());
    std::printf("robustness: 4 lines over the limit into a read-only current file left %zu rotated files "
                "(count setting 2); the current file was %s\n",
                rotated.size(), survived ? "not deleted" : "deleted");
    EXPECT_TRUE(survived) << "a read-only file was deleted";
    EXPECT_TRUE(rotated.empty());
    EXPECT_EQ(Holds(PlainFile(), L"rotating a read-only file 3"), writable);

    ASSERT_TRUE(!survived || ::SetFileAttributesW(PlainFile().c_str(), FILE_ATTRIBUTE_NORMAL));
    SetDword(kDeploymentKey, L"LogFileSize", 1024);
    LogUnderGuard(L"after it became writable");
    EXPECT_TRUE(Holds(PlainFile(), L"after it became writable"));
}

TEST_F(LogDirectoryFaults, VeryLongPathsWriteNothingAndLinesResume) {
    const std::wstring longName = PathIn(std::wstring(300, L'a'));  // one component over 255
    std::wstring deep = Dir();
    while (deep.size() < 600) deep += L"\\" + std::wstring(100, L'b');  // past MAX_PATH
    const std::wstring huge = Dir() + L"\\" + std::wstring(40000, L'c');
    for (const std::wstring& path : {longName, deep, huge}) {
        SetString(kDeploymentKey, L"LogPath", path);
        LogUnderGuard(L"into a very long path");
        EXPECT_TRUE(logtest::ListFiles(Dir()).empty()) << "a file appeared for a path of " << path.size();
    }
    // A directory that does exist beyond MAX_PATH (made with the \\?\ prefix).
    std::wstring longDirectory = Dir();
    while (longDirectory.size() < 300) {
        longDirectory += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + longDirectory).c_str(), nullptr));
    }
    SetString(kDeploymentKey, L"LogPath", longDirectory);
    LogUnderGuard(L"into an existing long directory");
    const bool written = logtest::FileExists(L"\\\\?\\" + longDirectory + L"\\wk_observer.log");
    std::printf("robustness: a line into an existing directory of %zu characters %s\n", longDirectory.size(),
                written ? "was written" : "was lost");
    ::DeleteFileW((L"\\\\?\\" + longDirectory + L"\\wk_observer.log").c_str());
    while (longDirectory.size() > Dir().size()) {
        ::RemoveDirectoryW((L"\\\\?\\" + longDirectory).c_str());
        longDirectory.erase(longDirectory.rfind(L'\\'));
    }

    SetString(kDeploymentKey, L"LogPath", Dir());
    LogUnderGuard(L"back in a short path");
    EXPECT_TRUE(Holds(PlainFile(), L"back in a short path"));
}

}  // namespace
