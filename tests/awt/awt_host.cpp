#include "awt_host.h"

#include <gtest/gtest.h>

#include <utility>

#include "components.h"

namespace mv::test {
namespace {

using LookupByPid = IMvJavaCpp*(__cdecl*)(DWORD);

constexpr char kAssistiveTechnology[] =
    "-Djavax.accessibility.assistive_technologies=com.morvane.MorvaneAWTEventListener";
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
    HostSettings settings;
    settings.classPath = {MV_FIXTURES_JAR, MV_HOOK_JAR, MV_SAMPLES_JAR};
    settings.jvmOptions = {"-Xcheck:jni", kAssistiveTechnology};
    settings.mainClass = "samples.BothApps";
    settings.keepJvmOutput = true;
    host->m_host = std::make_unique<HostProcess>(settings);
    if (!host->m_host->ready()) {
        state.problem = "the host did not start; it printed: " + host->m_host->output();
        return nullptr;
    }
    if (!host->m_host->WaitForJvmOutput("windows open", kWindowsOpenTimeoutMs)) {
        state.problem = "the sample windows did not open; the JVM printed: " + host->m_host->JvmOutput();
        return nullptr;
    }
    // The windows are open; the module lists them once their opening has been dispatched.
    if (!host->WaitForListedWindows(2, kWindowsOpenTimeoutMs)) {
        state.problem = "the module does not list the two sample windows";
        return nullptr;
    }
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

bool AwtHost::WaitForListedWindows(std::size_t count, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        const com_ptr<IMvJavaCpp> jvm = Jvm();
        if (jvm && TopLevelWindows(jvm.get()).size() >= count) return true;
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(200);
    }
}

com_ptr<IMvJavaCpp> AwtHost::Jvm() {
    com_ptr<IMvJavaCpp> jvm;
    HMODULE module = ::GetModuleHandleW(L"MvJavaJniComRot.dll");
    auto byPid = module ? reinterpret_cast<LookupByPid>(reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")))
                        : nullptr;
    if (byPid) jvm.attach(byPid(m_host->pid()));
    return jvm;
}

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
