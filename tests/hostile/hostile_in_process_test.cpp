// Hostile input for the main object in process: the registered module's object from
// CoCreateInstance, its JVM saved, against the fixture classes of a real JVM (-Xcheck:jni).
// After every batch of rounds: the proxy's live global references are back to where they were,
// no Java exception is pending, the JVM printed no JNI warning, and the handle count is flat.

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "host_process.h"
#include "hostile_rounds.h"
#include "jni_test.h"
#include "process_counters.h"

namespace mv::test {
namespace {

DWORD HandleCount() {
    return static_cast<DWORD>(ProcessCounterReader(::GetCurrentProcessId()).Read().handles);
}

class HostileInProcess : public JniTest {
protected:
    static void SetUpTestSuite() {
        JniTest::SetUpTestSuite();
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<ModuleRegistration>();
    }
    static void TearDownTestSuite() {
        s_registration.reset();
        ::CoUninitialize();
        JniTest::TearDownTestSuite();
    }

    void SetUp() override {
        JniTest::SetUp();
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp, m_bridge.put_void()), S_OK);
        ASSERT_EQ(m_bridge->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()), reinterpret_cast<UINT64>(vm())), S_OK);
        ASSERT_TRUE(m_targets.Make(m_bridge.get()));
        m_settings = ReadHostileSettings(400);
        m_random = std::make_unique<RandomSource>(m_settings.seed);
        std::printf("robustness: hostile seed=0x%llx rounds=%d (MV_HOSTILE_SEED, MV_HOSTILE_ROUNDS)\n",
                    static_cast<unsigned long long>(m_settings.seed), m_settings.rounds);
        m_rounds = std::make_unique<HostileRounds>(m_bridge.get(), m_targets, *m_random, m_tally);
        // Members documented to leave a Java exception pending on the caller's thread.
        m_rounds->afterPendingException = [this] {
            if (env()->ExceptionCheck()) {
                env()->ExceptionClear();
                ++m_pendingCleared;
            }
        };
        m_liveAtStart = LiveGlobalReferences();
    }

    void TearDown() override {
        m_rounds.reset();
        if (m_bridge) m_targets.Release(m_bridge.get());
        m_bridge.reset();
        ::CoUninitialize();
        JniTest::TearDown();
    }

    // Runs `round` in batches and checks the counters after each batch. The handle count may
    // move while Wine and OLE open what they keep for the process (registry keys, the type
    // library, events) in the first batch; after that it must stay within `kHandleBand` of the
    // first batch's count: a leak of one handle per call would leave the band within a batch.
    void RunBatches(const char* suite, int rounds, const std::function<void()>& round) {
        constexpr int kBatch = 20;
        constexpr long kHandleBand = 8;
        DWORD handlesAfterFirst = 0;
        for (int done = 0, batch = 0; done < rounds; ++batch) {
            for (int i = 0; i < kBatch && done < rounds; ++i, ++done) {
                round();
                if (HasFatalFailure()) return;
            }
            ASSERT_EQ(LiveGlobalReferences(), m_liveAtStart) << suite << ": global references after batch " << batch;
            ASSERT_FALSE(env()->ExceptionCheck()) << suite << ": a Java exception is pending after batch " << batch;
            const std::vector<std::string> warnings = FindJniWarnings(OutputOfThisTest());
            ASSERT_TRUE(warnings.empty()) << suite << ": " << warnings.front();
            const DWORD handles = HandleCount();
            if (batch == 0) handlesAfterFirst = handles;
            EXPECT_LE(std::labs(static_cast<long>(handles) - static_cast<long>(handlesAfterFirst)), kHandleBand)
                << suite << ": handle count " << handles << " after batch " << batch << ", " << handlesAfterFirst
                << " after the first";
            if (batch == 0 || done >= rounds)
                std::printf("robustness: hostile %s batch %d handles=%lu live-globals=%lld\n", suite, batch,
                            static_cast<unsigned long>(handles), LiveGlobalReferences() - m_liveAtStart);
        }
        m_tally.Print(suite, m_settings.seed, rounds);
        std::printf("robustness: hostile %s pending exceptions left by GetClassByName/CallNonvirtual* and cleared: %d\n",
                    suite, m_pendingCleared);
    }

    static std::unique_ptr<ModuleRegistration> s_registration;
    com_ptr<IMvJavaCpp> m_bridge;
    TargetObjects m_targets;
    HostileSettings m_settings{};
    std::unique_ptr<RandomSource> m_random;
    std::unique_ptr<HostileRounds> m_rounds;
    HresultTally m_tally;
    long long m_liveAtStart = 0;
    int m_pendingCleared = 0;
};
std::unique_ptr<ModuleRegistration> HostileInProcess::s_registration;

TEST_F(HostileInProcess, RandomArgumentArraysReachEveryCallMember) {
    RunBatches("arguments", m_settings.rounds * 2, [this] { m_rounds->ArgumentRound(); });
}

TEST_F(HostileInProcess, RandomNamesAndSignatures) {
    RunBatches("names", m_settings.rounds * 2, [this] { m_rounds->NameRound(); });
}

