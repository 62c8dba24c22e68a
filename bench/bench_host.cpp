#include "bench_host.h"

#include <exception>

#include "jvm_lookup.h"
#include "measure.h"

namespace mv::bench {
namespace {

constexpr DWORD kWindowsOpenTimeoutMs = 300000;

}  // namespace

BenchHost::BenchHost(const std::string& mainClass, const std::vector<std::string>& mainArgs, std::size_t windows,
                     const std::vector<std::string>& jvmOptions) {
    test::HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    if (windows > 0) settings.jvmOptions = {test::kHookAsAssistiveTechnology};
    settings.jvmOptions.insert(settings.jvmOptions.end(), jvmOptions.begin(), jvmOptions.end());
    settings.mainClass = mainClass;
    settings.mainArgs = mainArgs;
    // A guard for a host nobody stops; the host also ends with its input when mvbench goes. A
    // full-mode walk of 5,000 components through component objects takes over ten minutes a run.
    settings.maxLifetimeSeconds = 6 * 3600;
    settings.keepJvmOutput = true;
    m_host = std::make_unique<test::HostProcess>(settings);
    if (!m_host->ready()) {
        m_problem = "the host did not start: " + m_host->output();
        return;
    }
    if (windows > 0 && !test::WaitForListedWindows(*m_host, windows, kWindowsOpenTimeoutMs, m_problem)) return;
    try {
        m_jvm = mvjava::JvmLookup().FromPid(m_host->pid());
    } catch (const std::exception& e) {
        m_problem = std::string("the host's main object was not found: ") + e.what();
    }
}

BenchHost::~BenchHost() {
    m_jvm.reset();
    if (m_host) m_host->Stop();
}

double NoOpCallMicroseconds(IMvJavaCpp* jvm, int runs, int calls, bool& ok) {
    return MedianMicrosecondsPer(runs, calls, ok, [jvm] {
        VARIANT_BOOL complete = VARIANT_FALSE;
        return jvm->IsDisconnectObserverComplete(&complete) == S_OK;
    });
}

}  // namespace mv::bench
