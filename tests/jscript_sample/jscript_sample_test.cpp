// The JScript sign-in sample as a user runs it (cscript, the Java application's process id and
// the credentials on the command line) against the login window of the program's host; and the
// hook library's subtree snapshot and path helpers that scripts rely on, across processes.
// What counts is what the application received, read back through the module.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "awt_test.h"
#include "bstr_values.h"
#include "java_statics.h"
#include "process_run.h"
#include "variant_values.h"
#include "wine_path.h"

namespace mv::test {
namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SignInSample : public AwtTest {
protected:
    mvtest::ProcessRun SignIn(const std::wstring& arguments) {
        return mvtest::RunProcess(L"\"" + mvtest::SystemProgram(L"cscript.exe") + L"\" //nologo \"" +
                                      WindowsPathOfUnixPath(MV_SIGN_IN_SCRIPT) + L"\" " + arguments,
                                  120000);
    }
    std::optional<std::wstring> App(const wchar_t* method, std::vector<std::wstring> args = {}) {
        return JavaStatics(jvm(), L"samples.LoginApp").CallString(method, args);
    }
    LONG SignIns() { return JavaStatics(jvm(), L"samples.LoginApp").CallInt(L"signInCount").value_or(-1); }
    std::wstring Pid() { return std::to_wstring(host().pid()); }
};

TEST_F(SignInSample, ApplicationReceivesExactlyTheUserAndPassword) {
    wchar_t hex[32];
    ::swprintf(hex, 32, L"0x%lX", host().pid());
    const struct {
        std::wstring pid;
        std::string user, password;
    } runs[] = {{Pid(), "alice", "s3cret!"}, {Pid(), "bob", "pa$$ w0rd"}, {hex, "carol", "hexadecimal"}};
    for (const auto& run : runs) {  // each run's answer cannot be left over from the one before
        SCOPED_TRACE(run.user);
        const LONG before = SignIns();
        const auto result = SignIn(run.pid + L" " + Wide(run.user) + L" \"" + Wide(run.password) + L"\"");
        EXPECT_FALSE(result.timedOut) << result.output;
        EXPECT_EQ(result.exitCode, 0u) << result.output;
        const std::string expected = run.user + "|" + run.password;
        EXPECT_EQ(App(L"lastSignIn"), Wide(expected));
        EXPECT_EQ(SignIns(), before + 1) << "one click, one sign-in";
        EXPECT_EQ(App(L"text", {L"user"}), Wide(run.user));
        EXPECT_EQ(App(L"text", {L"password"}), Wide(run.password));
        EXPECT_TRUE(Contains(result.output, "application answer: " + expected)) << result.output;
        // The password is typed, not shown, until the application answers with it.
        EXPECT_TRUE(Contains(result.output, "password: set (" + std::to_string(run.password.size()) + " characters)"))
            << result.output;
    }
}

TEST_F(SignInSample, ErrorsAreClearAndChangeNothing) {
    HostProcess plain;  // a published JVM of an application started without the hook library
    ASSERT_TRUE(plain.ready()) << plain.output();
    const std::string self = std::to_string(::GetCurrentProcessId()), other = std::to_string(plain.pid());
    const std::string usage = "sign_in.js: usage: cscript //nologo sign_in.js PID USER PASSWORD";
    const struct {
        std::wstring arguments;
        DWORD exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        {L"", 1, {usage}},
        {Pid() + L" onlyuser", 1, {usage}},
        {L"12ab dave secret", 1, {"sign_in.js: not a process id: 12ab"}},
        {L"-5 dave secret", 1, {"sign_in.js: not a process id: -5"}},
        {Wide(self) + L" mallory nothing", 2, {"sign_in.js: no JVM published by process " + self}},  // this program
        {Wide(other) + L" erin secret", 5,
         {"JVM of process " + other, "sign_in.js: GetMorvaneAWTHook (is the hook library installed in the "
                                     "application?) failed (0x80004005)"}},
    };
    const LONG before = SignIns();
    const auto last = App(L"lastSignIn");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.back());
        const auto result = SignIn(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
        for (const std::string& line : c.lines) EXPECT_TRUE(Contains(result.output, line)) << result.output;
        EXPECT_FALSE(Contains(result.output, "application answer")) << result.output;
    }
    EXPECT_EQ(SignIns(), before);
    EXPECT_EQ(App(L"lastSignIn"), last);
}

class HookHelpers : public AwtTest {
protected:
    void SetUp() override {
        AwtTest::SetUp();
        if (HasFatalFailure()) return;
        UINT64 hook = 0;
        ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hook), S_OK);
        m_hook = JavaHandle(jvm(), hook);
    }
    // A static method of the hook; its answer, or nullopt/0 when the call failed (as a null
    // answer does: the bridge fails a call that answers null).
    std::optional<std::wstring> Subtree(VARIANT root, const wchar_t* path, int depth) {
        unique_variant args;
        MakeArgumentArray(args, {root, path ? ArgBstr(path) : ArgUI8(0), ArgI4(depth)});
        unique_bstr text;
        if (FAILED(jvm()->CallStaticStringMethod(m_hook.get(), Bstr(L"snapshotComponent").get(),
                                                 Bstr(L"(Ljava/lang/Object;Ljava/lang/String;I)Ljava/lang/String;").get(),
                                                 args.get(), text.put())))
            return std::nullopt;
        return std::wstring(text.view());
    }
    JavaHandle ComponentAt(const std::wstring& path) {
        unique_variant args;
        MakeArgumentArray(args, {ArgBstr(path.c_str())});
        UINT64 found = 0;
        const HRESULT hr = jvm()->CallStaticObjectMethod(m_hook.get(), Bstr(L"componentAt").get(),
                                                         Bstr(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                                         args.get(), &found);
        return JavaHandle(jvm(), SUCCEEDED(hr) ? found : 0);
    }
    LONG ClickAt(const std::wstring& path) {
        unique_variant args;
        MakeArgumentArray(args, {ArgBstr(path.c_str())});
        LONG answer = 99;
        EXPECT_EQ(jvm()->CallStaticIntMethod(m_hook.get(), Bstr(L"clickComponentAt").get(),
                                             Bstr(L"(Ljava/lang/String;)I").get(), args.get(), &answer), S_OK);
        return answer;
    }
    JavaHandle m_hook;
};