TEST_F(HostileInProcess, RandomPrimitiveArrayWritesAndReads) {
    RunBatches("arrays", m_settings.rounds / 2, [this] { m_rounds->ArrayRound(); });
}

TEST_F(HostileInProcess, ZeroAndWrongKindHandles) {
    RunBatches("handles", 2, [this] { m_rounds->ZeroHandleRound(); });
}

// Found by the name rounds: a class name with a character outside the BMP became a four-byte
// UTF-8 sequence, and the JVM's checked mode ended the process in FindClass ("JNI class name is
// not a valid UTF8 string"). Such a name names no class; every class lookup now refuses it.
TEST_F(HostileInProcess, ClassNamesOutsideTheBmpAreRefused) {
    const unique_bstr dotted = Bstr(L"fixtures.Echo\U0001F511"), slashed = Bstr(L"java/lang/\U0001F511");
    UINT64 handle = 0;
    EXPECT_EQ(m_bridge->NewDefJavaObject(dotted.get(), &handle), E_FAIL);
    EXPECT_EQ(m_bridge->GetClassByName(slashed.get(), &handle), E_FAIL);
    EXPECT_EQ(handle, 0u);
    VARIANT_BOOL is = 0;
    EXPECT_EQ(m_bridge->IsInstanceOf(m_targets.echo, dotted.get(), &is), E_FAIL);
    unique_variant none;
    EXPECT_EQ(m_bridge->CallNonvirtualVoidMethod(m_targets.echo, dotted.get(), Bstr(L"notify").get(),
                                                 Bstr(L"()V").get(), none.get()), E_FAIL);
    unique_bstr text;
    EXPECT_EQ(m_bridge->CallNonvirtualStringMethod(m_targets.echo, slashed.get(), Bstr(L"toString").get(),
                                                   Bstr(L"()Ljava/lang/String;").get(), none.get(), text.put()), E_FAIL);
    EXPECT_FALSE(text);
    EXPECT_FALSE(env()->ExceptionCheck());
    // The JVM is still there and the same lookups work with a plain name.
    EXPECT_EQ(m_bridge->IsInstanceOf(m_targets.echo, Bstr(L"fixtures.Echo").get(), &is), S_OK);
    EXPECT_EQ(is, VARIANT_TRUE);
}

// Found by the name rounds: a class given as a field descriptor ("Lx;") drew the JVM's warning
// "JNI FindClass received a bad class descriptor"; it is refused as a name of no class.
TEST_F(HostileInProcess, ClassDescriptorsAreNoClassNames) {
    for (const wchar_t* name : {L"L;", L"Ljava/lang/Object;", L"Ljava.lang.Object;"}) {
        UINT64 handle = 0;
        EXPECT_EQ(m_bridge->NewDefJavaObject(Bstr(name).get(), &handle), E_FAIL);
        EXPECT_EQ(m_bridge->GetClassByName(Bstr(name).get(), &handle), E_FAIL);
        EXPECT_EQ(handle, 0u);
        VARIANT_BOOL is = 0;
        EXPECT_EQ(m_bridge->IsInstanceOf(m_targets.echo, Bstr(name).get(), &is), E_FAIL);
        EXPECT_EQ(is, 0);
        EXPECT_FALSE(env()->ExceptionCheck());
    }
    // Array descriptors are class names.
    VARIANT_BOOL is = 0;
    EXPECT_EQ(m_bridge->IsInstanceOf(m_targets.objects, Bstr(L"[Ljava/lang/Object;").get(), &is), S_OK);
    EXPECT_EQ(is, VARIANT_TRUE);
}

// Found by the argument rounds: only the first dimension of an argument array counts, and the
// bridge took that many elements even when another dimension held none, reading past the
// array's data. Here the data is ours and holds a valid element beyond the array's end, so a
// read past the end shows as a call that succeeds.
TEST_F(HostileInProcess, ArgumentArraysAreNeverReadPastTheirElements) {
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(::SafeArrayAllocDescriptorEx(VT_VARIANT, 2, &array), S_OK);
    VARIANT storage[2];
    for (VARIANT& v : storage) {
        ::VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = 42;
    }
    array->fFeatures |= FADF_STATIC;
    array->cbElements = sizeof(VARIANT);
    array->rgsabound[1] = {1, 0};  // dimension 1: one element
    array->rgsabound[0] = {0, 0};  // dimension 2: none, so the array holds no element at all
    array->pvData = storage;
    VARIANT params;
    ::VariantInit(&params);
    V_VT(&params) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&params) = array;
    LONG value = 0;
    const HRESULT hr = m_bridge->CallStaticIntMethod(m_targets.echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(), params, &value);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(value, 0);
    // The same array with its second dimension holding one element passes the one argument.
    array->rgsabound[0] = {1, 0};
    EXPECT_EQ(m_bridge->CallStaticIntMethod(m_targets.echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(), params, &value), S_OK);
    EXPECT_EQ(value, 42);
    ::SafeArrayDestroyDescriptor(array);
}

}  // namespace
}  // namespace mv::test
