// The sign-in samples (samples/jscript/sign_in.js, samples/vbscript/sign_in.vbs) as a user runs them
// (cscript, the Java application's process id and the credentials on the command line) against the
// login window of the program's host, judged by what the application received; the argument samples
// (java_arguments.js and .vbs), which pass every kind of Java argument; and the hook library's path
// and subtree helpers that scripts use.

#include <gmock/gmock.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "awt_test.h"
#include "java_statics.h"
#include "process_run.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Each sample exists once per script language, doing the same.
struct Language { const char* name; std::string signIn, arguments; };  // Linux paths
const Language kLanguages[] = {
    {"JScript", MV_SAMPLES_DIR "/jscript/sign_in.js", MV_SAMPLES_DIR "/jscript/java_arguments.js"},
    {"VBScript", MV_SAMPLES_DIR "/vbscript/sign_in.vbs", MV_SAMPLES_DIR "/vbscript/java_arguments.vbs"}};

class SignInSample : public AwtTest {
protected:
    ProcessRun SignIn(const Language& l, const std::wstring& args) { return RunScript(l.signIn, args, 120000).run; }
    std::optional<std::wstring> App(const wchar_t* method, std::vector<std::wstring> args = {}) {
        return JavaStatics(jvm(), L"samples.LoginApp").CallString(method, args);
    }
    LONG SignIns() { return JavaStatics(jvm(), L"samples.LoginApp").CallInt(L"signInCount").value_or(-1); }
};

TEST_F(SignInSample, ApplicationReceivesExactlyTheUserAndPassword) {
    wchar_t hex[32];
    ::swprintf(hex, 32, L"0x%lX", host().pid());
    const struct {
        std::wstring pid;
        std::string user, password;
    } runs[] = {{std::to_wstring(host().pid()), "alice", "s3cret!"}, {hex, "bob", "pa$$ w0rd"}};
    for (const Language& language : kLanguages) {
        for (const auto& run : runs) {  // each run's answer cannot be left over from the one before
            SCOPED_TRACE(std::string(language.name) + " " + run.user);
            const LONG before = SignIns();
            const auto result = SignIn(language, run.pid + L" " + Wide(run.user) + L" \"" + Wide(run.password) + L"\"");
            EXPECT_EQ(result.exitCode, 0u) << result.output;
            const std::string expected = run.user + "|" + run.password;
            EXPECT_EQ(App(L"lastSignIn"), Wide(expected));
            EXPECT_EQ(SignIns(), before + 1) << "one click, one sign-in";
            EXPECT_EQ(App(L"text", {L"user"}), Wide(run.user));
            EXPECT_EQ(App(L"text", {L"password"}), Wide(run.password));
            EXPECT_THAT(result.output, HasSubstr("application answer: " + expected));
            // The password is typed, not shown, until the application answers with it.
            EXPECT_THAT(result.output,
                        HasSubstr("password: set (" + std::to_string(run.password.size()) + " characters)"));
        }
    }
}

TEST_F(SignInSample, ErrorsAreClearAndChangeNothing) {
    HostProcess plain;  // a published JVM of an application started without the hook library
    ASSERT_TRUE(plain.ready()) << plain.output();
    const std::string self = std::to_string(::GetCurrentProcessId()), other = std::to_string(plain.pid());
    const LONG before = SignIns();
    const auto last = App(L"lastSignIn");
    for (const Language& language : kLanguages) {
        const std::string file = language.signIn.substr(language.signIn.rfind('/') + 1), says = file + ": ";
        const struct {
            std::wstring arguments;
            DWORD exitCode;
            std::vector<std::string> lines;
        } cases[] = {
            {std::to_wstring(host().pid()) + L" onlyuser", 1,
             {"usage: cscript //nologo " + file + " PID USER PASSWORD"}},
            {L"12ab dave secret", 1, {says + "not a process id: 12ab"}},
            {Wide(self) + L" mallory nothing", 2, {says + "no JVM published by process " + self}},  // this program
            {Wide(other) + L" erin secret", 5,
             {"JVM of process " + other, says + "GetMorvaneAWTHook (is the hook library installed in the "
                                                "application?) failed (0x80004005)"}},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.lines.back());
            const auto result = SignIn(language, c.arguments);
            EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
            for (const std::string& line : c.lines) EXPECT_THAT(result.output, HasSubstr(line));
            EXPECT_THAT(result.output, Not(HasSubstr("application answer")));
        }
    }
    EXPECT_EQ(SignIns(), before);
    EXPECT_EQ(App(L"lastSignIn"), last);
}

