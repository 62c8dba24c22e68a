// Hostile input across processes: the same rounds as in process, fewer of them, against the main
// object of a Java-process host (mvjava-host, -Xcheck:jni), so that every VARIANT goes through
// the type-library marshaller. After every batch the host's live global references are back to
// their start, its handle count is flat and its JVM printed no JNI warning.

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "host_process.h"
#include "hostile_rounds.h"
#include "process_counters.h"

namespace mv::test {
namespace {

class HostileCrossProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<ModuleRegistration>();
        HostSettings settings;
        settings.jvmOptions = {"-Xcheck:jni"};
        settings.keepJvmOutput = true;
        s_host = std::make_unique<HostProcess>(settings);
    }
    static void TearDownTestSuite() {
        if (s_host) {
            for (const std::string& warning : FindJniWarningsOfCallers(s_host->JvmOutput()))
                ADD_FAILURE() << "the host's JVM reported a JNI warning: " << warning;
        }
        s_host.reset();
        s_registration.reset();
        ::CoUninitialize();
    }

    void SetUp() override {
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        ASSERT_TRUE(s_host->ready()) << "host output: " << s_host->output();
        m_jvm = PublishedJvmOf(s_host->pid());
        ASSERT_TRUE(m_jvm) << "the published object of the host";
        // Only a proxy answers IClientSecurity: every call below crosses the process boundary.
        ASSERT_TRUE(m_jvm.try_query<IClientSecurity>()) << "the object is not a proxy";
        m_refsAtStart = HostRefs();
        ASSERT_GE(m_refsAtStart, 0) << "refs answer";
        ASSERT_TRUE(m_targets.Make(m_jvm.get()));
        m_settings = ReadHostileSettings(300);
        m_random = std::make_unique<RandomSource>(m_settings.seed ^ 0x5a5a5a5aULL);
        std::printf("robustness: hostile cross-process seed=0x%llx (MV_HOSTILE_SEED xor 0x5a5a5a5a)\n",
                    static_cast<unsigned long long>(m_settings.seed ^ 0x5a5a5a5aULL));
        m_rounds = std::make_unique<HostileRounds>(m_jvm.get(), m_targets, *m_random, m_tally);
    }
    void TearDown() override {
        m_rounds.reset();
        if (m_jvm) m_targets.Release(m_jvm.get());
        if (m_jvm && s_host->ready()) {
            EXPECT_EQ(HostRefs(), m_refsAtStart) << "host references at the end";
        }
        m_jvm.reset();
    }

    long long HostRefs() { return s_host->LiveReferences(); }
    DWORD HostHandles() {
        return static_cast<DWORD>(ProcessCounterReader(s_host->pid()).Read().handles);
    }

    // As in process: the host's handle count may grow while the first batch warms up COM and RPC
    // in the host (threads, events, the type library); after that it stays within the band.
    void RunBatches(const char* suite, int rounds, void (HostileRounds::*round)()) {
        constexpr int kBatch = 10;
        constexpr long kHandleBand = 16;
        const long long targetRefs = m_refsAtStart + static_cast<long long>(m_targets.all.size());
        DWORD handlesAfterFirst = 0;
        for (int done = 0, batch = 0; done < rounds; ++batch) {
            for (int i = 0; i < kBatch && done < rounds; ++i, ++done) {
                (m_rounds.get()->*round)();
                if (HasFatalFailure()) return;
            }
            ASSERT_EQ(HostRefs(), targetRefs) << suite << ": host global references after batch " << batch;
            const std::vector<std::string> warnings = FindJniWarningsOfCallers(s_host->JvmOutput());
            ASSERT_TRUE(warnings.empty()) << suite << ": " << warnings.front();
            const DWORD handles = HostHandles();
            if (batch == 0) handlesAfterFirst = handles;
            EXPECT_LE(std::labs(static_cast<long>(handles) - static_cast<long>(handlesAfterFirst)), kHandleBand)
                << suite << ": host handle count " << handles << " after batch " << batch << ", "
                << handlesAfterFirst << " after the first";
            if (batch == 0 || done >= rounds)
                std::printf("robustness: hostile cross-process %s batch %d host-handles=%lu host-refs=%lld\n", suite,
                            batch, static_cast<unsigned long>(handles), HostRefs() - targetRefs);
        }
        m_tally.Print((std::string("cross-process ") + suite).c_str(), m_settings.seed ^ 0x5a5a5a5aULL, rounds);
    }

    static std::unique_ptr<ModuleRegistration> s_registration;
    static std::unique_ptr<HostProcess> s_host;
    com_ptr<IMvJavaCpp> m_jvm;
    long long m_refsAtStart = 0;
    TargetObjects m_targets;
    HostileSettings m_settings{};
    std::unique_ptr<RandomSource> m_random;
    std::unique_ptr<HostileRounds> m_rounds;
    HresultTally m_tally;
};
std::unique_ptr<ModuleRegistration> HostileCrossProcess::s_registration;
std::unique_ptr<HostProcess> HostileCrossProcess::s_host;

TEST_F(HostileCrossProcess, RandomArgumentArraysThroughTheMarshaller) {
    RunBatches("arguments", m_settings.rounds / 2, &HostileRounds::ArgumentRound);
}

TEST_F(HostileCrossProcess, RandomNamesThroughTheMarshaller) {
    RunBatches("names", m_settings.rounds / 3, &HostileRounds::NameRound);
}

TEST_F(HostileCrossProcess, RandomArraysThroughTheMarshaller) {
    RunBatches("arrays", m_settings.rounds / 8, &HostileRounds::ArrayRound);
}

TEST_F(HostileCrossProcess, ZeroAndWrongKindHandlesThroughTheMarshaller) {
    RunBatches("handles", 1, &HostileRounds::ZeroHandleRound);
}

}  // namespace
}  // namespace mv::test
