// The Java process, or only its JVM, dies while a client talks to it. The client gets an RPC
// failure within a bounded time (every call runs under a hang guard), the dead process's
// Running Object Table entry no longer answers, and a host started afterwards is found by its
// process id and works.
//
// In the harness the JVM is the host's JNI server, a Linux process: a JNIEnv whose server has
// gone stops the host process, as a dead JVM ends a real Java process.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/variant.h"
#include "common/win/handles.h"
#include "guarded_call.h"
#include "host_process.h"
#include "linux_process.h"
#include "variant_values.h"

namespace {

using mv::com_ptr;
using mv::test::Bstr;
using mv::test::CallWithin;
using mv::test::GuardedCall;

constexpr DWORD kCallLimitMs = 60000;       // hang guard of one cross-process call
constexpr DWORD kProcessEndLimitMs = 30000;  // a process that must end has ended by then
// A call of Rendezvous.meet that nobody else meets waits this long in the JVM.
constexpr LONGLONG kMeetTimeoutMs = 240000;
// Time given to a blocked call to travel into the JVM before the process under it is killed.
constexpr DWORD kIntoTheCallMs = 2000;

// What COM answers a call whose server process has gone. Which of them Wine gives depends on
// where in the call the server went.
bool IsRpcFailure(HRESULT hr) {
    return hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE ||
           hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) ||
           hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED_DNE) || hr == CO_E_OBJNOTCONNECTED;
}

std::string Hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

// A host, its published object and the handles a test needs to reach and end it.
struct PublishedHost {
    std::unique_ptr<mv::test::HostProcess> process;
    mv::unique_handle handle;  // waitable
    com_ptr<IMvJavaCpp> jvm;
    unsigned serverPid = 0;
    UINT64 echo = 0;        // a fixtures.Echo
    UINT64 rendezvous = 0;  // a fixtures.Rendezvous
};