// Every kind of Java argument from each script language across processes (the steps below), leaving the host
// no more references. VBScript also shows its rules for argument arrays in variables and for handles.
TEST_F(SignInSample, ScriptsPassEveryKindOfArgumentAndLeaveNoReferences) {
    const struct { const char* label; std::string answer; bool vbscriptOnly = false; } steps[] = {
        {"boolean", "ok boolean true"}, {"byte", "ok byte -56"}, {"char", "ok char h (104)"}, {"short", "ok short -2"},
        {"int", "ok int 100000"}, {"long", "ok long 1234567890123"}, {"float", "ok float 0.1"},
        {"double", "ok double 0.1"}, {"Object", "ok java.lang.String first"}, {"Object null", "ok null"},
        {"String", "ok String text"}, {"int 2^31", "error 0x80004005"}, {"int 1.5", "error 0x80004005"},
        {"ArrayList.add(Object)", "ok true"}, {"ArrayList.add(null)", "ok true"}, {"list", "ok [first, null]"},
        {"list.get(0) is the handle added", "ok true"}, {"handle = handle", "error 0x1CA", true},
        {"StringBuilder.equals(Object)", "ok true"}, {"StringBuilder.append(CharSequence)", "ok first"},
        {"String.valueOf(long)", "ok 1234567890123"}, {"String.valueOf(char)", "ok h"},
        {"String.valueOf(float)", "ok 0.1"}, {"Thread.sleep(long)", "ok slept"}, {"charAt(int)", "ok 105"},
        {"charAt(int), array variable in parentheses", "ok 105", true},
        {"charAt(int), array variable", "error 0x80004005", true}, {"split", "ok 4 [ab|c||d]"},
        {"code points", "ok 7 [97 98 44 99 44 44 100]"}, {"handles deleted", "ok 7"},
    };
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const long long before = host().LiveReferences();
        ASSERT_GE(before, 0);
        const ScriptReport report = RunScript(language.arguments, std::to_wstring(host().pid()), 120000);
        EXPECT_EQ(report.run.exitCode, 0u) << report.run.output;
        std::size_t expected = 0;
        for (const auto& step : steps) {
            if (step.vbscriptOnly && language.name[0] == 'J') continue;
            ++expected;
            EXPECT_EQ(report.Step(step.label), step.answer) << step.label;
        }
        EXPECT_EQ(report.steps.size(), expected) << report.run.output;
        EXPECT_EQ(host().LiveReferences(), before);
    }
}

// The hook's static helpers for scripts, called through the hook object as a script calls them.
class HookHelpers : public AwtTest {
protected:
    template <typename Out>  // the hook's static `method` of signature `sig`, through the bridge's `member`
    HRESULT CallHook(HRESULT (STDMETHODCALLTYPE IMvJavaCpp::*member)(UINT64, BSTR, BSTR, VARIANT, Out*),
                     const wchar_t* method, const wchar_t* sig, std::vector<VARIANT> args, Out* out) {
        const ArgumentArray array(std::move(args));
        return (jvm()->*member)(m_hook.get(), Bstr(method).get(), Bstr(sig).get(), array.get(), out);
    }
    JavaHandle ComponentAt(const std::wstring& path) {  // empty when the call failed (as for null)
        UINT64 found = 0;
        const HRESULT hr = CallHook(&IMvJavaCpp::CallStaticObjectMethod, L"componentAt",
                                    L"(Ljava/lang/String;)Ljava/awt/Component;", {ArgBstr(path.c_str())}, &found);
        return JavaHandle(jvm(), SUCCEEDED(hr) ? found : 0);
    }
    JavaHandle m_hook;
};

