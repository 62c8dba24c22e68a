#include "awt_host.h"

#include <gtest/gtest.h>

#include "jni_warnings.h"

namespace mv::test {
namespace {

std::unique_ptr<AwtHost> g_host;
std::string g_problem;
bool g_tried = false;

class HostEnvironment : public ::testing::Environment {
public:
    void TearDown() override { AwtHost::ShutDown(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

}  // namespace

std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem,
                                                 const std::vector<std::string>& mainArgs) {
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {"-Xcheck:jni", kHookAsAssistiveTechnology};
    settings.mainClass = "samples.BothApps";
    settings.mainArgs = mainArgs;
    settings.keepJvmOutput = true;
    settings.maxLifetimeSeconds = lifetimeSeconds;
    auto host = std::make_unique<HostProcess>(settings);
    if (!host->ready()) return problem = "the host did not start; it printed: " + host->output(), nullptr;
    return WaitForListedWindows(*host, 2, 120000, problem) ? std::move(host) : nullptr;
}

AwtHost* AwtHost::Get() {
    if (g_tried) return g_host.get();
    g_tried = true;
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_ptr<AwtHost> host(new AwtHost);
    if (host->m_registration.result() != S_OK) return g_problem = "DllRegisterServer failed", nullptr;
    host->m_host = StartSampleAppsHost(300, g_problem);
    if (host->m_host) g_host = std::move(host);
    return g_host.get();
}

const std::string& AwtHost::Problem() { return g_problem; }

void AwtHost::ShutDown() {
    if (!g_tried) return;
    if (g_host) {
        // Every JNI call the module made in the host was checked by -Xcheck:jni. The output is read
        // once the JVM has ended, so that no warning is cut off before its stack. The JDK's font code
        // also warns below its own Java frames (module@version); the module's calls have no such frame.
        g_host->m_host->Stop();
        for (const std::string& warning : FindJniWarnings(g_host->m_host->JvmOutput()))
            if (warning.find('@') == std::string::npos) ADD_FAILURE() << "JNI warning in the host's JVM: " << warning;
        g_host.reset();
    }
    g_tried = false;
    ::CoUninitialize();
}

}  // namespace mv::test
