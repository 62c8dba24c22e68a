// Load and soak of the cross-process path against one mvjava-host running samples.BothApps (the
// hook jar as the assistive technology, -Xcheck:jni), the host watched before, during and after.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

#include "awt_host.h"
#include "child_process.h"
#include "components.h"
#include "environment_number.h"
#include "robustness.h"

namespace mv::test {
namespace {

constexpr char kPidVariable[] = "MV_LOAD_HOST_PID", kMirrorVariable[] = "MV_LOAD_MIRROR_WINDOW";

// The sample-apps host of one test, the module registered while it runs; no JNI warning of a caller.
struct SampleHost {
    explicit SampleHost(int lifetimeSeconds) {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        registration = std::make_unique<ModuleRegistration>();
        if (registration->result() == S_OK) host = StartSampleAppsHost(lifetimeSeconds, problem);
    }
    ~SampleHost() {
        if (host) {
            for (const std::string& w : FindJniWarningsOfCallers(host->JvmOutput())) ADD_FAILURE() << "host JVM: " << w;
            host->Stop();
        }
        host.reset(), registration.reset();
        ::CoUninitialize();
    }
    LeakWatch Watch() { return LeakWatch([this] { return host->LiveReferences(); }, host->pid()); }
    std::unique_ptr<ModuleRegistration> registration;
    std::unique_ptr<HostProcess> host;
    std::string problem = "DllRegisterServer failed";
};

// Four client processes (this program's DISABLED_ test) for `seconds`; their calls and failures.
std::pair<unsigned long long, unsigned long long> RunClients(unsigned long seconds, const char* label) {
    ::SetEnvironmentVariableA("MV_LOAD_SECONDS", std::to_string(seconds).c_str());
    std::vector<std::unique_ptr<ChildProcess>> clients;
    for (int i = 0; i < 4; ++i) clients.push_back(std::make_unique<ChildProcess>("LoadClient.DISABLED_FourThreadsCallTheMix"));
    unsigned long long calls = 0, failures = 0, c = 0, f = 0;
    for (auto& client : clients) {
        EXPECT_EQ(client->Finish((seconds + 120) * 1000), 0u) << client->output();
        const std::size_t at = client->output().find("load-client: calls ");
        EXPECT_TRUE(at != std::string::npos &&
                    std::sscanf(client->output().c_str() + at, "load-client: calls %llu failures %llu", &c, &f) == 2 && c > 0)
            << client->output();
        std::printf("robustness: %s client: calls %llu failures %llu\n", label, c, f);
        calls += c, failures += f;
    }
    return {calls, failures};
}

// Afterwards the host is where it started: references exactly (the warm-up made what the module
// keeps), handles within 64 (COM keeps threads of gone clients a while; a leak of one a call adds
// thousands), private memory within 8 MiB (Wine keeps ~2 KiB per interface stub; 4 KiB a call
// would exceed it).
TEST(Load, SixteenConcurrentCallersGetRightAnswersAndLeaveTheHostAsTheyFoundIt) {
    const unsigned long seconds = EnvironmentNumber("MV_LOAD_SECONDS", 20);
    SampleHost sample(static_cast<int>(300 + seconds));
    ASSERT_TRUE(sample.host) << sample.problem;
    ULONG mirror = 0;  // a native window of the host behind the login window; the others closed
    for (ULONG w : MirroredWindows(sample.host->CommandLines("mirror", "mirror done"))) {
        wchar_t title[64] = {};
        ::GetWindowTextW(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(w)), title, 64);
        mirror == 0 && std::wstring(title) == L"Sign in" ? void(mirror = w) : void(sample.host->Command("close " + std::to_string(w)));
    }
    ASSERT_NE(mirror, 0u);
    ::SetEnvironmentVariableA(kPidVariable, std::to_string(sample.host->pid()).c_str());
    ::SetEnvironmentVariableA(kMirrorVariable, std::to_string(mirror).c_str());
    ASSERT_EQ(RunClients(5, "load warm-up").second, 0u);
    LeakWatch watch = sample.Watch();
    const Sample before = watch.Take(0);
    const auto [calls, failures] = RunClients(seconds, "load");
    Sample after = watch.Take(static_cast<double>(calls));
    for (int wait = 0; wait < 50 && (after.refs != before.refs || after.counters.handles > before.counters.handles + 64); ++wait)
        ::Sleep(200), after = watch.Take(static_cast<double>(calls));  // COM ends the gone clients' connections in its time
    std::printf("robustness: load 4 processes x 4 threads, %lu s: calls %llu failures %llu; host refs %lld -> %lld, handles "
                "%llu -> %llu (band +64), private KiB %llu -> %llu (band +8 MiB)\n", seconds, calls, failures, before.refs,
                after.refs, static_cast<unsigned long long>(before.counters.handles), static_cast<unsigned long long>(after.counters.handles),
                static_cast<unsigned long long>(before.counters.privateBytes >> 10), static_cast<unsigned long long>(after.counters.privateBytes >> 10));
    EXPECT_EQ(failures, 0u);
    EXPECT_GT(calls, 16u);
    ASSERT_TRUE(before.counters.ok && after.counters.ok && before.refs >= 0);
    EXPECT_EQ(after.refs, before.refs);
    EXPECT_LE(after.counters.handles, before.counters.handles + 64);
    EXPECT_LE(after.counters.privateBytes, before.counters.privateBytes + (8u << 20));
}

TEST(LoadClient, DISABLED_FourThreadsCallTheMix) {
    const DWORD pid = static_cast<DWORD>(EnvironmentNumber(kPidVariable, 0));
    const ULONG mirror = static_cast<ULONG>(EnvironmentNumber(kMirrorVariable, 0));
    const ULONGLONG deadline = ::GetTickCount64() + 1000 * EnvironmentNumber("MV_LOAD_SECONDS", 20);
    ASSERT_NE(pid, 0u);
    unsigned long long calls[4] = {}, failures[4] = {};
    std::string failed[4];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(pid);
                Checker c(jvm.get());
                // Distinct per process, thread and step: a value crossing over would show.
                const int base = static_cast<int>((::GetCurrentProcessId() & 0x3FF) << 20) + (t << 16);
                for (unsigned step = t; jvm && ::GetTickCount64() < deadline; ++step) MixStep(c, step, base + static_cast<int>(step & 0xFFFF), mirror);
                c.Check(jvm && c.calls > 0, "a thread made no call");
                calls[t] = c.calls, failures[t] = c.failures, failed[t] = c.failed;
            }
            ::CoUninitialize();
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 1; t < 4; ++t) calls[0] += calls[t], failures[0] += failures[t], failed[0] += failed[t];
    std::printf("%sload-client: calls %llu failures %llu\n", failed[0].c_str(), calls[0], failures[0]);
    EXPECT_EQ(failures[0], 0u);
}

