// The observer slot of the main object, in process and across processes, and a client process
// that finds the main object a Java-process host published and drives its JVM through the
// registered type library, from compiled code and from a script.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <tuple>

#include "bstr_values.h"
#include "host_process.h"
#include "jvm/mv_java_cpp.h"
#include "script_run.h"
#include "test_observer_h.h"
#include "wine_path.h"

namespace {

using mv::test::Bstr;

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
    mv::com_ptr<IMvJavaCpp> m_obj;
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

// One host and one registration for the whole suite: starting a JVM costs seconds.
class CrossProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<mv::test::ModuleRegistration>();
        s_host = std::make_unique<mv::test::HostProcess>();
        ITypeLib* library = nullptr;  // lets COM marshal the test's observer interface
        s_observerLibrary = ::LoadTypeLibEx(mv::test::WindowsPathOfUnixPath(MV_TEST_OBSERVER_TLB).c_str(),
                                            REGKIND_REGISTER, &library);
        if (library) library->Release();
    }
    static void TearDownTestSuite() {
        if (SUCCEEDED(s_observerLibrary)) ::UnRegisterTypeLib(LIBID_MvTestObserverLib, 1, 0, 0, SYS_WIN64);
        s_host.reset();
        s_registration.reset();
        ::CoUninitialize();
    }
    void SetUp() override {
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        ASSERT_TRUE(s_host->ready()) << "host output: " << s_host->output();
        m_jvm = mv::test::PublishedJvmOf(s_host->pid());
        ASSERT_TRUE(m_jvm) << "the published object of the host";
    }
    mvtest::ScriptReport Script(const std::wstring& arguments = {}) {
        return mvtest::RunScript("cross_process.js", std::to_wstring(s_host->pid()) + arguments);
    }

    static inline std::unique_ptr<mv::test::ModuleRegistration> s_registration;
    static inline std::unique_ptr<mv::test::HostProcess> s_host;
    static inline HRESULT s_observerLibrary = E_FAIL;
    mv::com_ptr<IMvJavaCpp> m_jvm;
};

TEST_F(CrossProcess, ThePublishedObjectIsFoundByPidAsFirstAndByItsReadyEvent) {
    EXPECT_TRUE(m_jvm.try_query<IClientSecurity>()) << "a proxy: the object lives in the host";
    LONG version = 0;
    ASSERT_EQ(m_jvm->GetJVMVersion(&version), S_OK);
    EXPECT_GE(version, 0x00010008);
    const auto first = reinterpret_cast<IMvJavaCpp*(__cdecl*)(DWORD*)>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"MvJavaJniComRot.dll"), "GetRunningJVMAndPid")));
    DWORD pid = 0;
    mv::com_ptr<IMvJavaCpp> found;
    found.attach(first(&pid));
    EXPECT_TRUE(found);
    // The host's, unless another program's host was published first.
    EXPECT_TRUE(pid == s_host->pid() || mv::test::PublishedJvmOf(pid)) << pid;
    EXPECT_FALSE(mv::test::PublishedJvmOf(s_host->pid() + 1000000)) << "no such process published";
    const std::wstring name = L"MvJavaCOM:P" + std::to_wstring(s_host->pid());
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(event) << "the ready event, opened by name from another process";
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

// Every kind of value crosses as the type library describes it (strings outside the BMP too).
TEST_F(CrossProcess, FieldsOfEveryKindCrossTheProcessBoundary) {
    UINT64 fields = 0;
    ASSERT_EQ(m_jvm->NewDefJavaObject(Bstr(L"fixtures.Fields").get(), &fields), S_OK);
    LONG i = 0;
    LONGLONG j = 0;
    double d = 0;
    VARIANT_BOOL z = 0;
    unsigned char b = 0;
    unsigned short c = 0;
    EXPECT_EQ(m_jvm->GetStaticIntField(fields, Bstr(L"staticInt").get(), &i), S_OK);
    EXPECT_EQ(m_jvm->GetLongField(fields, Bstr(L"longField").get(), &j), S_OK);
    EXPECT_EQ(m_jvm->GetDoubleField(fields, Bstr(L"doubleField").get(), &d), S_OK);
    EXPECT_EQ(m_jvm->GetBooleanField(fields, Bstr(L"booleanField").get(), &z), S_OK);
    EXPECT_EQ(m_jvm->GetByteField(fields, Bstr(L"byteField").get(), &b), S_OK);
    EXPECT_EQ(m_jvm->GetStaticCharField(fields, Bstr(L"staticChar").get(), &c), S_OK);
    EXPECT_EQ(std::make_tuple(i, j, d, z, b, c), std::make_tuple(-987654321L, 0x0123456789abcdefLL, -2.25,
                                                                VARIANT_TRUE, static_cast<unsigned char>(255),
                                                                static_cast<unsigned short>(0x20AC)));
    mv::unique_bstr back;
    ASSERT_EQ(m_jvm->SetStringField(fields, Bstr(L"stringField").get(), Bstr(L"\U0001F600 set").get()), S_OK);
    ASSERT_EQ(m_jvm->GetStringField(fields, Bstr(L"stringField").get(), back.put()), S_OK);
    EXPECT_EQ(back.view(), L"\U0001F600 set");
    EXPECT_EQ(m_jvm->GetIntField(fields, Bstr(L"noSuchField").get(), &i), E_FAIL);
    EXPECT_EQ(m_jvm->DeleteJavaObject(fields), S_OK);
}

TEST_F(CrossProcess, AScriptReachesTheJvmThroughTheFinder) {
    const mvtest::ScriptReport report = Script();
    const char* const steps[][2] = {{"GetJvmFromProcess", "ok object"},    {"GetJVMVersion", "ok true"},
                                    {"GetStaticIntField", "ok -987654321"}, {"GetStringField", "ok instance string"},
                                    {"CallIntMethod", "ok 11"},             {"CallStringMethod", "ok SCRIPT TEXT"},
                                    {"DeleteJavaObject", "ok done"}};
    for (const auto& step : steps) EXPECT_EQ(report.Step(step[0]), step[1]) << step[0] << "\n" << report.run.output;
}

TEST_F(CrossProcess, AnObserverAttachedByOneClientIsFetchedByAnother) {
    ASSERT_EQ(s_observerLibrary, S_OK);
    static TestObserver observer, stranger(false);  // COM may release them as late as CoUninitialize
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_GE(observer.refs(), 1) << "the host holds the observer";
    const mvtest::ScriptReport report = Script(L" observer");
    EXPECT_EQ(report.Step("GetObserverObject"), "ok object") << report.run.output;
    EXPECT_EQ(report.Step("Ping"), "ok 42");
    EXPECT_EQ(report.Step("ReturnObserverObject"), "ok done");
    EXPECT_EQ(report.Step("IsDisconnectObserverComplete"), "ok false") << "still attached";
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    EXPECT_TRUE(Complete(m_jvm.get()));

    // A client that dies holding its fetched observer: the count shows it; the host serves on.
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(Script(L" observer keep").Step("Ping"), "ok 42");
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_jvm.get())) << "the dead client never returned its reference";
    EXPECT_EQ(m_jvm->ReturnObserverObject(), S_OK);
    EXPECT_TRUE(Complete(m_jvm.get()));

    // An object without the observer interface, attached from here, empties the slot there.
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(m_jvm->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(m_jvm->DetachObserverObject(), E_FAIL);
}

}  // namespace
