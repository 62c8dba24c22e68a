// Processes die under calls: the JVM (the host's JNI server, a Linux process: a JNIEnv whose
// server has gone stops the host, as a dead JVM ends a Java process), the Java process itself,
// and a client holding objects. Every call that could hang runs on a worker thread under a hang
// guard, and the test fails when it has not returned in time.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "awt_host.h"
#include "child_process.h"
#include "components.h"
#include "environment_number.h"
#include "robustness.h"
#include "variant_values.h"

namespace mv::test {
namespace {

constexpr DWORD kCallLimitMs = 60000, kEndLimitMs = 30000;

// A call on a worker thread of the multithreaded apartment. One that never returns leaves its
// thread behind, holding only what the call captured (by value).
struct Guarded {
    explicit Guarded(std::function<HRESULT()> call) {
        std::thread([s = state, call] {
            ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            s->hr = call();
            ::CoUninitialize();
            ::SetEvent(s->done.get());
        }).detach();
    }
    bool Wait(DWORD ms) const { return ::WaitForSingleObject(state->done.get(), ms) == WAIT_OBJECT_0; }
    struct State {
        unique_handle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        HRESULT hr = E_PENDING;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
};
HRESULT Within(std::function<HRESULT()> call) {
    Guarded g(std::move(call));
    EXPECT_TRUE(g.Wait(kCallLimitMs)) << "a call did not return within " << kCallLimitMs << " ms";
    return g.state->hr;
}

// The JNI server is a Linux process: ended with /bin/kill, watched through /proc (a zombie has ended).
void KillLinux(unsigned pid) {
    std::wstring line = L"Z:\\bin\\kill -KILL " + std::to_wstring(pid);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};  // handles of a Linux program are not valid: not closed
    ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
}
bool LinuxEnded(unsigned pid, DWORD ms) {
    for (const ULONGLONG end = ::GetTickCount64() + ms;; ::Sleep(50)) {
        unique_hfile f(::CreateFileW((L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat").c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        char stat[512] = {};
        DWORD read = 0;
        const std::string text = f && ::ReadFile(f.get(), stat, sizeof stat - 1, &read, nullptr) ? std::string(stat, read) : "";
        const std::size_t close = text.rfind(')');  // "pid (name) S ...": the state follows the name
        if (close == std::string::npos || close + 2 >= text.size() || std::strchr("ZXx", text[close + 2])) return true;
        if (::GetTickCount64() > end) return false;
    }
}

// What COM answers a call whose server has gone; which one depends on where in the call it went.
bool RpcFailure(HRESULT hr) {
    for (HRESULT gone : {RPC_E_DISCONNECTED, RPC_E_SERVER_DIED, RPC_E_SERVER_DIED_DNE, HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
                         HRESULT_FROM_WIN32(RPC_S_CALL_FAILED), HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE), CO_E_OBJNOTCONNECTED})
        if (hr == gone) return true;
    return false;
}

class ProcessDeath : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = new ModuleRegistration;
    }
    static void TearDownTestSuite() {
        delete s_registration;
        ::CoUninitialize();
    }
    // A fixtures host, its process handle, its JNI server, a fixtures.Echo and a fixtures.Rendezvous.
    struct Host {
        std::unique_ptr<HostProcess> process = std::make_unique<HostProcess>();
        unique_handle handle;
        com_ptr<IMvJavaCpp> jvm;
        unsigned server = 0;
        UINT64 echo = 0, rendezvous = 0;
    };
    void Start(Host& h) {
        ASSERT_EQ(s_registration->result(), S_OK);
        ASSERT_TRUE(h.process->ready()) << h.process->output();
        h.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, h.process->pid()));
        ASSERT_EQ(std::sscanf(h.process->Command("jni-server").c_str(), "jni-server %u", &h.server), 1);
        ASSERT_FALSE(LinuxEnded(h.server, 0));
        h.jvm = Find(h.process->pid());
        ASSERT_TRUE(h.jvm);
        ASSERT_EQ(h.jvm->NewDefJavaObject(Bstr(L"fixtures.Echo").get(), &h.echo), S_OK);
        ASSERT_EQ(h.jvm->NewDefJavaObject(Bstr(L"fixtures.Rendezvous").get(), &h.rendezvous), S_OK);
        EXPECT_EQ(Echo(h, 41), S_OK);
    }
    static com_ptr<IMvJavaCpp> Find(DWORD pid) {
        auto found = std::make_shared<com_ptr<IMvJavaCpp>>();
        Within([found, pid] { return (*found = PublishedJvmOf(pid)) ? S_OK : S_FALSE; });
        return std::move(*found);
    }
    // A static call of `method` through the host's proxy, under the guard; echoInt must echo.
    static Guarded Call(const Host& h, const wchar_t* method, VARIANT arg) {
        auto args = std::make_shared<unique_variant>();
        MakeArgumentArray(*args, {arg});
        const bool echo = method == std::wstring(L"echoInt");
        return Guarded([jvm = h.jvm, object = echo ? h.echo : h.rendezvous, method, args, echo, value = V_I4(&arg)] {
            LONG out = 0;
            VARIANT_BOOL met = 0;
            const HRESULT hr = echo ? jvm->CallStaticIntMethod(object, Bstr(method).get(), Bstr(L"(I)I").get(), args->get(), &out)
                                    : jvm->CallStaticBooleanMethod(object, Bstr(method).get(), Bstr(L"(J)Z").get(), args->get(), &met);
            return hr == S_OK && echo && out != value ? E_UNEXPECTED : hr;
        });
    }
    static HRESULT Echo(const Host& h, LONG value) {
        Guarded g = Call(h, L"echoInt", ArgI4(value));
        EXPECT_TRUE(g.Wait(kCallLimitMs));
        return g.state->hr;
    }
    // Rendezvous.meet(240 s), which nobody meets, left waiting in the JVM.
    static Guarded Blocked(const Host& h) {
        Guarded meet = Call(h, L"meet", ArgI8(240000));
        ::Sleep(2000);
        EXPECT_FALSE(meet.Wait(0)) << "meet returned early";
        return meet;
    }
    // The host ended: a call through its proxy fails with an RPC failure, neither lookup finds it,
    // and a host started afterwards is found by its pid and works.
    void ExpectGoneAndReplaced(Host& dead) {
        ASSERT_EQ(::WaitForSingleObject(dead.handle.get(), kEndLimitMs), WAIT_OBJECT_0) << "the host still runs";
        if (const HRESULT later = dead.jvm ? Echo(dead, 5) : S_OK; dead.jvm) {  // no proxy is left after a clean stop
            std::printf("robustness: a later call through the dead host's proxy answered 0x%08lX\n", static_cast<unsigned long>(later));
            EXPECT_TRUE(RpcFailure(later)) << std::hex << later;
        }
        ExpectUnpublished(dead.process->pid());
        Host next;
        Start(next);
        EXPECT_EQ(Echo(next, -77), S_OK);
        ExpectUnpublished(dead.process->pid());
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.echo), S_OK);
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.rendezvous), S_OK);
        EXPECT_EQ(next.process->LiveReferences(), 0);
        next.jvm.reset();
        EXPECT_EQ(next.process->Stop(), 0);
    }
    static void ExpectUnpublished(DWORD pid) {
        EXPECT_FALSE(Find(pid)) << "GetJVMFromPid finds a gone host";
        auto object = std::make_shared<com_ptr<IDispatch>>();
        EXPECT_EQ(Within([object, pid] {
            com_ptr<IJvmFinder> finder;
            const HRESULT hr = ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder, finder.put_void());
            return FAILED(hr) ? hr : finder->GetJvmFromProcess(pid, object->put());
        }), S_FALSE);
        EXPECT_FALSE(*object);
    }
    static ModuleRegistration* s_registration;
};
ModuleRegistration* ProcessDeath::s_registration;

