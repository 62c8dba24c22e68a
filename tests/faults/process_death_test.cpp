// Processes die under calls: the JVM (the host's JNI server, a Linux process: a JNIEnv whose server
// has gone stops the host, as a dead JVM ends a Java process), the Java process, a client holding
// objects. Every call that could hang runs on a worker thread with a time limit.

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

com_ptr<IMvJavaCpp> Find(DWORD pid) {
    auto found = std::make_shared<com_ptr<IMvJavaCpp>>();
    Within([found, pid] { return (*found = PublishedJvmOf(pid)) ? S_OK : S_FALSE; });
    return std::move(*found);
}

// A fixtures host, its process handle, its JNI server, a fixtures.Echo and a fixtures.Rendezvous.
struct Host {
    std::unique_ptr<HostProcess> process = std::make_unique<HostProcess>();
    unique_handle handle;
    com_ptr<IMvJavaCpp> jvm;
    unsigned server = 0;
    UINT64 echo = 0, rendezvous = 0;

    void Start() {
        ASSERT_TRUE(process->ready()) << process->output();
        handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, process->pid()));
        ASSERT_EQ(std::sscanf(process->Command("jni-server").c_str(), "jni-server %u", &server), 1);
        ASSERT_FALSE(LinuxEnded(server, 0));
        ASSERT_TRUE(jvm = Find(process->pid()));
        ASSERT_EQ(jvm->NewDefJavaObject(Bstr(L"fixtures.Echo").get(), &echo), S_OK);
        ASSERT_EQ(jvm->NewDefJavaObject(Bstr(L"fixtures.Rendezvous").get(), &rendezvous), S_OK);
        EXPECT_EQ(Echo(41), S_OK);
    }
    HRESULT Echo(LONG value) const {  // E_UNEXPECTED when it answers S_OK with another value
        return Within([jvm = jvm, echo = echo, value] {
            unique_variant args;
            MakeArgumentArray(args, {ArgI4(value)});
            LONG out = 0;
            const HRESULT hr = jvm->CallStaticIntMethod(echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(), args.get(), &out);
            return hr == S_OK && out != value ? E_UNEXPECTED : hr;
        });
    }
    // Rendezvous.meet(240 s), which nobody meets, left waiting in the JVM.
    Guarded Blocked() const {
        Guarded meet([jvm = jvm, rendezvous = rendezvous] {
            unique_variant args;
            MakeArgumentArray(args, {ArgI8(240000)});
            VARIANT_BOOL met = 0;
            return jvm->CallStaticBooleanMethod(rendezvous, Bstr(L"meet").get(), Bstr(L"(J)Z").get(), args.get(), &met);
        });
        ::Sleep(2000);
        EXPECT_FALSE(meet.Wait(0)) << "meet returned early";
        return meet;
    }
};

void ExpectUnpublished(DWORD pid) {
    EXPECT_FALSE(Find(pid)) << "GetJVMFromPid finds a gone host";
    auto object = std::make_shared<com_ptr<IDispatch>>();
    EXPECT_EQ(Within([object, pid] {
        com_ptr<IJvmFinder> finder;
        const HRESULT hr = ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder, finder.put_void());
        return FAILED(hr) ? hr : finder->GetJvmFromProcess(pid, object->put());
    }), S_FALSE);
    EXPECT_FALSE(*object);
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
    void SetUp() override { ASSERT_EQ(s_registration->result(), S_OK); }

    // The host ended: a later call through its proxy fails with an RPC failure, neither lookup
    // finds it, and a host started afterwards is found by its pid and works.
    static void ExpectGoneAndReplaced(Host& dead) {
        ASSERT_EQ(::WaitForSingleObject(dead.handle.get(), kEndLimitMs), WAIT_OBJECT_0) << "the host still runs";
        if (dead.jvm) {  // no proxy is left after a clean stop
            const HRESULT later = dead.Echo(5);
            std::printf("robustness: a later call through the dead host's proxy answered 0x%08lX\n", static_cast<unsigned long>(later));
            EXPECT_TRUE(RpcFailure(later)) << std::hex << later;
        }
        ExpectUnpublished(dead.process->pid());
        Host next;
        ASSERT_NO_FATAL_FAILURE(next.Start());
        EXPECT_EQ(next.Echo(-77), S_OK);
        ExpectUnpublished(dead.process->pid());
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.echo), S_OK);
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.rendezvous), S_OK);
        EXPECT_EQ(next.process->LiveReferences(), 0);
        next.jvm.reset();
        EXPECT_EQ(next.process->Stop(), 0);
    }
    static ModuleRegistration* s_registration;
};
ModuleRegistration* ProcessDeath::s_registration;

