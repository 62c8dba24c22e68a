// The observer slot of the main object, in process and across processes, and client processes
// that find the main object the program's Java-process host (awt_host.h) published and use it.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

#include "awt_test.h"
#include "handle_families.h"
#include "jvm/mv_java_cpp.h"
#include "process_run.h"
#include "test_observer_h.h"
#include "wine_path.h"

namespace mv::test {
namespace {

// An observer of the test's own, with the observer interface and IDispatch unless told otherwise;
// Ping answers 42, by vtable and by name. Counts the references that others hold.
class TestObserver : public ITestObserver {
public:
    explicit TestObserver(bool observer = true, bool dispatch = true) : m_observer(observer), m_dispatch(dispatch) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || (m_dispatch && iid == IID_IDispatch) || (m_observer && iid == IID_ITestObserver)
                   ? static_cast<ITestObserver*>(this)
                   : nullptr;
        return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(::InterlockedDecrement(&m_refs)); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        const bool ping = count == 1 && ::lstrcmpiW(names[0], L"Ping") == 0;
        ids[0] = ping ? 1 : DISPID_UNKNOWN;
        return ping ? S_OK : DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
        if (id != 1) return DISP_E_MEMBERNOTFOUND;
        if (!result) return S_OK;
        V_VT(result) = VT_I4;
        return Ping(&V_I4(result));
    }
    STDMETHODIMP Ping(LONG* value) override { return *value = 42, S_OK; }
    LONG refs() const { return m_refs; }

private:
    volatile LONG m_refs = 0;  // not deleted at 0: the tests own it
    bool m_observer, m_dispatch;
};

bool Complete(IMvJavaCpp* jvm) {
    VARIANT_BOOL done = 7;
    EXPECT_EQ(jvm->IsDisconnectObserverComplete(&done), S_OK);
    EXPECT_TRUE(done == VARIANT_TRUE || done == VARIANT_FALSE);
    return done == VARIANT_TRUE;
}

class ObserverSlot : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK); }
    IDispatch* Fetch() {  // the fetched pointer, already released (the observer lives on the stack)
        IDispatch* fetched = nullptr;
        EXPECT_EQ(m_obj->GetObserverObject(&fetched), S_OK);
        if (fetched) fetched->Release();
        return fetched;
    }
    com_ptr<IMvJavaCpp> m_obj;
};

// The slot holds one reference to the last observer attached; a disconnect is complete when
// nothing is attached and every fetch has been returned, whichever observer it fetched.
TEST_F(ObserverSlot, DisconnectCompletesWhenDetachedAndEveryFetchIsReturned) {
    IDispatch* out = nullptr;
    EXPECT_EQ(m_obj->GetObserverObject(&out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL);
    EXPECT_EQ(m_obj->IsDisconnectObserverComplete(nullptr), E_INVALIDARG);
    EXPECT_EQ(m_obj->AttachObserverObject(nullptr), E_INVALIDARG);
    EXPECT_TRUE(Complete(m_obj.get())) << "a new object";
    TestObserver first, second;
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    EXPECT_EQ(first.refs(), 1);
    EXPECT_EQ(Fetch(), static_cast<IDispatch*>(&first));
    Fetch();
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_obj.get())) << "never while attached";
    Fetch();  // still counted after the observer is replaced
    ASSERT_EQ(m_obj->AttachObserverObject(&second), S_OK);
    EXPECT_EQ(first.refs(), 0) << "replaced";
    EXPECT_EQ(second.refs(), 1);
    EXPECT_EQ(Fetch(), static_cast<IDispatch*>(&second));
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_EQ(second.refs(), 0) << "detaching releases the slot's reference";
    for (int returned = 0; returned < 2; ++returned) {
        EXPECT_FALSE(Complete(m_obj.get())) << 2 - returned << " fetches not returned";
        EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    }
    EXPECT_TRUE(Complete(m_obj.get()));
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK) << "more returns than fetches";
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    Fetch();
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_obj.get())) << "the count went below zero";
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    m_obj.reset();
    EXPECT_EQ(first.refs(), 0) << "destroying the object releases its observer";
}