TEST_F(ProcessDeath, JvmKilledDuringACallEndsTheCallWithAnRpcFailure) {
    Host host;
    ASSERT_NO_FATAL_FAILURE(Start(host));
    Guarded meet = Blocked(host);
    KillLinux(host.server);
    EXPECT_TRUE(LinuxEnded(host.server, kEndLimitMs));
    ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return after the JVM died";
    std::printf("robustness: a call blocked in the JVM when it was killed answered 0x%08lX\n", static_cast<unsigned long>(meet.state->hr));
    EXPECT_TRUE(RpcFailure(meet.state->hr)) << std::hex << meet.state->hr;
    ExpectGoneAndReplaced(host);
}

// Between calls no thread of the host is attached, so no JNIEnv of the dead server is used: the
// next calls cannot attach and answer E_FAIL; the host lives on, published, and stops cleanly.
TEST_F(ProcessDeath, JvmKilledBetweenCallsFailsLaterCallsWithoutEndingTheHost) {
    Host host;
    ASSERT_NO_FATAL_FAILURE(Start(host));
    KillLinux(host.server);
    ASSERT_TRUE(LinuxEnded(host.server, kEndLimitMs));
    for (LONG value : {6, 7, 8}) EXPECT_EQ(Echo(host, value), E_FAIL);
    EXPECT_EQ(::WaitForSingleObject(host.handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the host ended";
    EXPECT_EQ(host.process->Command("refs").rfind("refs ", 0), 0u) << "the host no longer answers";
    EXPECT_TRUE(Find(host.process->pid())) << "the living host is no longer published";
    host.jvm.reset();
    EXPECT_EQ(host.process->Stop(), 0) << "the host did not stop cleanly without its JVM";
    ExpectGoneAndReplaced(host);
}

TEST_F(ProcessDeath, HostTerminatedDuringACallEndsTheCallAndItsJvm) {
    Host host;
    ASSERT_NO_FATAL_FAILURE(Start(host));
    Guarded meet = Blocked(host);
    ASSERT_TRUE(::TerminateProcess(host.handle.get(), 99));
    ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return after the host died";
    std::printf("robustness: a call blocked in a terminated host answered 0x%08lX\n", static_cast<unsigned long>(meet.state->hr));
    EXPECT_TRUE(RpcFailure(meet.state->hr)) << std::hex << meet.state->hr;
    EXPECT_TRUE(LinuxEnded(host.server, kEndLimitMs)) << "the JVM outlived its process";
    ExpectGoneAndReplaced(host);
}

// A client dies holding component objects and handles (MV_FAULTS_CLIENT_HANDLES, default 40), in
// MV_FAULTS_CLIENT_ROUNDS rounds: the host serves another client right away. Under Wine a dead
// client's stubs are not run down: its references stay in the host as long as it lives (watched
// for MV_FAULTS_RELEASE_WATCH_MS); Windows releases them after missed pings.
TEST_F(ProcessDeath, HostServesOthersAfterAClientDiesHoldingObjects) {
    std::string problem;
    const std::unique_ptr<HostProcess> host = StartSampleAppsHost(300, problem);
    ASSERT_TRUE(host) << problem;
    ::SetEnvironmentVariableA("MV_FAULTS_HOST_PID", std::to_string(host->pid()).c_str());
    const unsigned long handles = EnvironmentNumber("MV_FAULTS_CLIENT_HANDLES", 40);
    const auto served = [&] {  // another client: windows, bounds, a string made, read and deleted
        const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(host->pid());
        EXPECT_EQ(Within([jvm] {
            if (!jvm) return E_POINTER;  // the host's object was not found
            Checker c(jvm.get());
            const std::vector<Component> windows = TopLevelWindows(jvm.get());
            In text;
            text.text = L"still served", text.object = c.Call("NewJavaString", text, S_OK).l;
            c.Check(windows.size() == 2 && BoundsOf(windows[0].get()) && c.Call("GetJavaString", text, S_OK).text.view() == text.text, "");
            c.DropHandles();
            return c.failures ? E_UNEXPECTED : S_OK;
        }), S_OK) << "the host no longer serves another client";
    };
    long long level = host->LiveReferences();
    for (unsigned long round = 0; round < EnvironmentNumber("MV_FAULTS_CLIENT_ROUNDS", 1); ++round) {
        ChildProcess client("ProcessDeathChild.DISABLED_HoldsObjectsUntilKilled");
        ASSERT_TRUE(client.ReadUntil("holding done", 120000)) << client.output();
        unsigned long components = 0, held = 0;
        ASSERT_EQ(std::sscanf(client.output().c_str() + client.output().find("holding "), "holding %lu components %lu", &components, &held), 2);
        const long long holding = host->LiveReferences();
        EXPECT_EQ(holding - level, static_cast<long long>(components + held)) << "one reference per object and handle";
        EXPECT_TRUE(held == handles && components >= 2) << client.output();
        client.Kill();
        served();
        long long after = host->LiveReferences();
        const ULONGLONG watchMs = EnvironmentNumber("MV_FAULTS_RELEASE_WATCH_MS", 20000), end = ::GetTickCount64() + watchMs;
        while (after != level && ::GetTickCount64() < end) ::Sleep(500), after = host->LiveReferences();
        std::printf("robustness: client death round %lu: refs %lld, held by the client %lld, %llu ms after its death %lld\n",
                    round + 1, level, holding, watchMs, after);
        EXPECT_EQ(after, holding) << "the references of the dead client changed";
        served();
        EXPECT_EQ(host->LiveReferences(), after) << "serving another client changed the count";
        level = after;
    }
    host->Stop();
}

TEST(ProcessDeathChild, DISABLED_HoldsObjectsUntilKilled) {
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(static_cast<DWORD>(EnvironmentNumber("MV_FAULTS_HOST_PID", 0)));
    ASSERT_TRUE(jvm);
    std::vector<Component> held = TopLevelWindows(jvm.get());
    ASSERT_FALSE(held.empty());
    for (const Component& child : ChildrenOf(held[0].get())) held.push_back(child);
    const unsigned long handles = EnvironmentNumber("MV_FAULTS_CLIENT_HANDLES", 40);
    for (unsigned long i = 0; i < handles; ++i) {
        UINT64 text = 0;
        ASSERT_EQ(jvm->NewJavaString(Bstr(L"held by a dying client").get(), &text), S_OK);
    }
    std::printf("holding %lu components %lu handles\nholding done\n", static_cast<unsigned long>(held.size()), handles);
    std::fflush(stdout);
    ::Sleep(INFINITE);
}

}  // namespace
}  // namespace mv::test