// A call blocked in Java ends with an RPC failure when its JVM is killed (the host ends with it)
// or its host is terminated (its JVM ends with it).
TEST_F(ProcessDeath, ACallInProgressEndsWithAnRpcFailureWhenTheJvmOrTheHostDies) {
    for (const bool killJvm : {true, false}) {
        SCOPED_TRACE(killJvm ? "JVM killed" : "host terminated");
        Host host;
        ASSERT_NO_FATAL_FAILURE(host.Start());
        Guarded meet = host.Blocked();
        if (killJvm) KillLinux(host.server);
        else ASSERT_TRUE(::TerminateProcess(host.handle.get(), 99));
        ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return";
        std::printf("robustness: a call blocked in Java when the %s answered 0x%08lX\n", killJvm ? "JVM was killed" : "host was terminated",
                    static_cast<unsigned long>(meet.state->hr));
        EXPECT_TRUE(RpcFailure(meet.state->hr)) << std::hex << meet.state->hr;
        EXPECT_TRUE(LinuxEnded(host.server, kEndLimitMs)) << "the JVM outlived its process";
        ExpectGoneAndReplaced(host);
    }
}

// Between calls no thread of the host is attached, so no JNIEnv of the dead server is used: the
// next calls cannot attach and answer E_FAIL; the host lives on, published, and stops cleanly.
TEST_F(ProcessDeath, JvmKilledBetweenCallsFailsLaterCallsWithoutEndingTheHost) {
    Host host;
    ASSERT_NO_FATAL_FAILURE(host.Start());
    KillLinux(host.server);
    ASSERT_TRUE(LinuxEnded(host.server, kEndLimitMs));
    for (LONG value : {6, 7, 8}) EXPECT_EQ(host.Echo(value), E_FAIL);
    EXPECT_EQ(::WaitForSingleObject(host.handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the host ended";
    EXPECT_EQ(host.process->Command("refs").rfind("refs ", 0), 0u) << "the host no longer answers";
    EXPECT_TRUE(Find(host.process->pid())) << "the living host is no longer published";
    host.jvm.reset();
    EXPECT_EQ(host.process->Stop(), 0) << "the host did not stop cleanly without its JVM";
    ExpectGoneAndReplaced(host);
}

// A client dies holding component objects and MV_FAULTS_CLIENT_HANDLES handles (default 40): the
// host serves another client at once. Under Wine a dead client's stubs are not run down: its
// references stay in the host while it lives (watched for MV_FAULTS_RELEASE_WATCH_MS); Windows
// releases them after missed pings.
TEST_F(ProcessDeath, HostServesOthersAfterAClientDiesHoldingObjects) {
    std::string problem;
    const std::unique_ptr<HostProcess> host = StartSampleAppsHost(300, problem);
    ASSERT_TRUE(host) << problem;
    ::SetEnvironmentVariableA("MV_FAULTS_HOST_PID", std::to_string(host->pid()).c_str());
    const auto served = [&] {  // another client: windows, a string made, read and deleted
        EXPECT_EQ(Within([jvm = PublishedJvmOf(host->pid())] {
            if (!jvm) return E_POINTER;
            Checker c(jvm.get());
            In text = Text(L"still served");
            text.object = c.Call("NewJavaString", text, S_OK).l;
            c.Check(TopLevelWindows(jvm.get()).size() == 2 && c.Call("GetJavaString", text, S_OK).text.view() == text.text, "");
            c.DropHandles();
            return c.failures ? E_UNEXPECTED : S_OK;
        }), S_OK) << "the host no longer serves another client";
    };
    const long long level = host->LiveReferences();
    ChildProcess client("ProcessDeathChild.DISABLED_HoldsObjectsUntilKilled");
    ASSERT_TRUE(client.ReadUntil("holding done", 120000)) << client.output();
    unsigned long components = 0, held = 0;
    ASSERT_EQ(std::sscanf(client.output().c_str() + client.output().find("holding "), "holding %lu components %lu", &components, &held), 2);
    const long long holding = host->LiveReferences();
    EXPECT_EQ(holding - level, static_cast<long long>(components + held)) << "one reference per object and handle";
    EXPECT_TRUE(held == EnvironmentNumber("MV_FAULTS_CLIENT_HANDLES", 40) && components >= 2) << client.output();
    client.Kill();
    served();
    long long after = host->LiveReferences();
    const ULONGLONG watchMs = EnvironmentNumber("MV_FAULTS_RELEASE_WATCH_MS", 20000), end = ::GetTickCount64() + watchMs;
    while (after != level && ::GetTickCount64() < end) ::Sleep(500), after = host->LiveReferences();
    std::printf("robustness: client death: refs %lld, held by the client %lld, %llu ms after its death %lld\n", level, holding, watchMs, after);
    EXPECT_EQ(after, holding) << "the references of the dead client changed";
    served();
    EXPECT_EQ(host->LiveReferences(), after) << "serving another client changed the count";
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
