// Load: one Java-process host, four client processes of four threads each, all calling a mix of
// bridge and component members at once for a bounded time. Every answer is checked against the
// known value; afterwards the host's live references, handles and private memory are back near
// where they started.
//
// The clients are this program started again with the DISABLED_ client test selected; they learn
// the host and the run's length from the environment the parent sets.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "checked_calls.h"
#include "child_process.h"
#include "common/com/com_ptr.h"
#include "environment_number.h"
#include "host_process.h"
#include "sample_host.h"

namespace mv::test {
namespace {

constexpr int kClients = 4;
constexpr int kThreadsPerClient = 4;
constexpr char kHostPidVariable[] = "MV_LOAD_HOST_PID";
constexpr char kMirrorVariable[] = "MV_LOAD_MIRROR_WINDOW";
constexpr char kSecondsVariable[] = "MV_LOAD_SECONDS";
constexpr unsigned long kDefaultSeconds = 20;
constexpr unsigned long kWarmUpSeconds = 5;

// How near the start the host must be afterwards.
// References: exactly back. Every reference the clients caused belongs to a handle they
// deleted or a component object they released, and the warm-up made whatever the module keeps.
// Handles: 64. The host's COM serves each client connection on threads of its own and keeps
// some of them (with their handles) for a while after the client went; a leak of one handle per
// call would add thousands.
// Private memory: 8 MiB, measured after a warm-up run of the same sixteen callers. It covers
// what COM under Wine keeps of every component-interface stub (about 2 KiB each, see
// typelib_stub_cost.h) and the heap's growth steps; a leak of 4 KiB per call over the run's
// thousands of calls exceeds it.
constexpr long long kReferenceBand = 0;
constexpr std::uint64_t kHandleBand = 64;
constexpr std::uint64_t kMemoryBand = 8ull << 20;

struct ClientResult {
    unsigned long long calls = 0;
    unsigned long long failures = 0;
    bool reported = false;
};

ClientResult ParseClientReport(const std::string& output) {
    ClientResult result;
    const std::size_t at = output.find("load-client: calls ");
    if (at == std::string::npos) return result;
    result.reported =
        std::sscanf(output.c_str() + at, "load-client: calls %llu failures %llu", &result.calls, &result.failures) == 2;
    return result;
}

struct LoadTotals {
    unsigned long long calls = 0;
    unsigned long long failures = 0;
};

// Runs the clients against the host for `seconds` and waits for them (a hang guard ends them
// long after their deadline); every client must end well and report its counts.
LoadTotals RunClients(SampleHost& host, ULONG mirror, unsigned long seconds, const char* label) {
    ::SetEnvironmentVariableA(kHostPidVariable, std::to_string(host.pid()).c_str());
    ::SetEnvironmentVariableA(kMirrorVariable, std::to_string(mirror).c_str());
    ::SetEnvironmentVariableA(kSecondsVariable, std::to_string(seconds).c_str());
    std::vector<std::unique_ptr<ChildProcess>> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(std::make_unique<ChildProcess>("LoadClient.DISABLED_FourThreadsCallTheMixUntilTheDeadline"));
    LoadTotals totals;
    for (int i = 0; i < kClients; ++i) {
        ChildProcess& client = *clients[static_cast<std::size_t>(i)];
        EXPECT_TRUE(client.started());
        const DWORD code = client.Finish(static_cast<unsigned>((seconds + 120) * 1000));
        const ClientResult result = ParseClientReport(client.output());
        EXPECT_EQ(code, 0u) << label << " client " << i << ":\n" << client.output();
        EXPECT_TRUE(result.reported) << client.output();
        EXPECT_GT(result.calls, 0u) << label << " client " << i;
        totals.calls += result.calls;
        totals.failures += result.failures;
        std::printf("robustness: %s client %d: calls %llu failures %llu\n", label, i, result.calls, result.failures);
    }
    std::fflush(stdout);
    return totals;
}

TEST(Load, SixteenConcurrentCallersGetRightAnswersAndLeaveTheHostAsTheyFoundIt) {
    const unsigned long seconds = EnvironmentNumber(kSecondsVariable, kDefaultSeconds);
    SampleHost host(static_cast<int>(300 + seconds));
    ASSERT_TRUE(host.problem().empty()) << host.problem();
    const ULONG mirror = host.MirrorWindowTitled(L"Sign in");
    ASSERT_NE(mirror, 0u) << "a native window behind the login window";

    // A short run first: whatever the module, COM and the harness make once for sixteen
    // concurrent callers (threads, their stacks and JVM connections, type information) is made
    // before the start is measured.
    const LoadTotals warmUp = RunClients(host, mirror, kWarmUpSeconds, "load warm-up");
    ASSERT_EQ(warmUp.failures, 0u);
    const HostSample before = host.Sample();
    ASSERT_GE(before.refs, 0);
    ASSERT_TRUE(before.counters.ok);

    const LoadTotals totals = RunClients(host, mirror, seconds, "load");
    const unsigned long long calls = totals.calls, failures = totals.failures;
    // The host's COM ends the connections of the clients that went in its own time.
    HostSample after = host.Sample();
    for (int wait = 0; wait < 50 && (after.refs != before.refs ||
                                     after.counters.handles > before.counters.handles + kHandleBand);
         ++wait) {
        ::Sleep(200);
        after = host.Sample();
    }
    std::printf("robustness: load %d processes x %d threads, %lu s: calls %llu failures %llu\n", kClients,
                kThreadsPerClient, seconds, calls, failures);
    std::printf("robustness: load host refs before %lld after %lld (band %lld)\n", before.refs, after.refs,
                kReferenceBand);
    std::printf("robustness: load host handles before %llu after %llu (band +%llu)\n",
                static_cast<unsigned long long>(before.counters.handles),
                static_cast<unsigned long long>(after.counters.handles), static_cast<unsigned long long>(kHandleBand));
    std::printf("robustness: load host private bytes before %llu after %llu (band +%llu)\n",
                static_cast<unsigned long long>(before.counters.privateBytes),
                static_cast<unsigned long long>(after.counters.privateBytes),
                static_cast<unsigned long long>(kMemoryBand));
    std::fflush(stdout);

    EXPECT_EQ(failures, 0u);
    EXPECT_GT(calls, static_cast<unsigned long long>(kClients * kThreadsPerClient)) << "every thread made calls";
    EXPECT_LE(after.refs, before.refs + kReferenceBand);
    EXPECT_GE(after.refs, before.refs - kReferenceBand);
    ASSERT_TRUE(after.counters.ok);
    EXPECT_LE(after.counters.handles, before.counters.handles + kHandleBand);
    EXPECT_LE(after.counters.privateBytes, before.counters.privateBytes + kMemoryBand);
    EXPECT_EQ(host.JniWarnings(), "");
}

// One client process: four threads, each with its own proxy, calling the mix until the deadline.
TEST(LoadClient, DISABLED_FourThreadsCallTheMixUntilTheDeadline) {
    const unsigned long pid = EnvironmentNumber(kHostPidVariable, 0);
    const unsigned long mirror = EnvironmentNumber(kMirrorVariable, 0);
    const unsigned long seconds = EnvironmentNumber(kSecondsVariable, kDefaultSeconds);
    ASSERT_NE(pid, 0u) << "started by the load test, which names the host";

    struct ThreadResult {
        unsigned long long calls = 0;
        unsigned long long failures = 0;
        std::vector<std::string> texts;
    };
    std::vector<ThreadResult> results(kThreadsPerClient);
    const ULONGLONG deadline = ::GetTickCount64() + seconds * 1000ull;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreadsPerClient; ++t) {
        threads.emplace_back([&, t] {
            ThreadResult& result = results[static_cast<std::size_t>(t)];
            ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            {
                com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(static_cast<DWORD>(pid));
                if (!jvm) {
                    result.failures = 1;
                    result.texts.push_back("GetJVMFromPid found no object");
                } else {
                    CheckedCalls checker(jvm.get(), static_cast<ULONG>(mirror));
                    // Distinct per process, thread and step: a value crossing over would show.
                    const int base = static_cast<int>((::GetCurrentProcessId() & 0x3FF) << 20) + (t << 16);
                    // Threads start at different members so that all kinds run at the same time.
                    for (unsigned step = static_cast<unsigned>(t); ::GetTickCount64() < deadline; ++step)
                        checker.MixStep(step, base + static_cast<int>(step & 0xFFFF));
                    result.calls = checker.calls();
                    result.failures = checker.failures();
                    result.texts = checker.failureTexts();
                }
            }
            ::CoUninitialize();
        });
    }
    for (std::thread& thread : threads) thread.join();

    unsigned long long calls = 0, failures = 0;
    for (const ThreadResult& result : results) {
        calls += result.calls;
        failures += result.failures;
        for (const std::string& text : result.texts) std::printf("load-client: failed: %s\n", text.c_str());
        EXPECT_GT(result.calls, 0u) << "a thread made no call";
    }
    std::printf("load-client: calls %llu failures %llu\n", calls, failures);
    std::fflush(stdout);
    EXPECT_EQ(failures, 0u);
}

}  // namespace
}  // namespace mv::test
