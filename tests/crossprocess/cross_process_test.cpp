// A client process finds the main object that a Java-process host published and drives the
// JVM in that process across the process boundary, through the registered type library.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/safearray.h"
#include "common/com/variant.h"
#include "common/win/handles.h"
#include "host_process.h"
#include "script_run.h"
#include "test_observer.h"

namespace {

using mv::test::Bstr;
using LookupByPid = IMvJavaCpp*(__cdecl*)(DWORD);
using LookupFirst = IMvJavaCpp*(__cdecl*)(DWORD*);

// One host and one registration for the whole suite: starting a JVM costs seconds.
class CrossProcess : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<mv::test::ModuleRegistration>();
        s_host = std::make_unique<mv::test::HostProcess>();
    }
    static void TearDownTestSuite() {
        s_host.reset();
        s_registration.reset();
        ::CoUninitialize();
    }
    void SetUp() override {
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        ASSERT_TRUE(s_host->ready()) << "host output: " << s_host->output();
        HMODULE module = ::GetModuleHandleW(L"MvJavaJniComRot.dll");
        ASSERT_NE(module, nullptr);
        m_byPid = reinterpret_cast<LookupByPid>(reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")));
        m_first = reinterpret_cast<LookupFirst>(reinterpret_cast<void*>(::GetProcAddress(module, "GetRunningJVMAndPid")));
        ASSERT_TRUE(m_byPid && m_first);
        m_jvm.attach(m_byPid(s_host->pid()));
        ASSERT_TRUE(m_jvm) << "the published object of the host";
    }

    static std::unique_ptr<mv::test::ModuleRegistration> s_registration;
    static std::unique_ptr<mv::test::HostProcess> s_host;
    LookupByPid m_byPid = nullptr;
    LookupFirst m_first = nullptr;
    mv::com_ptr<IMvJavaCpp> m_jvm;
};
std::unique_ptr<mv::test::ModuleRegistration> CrossProcess::s_registration;
std::unique_ptr<mv::test::HostProcess> CrossProcess::s_host;

TEST_F(CrossProcess, TheObjectIsAProxyToTheHost) {
    mv::com_ptr<IUnknown> proxyManager;
    // Only a proxy answers IClientSecurity: the object lives in the other process.
    mv::com_ptr<IClientSecurity> security = m_jvm.try_query<IClientSecurity>();
    EXPECT_TRUE(security);
    LONG version = 0;
    ASSERT_EQ(m_jvm->GetJVMVersion(&version), S_OK);
    EXPECT_GE(version, 0x00010008);

    DWORD pid = 0;
    mv::com_ptr<IMvJavaCpp> first;
    first.attach(m_first(&pid));
    EXPECT_TRUE(first);
    EXPECT_EQ(pid, s_host->pid());
    EXPECT_EQ(m_byPid(s_host->pid() + 1000000), nullptr) << "no such process published";
}

TEST_F(CrossProcess, HandlesAndStringsCrossBothWays) {
    const wchar_t text[] = L"k\u00e9y \U0001F511";  // a character outside the BMP
    UINT64 s = 0;
    ASSERT_EQ(m_jvm->NewJavaString(Bstr(text).get(), &s), S_OK);
    ASSERT_NE(s, 0u);
    mv::unique_bstr back;
    ASSERT_EQ(m_jvm->GetJavaString(s, back.put()), S_OK);
    EXPECT_EQ(back.view(), std::wstring_view(text));
    mv::unique_bstr cls;
    ASSERT_EQ(m_jvm->GetJavaClassName(s, cls.put()), S_OK);
    EXPECT_EQ(cls.view(), L"java.lang.String");
    VARIANT_BOOL isString = VARIANT_FALSE;
    ASSERT_EQ(m_jvm->IsInstanceOf(s, Bstr(L"java.lang.CharSequence").get(), &isString), S_OK);
    EXPECT_EQ(isString, VARIANT_TRUE);
    EXPECT_EQ(m_jvm->DeleteJavaObject(s), S_OK);
}

