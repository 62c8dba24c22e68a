#include "sample_host.h"

#include <vector>

#include "awt_host.h"
#include "components.h"

namespace mv::test {

SampleHost::SampleHost(int lifetimeSeconds) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_registration = std::make_unique<ModuleRegistration>();
    if (m_registration->result() != S_OK) {
        m_problem = "DllRegisterServer failed";
        return;
    }
    m_host = StartSampleAppsHost(lifetimeSeconds, m_problem);
    if (!m_host) return;
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
    if (!m_host) return {};
    return PublishedJvmOf(m_host->pid());
}

HostSample SampleHost::Sample() {
    HostSample sample;
    sample.refs = m_host->LiveReferences();
    if (m_counters) sample.counters = m_counters->Read();
    return sample;
}

ULONG SampleHost::MirrorWindowTitled(const std::wstring& title) {
    ULONG found = 0;
    for (ULONG value : MirroredWindows(m_host->CommandLines("mirror", "mirror done"))) {
        const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(value));
        wchar_t text[128] = {};
        ::GetWindowTextW(window, text, 128);
        if (found == 0 && title == text)
            found = value;
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
