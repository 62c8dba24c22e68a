// Soak: one client makes many cross-process calls in rounds that each make and release component
// objects (GetAllTopLevelComponents, one level of children, release). The host's live
// references, handles and private memory are sampled along the way; their growth per 1,000 calls
// (least-squares slope) must stay below what one leaked handle or object per round would add,
// and the references must be back at their start at the end.
//
// Memory: COM under Wine 8 keeps about 2 KiB for every interface stub of the module's type
// library it makes and destroys (measured here with an object of our own, no module code: see
// typelib_stub_cost.h), and every round queries new component objects for component interfaces.
// The memory bound therefore allows what those stubs keep, measured in this run, on top of a
// share of one leaked object a round. References are exact: every component object holds one
// global reference, so a leaked object a round shows in the references' slope on any platform.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "checked_calls.h"
#include "common/com/com_ptr.h"
#include "components.h"
#include "environment_number.h"
#include "least_squares.h"
#include "sample_host.h"
#include "typelib_stub_cost.h"

namespace mv::test {
namespace {

constexpr unsigned long kDefaultCalls = 2500;
constexpr unsigned long kLeakRunCalls = 600;
constexpr unsigned long kSamples = 50;
constexpr unsigned kWarmUpRounds = 30;
constexpr int kStubsMeasured = 1000;
// What a component object left alive a round costs the host at least: the object, its Java
// reference's record, COM's stub manager and its interface stubs (about 4 to 6 KiB measured
// here: the difference of the memory slopes of the two runs below).
constexpr double kLeakedObjectBytes = 4096;
// A bound is this share of what one leaked handle, reference or object per round adds: small
// enough that such a leak fails it, large enough for the steps in which a heap grows.
constexpr double kShareOfOneLeakPerRound = 0.25;

struct Slopes {
    double refs = 0;
    double handles = 0;
    double bytes = 0;
};

struct SoakRun {
    unsigned long long calls = 0;
    unsigned long long rounds = 0;
    unsigned long long failures = 0;
    unsigned long long stubs = 0;  // component interfaces queried on new objects
    std::vector<std::string> failureTexts;
    HostSample first;
    HostSample last;
    Slopes per1000;
    double callsPerRound() const { return rounds ? static_cast<double>(calls) / static_cast<double>(rounds) : 0; }
    double stubsPerRound() const { return rounds ? static_cast<double>(stubs) / static_cast<double>(rounds) : 0; }
    double roundsPer1000Calls() const { return calls ? 1000.0 * static_cast<double>(rounds) / static_cast<double>(calls) : 0; }
};

class Soak : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const unsigned long calls = EnvironmentNumber("MV_SOAK_CALLS", kDefaultCalls);
        // 35 to 50 ms a call under Wine on two busy cores here; the host may take twice that.
        s_host = std::make_unique<SampleHost>(static_cast<int>(600 + calls / 10));
        // What Wine keeps per stub, with the module's type library registered (by the host).
        s_stubCost = MeasureStubCost(IID_IJAwtComponent, kStubsMeasured);
        const StubCost plain = MeasureStubCost(IID_IDispatch, kStubsMeasured);
        std::printf("robustness: soak: COM keeps %.0f bytes per component-interface stub, %.0f per IDispatch stub\n",
                    s_stubCost.bytesPerStub, plain.bytesPerStub);
        std::fflush(stdout);
    }
    static void TearDownTestSuite() { s_host.reset(); }
    void SetUp() override { ASSERT_TRUE(s_host->problem().empty()) << s_host->problem(); }

    // Component rounds until `calls` calls were made, sampled every calls/kSamples calls. With
    // `keepOnePerRound` the client keeps one window object of every round until the run ends,
    // as a leaking client (or module) would.
    static SoakRun Run(unsigned long calls, bool keepOnePerRound) {
        SoakRun run;
        const com_ptr<IMvJavaCpp> jvm = s_host->Jvm();
        if (!jvm) {
            run.failures = 1;
            run.failureTexts.push_back("no main object");
            return run;
        }
        CheckedCalls checker(jvm.get(), 0);
        for (unsigned i = 0; i < kWarmUpRounds; ++i) checker.ComponentRound();
        const unsigned long long warmUpCalls = checker.calls();
        const unsigned long long warmUpStubs = checker.componentInterfaceQueries();
        const unsigned long sampleEvery = std::max(1ul, calls / kSamples);
        std::vector<Point> refs, handles, bytes;
        std::vector<Component> kept;
        auto sample = [&](unsigned long long made) {
            const HostSample now = s_host->Sample();
            if (refs.empty()) run.first = now;
            run.last = now;
            refs.push_back({static_cast<double>(made), static_cast<double>(now.refs)});
            handles.push_back({static_cast<double>(made), static_cast<double>(now.counters.handles)});
            bytes.push_back({static_cast<double>(made), static_cast<double>(now.counters.privateBytes)});
        };
        sample(0);
        unsigned long long nextSample = sampleEvery;
        while (checker.calls() - warmUpCalls < calls) {
            checker.ComponentRound();
            ++run.rounds;
            if (keepOnePerRound) {
                const std::vector<Component> windows = TopLevelWindows(jvm.get());
                if (!windows.empty()) kept.push_back(windows.front());
                checker.Succeeded(windows.empty() ? E_FAIL : S_OK, "GetAllTopLevelComponents (kept)");
            }
            const unsigned long long made = checker.calls() - warmUpCalls;
            if (made >= nextSample) {
                sample(made);
                nextSample += sampleEvery;
            }
        }
        run.calls = checker.calls() - warmUpCalls;
        run.stubs = checker.componentInterfaceQueries() - warmUpStubs;
        sample(run.calls);
        // The end state, after anything kept is released; not a point of the slopes.
        kept.clear();
        run.last = s_host->Sample();
        run.failures = checker.failures();
        run.failureTexts = checker.failureTexts();
        std::string series;
        for (const Point& p : bytes) series += " " + std::to_string(static_cast<long long>(p.y) / 1024);
        std::printf("robustness: private KiB at each sample:%s\n", series.c_str());
        run.per1000 = {1000 * LeastSquaresSlope(refs), 1000 * LeastSquaresSlope(handles), 1000 * LeastSquaresSlope(bytes)};
        return run;
    }

