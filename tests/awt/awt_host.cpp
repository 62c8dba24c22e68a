#include "awt_host.h"

#include <gtest/gtest.h>

#include <utility>

#include "components.h"

namespace mv::test {
namespace {

constexpr DWORD kWindowsOpenTimeoutMs = 120000;

struct HostState {
    std::unique_ptr<AwtHost> host;
    std::string problem;
    bool tried = false;
};

HostState& State() {
    static HostState state;
    return state;
}

// Stops the host when the program ends, after the last test.
class HostEnvironment : public ::testing::Environment {
public:
    void TearDown() override { AwtHost::ShutDown(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HostEnvironment);

}  // namespace

std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem) {
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {"-Xcheck:jni", kHookAsAssistiveTechnology};
    settings.mainClass = "samples.BothApps";
    settings.keepJvmOutput = true;
    settings.maxLifetimeSeconds = lifetimeSeconds;
    auto host = std::make_unique<HostProcess>(settings);
    if (!host->ready()) return problem = "the host did not start; it printed: " + host->output(), nullptr;
    if (!host->WaitForJvmOutput("windows open", kWindowsOpenTimeoutMs))
        return problem = "the sample windows did not open; the JVM printed: " + host->JvmOutput(), nullptr;
    // The windows are open; the module lists them once their opening has been dispatched.
    for (const ULONGLONG deadline = ::GetTickCount64() + kWindowsOpenTimeoutMs;; ::Sleep(200)) {
        const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(host->pid());
        if (jvm && TopLevelWindows(jvm.get()).size() >= 2) return host;
        if (::GetTickCount64() > deadline) return problem = "the module does not list the two sample windows", nullptr;
    }
}

AwtHost* AwtHost::Get() {
    HostState& state = State();
    if (state.tried) return state.host.get();
    state.tried = true;
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_ptr<AwtHost> host(new AwtHost);
    host->m_registration = std::make_unique<ModuleRegistration>();
    if (host->m_registration->result() != S_OK) return state.problem = "DllRegisterServer failed", nullptr;
    host->m_host = StartSampleAppsHost(300, state.problem);
    if (host->m_host) state.host = std::move(host);
    return state.host.get();
}

const std::string& AwtHost::Problem() { return State().problem; }

void AwtHost::ShutDown() {
    HostState& state = State();
    if (!state.tried) return;
    if (state.host) {
        // Every JNI call the module made in the host was checked by -Xcheck:jni.
        for (const std::string& warning : FindJniWarningsOfCallers(state.host->m_host->JvmOutput()))
            ADD_FAILURE() << "JNI warning in the host's JVM: " << warning;
        state.host->m_host->Stop();
        state.host.reset();
    }
    state.tried = false;
    ::CoUninitialize();
}

com_ptr<IMvJavaCpp> AwtHost::Jvm() { return PublishedJvmOf(m_host->pid()); }

HostWindow HostWindow::TopLevel(HostProcess& host, LONG x, LONG y, LONG width, LONG height) {
    return Request(host, "window " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
                             std::to_string(height));
}

HostWindow HostWindow::Child(HostProcess& host, HWND parent, LONG x, LONG y, LONG width, LONG height) {
    return Request(host, "child " + std::to_string(reinterpret_cast<ULONG_PTR>(parent)) + " " + std::to_string(x) +
                             " " + std::to_string(y) + " " + std::to_string(width) + " " + std::to_string(height));
}

HostWindow HostWindow::Request(HostProcess& host, const std::string& command) {
    HostWindow window;
    window.m_answer = host.Command(command);
    if (window.m_answer.rfind("window ", 0) != 0) return window;
    window.m_host = &host;
    window.m_window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::stoull(window.m_answer.substr(7))));
    return window;
}

HostWindow& HostWindow::operator=(HostWindow&& other) noexcept {
    if (this != &other) {
        Close();
        m_host = std::exchange(other.m_host, nullptr);
        m_window = std::exchange(other.m_window, nullptr);
        m_answer = std::move(other.m_answer);
    }
    return *this;
}

void HostWindow::Close() {
    if (m_host && m_window) m_host->Command("close " + std::to_string(reinterpret_cast<ULONG_PTR>(m_window)));
    m_host = nullptr;
    m_window = nullptr;
}

}  // namespace mv::test