TEST_F(CrossProcess, FieldsOfEveryKindAreReadAndWritten) {
    UINT64 fields = 0;
    ASSERT_EQ(m_jvm->NewDefJavaObject(Bstr(L"fixtures.Fields").get(), &fields), S_OK);
    LONG i = 0;
    EXPECT_EQ(m_jvm->GetStaticIntField(fields, Bstr(L"staticInt").get(), &i), S_OK);
    EXPECT_EQ(i, -987654321);
    LONGLONG j = 0;
    EXPECT_EQ(m_jvm->GetLongField(fields, Bstr(L"longField").get(), &j), S_OK);
    EXPECT_EQ(j, 0x0123456789abcdefLL);
    double d = 0;
    EXPECT_EQ(m_jvm->GetDoubleField(fields, Bstr(L"doubleField").get(), &d), S_OK);
    EXPECT_EQ(d, -2.25);
    VARIANT_BOOL z = VARIANT_FALSE;
    EXPECT_EQ(m_jvm->GetBooleanField(fields, Bstr(L"booleanField").get(), &z), S_OK);
    EXPECT_EQ(z, VARIANT_TRUE);
    unsigned char b = 0;
    EXPECT_EQ(m_jvm->GetByteField(fields, Bstr(L"byteField").get(), &b), S_OK);
    EXPECT_EQ(b, 255);
    unsigned short c = 0;
    EXPECT_EQ(m_jvm->GetStaticCharField(fields, Bstr(L"staticChar").get(), &c), S_OK);
    EXPECT_EQ(c, 0x20AC);
    ASSERT_EQ(m_jvm->SetStringField(fields, Bstr(L"stringField").get(), Bstr(L"\U0001F600 set").get()), S_OK);
    mv::unique_bstr s;
    ASSERT_EQ(m_jvm->GetStringField(fields, Bstr(L"stringField").get(), s.put()), S_OK);
    EXPECT_EQ(s.view(), L"\U0001F600 set");
    EXPECT_EQ(m_jvm->GetIntField(fields, Bstr(L"noSuchField").get(), &i), E_FAIL);
    EXPECT_EQ(m_jvm->DeleteJavaObject(fields), S_OK);
}

TEST_F(CrossProcess, MethodsTakeArgumentArraysAcrossTheBoundary) {
    UINT64 s = 0;
    ASSERT_EQ(m_jvm->NewJavaString(Bstr(L"hello").get(), &s), S_OK);
    LONG length = 0;
    VARIANT none;
    ::VariantInit(&none);
    ASSERT_EQ(m_jvm->CallIntMethod(s, Bstr(L"length").get(), Bstr(L"()I").get(), none, &length), S_OK);
    EXPECT_EQ(length, 5);

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
    mv::unique_bstr text;
    ASSERT_EQ(m_jvm->CallStaticStringMethod(s, Bstr(L"valueOf").get(), Bstr(L"(J)Ljava/lang/String;").get(),
                                            args.get(), text.put()), S_OK);
    EXPECT_EQ(text.view(), L"-9000000000");
    EXPECT_EQ(m_jvm->DeleteJavaObject(s), S_OK);
}

TEST_F(CrossProcess, ArraysComeBackAsSafeArrays) {
    UINT64 array = 0;
    ASSERT_EQ(m_jvm->NewJavaPrimitiveArray(Int, 3, &array), S_OK);
    SAFEARRAYBOUND bound{3, 7};
    mv::unique_variant in;
    V_VT(in.get_mutable()) = VT_ARRAY | VT_I4;
    V_ARRAY(in.get_mutable()) = ::SafeArrayCreate(VT_I4, 1, &bound);
    for (LONG k = 0; k < 3; ++k) {
        LONG index = 7 + k, value = (k + 1) * -1000;
        ASSERT_EQ(::SafeArrayPutElement(V_ARRAY(in.get_mutable()), &index, &value), S_OK);
    }
    ASSERT_EQ(m_jvm->SetJavaPrimitiveArray(array, Int, in.get()), S_OK);
    mv::unique_variant out;
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
    LONG size = 0;
    EXPECT_EQ(m_jvm->GetJavaArrayLength(array, &size), S_OK);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(m_jvm->DeleteJavaObject(array), S_OK);
}

