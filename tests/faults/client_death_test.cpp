// A client process dies (TerminateProcess) while it holds component objects and bridge handles
// of a Java process. The host keeps serving other clients correctly; what happens to the dead
// client's objects (and the JNI global references they own) is measured through the host's own
// count of live references.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "awt_test.h"
#include "bstr_values.h"
#include "child_process.h"
#include "common/com/bstr.h"
#include "environment_number.h"
#include "guarded_call.h"
#include "host_process.h"

namespace mv::test {
namespace {

constexpr char kHostPidVariable[] = "MV_FAULTS_HOST_PID";
constexpr DWORD kChildReadyLimitMs = 120000;
constexpr DWORD kCallLimitMs = 60000;
// How long the host is watched after a client died, for references that come back
// (MV_FAULTS_RELEASE_WATCH_MS).
constexpr unsigned long kReleaseWatchMs = 20000;

class ClientDeath : public AwtTest {
protected:
    long long LiveReferences() {
        const long long refs = host().LiveReferences();
        EXPECT_GE(refs, 0) << "the host answers \"refs\"";
        return refs;
    }

    // What another client does: list the windows, read one, make and drop a string, under the
    // hang guard. Leaves the host's reference count as it found it.
    void ExpectServed() {
        const com_ptr<IMvJavaCpp> jvm = AwtHost::Get()->Jvm();
        ASSERT_TRUE(jvm);
        const HRESULT hr = CallWithin(kCallLimitMs, [jvm] {
            const std::vector<Component> windows = TopLevelWindows(jvm.get());
            if (windows.size() < 2) return E_UNEXPECTED;
            if (!BoundsOf(windows[0].get())) return E_UNEXPECTED;
            UINT64 text = 0;
            HRESULT made = jvm->NewJavaString(Bstr(L"still served").get(), &text);
            if (FAILED(made)) return made;
            unique_bstr back;
            HRESULT read = jvm->GetJavaString(text, back.put());
            const HRESULT dropped = jvm->DeleteJavaObject(text);
            if (FAILED(read)) return read;
            if (back.view() != L"still served") return E_UNEXPECTED;
            return dropped;
        });
        EXPECT_EQ(hr, S_OK) << "the host no longer serves another client";
    }
};

TEST_F(ClientDeath, HostServesOthersAfterAClientDiesHoldingObjects) {
    const unsigned long rounds = EnvironmentNumber("MV_FAULTS_CLIENT_ROUNDS", 1);
    const unsigned long handles = EnvironmentNumber("MV_FAULTS_CLIENT_HANDLES", 40);
    ASSERT_TRUE(::SetEnvironmentVariableA(kHostPidVariable, std::to_string(host().pid()).c_str()));
    const long long baseline = LiveReferences();
    ASSERT_GE(baseline, 0);
    long long level = baseline;
    for (unsigned long round = 0; round < rounds; ++round) {
        ChildProcess client("ClientDeathChild.DISABLED_HoldsObjectsUntilKilled");
        ASSERT_TRUE(client.started());
        ASSERT_TRUE(client.ReadUntil("holding done", kChildReadyLimitMs)) << client.output();
        const std::size_t at = client.output().find("holding ");
        unsigned long components = 0, held = 0;
        ASSERT_EQ(std::sscanf(client.output().c_str() + at, "holding %lu components %lu handles", &components, &held), 2)
            << client.output();
        EXPECT_EQ(held, handles);
        EXPECT_GE(components, 2u);
        const long long holding = LiveReferences();
        // Each component object owns one global reference, each bridge handle is one.
        EXPECT_EQ(holding - level, static_cast<long long>(components + held));

        client.Kill();
        ExpectServed();
        long long after = LiveReferences();
        const unsigned long watchMs = EnvironmentNumber("MV_FAULTS_RELEASE_WATCH_MS", kReleaseWatchMs);
        const ULONGLONG deadline = ::GetTickCount64() + watchMs;
        while (after != level && ::GetTickCount64() < deadline) {
            ::Sleep(500);
            after = LiveReferences();
        }
        std::printf("robustness: client death round %lu: refs before %lld, held by the client %lld, "
                    "%lu ms after its death %lld\n",
                    round + 1, level, holding, watchMs, after);
        // Wine does not run down the stubs of a dead client: its component objects and handles
        // stay in the host (with their global references) for as long as the host lives.
        // Windows releases them once the client has missed its pings for some minutes.
        EXPECT_EQ(after, holding) << "the references of the dead client changed";
        ExpectServed();
        EXPECT_EQ(LiveReferences(), after) << "serving another client changed the count";
        level = after;
    }
    ::SetEnvironmentVariableA(kHostPidVariable, nullptr);
}

// The dying client, run in a child process: it reaches the host named by the parent, takes
// component objects and bridge handles, reports them and waits to be killed.
TEST(ClientDeathChild, DISABLED_HoldsObjectsUntilKilled) {
    const unsigned long pid = EnvironmentNumber(kHostPidVariable, 0);
    ASSERT_NE(pid, 0u);
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(pid);
    ASSERT_TRUE(jvm);

    std::vector<Component> components = TopLevelWindows(jvm.get());
    ASSERT_FALSE(components.empty());
    for (const Component& child : ChildrenOf(components[0].get())) components.push_back(child);
    const unsigned long handles = EnvironmentNumber("MV_FAULTS_CLIENT_HANDLES", 40);
    for (unsigned long i = 0; i < handles; ++i) {
        UINT64 text = 0;
        ASSERT_EQ(jvm->NewJavaString(Bstr(L"held by a dying client").get(), &text), S_OK);
    }
    std::printf("holding %lu components %lu handles\nholding done\n", static_cast<unsigned long>(components.size()),
                handles);
    std::fflush(stdout);
    ::Sleep(INFINITE);
}

}  // namespace
}  // namespace mv::test
