// The hook library as a Java agent on the test bed's JVM: given at launch (-javaagent, the one
// option), and loaded into a sample application that runs without it (the JDK's jcmd,
// JVMTI.agent_load). Either way the hook is installed, the open login window is listed and
// matched to its native window, a sign-in through the module works, and the JVM says in one line
// why the agent library did not publish the process (a Linux JVM loads no Windows library;
// mvjava-host publishes it as it always does).

#include <gmock/gmock.h>

#include <string>

#include "common/com/dispatch_elements.h"
#include "host_process.h"
#include "mta.h"
#include "java_statics.h"
#include "linux_process.h"
#include "process_run.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;

constexpr DWORD kWaitMs = 120000;
constexpr char kNotPublished[] =
    "mv-hook: this process is not published for native clients: MvJavaJni.dll was found neither at ";

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// jcmd PID JVMTI.agent_load JAR against the host's JVM (a Linux process): what jcmd printed.
std::string LoadAgentWithJcmd(HostProcess& host) {
    unsigned server = 0;
    if (std::sscanf(host.Command("jni-server").c_str(), "jni-server %u", &server) != 1) return "no JNI server pid";
    return RunLinuxShell("'" MV_JCMD "' " + std::to_string(server) + " JVMTI.agent_load '" MV_HOOK_JAR "'", kWaitMs);
}

struct Launch {
    const char* name;
    bool attach;  // started without any option, the agent loaded while it runs
};

class HookAgent : public testing::TestWithParam<Launch> {
protected:
    static void SetUpTestSuite() { static const Mta com; }
    ModuleRegistration registration;
};

TEST_P(HookAgent, InstallsTheHookMakesTheOpenWindowKnownAndASignInWorks) {
    ASSERT_EQ(registration.result(), S_OK);
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_SAMPLES_JAR};  // the hook's jar only as the agent
    settings.jvmOptions = {"-Xcheck:jni"};
    if (!GetParam().attach) settings.jvmOptions.push_back("-javaagent:" MV_HOOK_JAR);
    settings.mainClass = "samples.LoginApp";
    settings.keepJvmOutput = true;
    HostProcess host(settings);
    ASSERT_TRUE(host.ready()) << host.output();
    ASSERT_TRUE(host.WaitForJvmOutput("windows open", kWaitMs)) << host.JvmOutput();
    const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(host.pid());
    ASSERT_TRUE(jvm);
    if (GetParam().attach) {  // a client looks before the agent is there, as mvjava list does
        UINT64 none = 0;
        EXPECT_NE(jvm->GetMorvaneAWTHook(&none), S_OK) << "the hook before the agent was loaded";
        SAFEARRAY* windows = nullptr;
        jvm->GetAllTopLevelComponents(&windows);
        EXPECT_TRUE(TakeDispatchElements(windows).empty()) << "windows listed before the agent was loaded";
        for (int load = 0; load < 2; ++load)  // the second load changes nothing
            EXPECT_THAT(LoadAgentWithJcmd(host), HasSubstr("shell exit 0")) << "load " << load;
    }
    std::string problem;
    ASSERT_TRUE(WaitForListedWindows(host, 1, kWaitMs, problem)) << problem;
    UINT64 hook = 0;
    EXPECT_EQ(jvm->GetMorvaneAWTHook(&hook), S_OK);
    EXPECT_NE(hook, 0u);
    if (hook) jvm->DeleteJavaObject(hook);
    EXPECT_TRUE(WindowBehindMirror(host, jvm.get(), L"Sign in")) << "no login window behind its native window";

    JavaStatics app(jvm.get(), L"samples.LoginApp");
    EXPECT_EQ(app.CallInt(L"windowOpenedEvents"), 1) << "the application's own listener saw one opening";
    const ProcessRun signIn = RunScript(MV_SAMPLES_DIR "/jscript/sign_in.js",
                                        std::to_wstring(host.pid()) + L" agent.user s3cret!", kWaitMs).run;
    EXPECT_EQ(signIn.exitCode, 0u) << signIn.output;
    EXPECT_EQ(app.CallString(L"lastSignIn"), std::wstring(L"agent.user|s3cret!"));
    EXPECT_EQ(Occurrences(host.JvmOutput(), kNotPublished), 1) << host.JvmOutput();
}

INSTANTIATE_TEST_SUITE_P(Launches, HookAgent,
                         testing::Values(Launch{"JavaAgentOption", false}, Launch{"AttachedWhileRunning", true}),
                         [](const testing::TestParamInfo<Launch>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace mv::test