TEST_F(HookHelpers, SubtreeOfAComponentCarriesTheGivenPath) {
    const Component details = FindByName(Window(L"loginFrame").get(), L"details");
    ASSERT_TRUE(details);
    const auto subtree = Subtree(ArgUI8(HandleOf(details.get())), L"/7/3", -1);
    ASSERT_TRUE(subtree);
    EXPECT_EQ(subtree->rfind(L"{\"path\":\"/7/3\",", 0), 0u) << "the subtree starts with its root";
    const std::size_t children = ChildrenOf(details.get()).size();
    EXPECT_EQ(children, 6u) << "the panel's six fields";
    for (std::size_t i = 0; i < children; ++i)
        EXPECT_NE(subtree->find(L"{\"path\":\"/7/3/" + std::to_wstring(i) + L"\""), std::wstring::npos) << i;
    std::size_t nodes = 0;
    for (auto at = subtree->find(L"{\"path\":"); at != std::wstring::npos; at = subtree->find(L"{\"path\":", at + 1))
        ++nodes;
    EXPECT_EQ(nodes, children + 1);
    // Not a component, no path or a depth below -1: no snapshot.
    UINT64 text = 0;
    ASSERT_EQ(jvm()->NewJavaString(Bstr(L"not a component").get(), &text), S_OK);
    const JavaHandle string(jvm(), text);
    EXPECT_EQ(Subtree(ArgUI8(string.get()), L"/0", -1), std::nullopt);
    EXPECT_EQ(Subtree(ArgUI8(0), L"/0", -1), std::nullopt);
    EXPECT_EQ(Subtree(ArgUI8(HandleOf(details.get())), L"/0", -2), std::nullopt);
    EXPECT_EQ(Subtree(ArgUI8(HandleOf(details.get())), nullptr, -1), std::nullopt);
}

TEST_F(HookHelpers, PathsLeadToTheWalkedComponentsAndClickThem) {
    const std::vector<Component> windows = TopLevelWindows(jvm());
    ASSERT_FALSE(windows.empty());
    std::wstring ok, off, code;  // the paths of the AWT window's two buttons and its text field
    const std::pair<std::wstring, std::wstring*> named[] = {{L"ok", &ok}, {L"off", &off}, {L"code", &code}};
    std::vector<std::pair<std::wstring, Component>> stack;
    for (std::size_t w = 0; w < windows.size(); ++w) stack.emplace_back(L"/" + std::to_wstring(w), windows[w]);
    while (!stack.empty()) {
        auto [path, component] = std::move(stack.back());
        stack.pop_back();
        const JavaHandle found = ComponentAt(path);
        VARIANT_BOOL same = VARIANT_FALSE;
        ASSERT_EQ(jvm()->IsSameJavaObject(found.get(), HandleOf(component.get()), &same), S_OK);
        EXPECT_EQ(same, VARIANT_TRUE) << std::string(path.begin(), path.end());
        const std::wstring name = NameOf(component.get());
        for (const auto& [wanted, into] : named)
            if (name == wanted) *into = path;
        const std::vector<Component> children = ChildrenOf(component.get());
        for (std::size_t i = 0; i < children.size(); ++i) stack.emplace_back(path + L"/" + std::to_wstring(i), children[i]);
    }
    const std::wstring beyond = L"/" + std::to_wstring(windows.size());
    for (const std::wstring& bad : {std::wstring(), std::wstring(L"/"), std::wstring(L"0"), std::wstring(L"/0/"),
                                    std::wstring(L"//0"), std::wstring(L"/x"), std::wstring(L"/-1"),
                                    std::wstring(L"/0/99"), beyond}) {
        EXPECT_FALSE(ComponentAt(bad)) << std::string(bad.begin(), bad.end());
        EXPECT_EQ(ClickAt(bad), -2) << std::string(bad.begin(), bad.end());
    }
    ASSERT_FALSE(ok.empty() || off.empty() || code.empty());
    JavaStatics awt(jvm(), L"samples.AwtApp");
    const LONG before = awt.CallInt(L"okCount").value_or(-1);
    EXPECT_EQ(ClickAt(ok), 1);
    EXPECT_EQ(ClickAt(off), 0) << "disabled";
    EXPECT_EQ(ClickAt(code), 0) << "a text field";
    EXPECT_EQ(awt.CallInt(L"okCount"), before + 1);
}

}  // namespace
}  // namespace mv::test
