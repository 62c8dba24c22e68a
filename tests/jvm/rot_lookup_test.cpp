// Publishing the main object in the Running Object Table and finding it again, within one
// process (the lookup across processes is tested with the Java-process host).

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/com/com_ptr.h"
#include "common/win/handles.h"
#include "debug_output_capture.h"
#include "jvm/jvm_lookup_exports.h"
#include "jvm/moniker_name.h"
#include "jvm/mv_java_cpp.h"

namespace {

std::wstring OwnMonikerName() {
    return L"MvJavaCOM:P" + std::to_wstring(::GetCurrentProcessId());
}

bool SameObject(IUnknown* a, IUnknown* b) {
    mv::com_ptr<IUnknown> ua, ub;
    return a && b && SUCCEEDED(a->QueryInterface(IID_IUnknown, ua.put_void())) &&
           SUCCEEDED(b->QueryInterface(IID_IUnknown, ub.put_void())) && ua.get() == ub.get();
}

class Publishing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK);
    }
    void TearDown() override {
        if (m_obj) m_obj->JavaRemoveFromROT();
        m_obj.reset();
        ::CoUninitialize();
    }
    mv::com_ptr<IMvJavaCpp> m_obj;
};

TEST_F(Publishing, RegistersUnderTheProcessMonikerAndSetsTheReadyEvent) {
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, OwnMonikerName().c_str()));
    ASSERT_TRUE(event) << "ready event named after the moniker";
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);

    mv::com_ptr<IMvJavaCpp> found;
    found.attach(GetJVMFromPid(::GetCurrentProcessId()));
    ASSERT_TRUE(found);
    EXPECT_TRUE(SameObject(found.get(), m_obj.get()));
}

TEST_F(Publishing, EachFoundPointerCarriesOneReferenceForTheCaller) {
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    const ULONG before = m_obj->AddRef() - 1;
    m_obj->Release();
    IMvJavaCpp* byPid = GetJVMFromPid(::GetCurrentProcessId());
    ASSERT_NE(byPid, nullptr);
    EXPECT_EQ(m_obj->AddRef() - 1, before + 1) << "one reference, the caller's";
    m_obj->Release();
    IMvJavaCpp* first = GetRunningJVM();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_obj->AddRef() - 1, before + 2);
    m_obj->Release();
    byPid->Release();
    first->Release();
    EXPECT_EQ(m_obj->AddRef() - 1, before);
    m_obj->Release();
}

TEST_F(Publishing, RegistersOnceAndRemovesOnce) {
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL) << "nothing registered yet";
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    EXPECT_EQ(m_obj->JavaAddToROT(), E_FAIL) << "already registered";
    ASSERT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL);
    mv::com_ptr<IMvJavaCpp> gone;
    gone.attach(GetJVMFromPid(::GetCurrentProcessId()));
    EXPECT_FALSE(gone);

    // Registered again: found again, and the event is still (or again) set.
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    mv::com_ptr<IMvJavaCpp> again;
    again.attach(GetJVMFromPid(::GetCurrentProcessId()));
    EXPECT_TRUE(SameObject(again.get(), m_obj.get()));
}

TEST_F(Publishing, TheTableKeepsAPublishedObjectAlive) {
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    m_obj.reset();  // our reference gone; the table's remains
    mv::com_ptr<IMvJavaCpp> found;
    found.attach(GetJVMFromPid(::GetCurrentProcessId()));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->JavaRemoveFromROT(), S_OK);
}

TEST_F(Publishing, ReadyEventStaysSetAfterRemovalWhileHeld) {
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    ASSERT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, OwnMonikerName().c_str()));
    ASSERT_TRUE(event);
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

TEST_F(Publishing, AWaiterThatCreatedTheEventFirstIsSignalled) {
    mv::unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, OwnMonikerName().c_str()));
    ASSERT_TRUE(event);
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    EXPECT_EQ(::WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
}

