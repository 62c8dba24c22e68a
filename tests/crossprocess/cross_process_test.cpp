// The observer slot of the main object, in process and across processes, and a client process
// that finds the main object a Java-process host published and drives its JVM through the
// registered type library, from compiled code and from scripts.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <tuple>

#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/variant.h"
#include "host_process.h"
#include "jvm/mv_java_cpp.h"
#include "script_run.h"
#include "test_observer_h.h"
#include "wine_path.h"

namespace {

using mv::test::Bstr;

// An observer of the test's own: the observer interface and IDispatch unless told otherwise;
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
    volatile LONG m_refs = 0;  // lives on the test's stack
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
    void Fetch() {
        IDispatch* fetched = nullptr;
        ASSERT_EQ(m_obj->GetObserverObject(&fetched), S_OK);
        fetched->Release();
    }
    mv::com_ptr<IMvJavaCpp> m_obj;
};

TEST_F(ObserverSlot, ANewObjectHasNothingToHandOut) {
    EXPECT_TRUE(Complete(m_obj.get()));
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL);
    IDispatch* out = nullptr;
    EXPECT_EQ(m_obj->GetObserverObject(&out), E_FAIL);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(m_obj->IsDisconnectObserverComplete(nullptr), E_INVALIDARG);
    EXPECT_EQ(m_obj->AttachObserverObject(nullptr), E_INVALIDARG);
}

TEST_F(ObserverSlot, DisconnectCompletesWhenDetachedAndEveryFetchIsReturned) {
    TestObserver observer;
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(observer.refs(), 1) << "the slot holds one reference";
    IDispatch* fetched = nullptr;
    ASSERT_EQ(m_obj->GetObserverObject(&fetched), S_OK);
    EXPECT_EQ(fetched, static_cast<IDispatch*>(&observer));
    fetched->Release();
    Fetch();
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_obj.get())) << "never while attached";
    Fetch();
    Fetch();
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_EQ(observer.refs(), 0) << "detaching releases the slot's reference";
    for (int returned = 0; returned < 2; ++returned) {
        EXPECT_FALSE(Complete(m_obj.get())) << 2 - returned << " fetches not returned";
        EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK);
    }
    EXPECT_TRUE(Complete(m_obj.get()));
    EXPECT_EQ(m_obj->ReturnObserverObject(), S_OK) << "more returns than fetches";
    EXPECT_TRUE(Complete(m_obj.get())) << "the count does not go below zero";
}

TEST_F(ObserverSlot, ASecondObserverReplacesTheFirstAndEarlierFetchesStillCount) {
    TestObserver first, second;
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    Fetch();
    ASSERT_EQ(m_obj->AttachObserverObject(&second), S_OK);
    EXPECT_EQ(first.refs(), 0);
    EXPECT_EQ(second.refs(), 1);
    ASSERT_EQ(m_obj->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_obj.get())) << "the reference fetched from the first observer";
    m_obj->ReturnObserverObject();
    EXPECT_TRUE(Complete(m_obj.get()));
    ASSERT_EQ(m_obj->AttachObserverObject(&first), S_OK);
    m_obj.reset();
    EXPECT_EQ(first.refs(), 0) << "destroying the object releases its observer";
}

TEST_F(ObserverSlot, AnObjectWithoutTheObserverInterfaceEmptiesTheSlot) {
    TestObserver observer, stranger(false);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(m_obj->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(observer.refs(), 0);
    EXPECT_EQ(stranger.refs(), 0);
    EXPECT_EQ(m_obj->DetachObserverObject(), E_FAIL) << "the slot is empty";
}

TEST_F(ObserverSlot, AnObserverWithoutIDispatchIsHeldButNotHandedOut) {
    TestObserver observer(true, false);
    ASSERT_EQ(m_obj->AttachObserverObject(&observer), S_OK);
    IDispatch* out = nullptr;
    EXPECT_EQ(m_obj->GetObserverObject(&out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(observer.refs(), 1);
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
    template <typename Fn>
    Fn Export(const char* name) {
        return reinterpret_cast<Fn>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"MvJavaJniComRot.dll"), name)));
    }
    mvtest::ScriptReport Script(const char* file, const std::wstring& extra = {}) {
        return mvtest::RunScript(file, std::to_wstring(s_host->pid()) + extra);
    }

    static std::unique_ptr<mv::test::ModuleRegistration> s_registration;
    static std::unique_ptr<mv::test::HostProcess> s_host;
    static inline HRESULT s_observerLibrary = E_FAIL;
    mv::com_ptr<IMvJavaCpp> m_jvm;
};
std::unique_ptr<mv::test::ModuleRegistration> CrossProcess::s_registration;
std::unique_ptr<mv::test::HostProcess> CrossProcess::s_host;

