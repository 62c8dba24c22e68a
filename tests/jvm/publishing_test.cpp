// The main object without a JVM: publishing in the Running Object Table with the ready event, and
// the lookups of this process's table; and how a 64-bit value carries a pointer on each width.

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>

#include "common/com/com_ptr.h"
#include "common/jni/pointer_bits.h"
#include "common/win/handles.h"
#include "debug_output_capture.h"
#include "jvm/jvm_lookup_exports.h"
#include "jvm/mv_java_cpp.h"
#include "jvm_lookup.h"

namespace {

const DWORD kOwnPid = ::GetCurrentProcessId();
const std::wstring kOwnName = L"MvJavaCOM:P" + std::to_wstring(kOwnPid);

mv::com_ptr<IMvJavaCpp> Take(IMvJavaCpp* found) {
    mv::com_ptr<IMvJavaCpp> owned;
    owned.attach(found);
    return owned;
}
// Whether a lookup's result (released here) is `object`.
bool Is(IMvJavaCpp* found, IUnknown* object) {
    const mv::com_ptr<IMvJavaCpp> owned = Take(found);
    return owned && owned.try_query<IUnknown>().get() == mv::com_ptr<IUnknown>(object).try_query<IUnknown>().get();
}
bool EventSet() {
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, kOwnName.c_str()));
    return event && ::WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0;
}

// Waits (60 s at most) until the table holds no main object: the entries of hosts that other
// programs ended go once COM has run their connections down.
bool NothingPublished() {
    for (const ULONGLONG deadline = ::GetTickCount64() + 60000; ::GetTickCount64() < deadline; ::Sleep(200))
        if (mvjava::PublishedProcessIds().empty()) return true;
    return false;
}

class TableEntry {
public:
    TableEntry(const wchar_t* name, IUnknown* object) {
        mv::com_ptr<IMoniker> moniker;
        EXPECT_EQ(::GetRunningObjectTable(0, m_table.put()), S_OK);
        EXPECT_EQ(::CreateItemMoniker(L"", name, moniker.put()), S_OK);
        EXPECT_EQ(m_table->Register(0, object, moniker.get(), &m_cookie), S_OK);
    }
    ~TableEntry() { m_table->Revoke(m_cookie); }

private:
    mv::com_ptr<IRunningObjectTable> m_table;
    DWORD m_cookie = 0;
};

class MainObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, m_obj.put_void()), S_OK);
        ASSERT_EQ(::CreateBindCtx(0, m_other.put()), S_OK);
        ASSERT_TRUE(NothingPublished()) << "published by others";
    }
    void TearDown() override {
        if (m_obj) m_obj->JavaRemoveFromROT();
        m_obj.reset();
        m_other.reset();
        ::CoUninitialize();
    }
    ULONG Refs() { return m_obj->AddRef(), m_obj->Release(); }
    mv::com_ptr<IMvJavaCpp> m_obj;
    mv::com_ptr<IBindCtx> m_other;  // any object that is not a main object
};

TEST_F(MainObject, PublishesUnderTheProcessNameAndSetsTheReadyEvent) {
    // A waiter that created the event before the object published it is signalled too.
    mv::unique_handle waiter(::CreateEventW(nullptr, TRUE, FALSE, kOwnName.c_str()));
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL) << "nothing registered yet";
    for (int round = 1; round <= 2; ++round) {  // the second time after a removal
        SCOPED_TRACE(round);
        ASSERT_TRUE(::ResetEvent(waiter.get()));
        ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
        EXPECT_EQ(::WaitForSingleObject(waiter.get(), 0), WAIT_OBJECT_0);
        EXPECT_TRUE(Is(GetJVMFromPid(kOwnPid), m_obj.get()));
        EXPECT_EQ(m_obj->JavaAddToROT(), E_FAIL) << "already registered";
        ASSERT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
        EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL);
        EXPECT_FALSE(Take(GetJVMFromPid(kOwnPid)));
        EXPECT_TRUE(EventSet()) << "removal leaves the event set";
    }
    TableEntry entry(kOwnName.c_str(), m_other.get());
    EXPECT_EQ(m_obj->JavaAddToROT(), MK_S_MONIKERALREADYREGISTERED) << "a name that another object holds";
    EXPECT_TRUE(EventSet());
    EXPECT_EQ(m_obj->JavaAddToROT(), E_FAIL) << "the cookie was kept";
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
}

TEST_F(MainObject, TheTableKeepsAPublishedObjectAndEachLookupGivesTheCallerOneReference) {
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    const ULONG before = Refs();
    mv::com_ptr<IMvJavaCpp> byPid = Take(GetJVMFromPid(kOwnPid)), first = Take(GetRunningJVM());
    ASSERT_TRUE(byPid && first);
    EXPECT_EQ(Refs(), before + 2);
    byPid.reset();
    first.reset();
    EXPECT_EQ(Refs(), before);
    m_obj.reset();  // our reference gone; the table's remains
    const auto found = Take(GetJVMFromPid(kOwnPid));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->JavaRemoveFromROT(), S_OK);
}

TEST_F(MainObject, LookupsOfNothingAnswerNullAndTellTheDebugger) {
    mv::test::DebugOutputCapture debug;
    EXPECT_EQ(GetJVMFromPid(0), nullptr);
    EXPECT_TRUE(debug.Messages().empty()) << "process id 0 is refused silently";
    EXPECT_EQ(GetJVMFromPid(kOwnPid), nullptr);
    DWORD pid = 12345;
    EXPECT_EQ(GetRunningJVMAndPid(&pid), nullptr);
    EXPECT_EQ(pid, 0u);
    EXPECT_EQ(GetRunningJVMAndPid(nullptr), nullptr);
    EXPECT_EQ(GetRunningJVM(), nullptr);
    const std::string first = "[GetRunningJVM] failed to get the running jvm object";
    EXPECT_EQ(debug.Messages(),
              (std::vector<std::string>{"[GetJVMFromPid] failed to get the running jvm object", first, first, first}));
}

// Names as the module writes them (the pid as a signed decimal) and as others may have written
// them: the first published object's pid is read after "MvJavaCOM:P".
TEST_F(MainObject, TheProcessIdIsReadFromTheNameOfTheFirstPublishedObject) {
    const struct {
        const wchar_t* name;
        bool mainObject;
        DWORD byPid;  // a lookup by this id finds it when it is a main object (0: none made)
        DWORD firstPid;
        bool firstFound;
    } rows[] = {
        {L"MvJavaCOM:P42", true, 42, 42, true},
        {L"MvJavaCOM:P-1", true, 0xFFFFFFFFu, 0xFFFFFFFFu, true},
        {L"MvJavaCOM:P12x", true, 0, 12, true},
        {L"xMvJavaCOM:P  -7", true, 0, static_cast<DWORD>(-7), true},
        {L"MvJavaCOM-without-pid", true, 0, 0, true},
        {L"MvJavaCOM:Px", true, 0, 0, true},
        {L"mvjavacom:P5", true, 0, 0, false},
        {L"MvJavaCOM:P4242", false, 4242, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name, row.name + std::wcslen(row.name)));
        IUnknown* const object = row.mainObject ? static_cast<IUnknown*>(m_obj.get()) : m_other.get();
        TableEntry entry(row.name, object);
        if (row.byPid) { EXPECT_EQ(Is(GetJVMFromPid(row.byPid), object), row.mainObject); }
        DWORD pid = 77;
        EXPECT_EQ(Is(GetRunningJVMAndPid(&pid), object), row.firstFound);
        EXPECT_EQ(pid, row.firstPid);
    }
}

}  // namespace
