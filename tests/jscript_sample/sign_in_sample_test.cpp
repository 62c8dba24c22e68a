// The JScript sign-in sample as a user runs it: cscript, the process id of the Java application
// and the credentials on the command line. What counts is what the application received, read
// back through the module; the script's exit code and lines are its interface to the user.

#include <windows.h>

#include <string>

#include "awt_test.h"
#include "java_statics.h"
#include "process_run.h"
#include "wine_path.h"

namespace mv::test {
namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

mvtest::ProcessRun RunSignIn(const std::wstring& arguments) {
    const std::wstring line = L"\"" + mvtest::SystemProgram(L"cscript.exe") + L"\" //nologo \"" +
                              WindowsPathOfUnixPath(MV_SIGN_IN_SCRIPT) + L"\" " + arguments;
    return mvtest::RunProcess(line, 120000);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SignInSample : public AwtTest {
protected:
    // LoginApp's own record of sign-ins, read through the module.
    std::optional<std::wstring> LastSignIn() { return JavaStatics(jvm(), L"samples.LoginApp").CallString(L"lastSignIn"); }
    LONG SignInCount() { return JavaStatics(jvm(), L"samples.LoginApp").CallInt(L"signInCount").value_or(-1); }
    std::optional<std::wstring> FieldText(const wchar_t* name) {
        return JavaStatics(jvm(), L"samples.LoginApp").CallString(L"text", {name});
    }
    std::wstring Pid() { return std::to_wstring(host().pid()); }
};

TEST_F(SignInSample, ApplicationReceivesExactlyTheUserAndPassword) {
    // Two runs with different credentials: the second answer cannot be left over from the first.
    const struct {
        std::string user, password;
    } runs[] = {{"alice", "s3cret!"}, {"bob", "pa$$ w0rd"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.user);
        const LONG before = SignInCount();
        const auto result = RunSignIn(Pid() + L" " + Wide(run.user) + L" \"" + Wide(run.password) + L"\"");
        ASSERT_TRUE(result.started);
        EXPECT_FALSE(result.timedOut) << result.output;
        EXPECT_EQ(result.exitCode, 0u) << result.output;

        const std::string expected = run.user + "|" + run.password;
        EXPECT_EQ(LastSignIn(), Wide(expected));
        EXPECT_EQ(SignInCount(), before + 1) << "one click, one sign-in";
        EXPECT_EQ(FieldText(L"user"), Wide(run.user));
        EXPECT_EQ(FieldText(L"password"), Wide(run.password));
        EXPECT_TRUE(Contains(result.output, "application answer: " + expected)) << result.output;
        // The password is typed, not shown, until the application answers with it.
        EXPECT_TRUE(Contains(result.output, "password: set (" + std::to_string(run.password.size()) + " characters)"))
            << result.output;
    }
}

TEST_F(SignInSample, ProcessIdInHexadecimal) {
    wchar_t hex[32];
    ::swprintf(hex, 32, L"0x%lX", host().pid());
    const auto result = RunSignIn(std::wstring(hex) + L" carol hexadecimal");
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    EXPECT_EQ(LastSignIn(), L"carol|hexadecimal");
}

TEST_F(SignInSample, ProcessWithoutJvmIsAClearErrorAndChangesNothing) {
    const LONG before = SignInCount();
    const auto last = LastSignIn();
    // This test program publishes no JVM.
    const std::string pid = std::to_string(::GetCurrentProcessId());
    const auto result = RunSignIn(Wide(pid) + L" mallory nothing");
    EXPECT_EQ(result.exitCode, 2u) << result.output;
    EXPECT_TRUE(Contains(result.output, "sign_in.js: no JVM published by process " + pid)) << result.output;
    EXPECT_FALSE(Contains(result.output, "application answer")) << result.output;
    EXPECT_EQ(SignInCount(), before);
    EXPECT_EQ(LastSignIn(), last);
}

TEST_F(SignInSample, JvmWithoutTheHookLibraryIsAClearError) {
    // A published JVM of an application started without the hook: no windows can be reached.
    HostProcess plain;
    ASSERT_TRUE(plain.ready()) << plain.output();
    const LONG before = SignInCount();
    const auto result = RunSignIn(std::to_wstring(plain.pid()) + L" erin secret");
    EXPECT_EQ(result.exitCode, 5u) << result.output;
    EXPECT_TRUE(Contains(result.output, "JVM of process " + std::to_string(plain.pid()))) << result.output;
    EXPECT_TRUE(Contains(result.output, "sign_in.js: GetMorvaneAWTHook (is the hook library installed in the "
                                        "application?) failed (0x80004005)"))
        << result.output;
    EXPECT_EQ(SignInCount(), before) << "the login window of the other process is not touched";
}

TEST_F(SignInSample, UsageErrorsChangeNothing) {
    const LONG before = SignInCount();
    const struct {
        std::wstring arguments;
        std::string message;
    } cases[] = {
        {L"", "usage: cscript //nologo sign_in.js PID USER PASSWORD"},
        {Pid() + L" onlyuser", "usage: cscript //nologo sign_in.js PID USER PASSWORD"},
        {L"12ab dave secret", "not a process id: 12ab"},
        {L"-5 dave secret", "not a process id: -5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto result = RunSignIn(c.arguments);
        EXPECT_EQ(result.exitCode, 1u) << result.output;
        EXPECT_TRUE(Contains(result.output, "sign_in.js: " + c.message)) << result.output;
    }
    EXPECT_EQ(SignInCount(), before);
}

}  // namespace
}  // namespace mv::test
