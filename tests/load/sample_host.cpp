#include "sample_host.h"

#include <sstream>
#include <vector>

#include "components.h"

namespace mv::test {
namespace {

using LookupByPid = IMvJavaCpp*(__cdecl*)(DWORD);

constexpr char kAssistiveTechnology[] =
    "-Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener";
constexpr DWORD kWindowsOpenTimeoutMs = 120000;

}  // namespace

SampleHost::SampleHost(int lifetimeSeconds) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_registration = std::make_unique<ModuleRegistration>();
    if (m_registration->result() != S_OK) {
        m_problem = "DllRegisterServer failed";
        return;
    }
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {"-Xcheck:jni", kAssistiveTechnology};
    settings.mainClass = "samples.BothApps";
    settings.keepJvmOutput = true;
    settings.maxLifetimeSeconds = lifetimeSeconds;
    m_host = std::make_unique<HostProcess>(settings);
    if (!m_host->ready()) {
        m_problem = "the host did not start; it printed: " + m_host->output();
        return;
    }
    if (!m_host->WaitForJvmOutput("windows open", kWindowsOpenTimeoutMs)) {
        m_problem = "the sample windows did not open; the JVM printed: " + m_host->JvmOutput();
        return;
    }
    // The module lists the windows once their opening has been dispatched.
    const ULONGLONG deadline = ::GetTickCount64() + kWindowsOpenTimeoutMs;
    for (;;) {
        const com_ptr<IMvJavaCpp> jvm = Jvm();
        if (jvm && TopLevelWindows(jvm.get()).size() >= 2) break;
        if (::GetTickCount64() > deadline) {
            m_problem = "the module does not list the two sample windows";
            return;
        }
        ::Sleep(200);
    }
    m_counters = std::make_unique<ProcessCounterReader>(m_host->pid());
    if (!m_counters->opened() || !m_counters->Read().ok) m_problem = "the host's counters cannot be read";
}

SampleHost::~SampleHost() {
    if (m_host) m_host->Stop();
    m_host.reset();
    m_registration.reset();
    ::CoUninitialize();
}

com_ptr<IMvJavaCpp> SampleHost::Jvm() const {
    com_ptr<IMvJavaCpp> jvm;
    HMODULE module = ::GetModuleHandleW(L"MvJavaJniComRot.dll");
    auto byPid = module ? reinterpret_cast<LookupByPid>(
                              reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")))
                        : nullptr;
    if (byPid && m_host) jvm.attach(byPid(m_host->pid()));
    return jvm;
}

long long SampleHost::LiveReferences() {
    const std::string answer = m_host->Command("refs");
    return answer.rfind("refs ", 0) == 0 ? std::stoll(answer.substr(5)) : -1;
}

HostSample SampleHost::Sample() {
    HostSample sample;
    sample.refs = LiveReferences();
    if (m_counters) sample.counters = m_counters->Read();
    return sample;
}

ULONG SampleHost::MirrorWindowTitled(const std::wstring& title) {
    ULONG found = 0;
    for (const std::string& line : m_host->CommandLines("mirror", "mirror done")) {
        std::istringstream words(line);
        std::string word;
        unsigned long long value = 0;
        if (!(words >> word >> value) || word != "mirror") continue;
        const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
        wchar_t text[128] = {};
        ::GetWindowTextW(window, text, 128);
        if (found == 0 && title == text)
            found = static_cast<ULONG>(value);
        else
            m_host->Command("close " + std::to_string(value));
    }
    return found;
}

std::string SampleHost::JniWarnings() const {
    std::string text;
    if (!m_host) return text;
    for (const std::string& warning : FindJniWarningsOfCallers(m_host->JvmOutput())) text += warning + "\n";
    return text;
}

}  // namespace mv::test
