#include "server_registration.h"

#include <utility>

#include "module_paths.h"

namespace mvtest {

ProcessRun RunRegsvr32(const std::wstring& modulePath, bool unregister) {
    std::wstring line = L"\"" + SystemProgram(L"regsvr32.exe") + L"\" /s ";
    if (unregister) line += L"/u ";
    line += L"\"" + modulePath + L"\"";
    return RunProcess(line);
}

ScopedServerRegistration::ScopedServerRegistration(std::wstring modulePath) : m_modulePath(std::move(modulePath)) {
    m_run = RunRegsvr32(m_modulePath, false);
    m_registered = m_run.started && !m_run.timedOut && m_run.exitCode == 0;
}

ScopedServerRegistration::~ScopedServerRegistration() {
    // Also after a failed registration: whatever part of it was written goes again.
    const ProcessRun removal = RunRegsvr32(m_modulePath, true);
    EXPECT_EQ(removal.exitCode, 0u) << "regsvr32 /u: " << removal.output;
}

void RegisteredModuleEnvironment::SetUp() {
    m_registration = new ScopedServerRegistration(BuiltModulePath());
    ASSERT_TRUE(m_registration->registered())
        << "regsvr32 exit code " << m_registration->registration().exitCode << ": "
        << m_registration->registration().output;
}

void RegisteredModuleEnvironment::TearDown() {
    delete m_registration;
    m_registration = nullptr;
}

}  // namespace mvtest