    static void Print(const char* name, const SoakRun& run) {
        std::printf("robustness: %s: calls %llu rounds %llu (%.1f calls a round) failures %llu\n", name, run.calls,
                    run.rounds, run.callsPerRound(), run.failures);
        std::printf("robustness: %s: slopes per 1,000 calls: refs %.3f handles %.3f private bytes %.1f\n", name,
                    run.per1000.refs, run.per1000.handles, run.per1000.bytes);
        std::printf("robustness: %s: refs %lld -> %lld, handles %llu -> %llu, private bytes %llu -> %llu\n", name,
                    run.first.refs, run.last.refs, static_cast<unsigned long long>(run.first.counters.handles),
                    static_cast<unsigned long long>(run.last.counters.handles),
                    static_cast<unsigned long long>(run.first.counters.privateBytes),
                    static_cast<unsigned long long>(run.last.counters.privateBytes));
        std::fflush(stdout);
    }

    // What one leaked handle / object per round adds per 1,000 calls, times the share allowed.
    static double OneItemBound(const SoakRun& run) { return kShareOfOneLeakPerRound * run.roundsPer1000Calls(); }
    static double MemoryBound(const SoakRun& run) {
        const double stubBytes = std::max(0.0, s_stubCost.bytesPerStub);
        return run.roundsPer1000Calls() *
               (run.stubsPerRound() * stubBytes + kShareOfOneLeakPerRound * kLeakedObjectBytes);
    }

    static std::unique_ptr<SampleHost> s_host;
    static StubCost s_stubCost;
};
std::unique_ptr<SampleHost> Soak::s_host;
StubCost Soak::s_stubCost;

TEST_F(Soak, ComponentRoundsLeaveNoReferenceHandleOrMemoryBehind) {
    const unsigned long calls = EnvironmentNumber("MV_SOAK_CALLS", kDefaultCalls);
    const ULONGLONG started = ::GetTickCount64();
    const SoakRun run = Run(calls, false);
    Print("soak", run);
    std::printf("robustness: soak: bounds per 1,000 calls: refs %.2f handles %.2f private bytes %.0f "
                "(%.1f stubs a round); %.1f s\n",
                OneItemBound(run), OneItemBound(run), MemoryBound(run), run.stubsPerRound(),
                static_cast<double>(::GetTickCount64() - started) / 1000.0);
    std::fflush(stdout);

    ASSERT_EQ(s_stubCost.hr, S_OK) << "the stub cost was not measured";
    EXPECT_TRUE(s_stubCost.objectsReleased);
    ASSERT_EQ(run.failures, 0u) << run.failureTexts.front();
    ASSERT_GE(run.calls, calls);
    ASSERT_TRUE(run.first.counters.ok && run.last.counters.ok);
    EXPECT_EQ(run.last.refs, run.first.refs) << "every component object's reference is deleted again";
    EXPECT_LT(run.per1000.refs, OneItemBound(run));
    EXPECT_LT(run.per1000.handles, OneItemBound(run));
    EXPECT_LT(run.per1000.bytes, MemoryBound(run));
    EXPECT_EQ(s_host->JniWarnings(), "");
}

// The bounds are sharp enough: a client that keeps one component object of every round alive
// makes the references' slope exceed its bound (memory is printed: under Wine the stubs' share
// hides it). Runs after the soak; the kept objects are released at its end, so the references
// are back at their start afterwards too.
TEST_F(Soak, TheBoundsCatchAComponentObjectKeptPerRound) {
    const SoakRun run = Run(kLeakRunCalls, true);
    Print("soak with one object kept a round", run);
    std::printf("robustness: soak with one object kept a round: memory bound %.0f\n", MemoryBound(run));
    std::fflush(stdout);
    ASSERT_EQ(run.failures, 0u) << run.failureTexts.front();
    EXPECT_GT(run.per1000.refs, OneItemBound(run)) << "one global reference a round";
    EXPECT_GT(run.per1000.refs, 0.9 * run.roundsPer1000Calls()) << "one global reference a round";
    EXPECT_EQ(run.last.refs, run.first.refs) << "released at the end of the run";
}

TEST(LeastSquares, SlopeOfNoisyLineAndDegenerateInputs) {
    EXPECT_DOUBLE_EQ(LeastSquaresSlope({{0, 5}, {10, 25}, {20, 45}}), 2.0);
    // Noise around y = 3x + 1 that is symmetric about the middle leaves the slope at 3.
    EXPECT_NEAR(LeastSquaresSlope({{0, 2}, {1, 3}, {2, 6}, {3, 11}}), 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(LeastSquaresSlope({{1, 7}}), 0.0);
    EXPECT_DOUBLE_EQ(LeastSquaresSlope({{4, 1}, {4, 9}}), 0.0) << "no spread in x";
    EXPECT_DOUBLE_EQ(LeastSquaresSlope({{0, 100}, {50, 100}, {100, 100}}), 0.0);
}

}  // namespace
}  // namespace mv::test
