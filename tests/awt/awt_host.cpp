#include "awt_host.h"

#include <gtest/gtest.h>

#include <utility>

#include "components.h"

namespace mv::test {
namespace {

constexpr DWORD kWindowsOpenTimeoutMs = 120000;
constexpr int kAwtHostLifetimeSeconds = 300;

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

bool WaitForListedWindows(DWORD pid, std::size_t count, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(pid);
        if (jvm && TopLevelWindows(jvm.get()).size() >= count) return true;
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(200);
    }
}

}  // namespace

std::unique_ptr<HostProcess> StartSampleAppsHost(int lifetimeSeconds, std::string& problem) {
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {"-Xcheck:jni", kHookAsAssistiveTechnology};
    settings.mainClass = "samples.BothApps";
    settings.keepJvmOutput = true;
    settings.maxLifetimeSeconds = lifetimeSeconds;
    auto host = std::make_unique<HostProcess>(settings);
    if (!host->ready()) {
        problem = "the host did not start; it printed: " + host->output();
        return nullptr;
    }
    if (!host->WaitForJvmOutput("windows open", kWindowsOpenTimeoutMs)) {
        problem = "the sample windows did not open; the JVM printed: " + host->JvmOutput();
        return nullptr;
    }
    // The windows are open; the module lists them once their opening has been dispatched.
    if (!WaitForListedWindows(host->pid(), 2, kWindowsOpenTimeoutMs)) {
        problem = "the module does not list the two sample windows";
        return nullptr;
    }
    return host;
}

AwtHost* AwtHost::Get() {
    HostState& state = State();
    if (state.tried) return state.host.get();
    state.tried = true;
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_ptr<AwtHost> host(new AwtHost);
    host->m_registration = std::make_unique<ModuleRegistration>();
    if (host->m_registration->result() != S_OK) {
        state.problem = "DllRegisterServer failed";
        return nullptr;
    }
    host->m_host = StartSampleAppsHost(kAwtHostLifetimeSeconds, state.problem);
    if (!host->m_host) return nullptr;
    state.host = std::move(host);
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
    return FromAnswer(host, host.Command("window " + std::to_string(x) + " " + std::to_string(y) + " " +
                                         std::to_string(width) + " " + std::to_string(height)));
}

HostWindow HostWindow::Child(HostProcess& host, HWND parent, LONG x, LONG y, LONG width, LONG height) {
    return FromAnswer(host, host.Command("child " + std::to_string(reinterpret_cast<ULONG_PTR>(parent)) + " " +
                                         std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) +
                                         " " + std::to_string(height)));
}

HostWindow HostWindow::FromAnswer(HostProcess& host, const std::string& answer) {
    HostWindow window;
    window.m_answer = answer;
    if (answer.rfind("window ", 0) != 0) return window;
    window.m_host = &host;
    window.m_window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::stoull(answer.substr(7))));
    return window;
}

HostWindow::HostWindow(HostWindow&& other) noexcept
    : m_host(std::exchange(other.m_host, nullptr)),
      m_window(std::exchange(other.m_window, nullptr)),
      m_answer(std::move(other.m_answer)) {}

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
