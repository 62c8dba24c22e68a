// Processes die under calls: the JVM (the host's JNI server, a Linux process: a JNIEnv whose server
// has gone stops the host, as a dead JVM ends a Java process), the Java process, a client holding
// objects. Every call that could hang runs on a worker thread with a time limit.

#include <algorithm>
#include <memory>

#include "awt_host.h"
#include "child_process.h"
#include "linux_process.h"
#include "robustness.h"

namespace mv::test {
namespace {

constexpr DWORD kCallLimitMs = 60000, kEndLimitMs = 30000;
constexpr unsigned long kHeldHandles = 40;

// A call on a worker thread of the multithreaded apartment. One that never returns leaves its
// thread behind, holding only what the call captured (by value). The thread is the system's own:
// a detached std::thread's end can race with the start of the next one.
struct Guarded {
    struct State {
        unique_handle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        HRESULT hr = E_PENDING;
        std::function<HRESULT()> call;
    };
    explicit Guarded(std::function<HRESULT()> call) {
        state->call = std::move(call);
        auto share = std::make_unique<std::shared_ptr<State>>(state);  // the thread's
        if (unique_handle(::CreateThread(nullptr, 0, &Run, share.get(), 0, nullptr))) share.release();
    }
    static DWORD WINAPI Run(void* share) {
        const std::unique_ptr<std::shared_ptr<State>> owned(static_cast<std::shared_ptr<State>*>(share));
        const Mta com;
        State& s = **owned;
        s.hr = s.call();
        ::SetEvent(s.done.get());
        return 0;
    }
    bool Wait(DWORD ms) const { return ::WaitForSingleObject(state->done.get(), ms) == WAIT_OBJECT_0; }
    std::shared_ptr<State> state = std::make_shared<State>();
};
HRESULT Within(const char* what, std::function<HRESULT()> call) {
    Guarded g(std::move(call));
    EXPECT_TRUE(g.Wait(kCallLimitMs)) << what << " did not return within " << kCallLimitMs << " ms";
    return g.state->hr;
}

// What COM answers a call whose server has gone; which one depends on where in the call it went.
bool RpcFailure(HRESULT hr) {
    const HRESULT gone[] = {RPC_E_DISCONNECTED, RPC_E_SERVER_DIED, RPC_E_SERVER_DIED_DNE, CO_E_OBJNOTCONNECTED,
                            HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), HRESULT_FROM_WIN32(RPC_S_CALL_FAILED),
                            HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE)};
    return std::find(std::begin(gone), std::end(gone), hr) != std::end(gone);
}

com_ptr<IMvJavaCpp> Find(DWORD pid) {
    auto found = std::make_shared<com_ptr<IMvJavaCpp>>();
    Within("GetJVMFromPid", [found, pid] { return (*found = PublishedJvmOf(pid)) ? S_OK : S_FALSE; });
    return std::move(*found);
}

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
        ASSERT_FALSE(LinuxProcessEndsWithin(server, 0));
        ASSERT_TRUE(jvm = Find(process->pid()));
        ASSERT_EQ(jvm->NewDefJavaObject(Bstr(L"fixtures.Echo").get(), &echo), S_OK);
        ASSERT_EQ(jvm->NewDefJavaObject(Bstr(L"fixtures.Rendezvous").get(), &rendezvous), S_OK);
        EXPECT_EQ(Echo(41), S_OK);
    }
    HRESULT Echo(LONG value) const {  // E_UNEXPECTED when it answers S_OK with another value
        return Within("echoInt", [jvm = jvm, echo = echo, value] {
            LONG out = 0;
            const HRESULT hr = jvm->CallStaticIntMethod(echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(),
                                                        ArgumentArray({ArgI4(value)}).get(), &out);
            return hr == S_OK && out != value ? E_UNEXPECTED : hr;
        });
    }
};

void ExpectUnpublished(DWORD pid) {
    EXPECT_FALSE(Find(pid)) << "GetJVMFromPid finds a gone host";
    auto object = std::make_shared<com_ptr<IDispatch>>();
    EXPECT_EQ(Within("JvmFinder.GetJvmFromProcess", [object, pid] {
        com_ptr<IJvmFinder> finder;
        const HRESULT hr = ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder,
                                              finder.put_void());
        return FAILED(hr) ? hr : finder->GetJvmFromProcess(pid, object->put());
    }), S_FALSE);
    EXPECT_FALSE(*object);
}

// The host ended: a later call through its proxy fails with an RPC failure, neither lookup finds
// it, and a host started afterwards is found by its pid and works.
void ExpectGoneAndReplaced(Host& dead) {
    ASSERT_EQ(::WaitForSingleObject(dead.handle.get(), kEndLimitMs), WAIT_OBJECT_0) << "the host still runs";
    if (dead.jvm) {  // no proxy is left after a clean stop
        const HRESULT later = dead.Echo(5);
        std::printf("robustness: a later call through the dead host's proxy answered %s\n", Hex(later).c_str());
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

class ProcessDeath : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Registered().result(), S_OK); }
};