// Answers for an interface of the module's type library, never called: marshalled and released, it
// measures what Wine keeps for such an interface stub.
struct PlainObject final : IJObject {  // IJAwtComponent shares IJObject's first methods
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        const bool ok = iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IJObject || iid == IID_IJAwtComponent;
        *out = ok ? this : nullptr;
        return ok ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }  // lives on the stack
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetClass(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetJvmAndHandle(IDispatch**, UINT64*) override { return E_NOTIMPL; }
    ULONG refs = 1;
};
double BytesPerStub(REFIID iid, int count) {
    const ProcessCounterReader self(::GetCurrentProcessId());
    ProcessCounters before;
    for (int i = -count / 10; i < count; ++i) {  // the first tenth makes the first-use allocations
        if (i == 0) before = self.Read();
        PlainObject object;
        com_ptr<IStream> stream;
        if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put())) ||
            FAILED(::CoMarshalInterface(stream.get(), iid, &object, MSHCTX_LOCAL, nullptr, MSHLFLAGS_NORMAL)) ||
            FAILED(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) || FAILED(::CoReleaseMarshalData(stream.get())) || object.refs != 1)
            return -1;
    }
    return (static_cast<double>(self.Read().privateBytes) - static_cast<double>(before.privateBytes)) / count;
}