// Every path of the walked windows leads to its component and bad paths to none; only an enabled
// button is clicked (counted once). A subtree snapshot needs a component, a path and a depth of -1
// or more (what it holds: mvjava's window tests).
TEST_F(HookHelpers, PathsLeadToTheWalkedComponentsAndBadArgumentsToNothing) {
    UINT64 hook = 0;
    ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hook), S_OK);
    m_hook = JavaHandle(jvm(), hook);
    const std::vector<Component> windows = TopLevelWindows(jvm());
    ASSERT_FALSE(windows.empty());
    std::map<std::wstring, std::wstring> paths;  // by component name
    std::vector<std::pair<std::wstring, Component>> stack;
    for (std::size_t w = 0; w < windows.size(); ++w) stack.emplace_back(L"/" + std::to_wstring(w), windows[w]);
    while (!stack.empty()) {
        auto [path, component] = std::move(stack.back());
        stack.pop_back();
        VARIANT_BOOL same = VARIANT_FALSE;
        ASSERT_EQ(jvm()->IsSameJavaObject(ComponentAt(path).get(), HandleOf(component.get()), &same), S_OK);
        EXPECT_EQ(same, VARIANT_TRUE) << std::string(path.begin(), path.end());
        paths[NameOf(component.get())] = path;
        const std::vector<Component> children = ChildrenOf(component.get());
        for (std::size_t i = 0; i < children.size(); ++i)
            stack.emplace_back(path + L"/" + std::to_wstring(i), children[i]);
    }
    ASSERT_TRUE(paths.count(L"ok") && paths.count(L"off") && paths.count(L"code")) << "the AWT window's components";
    JavaStatics awt(jvm(), L"samples.AwtApp");
    const LONG before = awt.CallInt(L"okCount").value_or(-1);
    const std::pair<std::wstring, LONG> clicks[] = {
        {L"/", -2}, {L"0", -2}, {L"/0/", -2}, {L"/x", -2}, {L"/0/99", -2}, {L"/" + std::to_wstring(windows.size()), -2},
        {paths[L"ok"], 1}, {paths[L"off"], 0 /* disabled */}, {paths[L"code"], 0 /* a text field */}};
    for (const auto& [path, answer] : clicks) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        EXPECT_EQ(static_cast<bool>(ComponentAt(path)), answer != -2);
        LONG clicked = 99;
        EXPECT_EQ(CallHook(&IMvJavaCpp::CallStaticIntMethod, L"clickComponentAt", L"(Ljava/lang/String;)I",
                           {ArgBstr(path.c_str())}, &clicked), S_OK);
        EXPECT_EQ(clicked, answer);
    }
    EXPECT_EQ(awt.CallInt(L"okCount"), before + 1);

    UINT64 text = 0;
    ASSERT_EQ(jvm()->NewJavaString(Bstr(L"not a component").get(), &text), S_OK);
    const JavaHandle string(jvm(), text);
    const UINT64 window = HandleOf(windows[0].get());
    const auto snapshot = [&](UINT64 root, const wchar_t* path, int depth) {
        unique_bstr shot;
        return CallHook(&IMvJavaCpp::CallStaticStringMethod, L"snapshotComponent",
                        L"(Ljava/lang/Object;Ljava/lang/String;I)Ljava/lang/String;",
                        {ArgUI8(root), path ? ArgBstr(path) : ArgUI8(0), ArgI4(depth)}, shot.put());
    };
    EXPECT_EQ(snapshot(window, L"/0", -1), S_OK);
    EXPECT_EQ(snapshot(string.get(), L"/0", -1), E_FAIL);
    EXPECT_EQ(snapshot(0, L"/0", -1), E_FAIL);
    EXPECT_EQ(snapshot(window, L"/0", -2), E_FAIL);
    EXPECT_EQ(snapshot(window, nullptr, -1), E_FAIL);
}

}  // namespace
}  // namespace mv::test