// A call blocked in Java (Rendezvous.meet, which nobody meets) ends with an RPC failure when its
// JVM is killed (the host ends with it) or its host is terminated (its JVM ends with it).
TEST_F(ProcessDeath, ACallInProgressEndsWithAnRpcFailureWhenTheJvmOrTheHostDies) {
    for (const bool killJvm : {true, false}) {
        SCOPED_TRACE(killJvm ? "JVM killed" : "host terminated");
        Host host;
        ASSERT_NO_FATAL_FAILURE(host.Start());
        Guarded meet([jvm = host.jvm, rendezvous = host.rendezvous] {
            VARIANT_BOOL met = 0;
            return jvm->CallStaticBooleanMethod(rendezvous, Bstr(L"meet").get(), Bstr(L"(J)Z").get(),
                                                ArgumentArray({ArgI8(240000)}).get(), &met);
        });
        ::Sleep(2000);
        ASSERT_FALSE(meet.Wait(0)) << "meet returned early";
        ASSERT_TRUE(killJvm ? KillLinuxProcess(host.server) : ::TerminateProcess(host.handle.get(), 99) != FALSE);
        ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return";
        std::printf("robustness: a call blocked in Java when the %s answered %s\n",
                    killJvm ? "JVM was killed" : "host was terminated", Hex(meet.state->hr).c_str());
        EXPECT_TRUE(RpcFailure(meet.state->hr)) << std::hex << meet.state->hr;
        EXPECT_TRUE(LinuxProcessEndsWithin(host.server, kEndLimitMs)) << "the JVM outlived its process";
        ExpectGoneAndReplaced(host);
    }
}

// Between calls no thread of the host is attached, so no JNIEnv of the dead server is used: the
// next calls cannot attach and answer E_FAIL; the host lives on, published, and stops cleanly.
TEST_F(ProcessDeath, JvmKilledBetweenCallsFailsLaterCallsWithoutEndingTheHost) {
    Host host;
    ASSERT_NO_FATAL_FAILURE(host.Start());
    ASSERT_TRUE(KillLinuxProcess(host.server));
    ASSERT_TRUE(LinuxProcessEndsWithin(host.server, kEndLimitMs));
    for (LONG value : {6, 7, 8}) EXPECT_EQ(host.Echo(value), E_FAIL);
    EXPECT_EQ(::WaitForSingleObject(host.handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the host ended";
    EXPECT_EQ(host.process->Command("refs").rfind("refs ", 0), 0u) << "the host no longer answers";
    EXPECT_TRUE(Find(host.process->pid())) << "the living host is no longer published";
    host.jvm.reset();
    EXPECT_EQ(host.process->Stop(), 0) << "the host did not stop cleanly without its JVM";
    ExpectGoneAndReplaced(host);
}

// A client dies holding component objects and 40 handles: the host serves another client at once.
// The module deletes the dead client's handles. Under Wine a dead client's stubs are not run down,
// so its component objects (one reference each) stay in the host while it lives; Windows releases
// them after missed pings.
TEST_F(ProcessDeath, HostServesOthersAfterAClientDiesHoldingObjects) {
    std::string problem;
    const std::unique_ptr<HostProcess> host = StartSampleAppsHost(300, problem);
    ASSERT_TRUE(host) << problem;
    ::SetEnvironmentVariableA("MV_FAULTS_HOST_PID", std::to_string(host->pid()).c_str());
    const auto served = [&] {  // another client: the windows listed, a string made and read back
        EXPECT_EQ(Within("a call of a client", [jvm = PublishedJvmOf(host->pid())] {
            if (!jvm) return E_POINTER;
            Checker c(jvm.get());
            const In text = Of(c.Call("NewJavaString", Text(L"served"), S_OK).l);
            c.Check(c.Call("GetJavaString", text, S_OK).text.view() == L"served", "");
            return c.failures || TopLevelWindows(jvm.get()).size() != 2 ? E_UNEXPECTED : S_OK;
        }), S_OK) << "the host no longer serves another client";
    };
    const long long level = host->LiveReferences();
    ChildProcess client("ProcessDeathChild.DISABLED_HoldsObjectsUntilKilled");
    ASSERT_TRUE(client.ReadUntil("holding done", 120000)) << client.output();
    unsigned long components = 0;
    ASSERT_EQ(std::sscanf(client.output().c_str() + client.output().find("holding "), "holding %lu", &components), 1);
    const long long holding = host->LiveReferences();
    EXPECT_EQ(holding - level, static_cast<long long>(components + kHeldHandles)) << "one per object and handle";
    EXPECT_GE(components, 2u) << client.output();
    client.Kill();
    served();
    ::Sleep(5000);  // time for COM to run the dead client's objects down where it does
    long long after = host->LiveReferences();
    // The handles go once the system has told the host of the end; a minute is ample for it.
    const long long objects = level + static_cast<long long>(components);
    for (int wait = 0; after > objects && wait < 550; ++wait) ::Sleep(100), after = host->LiveReferences();
    std::printf("robustness: client death: refs %lld, held by the client %lld, 5 s after its death %lld\n", level,
                holding, after);
    EXPECT_TRUE(after == objects || after == level)
        << "the dead client's handles are not all gone, or its objects went in part: " << after;
    served();
    EXPECT_EQ(host->LiveReferences(), after) << "serving another client changed the count";
    host->Stop();
}

TEST(ProcessDeathChild, DISABLED_HoldsObjectsUntilKilled) {
    const Mta com;
    const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(static_cast<DWORD>(EnvironmentNumber("MV_FAULTS_HOST_PID", 0)));
    ASSERT_TRUE(jvm);
    std::vector<Component> held = TopLevelWindows(jvm.get());
    ASSERT_FALSE(held.empty());
    for (const Component& child : ChildrenOf(held[0].get())) held.push_back(child);
    for (unsigned long i = 0; i < kHeldHandles; ++i) {
        UINT64 text = 0;
        ASSERT_EQ(jvm->NewJavaString(Bstr(L"held by a dying client").get(), &text), S_OK);
    }
    std::printf("holding %lu components\nholding done\n", static_cast<unsigned long>(held.size()));
    std::fflush(stdout);
    ::Sleep(INFINITE);
}

}  // namespace
}  // namespace mv::test