TEST_F(CrossProcess, ThePublishedObjectIsFoundByPidAsFirstAndByItsReadyEvent) {
    EXPECT_TRUE(m_jvm.try_query<IClientSecurity>()) << "a proxy: the object lives in the host";
    LONG version = 0;
    ASSERT_EQ(m_jvm->GetJVMVersion(&version), S_OK);
    EXPECT_GE(version, 0x00010008);
    DWORD pid = 0;
    mv::com_ptr<IMvJavaCpp> first;
    first.attach(Export<IMvJavaCpp*(__cdecl*)(DWORD*)>("GetRunningJVMAndPid")(&pid));
    EXPECT_TRUE(first);
    EXPECT_EQ(pid, s_host->pid());
    EXPECT_FALSE(mv::test::PublishedJvmOf(s_host->pid() + 1000000)) << "no such process published";
    const std::wstring name = L"MvJavaCOM:P" + std::to_wstring(s_host->pid());
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(event) << "the ready event, opened by name from another process";
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

TEST_F(CrossProcess, HandlesStringsFieldsAndArgumentArraysCrossBothWays) {
    const wchar_t text[] = L"k\u00e9y \U0001F511";  // a character outside the BMP
    UINT64 s = 0, fields = 0;
    ASSERT_EQ(m_jvm->NewJavaString(Bstr(text).get(), &s), S_OK);
    mv::unique_bstr back, cls;
    ASSERT_EQ(m_jvm->GetJavaString(s, back.put()), S_OK);
    EXPECT_EQ(back.view(), std::wstring_view(text));
    ASSERT_EQ(m_jvm->GetJavaClassName(s, cls.put()), S_OK);
    EXPECT_EQ(cls.view(), L"java.lang.String");
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
    ASSERT_EQ(m_jvm->SetStringField(fields, Bstr(L"stringField").get(), Bstr(L"\U0001F600 set").get()), S_OK);
    ASSERT_EQ(m_jvm->GetStringField(fields, Bstr(L"stringField").get(), back.put()), S_OK);
    EXPECT_EQ(back.view(), L"\U0001F600 set");
    EXPECT_EQ(m_jvm->GetIntField(fields, Bstr(L"noSuchField").get(), &i), E_FAIL);

    // String.valueOf(long) with a VT_I8 element in an array whose lower bound is 5.
    SAFEARRAYBOUND bound{1, 5};
    mv::unique_variant args;
    V_VT(args.get_mutable()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(args.get_mutable()) = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    LONG index = 5;
    VARIANT element;
    ::VariantInit(&element);
    V_VT(&element) = VT_I8;
    V_I8(&element) = -9000000000LL;
    ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(args.get_mutable()), &index, &element), S_OK);
    ASSERT_EQ(m_jvm->CallStaticStringMethod(s, Bstr(L"valueOf").get(), Bstr(L"(J)Ljava/lang/String;").get(),
                                            args.get(), back.put()), S_OK);
    EXPECT_EQ(back.view(), L"-9000000000");
    // An int array written from lower bound 7 comes back as a SAFEARRAY of VT_I4 from 0.
    UINT64 array = 0;
    ASSERT_EQ(m_jvm->NewJavaPrimitiveArray(Int, 3, &array), S_OK);
    SAFEARRAYBOUND from7{3, 7};
    mv::unique_variant in, out;
    V_VT(in.get_mutable()) = VT_ARRAY | VT_I4;
    V_ARRAY(in.get_mutable()) = ::SafeArrayCreate(VT_I4, 1, &from7);
    for (LONG k = 7, value = -1000; k < 10; ++k, value -= 1000) ::SafeArrayPutElement(V_ARRAY(in.get_mutable()), &k, &value);
    ASSERT_EQ(m_jvm->SetJavaPrimitiveArray(array, Int, in.get()), S_OK);
    ASSERT_EQ(m_jvm->GetJavaPrimitiveArray(array, Int, out.put()), S_OK);
    ASSERT_EQ(out.type(), VT_ARRAY | VT_I4);
    LONG lower = -1, upper = -1;
    ::SafeArrayGetLBound(V_ARRAY(&out.get()), 1, &lower);
    ::SafeArrayGetUBound(V_ARRAY(&out.get()), 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 2);
    for (LONG k = 0; k < 3; ++k) {
        LONG value = 0;
        ::SafeArrayGetElement(V_ARRAY(&out.get()), &k, &value);
        EXPECT_EQ(value, (k + 1) * -1000);
    }
    for (UINT64 handle : {s, fields, array}) EXPECT_EQ(m_jvm->DeleteJavaObject(handle), S_OK);
}