// Component rounds until `calls` calls, sampled 50 times; with `keepOne` a window object kept a round.
struct SoakRun {
    double refs = 0, handles = 0, bytes = 0, rounds = 0, stubs = 0, calls = 0;
    Sample first, last;
    double RoundsPer1000() const { return 1000 * rounds / std::max(calls, 1.0); }
};
SoakRun Soak(SampleHost& sample, unsigned long long calls, bool keepOne, Checker& c) {
    for (int i = 0; i < 30; ++i) ComponentRound(c);  // warm-up
    const unsigned long long start = c.calls, stubs = c.stubs;
    LeakWatch watch = sample.Watch();
    std::vector<Component> kept;
    SoakRun run;
    run.first = watch.Take(0);
    for (unsigned long long next = calls / 50; c.calls - start < calls && !c.failures; ++run.rounds) {
        ComponentRound(c);
        if (keepOne) kept.push_back(TopLevelWindows(c.jvm()).at(0));
        if (c.calls - start >= next) watch.Take(static_cast<double>(c.calls - start)), next += calls / 50;
    }
    run.calls = static_cast<double>(c.calls - start), run.stubs = static_cast<double>(c.stubs - stubs);
    run.refs = watch.Slope(kRefs), run.handles = watch.Slope(kHandles), run.bytes = watch.Slope(kBytes);
    kept.clear();
    run.last = watch.Take(run.calls);  // after what was kept is released
    std::printf("robustness: soak%s: calls %.0f rounds %.0f failures %llu; slopes per 1,000 calls: refs %.3f handles %.3f "
                "private bytes %.1f; refs %lld -> %lld, handles %llu -> %llu, private KiB %llu -> %llu\n",
                keepOne ? " keeping one object a round" : "", run.calls, run.rounds, c.failures, run.refs, run.handles, run.bytes,
                run.first.refs, run.last.refs, static_cast<unsigned long long>(run.first.counters.handles),
                static_cast<unsigned long long>(run.last.counters.handles), static_cast<unsigned long long>(run.first.counters.privateBytes >> 10),
                static_cast<unsigned long long>(run.last.counters.privateBytes >> 10));
    return run;
}

// The slopes of references and handles stay under a quarter of one leaked item a round; memory
// under what Wine keeps for the round's interface stubs plus a quarter of a leaked component
// object (about 4 KiB). A client keeping one object a round fails the bound.
TEST(Soak, ComponentRoundsLeaveNoReferenceHandleOrMemoryBehind) {
    const unsigned long long calls = EnvironmentNumber("MV_SOAK_CALLS", 2500);
    SampleHost sample(static_cast<int>(600 + calls / 10));
    ASSERT_TRUE(sample.host) << sample.problem;
    const double stub = BytesPerStub(IID_IJAwtComponent, 1000);
    ASSERT_GE(stub, 0) << "the stub cost was not measured";
    const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(sample.host->pid());
    Checker c(jvm.get());
    const SoakRun run = Soak(sample, calls, false, c);
    const double bound = 0.25 * run.RoundsPer1000(), memory = run.RoundsPer1000() * (run.stubs * stub / run.rounds + 0.25 * 4096);
    std::printf("robustness: soak: %.0f bytes per stub; bounds per 1,000 calls: refs and handles %.2f, private bytes %.0f\n", stub,
                bound, memory);
    ASSERT_EQ(c.failures, 0u) << c.failed;
    ASSERT_TRUE(run.first.counters.ok && run.last.counters.ok && run.calls >= calls);
    EXPECT_EQ(run.last.refs, run.first.refs);
    EXPECT_LT(run.refs, bound);
    EXPECT_LT(run.handles, bound);
    EXPECT_LT(run.bytes, memory);
    const SoakRun leak = Soak(sample, 600, true, c);
    ASSERT_EQ(c.failures, 0u) << c.failed;
    EXPECT_GT(leak.refs, 0.9 * leak.RoundsPer1000()) << "one global reference a round, caught";
    EXPECT_EQ(leak.last.refs, leak.first.refs) << "released at the end";
}

}  // namespace
}  // namespace mv::test
