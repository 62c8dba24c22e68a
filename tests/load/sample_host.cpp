#include "sample_host.h"

#include <sstream>
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
