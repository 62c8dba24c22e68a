// The AWT component model across processes: a client drives the sample applications in the host
// through the registered type library, as an agent's process does.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "awt_test.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/variant.h"
#include "java_statics.h"

namespace mv::test {
namespace {

const Bounds kLoginFrame{100, 80, 480, 360};
const Bounds kAwtFrame{620, 80, 360, 240};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class SampleApps : public AwtTest {
protected:
    Component Part(const wchar_t* window, const wchar_t* name) {
        Component part = FindByName(Window(window).get(), name);
        EXPECT_TRUE(part) << "no component named " << Narrow(name);
        return part;
    }

    struct Seen {
        std::wstring javaClass, title;
        std::optional<Bounds> bounds;
        LONG column = -1, row = -1;
    };
    // Reads everything a client can read of a component and of all below and owned by it.
    void Walk(IJAwtComponent* component, int depth, std::map<std::wstring, Seen>& seen) {
        ASSERT_LT(depth, 20) << "the tree is deeper than any sample's";
        Seen& s = seen[NameOf(component)];
        s.javaClass = ClassOf(component);
        s.title = AttributeOf(component, L"title").value_or(L"-");
        s.bounds = BoundsOf(component);
        component->GetRelXPos(&s.column);
        component->GetRelYPos(&s.row);
        AttributeOf(component, L"is_visible");
        unique_bstr text;
        VARIANT_BOOL flag = VARIANT_FALSE;
        component->GetValue(text.put(), &flag);
        component->IsTextComponent(&flag);
        com_ptr<IDispatch> other;
        component->GetContainer(other.put());
        if (const auto container = As<IJAwtContainer>(component)) container->FindComponentAt(POINTL{5, 5}, other.put());
        for (const Component& child : ChildrenOf(component)) Walk(child.get(), depth + 1, seen);
        SAFEARRAY* owned = nullptr;
        if (const auto window = As<IJAwtWindow>(component); window && window->GetOwnedWindows(&owned) == S_OK)
            for (const Component& ownedWindow : TakeComponentArray(owned)) Walk(ownedWindow.get(), depth + 1, seen);
    }
};

TEST_F(SampleApps, AWalkOfBothApplicationsShowsTheirTreesAndLeavesNoReferenceBehind) {
    const long long before = host().LiveReferences();
    ASSERT_GE(before, 0) << "the host answers \"refs\"";
    std::map<std::wstring, Seen> seen;
    for (const Component& window : TopLevelWindows(jvm())) Walk(window.get(), 0, seen);
    struct Row {
        const wchar_t* name;
        const wchar_t* javaClass;
        const wchar_t* title;  // "-": none, null: not compared (a field's text)
        Bounds bounds;
        LONG column, row;
    } rows[] = {
        {L"loginFrame", L"javax.swing.JFrame", L"Sign in", kLoginFrame, -1, -1},
        {L"userLabel", L"javax.swing.JLabel", L"User name:", {}, 1, 1},
        {L"user", L"javax.swing.JTextField", nullptr, {}, 2, 1},
        {L"password", L"javax.swing.JPasswordField", nullptr, {}, 2, 2},
        {L"signIn", L"javax.swing.JButton", L"Sign in", {}, 2, 3},
        {L"r1c1", L"javax.swing.JTextField", nullptr, {10, 10, 100, 24}, 1, 1},
        {L"r2c3", L"javax.swing.JTextField", nullptr, {230, 40, 100, 24}, 3, 2},
        {L"awtFrame", L"java.awt.Frame", L"AWT sample", kAwtFrame, -1, -1},
        {L"codeLabel", L"java.awt.Label", L"Code:", {}, -2, -2},
        {L"code", L"java.awt.TextField", nullptr, {}, -2, -2},
        {L"ok", L"java.awt.Button", L"OK", {}, -2, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        ASSERT_EQ(seen.count(row.name), 1u) << "not walked";
        const Seen& s = seen[row.name];
        EXPECT_EQ(s.javaClass, row.javaClass);
        EXPECT_TRUE(!row.title || s.title == row.title) << Narrow(s.title);
        EXPECT_TRUE(!row.bounds.width || s.bounds == row.bounds) << s.bounds.value_or(Bounds{});
        EXPECT_TRUE(row.column == -2 || (s.column == row.column && s.row == row.row)) << s.column << "," << s.row;
    }
    for (const auto& [point, name] : {std::pair{POINTL{125, 15}, L"r1c2"}, std::pair{POINTL{-5, -5}, L""}}) {
        // A point crosses as a record by value: the field under it, or nothing.
        const auto details = As<IJAwtContainer>(Part(L"loginFrame", L"details").get());
        ASSERT_TRUE(details);
        com_ptr<IDispatch> found;
        EXPECT_EQ(details->FindComponentAt(point, found.put()), S_OK);
        EXPECT_EQ(NameOf(As<IJAwtComponent>(found.get()).get()), name) << point.x;
    }
    EXPECT_EQ(host().LiveReferences(), before) << "every released object deleted its reference in the host";
}

TEST_F(SampleApps, NativeWindowsOfTheHostAreMatchedWithItsJavaWindows) {
    struct Row {
        std::string name;
        Bounds bounds;
        HRESULT hr;
        GetHWNDResultInfo info;
        const wchar_t* javaName;
    };
    std::vector<Row> rows = {{"login frame", kLoginFrame, S_OK, ResultOK, L"loginFrame"},
                             {"AWT frame", kAwtFrame, S_OK, ResultOK, L"awtFrame"}};
    const Bounds& b = kLoginFrame;
    for (int d : {1, -1})
        for (Bounds off : {Bounds{b.x + d, b.y, b.width, b.height}, Bounds{b.x, b.y + d, b.width, b.height},
                           Bounds{b.x, b.y, b.width + d, b.height}, Bounds{b.x, b.y, b.width, b.height + d}})
            rows.push_back({"one pixel off", off, S_FALSE, NoMatch, nullptr});
    rows.push_back({"a child covering the frame", {0, 0, b.width, b.height}, S_FALSE, NoMatch, nullptr});
    rows.push_back({"a closed window", kLoginFrame, S_FALSE, NoMatch, nullptr});
    Component loginFrame;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.name << " " << row.bounds);
        HostWindow parent, native = HostWindow::TopLevel(host(), row.bounds.x, row.bounds.y, row.bounds.width, row.bounds.height);
        if (row.name == "a child covering the frame") {
            parent = std::move(native);
            native = HostWindow::Child(host(), parent.get(), 0, 0, b.width, b.height);
        }
        ASSERT_TRUE(native) << native.answer();
        const ULONG value = native.value();
        if (row.name == "a closed window") native.Close();
        GetHWNDResultInfo info = CannotMatch;
        com_ptr<IDispatch> found;
        EXPECT_EQ(jvm()->GetComponentFromHwnd(value, &info, found.put()), row.hr);
        EXPECT_EQ(info, row.info);
        // It reaches the client as IDispatch; the window interfaces come by QueryInterface.
        EXPECT_EQ(row.javaName ? NameOf(As<IJAwtComponent>(found.get()).get()) : L"", row.javaName ? row.javaName : L"");
        EXPECT_EQ(row.javaName != nullptr, static_cast<bool>(As<IJAwtWindow>(found.get())));
        if (row.javaName && std::wstring(row.javaName) == L"loginFrame") loginFrame = As<IJAwtComponent>(found.get());
    }
    // The other way: the native window of a Java window, found in the host.
    HostWindow native = HostWindow::TopLevel(host(), b.x, b.y, b.width, b.height);
    GetHWNDResultInfo info = CannotMatch;
    ULONG window = 0;
    const auto frameWindow = As<IJAwtWindow>(loginFrame.get());
    ASSERT_TRUE(frameWindow);
    EXPECT_EQ(frameWindow->GetHWND(&info, &window), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_EQ(window, native.value());
}

TEST_F(SampleApps, TextSetByTheClientIsWhatTheApplicationReads) {
    const std::wstring typed = L"J\u00fcrgen \u00e9t\u00e9 \U0001F511";
    struct Row {
        const wchar_t *window, *name, *app;
    } rows[] = {{L"loginFrame", L"user", L"samples.LoginApp"},
                {L"loginFrame", L"password", L"samples.LoginApp"},
                {L"awtFrame", L"code", L"samples.AwtApp"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        const Component field = Part(row.window, row.name);
        JavaStatics app(jvm(), row.app);
        ASSERT_TRUE(field && app.loaded());
        for (const std::wstring& text : {typed, std::wstring()}) {  // an empty string clears the field
            VARIANT_BOOL ok = VARIANT_FALSE;
            EXPECT_EQ(field->SetValue(unique_bstr::copy_of(text).get(), &ok), S_OK);
            EXPECT_EQ(ok, VARIANT_TRUE);
            EXPECT_EQ(app.CallString(L"text", {row.name}), text) << "what the application reads";
            unique_bstr back;
            EXPECT_EQ(field->GetValue(back.put(), &ok), S_OK);
            EXPECT_EQ(std::wstring(back.view()), text);
        }
    }
}

TEST_F(SampleApps, ClicksRunTheApplicationsActionsOrAreRefused) {
    JavaStatics app(jvm(), L"samples.AwtApp");
    ASSERT_TRUE(app.loaded());
    struct Row {
        const wchar_t* name;
        HRESULT hr;
        LONG clicks;
    } rows[] = {{L"ok", S_OK, 1}, {L"off", S_FALSE, 0} /* disabled */, {L"codeLabel", S_FALSE, 0}};
    for (const Row& row : rows) {
        const std::optional<LONG> before = app.CallInt(L"okCount");
        ASSERT_TRUE(before);
        const Component part = Part(L"awtFrame", row.name);
        ASSERT_TRUE(part);
        EXPECT_EQ(part->DoClick(), row.hr) << Narrow(row.name);
        EXPECT_EQ(app.CallInt(L"okCount"), *before + row.clicks) << Narrow(row.name);
    }
}

// Single sign-on: a native window of the Java process appears; the client finds the Java window
// behind it, recognises the fields and the button by class and position, types, clicks, and the
// application signs in with what was typed.
TEST_F(SampleApps, AClientSignsInThroughTheNativeWindowThatAppeared) {
    std::vector<HostWindow> mirrors;
    Component frame;
    for (ULONG value : MirroredWindows(host().CommandLines("mirror", "mirror done"))) {
        wchar_t title[64] = {};
        ::GetWindowTextW(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value)), title, 64);
        GetHWNDResultInfo info = CannotMatch;
        com_ptr<IDispatch> found;
        if (std::wstring(title) == L"Sign in" && jvm()->GetComponentFromHwnd(value, &info, found.put()) == S_OK &&
            info == ResultOK)
            frame = As<IJAwtComponent>(found.get());
        host().Command("close " + std::to_string(value));
    }
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
    password->GetRelXPos(&column);
    password->GetRelYPos(&row);
    Component user, button;
    for (const Component& sibling : ChildrenOf(As<IJAwtComponent>(panel.get()).get())) {
        LONG x = 0, y = 0;
        sibling->GetRelXPos(&x);
        sibling->GetRelYPos(&y);
        if (ClassOf(sibling.get()) == L"javax.swing.JTextField" && x == column && y == row - 1) user = sibling;
        if (ClassOf(sibling.get()) == L"javax.swing.JButton") button = sibling;
    }
    ASSERT_TRUE(user && button);
    EXPECT_EQ(AttributeOf(button.get(), L"title"), L"Sign in");
    const std::wstring name = L"sso-user-" + std::to_wstring(::GetTickCount64() % 100000), secret = L"p\u00e4ss w\u00f6rd";
    VARIANT_BOOL typed = VARIANT_FALSE;
    EXPECT_EQ(user->SetValue(unique_bstr::copy_of(name).get(), &typed), S_OK);
    EXPECT_EQ(password->SetValue(unique_bstr::copy_of(secret).get(), &typed), S_OK);
    EXPECT_EQ(button->DoClick(), S_OK);
    EXPECT_EQ(JavaStatics(jvm(), L"samples.LoginApp").CallString(L"lastSignIn"), name + L"|" + secret);
}

// AddAWTEventListener and RemoveAWTEventListener change what the hook in the application listens
// for, and only while it listens do the application's events reach it.
TEST_F(SampleApps, EventsReachTheHookOnlyWhileItListens) {
    constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK
    UINT64 hookHandle = 0;
    ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hookHandle), S_OK);
    const JavaHandle hook(jvm(), hookHandle);
    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(hook && app.loaded());
    const auto call = [&](auto member, const wchar_t* method, const wchar_t* signature, auto* result) {
        EXPECT_EQ((jvm()->*member)(hook.get(), Bstr(method).get(), Bstr(signature).get(), unique_variant().get(), result),
                  S_OK) << Narrow(method);
        return *result;
    };
    LONGLONG mask = -1;
    LONG count = -1;
    ASSERT_EQ(call(&IMvJavaCpp::CallLongMethod, L"getListenedMask", L"()J", &mask), 0) << "nothing listened for yet";
    for (bool listening : {true, false}) {
        SCOPED_TRACE(listening ? "listening" : "removed");
        ASSERT_EQ(listening ? jvm()->AddAWTEventListener(kComponentEvents) : jvm()->RemoveAWTEventListener(kComponentEvents), S_OK);
        EXPECT_EQ(call(&IMvJavaCpp::CallLongMethod, L"getListenedMask", L"()J", &mask) & kComponentEvents,
                  listening ? kComponentEvents : 0);
        EXPECT_EQ(jvm()->CallVoidMethod(hook.get(), Bstr(L"resetEventCount").get(), Bstr(L"()V").get(), unique_variant().get()), S_OK);
        // The events of the first nudge are dispatched before the second runs on the event thread.
        app.Call(L"nudge");
        app.Call(L"nudge");
        EXPECT_EQ(call(&IMvJavaCpp::CallIntMethod, L"getEventCount", L"()I", &count) > 0, listening);
    }
}

}  // namespace
}  // namespace mv::test
