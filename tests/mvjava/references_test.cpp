// Every mvjava command gives back what it took in the Java process: the component objects it
// received, the hook object of the one-call snapshot and the objects of its own Java calls. The
// host counts its live JNI global references; they are back at their start after each command.

#include <windows.h>

#include "mvjava_test.h"

namespace mv::test {
namespace {

class MvjavaReferences : public MvjavaTest {
protected:
    long long LiveReferences() {
        const long long refs = host().LiveReferences();
        EXPECT_GE(refs, 0) << "the host answers \"refs\"";
        return refs;
    }
};

TEST_F(MvjavaReferences, NoCommandLeavesAReferenceBehind) {
    const std::wstring user = PathOf(L"user");
    const std::wstring panel = PathOf(L"credentials");
    const long long before = LiveReferences();
    ASSERT_GE(before, 0);
    const std::vector<std::vector<std::wstring>> commands = {
        {L"list"},
        {L"tree", L"PID"},
        {L"tree", L"PID", L"--walk", L"--depth", L"3"},
        {L"find", L"PID", L"--class", L"JTextField", L"--walk"},
        {L"get", L"PID", user},
        {L"set", L"PID", user, L"refs"},
        {L"get", L"PID", panel},                  // refused
        {L"get", L"PID", L"/0/999"},              // not found
        {L"click", L"PID", PathOf(L"off")},       // refused
        {L"hwnd", L"PID", L"1"},                  // no window
    };
    for (const std::vector<std::wstring>& command : commands) {
        const MvjavaResult result = Mvjava(command);
        std::wstring line;
        for (const std::wstring& arg : command) line += L" " + arg;
        EXPECT_NE(result.exitCode, -1) << Utf8(line);
        EXPECT_EQ(LiveReferences(), before) << "after mvjava" << Utf8(line) << "\n" << Show(result);
    }
}

}  // namespace
}  // namespace mv::test
