// Single sign-on as an agent's client process does it: a native window of the Java process
// appears; the client finds the Java window behind it, recognises the user name and password
// fields and the button by their classes and positions, types and clicks, and the Java
// application signs in with what was typed.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "awt_test.h"
#include "common/com/bstr.h"
#include "java_statics.h"

namespace mv::test {
namespace {

// The visible top-level windows of one process, in Z order.
std::vector<HWND> TopLevelWindowsOfProcess(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid && ::IsWindowVisible(window)) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    return title;
}

LONG Rank(IJAwtComponent* component, HRESULT (STDMETHODCALLTYPE IJAwtComponent::*member)(LONG*)) {
    LONG rank = -1;
    (component->*member)(&rank);
    return rank;
}

// Every component below `root` whose class is `javaClass`.
void CollectByClass(IJAwtComponent* root, const std::wstring& javaClass, std::vector<Component>& found) {
    for (const Component& child : ChildrenOf(root)) {
        if (!child) continue;
        if (ClassOf(child.get()) == javaClass) found.push_back(child);
        CollectByClass(child.get(), javaClass, found);
    }
}

class SingleSignOn : public AwtTest {
protected:
    // Asks the host to show a native window behind each Java window and answers the new ones.
    std::vector<HWND> NativeWindowsAppear() {
        const std::vector<HWND> before = TopLevelWindowsOfProcess(host().pid());
        const std::vector<std::string> lines = host().CommandLines("mirror", "mirror done");
        EXPECT_FALSE(lines.empty());
        EXPECT_EQ(lines.empty() ? std::string() : lines.back(), "mirror done");
        std::vector<HWND> appeared;
        for (HWND window : TopLevelWindowsOfProcess(host().pid()))
            if (std::find(before.begin(), before.end(), window) == before.end()) appeared.push_back(window);
        for (HWND window : appeared) m_mirrors.push_back(window);
        return appeared;
    }

    void TearDown() override {
        for (HWND window : m_mirrors) host().Command("close " + std::to_string(reinterpret_cast<ULONG_PTR>(window)));
    }

    // The Java window shown by the native window titled `title` among those that appeared.
    Component JavaWindowBehind(const std::vector<HWND>& appeared, const std::wstring& title) {
        for (HWND window : appeared) {
            if (TitleOf(window) != title) continue;
            GetHWNDResultInfo info = CannotMatch;
            com_ptr<IDispatch> found;
            EXPECT_EQ(jvm()->GetComponentFromHwnd(static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(window)), &info,
                                                  found.put()),
                      S_OK);
            EXPECT_EQ(info, ResultOK);
            return As<IJAwtComponent>(found.get());
        }
        ADD_FAILURE() << "no native window titled as the Java window appeared";
        return {};
    }

private:
    std::vector<HWND> m_mirrors;
};

TEST_F(SingleSignOn, TheClientSignsInThroughTheWindowThatAppeared) {
    const std::vector<HWND> appeared = NativeWindowsAppear();
    ASSERT_GE(appeared.size(), 2u) << "a native window for each sample window";
    const Component frame = JavaWindowBehind(appeared, L"Sign in");
    ASSERT_TRUE(frame);

    // The password field is the only one of its class; the user name field is the text field
    // in the same column one row above it, in the same panel; the button is that panel's.
    std::vector<Component> passwords;
    CollectByClass(frame.get(), L"javax.swing.JPasswordField", passwords);
    ASSERT_EQ(passwords.size(), 1u);
    const Component& password = passwords[0];
    com_ptr<IDispatch> panelObject;
    ASSERT_EQ(password->GetContainer(panelObject.put()), S_OK);
    const auto panel = As<IJAwtComponent>(panelObject.get());
    ASSERT_TRUE(panel);
    const LONG column = Rank(password.get(), &IJAwtComponent::GetRelXPos);
    const LONG row = Rank(password.get(), &IJAwtComponent::GetRelYPos);
    ASSERT_GT(row, 1);
    Component user, button;
    for (const Component& sibling : ChildrenOf(panel.get())) {
        const std::wstring cls = ClassOf(sibling.get());
        if (cls == L"javax.swing.JTextField" && Rank(sibling.get(), &IJAwtComponent::GetRelXPos) == column &&
            Rank(sibling.get(), &IJAwtComponent::GetRelYPos) == row - 1)
            user = sibling;
        if (cls == L"javax.swing.JButton") button = sibling;
    }
    ASSERT_TRUE(user) << "no text field above the password field";
    ASSERT_TRUE(button);
    EXPECT_EQ(AttributeOf(button.get(), L"title"), L"Sign in");

    const std::wstring name = L"sso-user-" + std::to_wstring(::GetTickCount64() % 100000);
    const std::wstring secret = L"p\u00e4ss w\u00f6rd";
    VARIANT_BOOL typed = VARIANT_FALSE;
    ASSERT_EQ(user->SetValue(unique_bstr::copy_of(name).get(), &typed), S_OK);
    EXPECT_EQ(typed, VARIANT_TRUE);
    ASSERT_EQ(password->SetValue(unique_bstr::copy_of(secret).get(), &typed), S_OK);
    EXPECT_EQ(typed, VARIANT_TRUE);
    EXPECT_EQ(button->DoClick(), S_OK);

    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(app.loaded());
    EXPECT_EQ(app.CallString(L"lastSignIn"), name + L"|" + secret);
}

TEST_F(SingleSignOn, TheClientFillsAndConfirmsThePlainAwtWindow) {
    const std::vector<HWND> appeared = NativeWindowsAppear();
    const Component frame = JavaWindowBehind(appeared, L"AWT sample");
    ASSERT_TRUE(frame);
    std::vector<Component> fields, buttons;
    CollectByClass(frame.get(), L"java.awt.TextField", fields);
    CollectByClass(frame.get(), L"java.awt.Button", buttons);
    ASSERT_EQ(fields.size(), 1u);
    // The enabled button is the one whose click the hook performs; pick it by its label.
    Component ok;
    for (const Component& b : buttons)
        if (AttributeOf(b.get(), L"title") == L"OK") ok = b;
    ASSERT_TRUE(ok);

    JavaStatics app(jvm(), L"samples.AwtApp");
    ASSERT_TRUE(app.loaded());
    const std::optional<LONG> before = app.CallInt(L"okCount");
    ASSERT_TRUE(before);
    VARIANT_BOOL typed = VARIANT_FALSE;
    ASSERT_EQ(fields[0]->SetValue(unique_bstr::copy_of(L"4711").get(), &typed), S_OK);
    EXPECT_EQ(typed, VARIANT_TRUE);
    EXPECT_EQ(ok->DoClick(), S_OK);
    EXPECT_EQ(app.CallString(L"text", {L"code"}), L"4711");
    EXPECT_EQ(app.CallInt(L"okCount"), *before + 1);
}

}  // namespace
}  // namespace mv::test