TEST_F(ObserverSlot, AnObjectWithoutTheObserverInterfaceEmptiesItAndOneWithoutIDispatchIsNotHandedOut) {
    TestObserver observer, stranger(false), mute(true, false);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(m_obj->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(observer.refs(), 0);
    EXPECT_EQ(stranger.refs(), 0);
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL) << "the slot is empty";
    ASSERT_EQ(m_obj->AttachObserverObject(&mute), S_OK);
    IDispatch* out = nullptr;
    EXPECT_EQ(m_obj->GetObserverObject(&out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(mute.refs(), 1) << "held";
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_TRUE(Complete(m_obj.get())) << "nothing was counted";
}

// The test observer's type library is registered so that COM can marshal the observer.
class CrossProcess : public AwtTest {
protected:
    static void SetUpTestSuite() {
        AwtHost::Get();  // initialises COM for the program
        ITypeLib* library = nullptr;
        s_observerLibrary =
            ::LoadTypeLibEx(WindowsPathOfUnixPath(MV_TEST_OBSERVER_TLB).c_str(), REGKIND_REGISTER, &library);
        if (library) library->Release();
    }
    static void TearDownTestSuite() {
        if (SUCCEEDED(s_observerLibrary))
            ::UnRegisterTypeLib(LIBID_MvTestObserverLib, 1, 0, 0, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
    }
    mv::test::ScriptReport Script(const std::wstring& arguments = {}) {
        return mv::test::RunScript("cross_process.js", std::to_wstring(host().pid()) + arguments);
    }
    static inline HRESULT s_observerLibrary = E_FAIL;
};

TEST_F(CrossProcess, ThePublishedObjectIsFoundByPidAsFirstAndByItsReadyEvent) {
    LONG version = 0;
    ASSERT_EQ(jvm()->GetJVMVersion(&version), S_OK);
    EXPECT_GE(version, 0x00010008);
    const auto first = reinterpret_cast<IMvJavaCpp*(__cdecl*)(DWORD*)>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"MvJavaJniComRot.dll"), "GetRunningJVMAndPid")));
    DWORD pid = 0;
    com_ptr<IMvJavaCpp> found;
    found.attach(first(&pid));
    EXPECT_TRUE(found);
    // The host's, unless another program's host was published first.
    EXPECT_TRUE(pid == host().pid() || PublishedJvmOf(pid)) << pid;
    const std::wstring name = L"MvJavaCOM:P" + std::to_wstring(host().pid());
    unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(event) << "the ready event, opened by name from another process";
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

