// The main object before any JVM is involved: its interfaces, its share of the module lock,
// and the rules for saving the process's JavaVM.

#include <gtest/gtest.h>
#include <windows.h>

#include "common/com/com_ptr.h"
#include "jvm/mv_java_cpp.h"
#include "module/module_lock.h"

namespace {

mv::com_ptr<IMvJavaCpp> NewMainObject() {
    mv::com_ptr<IMvJavaCpp> obj;
    EXPECT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, obj.put_void()), S_OK);
    return obj;
}

class MainObject : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
    void TearDown() override { ::CoUninitialize(); }
};

TEST_F(MainObject, AnswersItsInterfacesFromOneTable) {
    auto obj = NewMainObject();
    ASSERT_TRUE(obj);
    mv::com_ptr<IDispatch> dispatch;
    ASSERT_EQ(obj.query(dispatch), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(obj.get()))
        << "IDispatch is the dual interface itself";
    mv::com_ptr<IUnknown> unknown1, unknown2;
    ASSERT_EQ(obj.query(unknown1), S_OK);
    ASSERT_EQ(dispatch.query(unknown2), S_OK);
    EXPECT_EQ(unknown1.get(), unknown2.get()) << "one identity";
    EXPECT_EQ(obj.try_query<IClassFactory>().get(), nullptr);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(obj->QueryInterface(IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(obj->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(MainObject, MarshalsFreeThreaded) {
    auto obj = NewMainObject();
    mv::com_ptr<IMarshal> marshal;
    ASSERT_EQ(obj.query(marshal), S_OK);
    CLSID unmarshaler{};
    ASSERT_EQ(marshal->GetUnmarshalClass(IID_IMvJavaCpp, obj.get(), MSHCTX_INPROC, nullptr,
                                         MSHLFLAGS_NORMAL, &unmarshaler), S_OK);
    // The free-threaded marshaler's in-process unmarshaler, not the standard proxy's.
    EXPECT_NE(unmarshaler, CLSID_StdMarshal);
    mv::com_ptr<IUnknown> viaMarshal;
    ASSERT_EQ(marshal.query(viaMarshal), S_OK);
    mv::com_ptr<IUnknown> viaObject;
    ASSERT_EQ(obj.query(viaObject), S_OK);
    EXPECT_EQ(viaMarshal.get(), viaObject.get()) << "the aggregated marshaler answers for the object";
}

TEST_F(MainObject, HoldsOneModuleLockWhileAlive) {
    const LONG before = mv::ModuleLockCount();
    {
        auto obj = NewMainObject();
        EXPECT_EQ(mv::ModuleLockCount(), before + 1);
        auto copy = obj;
        EXPECT_EQ(mv::ModuleLockCount(), before + 1);
    }
    EXPECT_EQ(mv::ModuleLockCount(), before);
}

TEST_F(MainObject, SavesAJavaVmOnlyForItsOwnProcess) {
    auto obj = NewMainObject();
    const LONG self = static_cast<LONG>(::GetCurrentProcessId());
    EXPECT_EQ(obj->JavaSaveRunningJVM(self + 1, 0x1234), E_FAIL);
    EXPECT_EQ(obj->JavaSaveRunningJVM(self, 0), S_OK) << "zero is stored like any value";
}

TEST_F(MainObject, FailsJavaOperationsWithoutAJavaVm) {
    auto obj = NewMainObject();
    LONG version = 77;
    EXPECT_EQ(obj->GetJVMVersion(&version), E_FAIL);
    EXPECT_EQ(version, 77) << "nothing is written on failure";
    EXPECT_EQ(obj->GetJVMVersion(nullptr), E_POINTER);
}

}  // namespace
