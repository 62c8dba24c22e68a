// The module registered, its type library not: late-bound calls fail with the loader's error,
// in a script client and in this process, while vtable calls keep working; once the library
// is registered again, late binding works without restarting the client.
//
// A program of its own: the late-binding records of the module must still be empty when the
// library goes away, which no other test program guarantees. The tests run in the order
// written; the last one fills the records.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "dispatch_calls.h"
#include "module_names.h"
#include "module_paths.h"
#include "registry_tree.h"
#include "script_run.h"
#include "server_registration.h"

namespace {

using mv::com_ptr;

constexpr char kScriptLibraryMissing[] = "error 0x8002801D";  // TYPE_E_LIBNOTREGISTERED

// Registration records the library for its own locale and for the neutral one; both go.
HRESULT UnregisterLibrary() {
    const HRESULT neutral = ::UnRegisterTypeLib(LIBID_MvJavaJniComRotLib, 1, 0, 0, SYS_WIN64);
    const HRESULT declared = ::UnRegisterTypeLib(LIBID_MvJavaJniComRotLib, 1, 0, 0x409, SYS_WIN64);
    return FAILED(neutral) ? neutral : declared;
}

class UnregisteredTypeLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(UnregisterLibrary(), S_OK);
        ASSERT_FALSE(mvtest::ClassesKeyExists(std::wstring(L"TypeLib\\") + mvtest::kLibId));
        ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp,
                                     m_main.put_void()), S_OK)
            << "creation needs the class registration only";
        ASSERT_EQ(::CoCreateInstance(CLSID_CJvmFinder, nullptr, CLSCTX_INPROC_SERVER, IID_IJvmFinder,
                                     m_finder.put_void()), S_OK);
    }
    void TearDown() override {
        m_main.reset();
        m_finder.reset();
        // Registering the whole module again puts the library back, so that the program's
        // final unregistration finds everything it removes.
        const mvtest::ProcessRun again = mvtest::RunRegsvr32(mvtest::BuiltModulePath(), false);
        EXPECT_EQ(again.exitCode, 0u) << again.output;
        ::CoUninitialize();
    }

    com_ptr<IMvJavaCpp> m_main;
    com_ptr<IJvmFinder> m_finder;
};

TEST_F(UnregisteredTypeLibrary, FailsLateBoundCallsWithTheLoadersError) {
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersion"}).hr, TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(mvtest::DispatchIds(m_finder.get(), {L"GetJvmFromProcess"}).hr, TYPE_E_LIBNOTREGISTERED);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(m_main->GetTypeInfo(0, 0, &info), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(info, nullptr);
    DISPPARAMS none{};
    EXPECT_EQ(m_main->Invoke(4, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              TYPE_E_LIBNOTREGISTERED);

    const mvtest::ScriptReport report = mvtest::RunScript("late_binding.js", L"1");
    SCOPED_TRACE(report.run.output);
    EXPECT_EQ(report.Step("create MvJavaCpp"), "ok object");
    EXPECT_EQ(report.Step("create JvmFinder"), "ok object");
    EXPECT_EQ(report.Step("GetJVMVersion"), kScriptLibraryMissing);
    EXPECT_EQ(report.Step("GetJvmFromProcess"), kScriptLibraryMissing);
}

TEST_F(UnregisteredTypeLibrary, KeepsVtableCallsWorking) {
    LONG version = 0;
    EXPECT_EQ(m_main->GetJVMVersion(&version), E_FAIL) << "the member itself answers: no JVM saved";
    EXPECT_EQ(m_main->JavaSaveRunningJVM(static_cast<LONG>(::GetCurrentProcessId()) + 1, 0), E_FAIL);
    IDispatch* found = nullptr;
    EXPECT_EQ(m_finder->GetJvmFromProcess(0, &found), E_INVALIDARG);
    EXPECT_EQ(m_finder->GetJvmFromProcess(::GetCurrentProcessId(), &found), S_FALSE);
    EXPECT_EQ(found, nullptr);
    UINT count = 0;
    EXPECT_EQ(m_main->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
}

TEST_F(UnregisteredTypeLibrary, BindsLateOnceTheLibraryIsRegisteredAgain) {
    ASSERT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersion"}).hr, TYPE_E_LIBNOTREGISTERED);
    const mvtest::ProcessRun registration = mvtest::RunRegsvr32(mvtest::BuiltModulePath(), false);
    ASSERT_EQ(registration.exitCode, 0u) << registration.output;
    EXPECT_EQ(mvtest::DispatchIds(m_main.get(), {L"GetJVMVersion"}), (mvtest::IdsResult{S_OK, {4}}))
        << "a failed load is tried again on the next call";
    const mvtest::DispatchCall call = mvtest::CallByName(m_finder.get(), L"GetJvmFromProcess", {mvtest::UI4(0)});
    EXPECT_EQ(call.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(call.scode, E_INVALIDARG);
}

}  // namespace