TEST_F(CrossProcess, AnObserverAttachedByOneClientIsFetchedByAnother) {
    mv::test::TestObserverLibrary library;  // lets COM marshal the observer interface
    ASSERT_EQ(library.result(), S_OK);
    mv::test::TestObserver observer;
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    EXPECT_GE(observer.refs(), 1) << "the host holds the observer";

    // A second client (a script process) fetches it, calls it and returns it.
    const mvtest::ScriptReport report = mvtest::RunScript("observer_client.js", std::to_wstring(s_host->pid()));
    EXPECT_EQ(report.Step("GetObserverObject"), "ok object") << report.run.output;
    EXPECT_EQ(report.Step("Ping"), "ok 42");
    EXPECT_EQ(report.Step("ReturnObserverObject"), "ok done");
    EXPECT_EQ(report.Step("IsDisconnectObserverComplete"), "ok false") << "still attached";

    VARIANT_BOOL complete = VARIANT_TRUE;
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    ASSERT_EQ(m_jvm->IsDisconnectObserverComplete(&complete), S_OK);
    EXPECT_EQ(complete, VARIANT_TRUE);

    // A client that dies holding its fetched observer: the count shows it, and the host keeps
    // serving everybody else.
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    const mvtest::ScriptReport keeper =
        mvtest::RunScript("observer_client.js", std::to_wstring(s_host->pid()) + L" keep");
    EXPECT_EQ(keeper.Step("Ping"), "ok 42") << keeper.run.output;
    ASSERT_EQ(m_jvm->DetachObserverObject(), S_OK);
    ASSERT_EQ(m_jvm->IsDisconnectObserverComplete(&complete), S_OK);
    EXPECT_EQ(complete, VARIANT_FALSE) << "the dead client never returned its reference";
    EXPECT_EQ(m_jvm->ReturnObserverObject(), S_OK);
    ASSERT_EQ(m_jvm->IsDisconnectObserverComplete(&complete), S_OK);
    EXPECT_EQ(complete, VARIANT_TRUE);
    LONG version = 0;
    EXPECT_EQ(m_jvm->GetJVMVersion(&version), S_OK);
}

TEST_F(CrossProcess, AnObjectWithoutTheObserverInterfaceEmptiesTheSlot) {
    mv::test::TestObserverLibrary library;
    ASSERT_EQ(library.result(), S_OK);
    mv::test::TestObserver observer;
    ASSERT_EQ(m_jvm->AttachObserverObject(&observer), S_OK);
    mv::com_ptr<IDispatch> plain;  // any automation object without the observer interface
    ASSERT_EQ(::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, plain.put_void()), S_OK);
    EXPECT_EQ(m_jvm->AttachObserverObject(plain.get()), E_NOINTERFACE);
    EXPECT_EQ(m_jvm->DetachObserverObject(), E_FAIL) << "the slot was emptied";
    mv::com_ptr<IDispatch> none;
    EXPECT_EQ(m_jvm->GetObserverObject(none.put()), E_FAIL);
}

TEST_F(CrossProcess, AScriptReachesTheJvmThroughTheFinder) {
    const mvtest::ScriptReport report =
        mvtest::RunScript("cross_process.js", std::to_wstring(s_host->pid()));
    EXPECT_EQ(report.Step("GetJvmFromProcess"), "ok object") << report.run.output;
    EXPECT_EQ(report.Step("GetJVMVersion"), "ok true");
    EXPECT_EQ(report.Step("GetStaticIntField"), "ok -987654321");
    EXPECT_EQ(report.Step("GetStringField"), "ok instance string");
    EXPECT_EQ(report.Step("CallIntMethod"), "ok 11");
    EXPECT_EQ(report.Step("CallStringMethod"), "ok SCRIPT TEXT");
    EXPECT_EQ(report.Step("DeleteJavaObject"), "ok done");
}

TEST_F(CrossProcess, TheReadyEventIsSetForOtherProcesses) {
    const std::wstring name = L"MvJavaCOM:P" + std::to_wstring(s_host->pid());
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    ASSERT_TRUE(event) << "opened by name from the client process";
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

// Runs last in the suite: the host dies under the client's feet.
TEST_F(CrossProcess, ZZ_AKilledHostFailsTheNextCallPromptlyAndIsGone) {
    const DWORD pid = s_host->pid();
    s_host->Kill();
    // The call runs on a thread of its own so that a hang shows as a failure, not a stuck test.
    struct Call {
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
    ASSERT_TRUE(thread);
    ASSERT_EQ(::WaitForSingleObject(thread.get(), 60000), WAIT_OBJECT_0) << "the call did not return";
    EXPECT_TRUE(FAILED(call.hr)) << std::hex << call.hr;
    EXPECT_EQ(HRESULT_FACILITY(call.hr), FACILITY_WIN32) << "an RPC error, 0x" << std::hex << call.hr;
    mv::com_ptr<IMvJavaCpp> again;
    again.attach(m_byPid(pid));
    EXPECT_FALSE(again) << "nothing is found for the dead process";
}

}  // namespace