TEST_F(CrossProcess, AScriptDrivesTheJvmAndTheObserverThatAnotherClientAttached) {
    ASSERT_EQ(s_observerLibrary, S_OK);
    static TestObserver observer, stranger(false);  // COM may release them as late as CoUninitialize
    ASSERT_EQ(jvm()->AttachObserverObject(&observer), S_OK);
    EXPECT_GE(observer.refs(), 1) << "the host holds the observer";
    const mv::test::ScriptReport report = Script();
    const char* const steps[][2] = {
        {"GetJvmFromProcess", "ok object"}, {"GetJVMVersion", "ok true"}, {"GetStaticIntField", "ok -987654321"},
        {"GetStringField", "ok instance string"}, {"CallIntMethod", "ok 11"}, {"CallStringMethod", "ok SCRIPT TEXT"},
        {"DeleteJavaObject", "ok done"}, {"GetObserverObject", "ok object"}, {"Ping", "ok 42"},
        {"ReturnObserverObject", "ok done"}, {"IsDisconnectObserverComplete", "ok false" /* still attached */}};
    for (const auto& step : steps) EXPECT_EQ(report.Step(step[0]), step[1]) << step[0] << "\n" << report.run.output;
    ASSERT_EQ(jvm()->DetachObserverObject(), S_OK);
    EXPECT_TRUE(Complete(jvm()));

    // A client that dies holding its fetched observer: the count shows it; the host serves on.
    ASSERT_EQ(jvm()->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(Script(L" keep").Step("Ping"), "ok 42");
    ASSERT_EQ(jvm()->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete(jvm())) << "the dead client never returned its reference";
    EXPECT_EQ(jvm()->ReturnObserverObject(), S_OK);
    EXPECT_TRUE(Complete(jvm()));

    // An object without the observer interface, attached from here, empties the slot there.
    ASSERT_EQ(jvm()->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(jvm()->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(jvm()->DetachObserverObject(), E_FAIL);
}

// A script's mistakes: numbers where handles go, handles used after their deletion or made up, a
// string for a char[], a JVM of its own. Each is refused, nothing reaches the JVM, and the Java
// process serves on.
TEST_F(CrossProcess, AScriptsMistakenCallsAreRefusedAndTheJavaProcessServesOn) {
    const long long before = host().LiveReferences();
    const mv::test::ScriptReport report = mv::test::RunScript("mistaken_calls.js", std::to_wstring(host().pid()));
    const char* const steps[][2] = {
        {"a number for an object", "error 0x80070057"}, {"a number as the target", "error 0x80070057"},
        {"a deleted handle", "error 0x80070057"},       {"a handle deleted twice", "error 0x80070057"},
        {"a made-up handle", "error 0x80070057"},       {"a string for a char[]", "error 0x80004005"},
        {"a string for an Object", "ok abc"},           {"a JVM from another process", "error 0x80004005"},
        {"the list answers", "ok 0"}};
    for (const auto& step : steps) EXPECT_EQ(report.Step(step[0]), step[1]) << step[0] << "\n" << report.run.output;
    EXPECT_EQ(host().LiveReferences(), before);
}

// A client that ends holding handles: the Java process deletes them (at the latest once the calls
// that used them have returned), and another client that names them is refused.
TEST_F(CrossProcess, HandlesOfAClientThatEndedAreDeleted) {
    constexpr int kHandles = 25;
    const long long before = host().LiveReferences();
    const mv::test::ScriptReport report =
        mv::test::RunScript("abandoned_handles.js", std::to_wstring(host().pid()) + L" " + std::to_wstring(kHandles));
    std::vector<UINT64> handles;
    for (int i = 0; i < kHandles; ++i) {
        const std::string step = report.Step("handle" + std::to_string(i));
        if (step.rfind("ok ", 0) == 0) handles.push_back(static_cast<UINT64>(std::stod(step.substr(3))));
    }
    ASSERT_EQ(handles.size(), static_cast<std::size_t>(kHandles)) << report.run.output;
    long long live = host().LiveReferences();
    // The end of the process reaches the host through the system's wait; a minute is ample for it.
    for (int wait = 0; live != before && wait < 600; ++wait) ::Sleep(100), live = host().LiveReferences();
    EXPECT_EQ(live, before) << "live references after the client ended";
    for (UINT64 handle : handles) {
        unique_bstr text;
        EXPECT_EQ(jvm()->GetJavaString(handle, text.put()), E_INVALIDARG) << handle;
    }
}

// As on 64-bit Windows with both modules registered, each by the regsvr32 of its bitness: a client of
// this bitness, compiled and this bitness's cscript, drives a Java process of the other bitness, whose
// references have the high bit set (a large-address-aware 32-bit JVM) or go beyond 32 bits (64-bit).
TEST(MixedBitness, AClientDrivesAJavaProcessOfTheOtherBitness) {
#ifndef MV_PEER_JAVA_HOST_PATH
    GTEST_SKIP() << "the other architecture's build is not known (configure with MV_PEER_BUILD_DIR)";
#else
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    const ModuleRegistration own;
    ASSERT_EQ(own.result(), S_OK);
    const PeerModuleRegistration peer;
    ASSERT_TRUE(peer.registered()) << peer.output();
    constexpr bool kPeerIs32Bit = sizeof(void*) == 8;
    HostSettings settings;
    settings.hostPath = MV_PEER_JAVA_HOST_PATH;
    settings.referenceOffset = kPeerIs32Bit ? 0x80000000ull : 1ull << 40;
    HostProcess host(settings);
    ASSERT_TRUE(host.ready()) << host.output();
    const com_ptr<IMvJavaCpp> jvm = PublishedJvmOf(host.pid());
    ASSERT_TRUE(jvm) << "GetJVMFromPid of a process of the other bitness";
    const long long references = host.LiveReferences();
    CheckHandleFamilies(*jvm.get(), kPeerIs32Bit ? 0x1FFFFFFFFull : 1ull << 9, kPeerIs32Bit);  // sign-extended, or whole
    EXPECT_EQ(host.LiveReferences(), references) << "a reference of the calls left in the other process";

    // Handles below 2^53 are exact JavaScript numbers; VBScript keeps the VT_UI8 it received, also near 2^64.
    using Steps = std::vector<std::pair<std::string, std::string>>;
    const ScriptReport report = RunScript(kPeerIs32Bit ? "high_bit_handles.vbs" : "cross_process.js", std::to_wstring(host.pid()));
    const Steps steps = kPeerIs32Bit ? Steps{{"VarType", "ok 21" /* VT_UI8 */}, {"CallIntMethod", "ok 4"}, {"DeleteJavaObject", "ok done"}}
                                     : Steps{{"GetStaticIntField", "ok -987654321"}, {"GetStringField", "ok instance string"},
                                             {"CallIntMethod", "ok 11"}, {"DeleteJavaObject", "ok done"}};
    for (const auto& [step, outcome] : steps) EXPECT_EQ(report.Step(step), outcome) << step << "\n" << report.run.output;
    EXPECT_EQ(host.LiveReferences(), references) << "the script deleted what it made";
    const ScriptReport js = RunScript("high_bit_handles.js", std::to_wstring(host.pid()));  // JScript holds 53 bits
    EXPECT_EQ(js.Step("typeof") + ", exact " + js.Step("exact"), kPeerIs32Bit ? "ok number, exact ok false" : "ok number, exact ok true")
        << js.run.output;
#endif
}

}  // namespace
}  // namespace mv::test
