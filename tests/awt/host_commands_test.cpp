// The Java-process host's commands as the tests rely on them: native windows exactly where they
// were asked for, a native window behind every Java window, refusals of what it cannot do; and
// the reading of the JVM's output for JNI warnings.

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "awt_test.h"

namespace mv::test {
namespace {

Bounds RectOf(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

class HostCommands : public AwtTest {};

TEST_F(HostCommands, WindowsAreMadeInTheHostAtExactlyTheRectangleAsked) {
    HostWindow top = HostWindow::TopLevel(host(), 33, 44, 155, 66);
    ASSERT_TRUE(top) << top.answer();
    EXPECT_EQ(ProcessOf(top.get()), host().pid());
    EXPECT_EQ(RectOf(top.get()), (Bounds{33, 44, 155, 66}));
    EXPECT_TRUE(::IsWindowVisible(top.get()));
    EXPECT_EQ(::GetAncestor(top.get(), GA_PARENT), ::GetDesktopWindow());

    HostWindow child = HostWindow::Child(host(), top.get(), 5, 6, 20, 10);
    ASSERT_TRUE(child) << child.answer();
    EXPECT_EQ(::GetAncestor(child.get(), GA_PARENT), top.get());
    EXPECT_EQ(RectOf(child.get()), (Bounds{38, 50, 20, 10})) << "client coordinates of the parent";

    const HWND topWindow = top.get();
    top.Close();
    EXPECT_FALSE(::IsWindow(topWindow));
    EXPECT_FALSE(::IsWindow(child.get())) << "children go with their parent";
}

TEST_F(HostCommands, WhatTheHostCannotDoIsAnsweredWithAnError) {
    for (const char* bad : {"window 1 2 0 3", "window 1 2 3", "window a b c d", "child 1 2 3 4 5", "close 0",
                            "close 4242", "close x", "nonsense", "refs now"}) {
        EXPECT_EQ(host().Command(bad).rfind("error ", 0), 0u) << bad;
    }
    // A window of another process is not the host's to close or to parent.
    const HWND mine = ::GetDesktopWindow();
    EXPECT_EQ(host().Command("close " + std::to_string(reinterpret_cast<ULONG_PTR>(mine))).rfind("error ", 0), 0u);
    // Still answering after the refusals.
    EXPECT_EQ(host().Command("refs").rfind("refs ", 0), 0u);
}

TEST_F(HostCommands, MirrorShowsANativeWindowBehindEveryJavaWindow) {
    const std::vector<std::string> lines = host().CommandLines("mirror", "mirror done");
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.back(), "mirror done");
    const std::vector<Component> javaWindows = TopLevelWindows(jvm());
    ASSERT_EQ(lines.size(), javaWindows.size() + 1) << "one line per shown Java window";
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        std::istringstream line(lines[i]);
        std::string word;
        unsigned long long value = 0;
        Bounds reported;
        line >> word >> value >> reported.x >> reported.y >> reported.width >> reported.height;
        ASSERT_EQ(word, "mirror") << lines[i];
        const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
        EXPECT_EQ(ProcessOf(window), host().pid());
        EXPECT_EQ(RectOf(window), reported);
        EXPECT_EQ(BoundsOf(javaWindows[i].get()), reported) << "in the order of the Java list";
        wchar_t title[128] = {};
        ::GetWindowTextW(window, title, 128);
        EXPECT_EQ(std::wstring(title), AttributeOf(javaWindows[i].get(), L"title").value_or(L""));
        EXPECT_EQ(host().Command("close " + std::to_string(value)), "closed");
    }
}

TEST(JvmOutput, JniWarningsOfCallersAreFoundAndThoseOfTheJdksOwnNativesAreNot) {
    const std::string output =
        "windows open\n"
        "WARNING in native method: JNI call made without checking exceptions when required to from CallIntMethod\n"
        "\tat sun.font.FreetypeFontScaler.initNativeScaler(java.desktop@17.0.15/Native Method)\n"
        "\tat sun.font.FreetypeFontScaler.<init>(java.desktop@17.0.15/FreetypeFontScaler.java:67)\n"
        "WARNING in native method: JNI call made with exception pending\n"
        "WARNING: JNI local refs: 33, exceeds capacity: 32\n"
        "\tat fixtures.Base.x(Base.java:12)\n"
        "FATAL ERROR in native method: Using JNIEnv in the wrong thread";
    const std::vector<std::string> warnings = FindJniWarningsOfCallers(output);
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[0].find("exception pending"), std::string::npos);
    EXPECT_NE(warnings[1].find("local refs"), std::string::npos);
    EXPECT_NE(warnings[1].find("fixtures.Base.x"), std::string::npos) << "with the line after it";
    EXPECT_NE(warnings[2].find("wrong thread"), std::string::npos);
    EXPECT_TRUE(FindJniWarningsOfCallers("Exception in thread \"main\" java.lang.Error\n").empty());
}

}  // namespace
}  // namespace mv::test
