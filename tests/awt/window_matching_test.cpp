// Matching Java windows and native windows by their rectangles, across processes: the host makes
// native top-level and child windows on request, the client asks the host's main object for the
// Java window behind a native one (GetComponentFromHwnd) and a Java window for its native window
// (GetHWND).

#include <windows.h>

#include <vector>

#include "awt_test.h"
#include "common/com/bstr.h"
#include "java_statics.h"

namespace mv::test {
namespace {

const Bounds kLoginFrame{100, 80, 480, 360};
const Bounds kAwtFrame{620, 80, 360, 240};
const Bounds kAwtDialog{650, 150, 200, 100};

// The order in which EnumWindows reports the given windows (top of the Z order first).
std::vector<HWND> InEnumerationOrder(std::vector<HWND> windows) {
    struct Search {
        std::vector<HWND> wanted;
        std::vector<HWND> found;
    } search{std::move(windows), {}};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            for (HWND w : s->wanted)
                if (w == window) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs a static control of a sample application and its counterpart at the end of the scope.
class SampleState {
public:
    SampleState(IMvJavaCpp* jvm, const wchar_t* className, const wchar_t* open, const wchar_t* close)
        : m_app(jvm, className), m_close(close) {
        m_app.Call(open);
    }
    ~SampleState() { m_app.Call(m_close); }
    SampleState(const SampleState&) = delete;
    SampleState& operator=(const SampleState&) = delete;
    bool loaded() const { return m_app.loaded(); }

private:
    JavaStatics m_app;
    std::wstring m_close;
};

struct HwndMatch {
    HRESULT hr = E_UNEXPECTED;
    GetHWNDResultInfo info = static_cast<GetHWNDResultInfo>(-1);
    com_ptr<IDispatch> found;
};

struct NativeMatch {
    HRESULT hr = E_UNEXPECTED;
    GetHWNDResultInfo info = static_cast<GetHWNDResultInfo>(-1);
    ULONG window = 0xFFFFFFFF;
};

class WindowMatching : public AwtTest {
protected:
    HwndMatch ComponentFromHwnd(ULONG window) {
        HwndMatch match;
        match.hr = jvm()->GetComponentFromHwnd(window, &match.info, match.found.put());
        return match;
    }

    static NativeMatch HwndOf(IJAwtComponent* javaWindow) {
        NativeMatch match;
        const auto asWindow = As<IJAwtWindow>(javaWindow);
        if (!asWindow) {
            ADD_FAILURE() << "not a window object";
            return match;
        }
        match.hr = asWindow->GetHWND(&match.info, &match.window);
        return match;
    }

    HostWindow NativeWindowAt(const Bounds& b) {
        HostWindow window = HostWindow::TopLevel(host(), b.x, b.y, b.width, b.height);
        EXPECT_TRUE(window) << "host answered: " << window.answer();
        return window;
    }
};

TEST_F(WindowMatching, ANativeWindowAtExactlyAFramesBoundsFindsThatFrame) {
    struct Case {
        Bounds bounds;
        const wchar_t* name;
    };
    for (const Case& c : {Case{kLoginFrame, L"loginFrame"}, Case{kAwtFrame, L"awtFrame"}}) {
        HostWindow native = NativeWindowAt(c.bounds);
        ASSERT_TRUE(native);
        HwndMatch match = ComponentFromHwnd(native.value());
        ASSERT_EQ(match.hr, S_OK) << c.bounds;
        EXPECT_EQ(match.info, ResultOK);
        // It reaches the client as IDispatch; the window interfaces come by QueryInterface.
        const auto frame = As<IJAwtComponent>(match.found.get());
        ASSERT_TRUE(frame);
        EXPECT_TRUE(As<IJAwtWindow>(frame.get()));
        EXPECT_EQ(NameOf(frame.get()), c.name);
        EXPECT_EQ(BoundsOf(frame.get()), c.bounds);
    }
}

TEST_F(WindowMatching, OnePixelOffInAnyValueMatchesNothing) {
    const Bounds& b = kLoginFrame;
    const Bounds variants[] = {
        {b.x + 1, b.y, b.width, b.height}, {b.x - 1, b.y, b.width, b.height},
        {b.x, b.y + 1, b.width, b.height}, {b.x, b.y - 1, b.width, b.height},
        {b.x, b.y, b.width + 1, b.height}, {b.x, b.y, b.width - 1, b.height},
        {b.x, b.y, b.width, b.height + 1}, {b.x, b.y, b.width, b.height - 1},
    };
    for (const Bounds& off : variants) {
        HostWindow native = NativeWindowAt(off);
        ASSERT_TRUE(native);
        HwndMatch match = ComponentFromHwnd(native.value());
        EXPECT_EQ(match.hr, S_FALSE) << off;
        EXPECT_EQ(match.info, NoMatch) << off;
        EXPECT_FALSE(match.found) << off;
    }
}

TEST_F(WindowMatching, TwoJavaFramesWithTheSameBoundsAreAmbiguousAndTheFirstListedWins) {
    SampleState twin(jvm(), L"samples.LoginApp", L"openTwin", L"closeTwin");
    ASSERT_TRUE(twin.loaded());
    // The Java list, as the module sees it, holds both frames at the login frame's bounds.
    std::vector<Component> atLoginBounds;
    for (const Component& window : TopLevelWindows(jvm()))
        if (BoundsOf(window.get()) == kLoginFrame) atLoginBounds.push_back(window);
    ASSERT_EQ(atLoginBounds.size(), 2u) << "LoginApp.openTwin() should open a second frame at the same bounds";

    HostWindow native = NativeWindowAt(kLoginFrame);
    ASSERT_TRUE(native);
    HwndMatch match = ComponentFromHwnd(native.value());
    ASSERT_EQ(match.hr, S_OK);
    EXPECT_EQ(match.info, ResultAmbiguous);
    const auto found = As<IJAwtComponent>(match.found.get());
    ASSERT_TRUE(found);
    EXPECT_TRUE(SameJavaObject(jvm(), found.get(), atLoginBounds[0].get()));
    EXPECT_FALSE(SameJavaObject(jvm(), found.get(), atLoginBounds[1].get()));
}

TEST_F(WindowMatching, AChildWindowOrAHandleOfNoWindowMatchesNothing) {
    HostWindow parent = NativeWindowAt(kLoginFrame);
    ASSERT_TRUE(parent);
    // The child covers the frame's rectangle too: only top-level windows are compared.
    HostWindow child = HostWindow::Child(host(), parent.get(), 0, 0, kLoginFrame.width, kLoginFrame.height);
    ASSERT_TRUE(child) << child.answer();
    HwndMatch match = ComponentFromHwnd(child.value());
    EXPECT_EQ(match.hr, S_FALSE);
    EXPECT_EQ(match.info, NoMatch);
    EXPECT_FALSE(match.found);

    HostWindow gone = NativeWindowAt(kLoginFrame);
    const ULONG goneValue = gone.value();
    gone.Close();
    match = ComponentFromHwnd(goneValue);
    EXPECT_EQ(match.hr, S_FALSE);
    EXPECT_EQ(match.info, NoMatch);
    EXPECT_FALSE(match.found);
}

TEST_F(WindowMatching, ComponentFromHwndRefusesMissingArguments) {
    HostWindow native = NativeWindowAt(kLoginFrame);
    ASSERT_TRUE(native);
    GetHWNDResultInfo info = ResultOK;
    com_ptr<IDispatch> found;
    EXPECT_EQ(jvm()->GetComponentFromHwnd(0, &info, found.put()), E_INVALIDARG);
    EXPECT_FALSE(found);
}

TEST_F(WindowMatching, GetHwndFindsTheNativeWindowOfAFrame) {
    const Component frame = Window(L"loginFrame");
    ASSERT_TRUE(frame);
    HostWindow native = NativeWindowAt(kLoginFrame);
    HostWindow elsewhere = NativeWindowAt(kAwtFrame);
    ASSERT_TRUE(native && elsewhere);
    NativeMatch match = HwndOf(frame.get());
    EXPECT_EQ(match.hr, S_OK);
    EXPECT_EQ(match.info, ResultOK);
    EXPECT_EQ(match.window, native.value());
}

TEST_F(WindowMatching, GetHwndReportsNoMatchWhenNoNativeWindowHasTheBounds) {
    const Component frame = Window(L"loginFrame");
    ASSERT_TRUE(frame);
    HostWindow offByOne = NativeWindowAt({kLoginFrame.x, kLoginFrame.y, kLoginFrame.width, kLoginFrame.height + 1});
    HostWindow otherFrame = NativeWindowAt(kAwtFrame);
    ASSERT_TRUE(offByOne && otherFrame);
    NativeMatch match = HwndOf(frame.get());
    EXPECT_EQ(match.hr, S_FALSE);
    EXPECT_EQ(match.info, NoMatch);
    EXPECT_EQ(match.window, 0u);
}

TEST_F(WindowMatching, GetHwndWithTwoNativeWindowsAtTheBoundsIsAmbiguousAndAnswersTheUpperOne) {
    const Component frame = Window(L"loginFrame");
    ASSERT_TRUE(frame);
    HostWindow first = NativeWindowAt(kLoginFrame);
    HostWindow second = NativeWindowAt(kLoginFrame);
    ASSERT_TRUE(first && second);
    const std::vector<HWND> zOrder = InEnumerationOrder({first.get(), second.get()});
    ASSERT_EQ(zOrder.size(), 2u);
    NativeMatch match = HwndOf(frame.get());
    EXPECT_EQ(match.hr, S_OK);
    EXPECT_EQ(match.info, ResultAmbiguous);
    EXPECT_EQ(match.window, static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(zOrder[0])));
}

TEST_F(WindowMatching, GetHwndOnAListedDialogMatchesLikeAFrame) {
    SampleState dialog(jvm(), L"samples.AwtApp", L"showDialog", L"hideDialog");
    ASSERT_TRUE(dialog.loaded());
    Component awtDialog = Window(L"awtDialog");
    ASSERT_TRUE(awtDialog);
    // A dialog among the top-level windows has no container, even though its owner is a frame.
    com_ptr<IDispatch> container;
    ASSERT_EQ(awtDialog->GetContainer(container.put()), S_OK);
    EXPECT_FALSE(container);

    HostWindow native = NativeWindowAt(kAwtDialog);
    ASSERT_TRUE(native);
    NativeMatch match = HwndOf(awtDialog.get());
    EXPECT_EQ(match.hr, S_OK);
    EXPECT_EQ(match.info, ResultOK);
    EXPECT_EQ(match.window, native.value());
}

TEST_F(WindowMatching, GetHwndOnAWindowWithAParentIsNotATopLevelWindow) {
    // A JWindow made without an owner gets Swing's shared owner frame as its parent, and one
    // never shown is not among the top-level windows.
    UINT64 handle = 0;
    ASSERT_EQ(jvm()->NewDefJavaObject(unique_bstr(::SysAllocString(L"javax.swing.JWindow")).get(), &handle), S_OK);
    const JavaHandle owned(jvm(), handle);
    com_ptr<IDispatch> object;
    ASSERT_EQ(jvm()->MakeJComponentFromHandle(handle, object.put()), S_OK);
    const auto window = As<IJAwtComponent>(object.get());
    ASSERT_TRUE(window);
    com_ptr<IDispatch> parent;
    ASSERT_EQ(window->GetContainer(parent.put()), S_OK);
    ASSERT_TRUE(parent) << "the JWindow should have its owner as parent";

    HostWindow native = NativeWindowAt(kLoginFrame);
    NativeMatch match = HwndOf(window.get());
    EXPECT_EQ(match.hr, S_FALSE);
    EXPECT_EQ(match.info, NotATopLevelWindow);
    EXPECT_EQ(match.window, 0u);
}

}  // namespace
}  // namespace mv::test