TEST_F(CrossProcess, AScriptReachesTheJvmThroughTheFinder) {
    const mvtest::ScriptReport report = Script("cross_process.js");
    const char* const steps[][2] = {{"GetJvmFromProcess", "ok object"},    {"GetJVMVersion", "ok true"},
                                    {"GetStaticIntField", "ok -987654321"}, {"GetStringField", "ok instance string"},
                                    {"CallIntMethod", "ok 11"},             {"CallStringMethod", "ok SCRIPT TEXT"},
                                    {"DeleteJavaObject", "ok done"}};
    for (const auto& step : steps) EXPECT_EQ(report.Step(step[0]), step[1]) << step[0] << "\n" << report.run.output;
}

TEST_F(CrossProcess, AnObserverAttachedByOneClientIsFetchedByAnother) {
    ASSERT_EQ(s_observerLibrary, S_OK);
    TestObserver observer, stranger(false);
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_GE(observer.refs(), 1) << "the host holds the observer";
    const mvtest::ScriptReport report = Script("observer_client.js");
    EXPECT_EQ(report.Step("GetObserverObject"), "ok object") << report.run.output;
    EXPECT_EQ(report.Step("Ping"), "ok 42");
    EXPECT_EQ(report.Step("ReturnObserverObject"), "ok done");
    EXPECT_EQ(report.Step("IsDisconnectObserverComplete"), "ok false") << "still attached";
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    EXPECT_TRUE(Complete(m_jvm.get()));

    // A client that dies holding its fetched observer: the count shows it; the host serves on.
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(Script("observer_client.js", L" keep").Step("Ping"), "ok 42");
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    EXPECT_FALSE(Complete(m_jvm.get())) << "the dead client never returned its reference";
    EXPECT_EQ(m_jvm->ReturnObserverObject(), S_OK);
    EXPECT_TRUE(Complete(m_jvm.get()));

    // An object without the observer interface, attached from here, empties the slot there.
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_EQ(m_jvm->AttachObserverObject(&stranger), E_NOINTERFACE);
    EXPECT_EQ(m_jvm->DetachObserverObject(), E_FAIL);
}

// Runs last in the suite: the host dies under the client's feet.
TEST_F(CrossProcess, ZZ_AKilledHostFailsTheNextCallPromptlyAndIsGone) {
    s_host->Kill();
    struct Call {  // on a thread of its own, so that a hang shows as a failure
        IMvJavaCpp* jvm;
        HRESULT hr = S_OK;
        static DWORD WINAPI Run(void* p) {
            auto* call = static_cast<Call*>(p);
            ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            LONG version = 0;
            call->hr = call->jvm->GetJVMVersion(&version);
            ::CoUninitialize();
            return 0;
        }
    } call{m_jvm.get()};
    mv::unique_handle thread(::CreateThread(nullptr, 0, &Call::Run, &call, 0, nullptr));
    ASSERT_EQ(::WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0) << "the call did not return";
    EXPECT_EQ(HRESULT_FACILITY(call.hr), FACILITY_WIN32) << "an RPC error, 0x" << std::hex << call.hr;
    EXPECT_TRUE(FAILED(call.hr));
    // The table forgets the dead process's entry once COM has run its connection down.
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (mv::test::PublishedJvmOf(s_host->pid()) && ::GetTickCount64() < deadline) ::Sleep(200);
    EXPECT_FALSE(mv::test::PublishedJvmOf(s_host->pid())) << "still found for the dead process after 60 s";
}

}  // namespace
