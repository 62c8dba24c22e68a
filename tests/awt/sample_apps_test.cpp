// The AWT component model across processes: a client drives the sample applications in the host
// through the registered type library, as an agent's process does. What a single process cannot
// show is tested here: records passed by value, references left in the host, native windows of
// the host, and text, clicks and events reaching the application.

#include <windows.h>

#include <string>
#include <vector>

#include "awt_test.h"
#include "java_statics.h"

namespace mv::test {
namespace {

const Bounds kLoginFrame{100, 80, 480, 360};
const Bounds kAwtFrame{620, 80, 360, 240};

using SampleApps = AwtTest;

// A native window of the host at a Java window's rectangle finds it, with the records (bounds, points)
// crossing by value; a closed one finds none (one pixel off: Components and mvjava's hwnd test).
TEST_F(SampleApps, NativeWindowsOfTheHostAreMatchedWithItsJavaWindows) {
    const struct {
        const char* name;
        Bounds bounds;
        HRESULT hr;
        GetHWNDResultInfo info;
        const wchar_t* javaName;
    } rows[] = {{"login frame", kLoginFrame, S_OK, ResultOK, L"loginFrame"},
                {"AWT frame", kAwtFrame, S_OK, ResultOK, L"awtFrame"},
                {"closed", kLoginFrame, S_FALSE, NoMatch, L""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        HostWindow native = HostWindow::TopLevel(host(), row.bounds.x, row.bounds.y, row.bounds.width, row.bounds.height);
        ASSERT_TRUE(native) << native.answer();
        const ULONG value = native.value();
        if (row.name == std::string("closed")) native.Close();
        GetHWNDResultInfo info = CannotMatch;
        com_ptr<IDispatch> found;
        EXPECT_EQ(jvm()->GetComponentFromHwnd(value, &info, found.put()), row.hr);
        EXPECT_EQ(info, row.info);
        const auto window = As<IJAwtWindow>(found.get());
        EXPECT_EQ(NameOf(As<IJAwtComponent>(found.get()).get()), row.javaName);
        if (!window) continue;
        EXPECT_EQ(BoundsOf(As<IJAwtComponent>(found.get()).get()), row.bounds);
        ULONG back = 0;
        EXPECT_EQ(window->GetHWND(&info, &back), S_OK) << "the other way";
        EXPECT_EQ(std::make_pair(info, back), std::make_pair(ResultOK, value));
    }
    const auto details = As<IJAwtContainer>(FindByName(Window(L"loginFrame").get(), L"details").get());
    ASSERT_TRUE(details);
    EXPECT_EQ(BoundsOf(FindByName(As<IJAwtComponent>(details.get()).get(), L"r2c3").get()), (Bounds{230, 40, 100, 24}))
        << "relative to its parent";
    for (const auto& [point, name] : {std::pair{POINTL{125, 15}, L"r1c2"}, std::pair{POINTL{-5, -5}, L""}}) {
        com_ptr<IDispatch> found;
        EXPECT_EQ(details->FindComponentAt(point, found.put()), S_OK);
        EXPECT_EQ(NameOf(As<IJAwtComponent>(found.get()).get()), name) << point.x;
    }
}

// Single sign-on: a native window of the Java process appears; the client finds the Java window
// behind it, recognises the fields and the button by class and position, types, clicks, and the
// application signs in with what was typed.
TEST_F(SampleApps, AClientSignsInThroughTheNativeWindowThatAppearedAndLeavesNoReferenceBehind) {
    const long long before = host().LiveReferences();
    ASSERT_GE(before, 0) << "the host answers \"refs\"";
    const std::wstring name = L"J\u00fcrgen " + std::to_wstring(::GetTickCount64() % 100000);
    const std::wstring secret = L"p\u00e4ss w\u00f6rd";
    [&] {
        const Component frame = As<IJAwtComponent>(WindowBehindMirror(host(), jvm(), L"Sign in").get());
        ASSERT_TRUE(frame) << "no native window titled as the login frame shows it";
        // The password field is the only one of its class; the user name field is the text field one
        // row above it in the same panel; the button is that panel's.
        std::vector<Component> all = ChildrenOf(frame.get()), passwords;
        for (std::size_t i = 0; i < all.size(); ++i) {
            for (const Component& child : ChildrenOf(all[i].get())) all.push_back(child);
            if (ClassOf(all[i].get()) == L"javax.swing.JPasswordField") passwords.push_back(all[i]);
        }
        ASSERT_EQ(passwords.size(), 1u);
        const Component& password = passwords[0];
        com_ptr<IDispatch> panel;
        ASSERT_EQ(password->GetContainer(panel.put()), S_OK);
        LONG column = 0, row = 0;
        password->GetRelXPos(&column), password->GetRelYPos(&row);
        Component user, button;
        for (const Component& sibling : ChildrenOf(As<IJAwtComponent>(panel.get()).get())) {
            LONG x = 0, y = 0;
            if (!sibling) continue;  // an element that is no component
            sibling->GetRelXPos(&x), sibling->GetRelYPos(&y);
            if (ClassOf(sibling.get()) == L"javax.swing.JTextField" && x == column && y == row - 1) user = sibling;
            if (ClassOf(sibling.get()) == L"javax.swing.JButton") button = sibling;
        }
        ASSERT_TRUE(user && button);
        VARIANT_BOOL typed = VARIANT_FALSE;
        EXPECT_EQ(user->SetValue(unique_bstr::copy_of(name).get(), &typed), S_OK);
        EXPECT_EQ(password->SetValue(unique_bstr::copy_of(secret).get(), &typed), S_OK);
        EXPECT_EQ(button->DoClick(), S_OK);
    }();
    EXPECT_EQ(JavaStatics(jvm(), L"samples.LoginApp").CallString(L"lastSignIn"), name + L"|" + secret);
    EXPECT_EQ(host().LiveReferences(), before) << "every released object deleted its reference in the host";
}

TEST_F(SampleApps, EventsReachTheHookOnlyWhileItListens) {
    constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK
    UINT64 hookHandle = 0;
    ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hookHandle), S_OK);
    const JavaHandle hook(jvm(), hookHandle);
    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(hook && app.loaded());
    for (bool listening : {true, false}) {
        SCOPED_TRACE(listening ? "listening" : "removed");
        ASSERT_EQ(listening ? jvm()->AddAWTEventListener(kComponentEvents) : jvm()->RemoveAWTEventListener(kComponentEvents),
                  S_OK);
        EXPECT_EQ(jvm()->CallVoidMethod(hook.get(), Bstr(L"resetEventCount").get(), Bstr(L"()V").get(),
                                        unique_variant().get()), S_OK);
        // The events of the first nudge are dispatched before the second runs on the event thread.
        EXPECT_EQ(app.CallVoid(L"nudge") | app.CallVoid(L"nudge"), S_OK);
        LONG count = -1;
        EXPECT_EQ(jvm()->CallIntMethod(hook.get(), Bstr(L"getEventCount").get(), Bstr(L"()I").get(),
                                       unique_variant().get(), &count), S_OK);
        EXPECT_EQ(count > 0, listening);
    }
}

}  // namespace
}  // namespace mv::test
