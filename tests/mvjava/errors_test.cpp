// What a user who gets something wrong sees: the stable exit codes (1 usage, 2 no JVM, 3 not
// found) with one "mvjava: " line on stderr and nothing on stdout, and nothing changed.

#include <windows.h>

#include "java_statics.h"
#include "mvjava_test.h"

namespace mv::test {
namespace {

class MvjavaErrors : public MvjavaTest {
protected:
    void ExpectError(const std::vector<std::wstring>& args, int exitCode) {
        const MvjavaResult result = Mvjava(args);
        std::wstring line;
        for (const std::wstring& arg : args) line += L" " + arg;
        EXPECT_EQ(result.exitCode, exitCode) << "mvjava" << Utf8(line) << "\n" << Show(result);
        EXPECT_EQ(result.out, "") << Utf8(line);
        EXPECT_TRUE(OneErrorLine(result)) << Utf8(line);
    }
};

TEST_F(MvjavaErrors, UsageErrorsAreExitOne) {
    ExpectError({}, 1);
    ExpectError({L"frobnicate"}, 1);
    ExpectError({L"tree"}, 1);
    ExpectError({L"tree", L"12abc"}, 1);
    ExpectError({L"tree", L"0x"}, 1);
    ExpectError({L"tree", L"99999999999"}, 1);
    ExpectError({L"tree", L"PID", L"--depth"}, 1);
    ExpectError({L"tree", L"PID", L"--depth", L"-1"}, 1);
    ExpectError({L"tree", L"PID", L"--colour"}, 1);
    ExpectError({L"tree", L"PID", L"--json", L"--json"}, 1);
    ExpectError({L"tree", L"PID", L"extra"}, 1);
    ExpectError({L"get", L"PID", L"--walk", L"/0"}, 1);  // an option of another command
    ExpectError({L"find", L"PID"}, 1);                   // no filter
    ExpectError({L"set", L"PID", L"/0/0"}, 1);           // no text
    ExpectError({L"snapshot", L"PID"}, 1);               // no --svg
    ExpectError({L"snapshot", L"PID", L"--svg", L"x.svg", L"--window", L"0"}, 1);
    ExpectError({L"log"}, 1);

    const MvjavaResult help = Mvjava({L"--help"});
    EXPECT_EQ(help.exitCode, 0) << Show(help);
    EXPECT_EQ(help.err, "");
    for (const char* command : {"list", "tree PID", "find PID", "get PID PATH", "set PID PATH TEXT",
                                "click PID PATH", "hwnd PID HWND", "snapshot PID --svg FILE", "log [--follow] FILE"})
        EXPECT_NE(help.out.find(std::string("mvjava ") + command), std::string::npos) << command;
}

TEST_F(MvjavaErrors, AProcessWithoutAJvmIsExitTwo) {
    // This test program is running and publishes no JVM.
    const std::wstring self = std::to_wstring(::GetCurrentProcessId());
    for (const wchar_t* command : {L"tree", L"find", L"get", L"hwnd"}) {
        std::vector<std::wstring> args = {command, self};
        if (std::wstring(command) == L"find") args.insert(args.end(), {L"--name", L"user"});
        if (std::wstring(command) == L"get") args.push_back(L"/0");
        if (std::wstring(command) == L"hwnd") args.push_back(L"1");
        ExpectError(args, 2);
    }
}

TEST_F(MvjavaErrors, PathsThatNameNoComponentAreExitThreeAndChangeNothing) {
    JavaStatics login(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(login.loaded());
    const std::optional<std::wstring> before = login.CallString(L"text", {L"user"});
    ASSERT_TRUE(before);

    const std::vector<ComponentRecord> records = RecordTree(jvm());
    std::size_t windows = 0;
    for (const ComponentRecord& record : records) windows += record.depth == 0;
    const ComponentRecord* user = RecordNamed(records, L"user");
    ASSERT_NE(user, nullptr);

    ExpectError({L"set", L"PID", L"/" + std::to_wstring(windows), L"x"}, 3);      // no such window
    ExpectError({L"set", L"PID", user->path + L"/0", L"x"}, 3);                    // below a leaf
    ExpectError({L"get", L"PID", L"/0/999"}, 3);
    ExpectError({L"click", L"PID", L"/0/0/999/1"}, 3);
    ExpectError({L"snapshot", L"PID", L"--svg", L"unused.svg", L"--window", L"/" + std::to_wstring(windows)}, 3);
    // Malformed paths are usage errors.
    for (const wchar_t* path : {L"0/1", L"/", L"//1", L"/1/", L"/a", L"/-1"}) ExpectError({L"get", L"PID", path}, 1);
    ExpectError({L"set", L"PID", L"/0/x", L"x"}, 1);

    EXPECT_EQ(login.CallString(L"text", {L"user"}), before) << "a refused command changed the field";
}

}  // namespace
}  // namespace mv::test