TEST_F(Publishing, LookupOfNothingAnswersNullAndTellsTheDebugger) {
    mv::test::DebugOutputCapture debug;
    EXPECT_EQ(GetJVMFromPid(0), nullptr);
    EXPECT_TRUE(debug.Messages().empty()) << "process id 0 is refused silently";

    EXPECT_EQ(GetJVMFromPid(::GetCurrentProcessId()), nullptr);
    ASSERT_EQ(debug.Messages().size(), 1u);
    EXPECT_EQ(debug.Messages()[0], "[GetJVMFromPid] failed to get the running jvm object");
}

TEST_F(Publishing, FirstRunningJvmGivesTheObjectAndItsProcessId) {
    DWORD pid = 12345;
    mv::com_ptr<IMvJavaCpp> none;
    {
        mv::test::DebugOutputCapture debug;
        none.attach(GetRunningJVMAndPid(&pid));
        EXPECT_FALSE(none);
        EXPECT_EQ(pid, 0u);
        EXPECT_EQ(GetRunningJVMAndPid(nullptr), nullptr);
        ASSERT_EQ(debug.Messages().size(), 2u);
        EXPECT_EQ(debug.Messages()[0], "[GetRunningJVM] failed to get the running jvm object");
    }
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    mv::com_ptr<IMvJavaCpp> found;
    found.attach(GetRunningJVMAndPid(&pid));
    ASSERT_TRUE(found);
    EXPECT_EQ(pid, ::GetCurrentProcessId());
    EXPECT_TRUE(SameObject(found.get(), m_obj.get()));
    mv::com_ptr<IMvJavaCpp> plain;
    plain.attach(GetRunningJVM());
    EXPECT_TRUE(SameObject(plain.get(), m_obj.get()));
}

TEST_F(Publishing, AnObjectThatIsNotAMainObjectIsNotFound) {
    // Something else registered under a process's name.
    mv::com_ptr<IRunningObjectTable> table;
    ASSERT_EQ(::GetRunningObjectTable(0, table.put()), S_OK);
    std::wstring name;
    mv::BuildMonikerName(name, 4242);
    mv::com_ptr<IMoniker> moniker;
    ASSERT_EQ(::CreateItemMoniker(L"", name.c_str(), moniker.put()), S_OK);
    mv::com_ptr<IBindCtx> other;  // any object that is not a main object
    ASSERT_EQ(::CreateBindCtx(0, other.put()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(table->Register(0, other.get(), moniker.get(), &cookie), S_OK);
    EXPECT_EQ(GetJVMFromPid(4242), nullptr);
    table->Revoke(cookie);
}

TEST_F(Publishing, ANameWithoutTheProcessPartGivesTheObjectAndProcessIdZero) {
    mv::com_ptr<IRunningObjectTable> table;
    ASSERT_EQ(::GetRunningObjectTable(0, table.put()), S_OK);
    mv::com_ptr<IMoniker> moniker;
    ASSERT_EQ(::CreateItemMoniker(L"", L"MvJavaCOM-without-pid", moniker.put()), S_OK);
    DWORD cookie = 0;
    ASSERT_EQ(table->Register(0, m_obj.get(), moniker.get(), &cookie), S_OK);
    DWORD pid = 77;
    mv::com_ptr<IMvJavaCpp> found;
    found.attach(GetRunningJVMAndPid(&pid));
    EXPECT_TRUE(SameObject(found.get(), m_obj.get()));
    EXPECT_EQ(pid, 0u);
    table->Revoke(cookie);
}

TEST(MonikerName, IsThePrefixAndTheDecimalProcessId) {
    std::wstring name;
    mv::BuildMonikerName(name, 1234);
    EXPECT_EQ(name, L"MvJavaCOM:P1234");
    std::wstring big;
    mv::BuildMonikerName(big, 0xFFFFFFFFu);
    EXPECT_EQ(big, L"MvJavaCOM:P-1") << "written signed, as %d does";
}

TEST(MonikerName, ProcessIdIsReadAfterThePrefix) {
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"!MvJavaCOM:P42"), 42);
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"MvJavaCOM:P12x"), 12);
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"MvJavaCOM:P  -7"), -7);
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"MvJavaCOM"), 0);
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"MvJavaCOM:Px"), 0);
    EXPECT_EQ(mv::ParsePidFromDisplayName(L"mvjavacom:P5"), 0) << "case-sensitive";
}

}  // namespace