class HostDeath : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<mv::test::ModuleRegistration>();
    }
    static void TearDownTestSuite() {
        s_registration.reset();
        ::CoUninitialize();
    }

    void SetUp() override {
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
    }

    // The published object of `pid`, looked up under the hang guard; null when none answers.
    com_ptr<IMvJavaCpp> Find(DWORD pid) {
        auto found = std::make_shared<com_ptr<IMvJavaCpp>>();
        CallWithin(kCallLimitMs, [found, pid] {
            *found = mv::test::PublishedJvmOf(pid);
            return *found ? S_OK : S_FALSE;
        });
        com_ptr<IMvJavaCpp> result;
        if (*found) found->copy_to(result.put());
        return result;
    }

    // What the automation lookup answers for `pid`, under the hang guard.
    HRESULT FinderAnswer(DWORD pid, bool& gotObject) {
        auto object = std::make_shared<com_ptr<IDispatch>>();
        const HRESULT hr = CallWithin(kCallLimitMs, [object, pid] {
            com_ptr<IJvmFinder> finder;
            HRESULT created = ::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder,
                                                 finder.put_void());
            if (FAILED(created)) return created;
            return finder->GetJvmFromProcess(pid, object->put());
        });
        gotObject = static_cast<bool>(*object);
        return hr;
    }

    // Starts a host with the fixtures and reaches its object; fails the test when it cannot.
    void Start(PublishedHost& host) {
        host.process = std::make_unique<mv::test::HostProcess>();
        ASSERT_TRUE(host.process->ready()) << "host output: " << host.process->output();
        host.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE,
                                        host.process->pid()));
        ASSERT_TRUE(host.handle);
        const std::string answer = host.process->Command("jni-server");
        ASSERT_EQ(answer.rfind("jni-server ", 0), 0u) << answer;
        host.serverPid = static_cast<unsigned>(std::stoul(answer.substr(11)));
        ASSERT_TRUE(mv::test::LinuxProcessRunning(host.serverPid));
        host.jvm = Find(host.process->pid());
        ASSERT_TRUE(host.jvm) << "the published object of the host";
        ASSERT_EQ(host.jvm->NewDefJavaObject(Bstr(L"fixtures.Echo").get(), &host.echo), S_OK);
        ASSERT_EQ(host.jvm->NewDefJavaObject(Bstr(L"fixtures.Rendezvous").get(), &host.rendezvous), S_OK);
        ExpectEcho(host, 41);
    }

    // Echo.echoInt(value) through the host answers value.
    static void ExpectEcho(const PublishedHost& host, LONG value) {
        auto answer = std::make_shared<LONG>(0);
        EXPECT_EQ(EchoCall(host, value, answer), S_OK);
        EXPECT_EQ(*answer, value);
    }

    static HRESULT EchoCall(const PublishedHost& host, LONG value, std::shared_ptr<LONG> answer) {
        com_ptr<IMvJavaCpp> jvm = host.jvm;
        const UINT64 echo = host.echo;
        return CallWithin(kCallLimitMs, [jvm, echo, value, answer] {
            mv::unique_variant args;
            mv::test::MakeArgumentArray(args, {mv::test::ArgI4(value)});
            return jvm->CallStaticIntMethod(echo, Bstr(L"echoInt").get(), Bstr(L"(I)I").get(), args.get(),
                                            answer.get());
        });
    }

    // Rendezvous.meet with a long timeout, left waiting in the JVM on a worker thread.
    static GuardedCall BlockedMeet(const PublishedHost& host) {
        com_ptr<IMvJavaCpp> jvm = host.jvm;
        const UINT64 rendezvous = host.rendezvous;
        GuardedCall call([jvm, rendezvous] {
            mv::unique_variant args;
            mv::test::MakeArgumentArray(args, {mv::test::ArgI8(kMeetTimeoutMs)});
            VARIANT_BOOL met = VARIANT_FALSE;
            return jvm->CallStaticBooleanMethod(rendezvous, Bstr(L"meet").get(), Bstr(L"(J)Z").get(), args.get(),
                                                &met);
        });
        ::Sleep(kIntoTheCallMs);
        return call;
    }

    // After `host` died: its process ended, calls through its proxy fail with an RPC failure in
    // bounded time, and neither lookup finds its object any more.
    void ExpectGone(PublishedHost& host) {
        ASSERT_EQ(::WaitForSingleObject(host.handle.get(), kProcessEndLimitMs), WAIT_OBJECT_0)
            << "the host still runs";
        DWORD exitCode = 0;
        ::GetExitCodeProcess(host.handle.get(), &exitCode);
        std::printf("robustness: host %lu ended with exit code %lu\n", static_cast<unsigned long>(host.process->pid()),
                    static_cast<unsigned long>(exitCode));

        auto answer = std::make_shared<LONG>(0);
        const HRESULT later = EchoCall(host, 5, answer);
        EXPECT_TRUE(IsRpcFailure(later)) << "a call to the dead host answered " << Hex(later);
        std::printf("robustness: a later call through the dead host's proxy answered %s\n", Hex(later).c_str());

        EXPECT_FALSE(Find(host.process->pid())) << "GetJVMFromPid still finds the dead host";
        bool gotObject = true;
        EXPECT_EQ(FinderAnswer(host.process->pid(), gotObject), S_FALSE);
        EXPECT_FALSE(gotObject);
    }

    // A host started after a death is found by its pid and works; the dead one stays unfound.
    void ExpectNewHostWorks(const PublishedHost& dead) {
        PublishedHost next;
        Start(next);
        if (HasFatalFailure()) return;
        EXPECT_NE(next.process->pid(), dead.process->pid());
        ExpectEcho(next, -77);
        EXPECT_FALSE(Find(dead.process->pid()));
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.echo), S_OK);
        EXPECT_EQ(next.jvm->DeleteJavaObject(next.rendezvous), S_OK);
        EXPECT_EQ(next.process->Command("refs"), "refs 0");
        next.jvm.reset();
        EXPECT_EQ(next.process->Stop(), 0);
    }

    static std::unique_ptr<mv::test::ModuleRegistration> s_registration;
};
std::unique_ptr<mv::test::ModuleRegistration> HostDeath::s_registration;

TEST_F(HostDeath, JvmKilledDuringACallEndsTheCallWithAnRpcFailure) {
    PublishedHost host;
    Start(host);
    if (HasFatalFailure()) return;
    GuardedCall meet = BlockedMeet(host);
    ASSERT_FALSE(meet.Finished()) << "meet returned early: " << Hex(meet.result());

    ASSERT_TRUE(mv::test::KillLinuxProcess(host.serverPid));
    EXPECT_TRUE(mv::test::WaitForLinuxProcessEnd(host.serverPid, kProcessEndLimitMs));
    ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return after the JVM died";
    EXPECT_TRUE(IsRpcFailure(meet.result())) << Hex(meet.result());
    std::printf("robustness: a call blocked in the JVM when it was killed answered %s\n", Hex(meet.result()).c_str());
    ExpectGone(host);
    ExpectNewHostWorks(host);
}

// Between calls no thread of the host is attached (each call attaches and gives the thread back),
// so no JNIEnv of the dead server is ever used: the next call cannot attach and answers E_FAIL,
// the host lives on, stays published and stops cleanly.
TEST_F(HostDeath, JvmKilledBetweenCallsFailsLaterCallsWithoutEndingTheHost) {
    PublishedHost host;
    Start(host);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(mv::test::KillLinuxProcess(host.serverPid));
    ASSERT_TRUE(mv::test::WaitForLinuxProcessEnd(host.serverPid, kProcessEndLimitMs));

    for (LONG value : {6, 7, 8}) {
        auto answer = std::make_shared<LONG>(0);
        const HRESULT hr = EchoCall(host, value, answer);
        EXPECT_EQ(hr, E_FAIL) << Hex(hr);
        if (value == 6) std::printf("robustness: a call after the JVM died between calls answered %s\n", Hex(hr).c_str());
    }
    EXPECT_EQ(::WaitForSingleObject(host.handle.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the host ended";
    EXPECT_EQ(host.process->Command("refs").rfind("refs ", 0), 0u) << "the host no longer answers commands";
    com_ptr<IMvJavaCpp> again = Find(host.process->pid());
    EXPECT_TRUE(again) << "the living host is no longer published";
    again.reset();
    host.jvm.reset();
    EXPECT_EQ(host.process->Stop(), 0) << "the host did not stop cleanly without its JVM";
    EXPECT_FALSE(Find(host.process->pid())) << "the stopped host is still published";
    ExpectNewHostWorks(host);
}

TEST_F(HostDeath, HostTerminatedDuringACallEndsTheCallAndItsJvm) {
    PublishedHost host;
    Start(host);
    if (HasFatalFailure()) return;
    GuardedCall meet = BlockedMeet(host);
    ASSERT_FALSE(meet.Finished()) << "meet returned early: " << Hex(meet.result());

    ASSERT_TRUE(::TerminateProcess(host.handle.get(), 99));
    ASSERT_TRUE(meet.Wait(kCallLimitMs)) << "the blocked call did not return after the host died";
    EXPECT_TRUE(IsRpcFailure(meet.result())) << Hex(meet.result());
    std::printf("robustness: a call blocked in a host that was terminated answered %s\n", Hex(meet.result()).c_str());
    ExpectGone(host);
    // The JVM ends with the process that started it.
    EXPECT_TRUE(mv::test::WaitForLinuxProcessEnd(host.serverPid, kProcessEndLimitMs))
        << "the JNI server of the terminated host still runs";
    ExpectNewHostWorks(host);
}

}  // namespace
