// The main object without a JVM: its interfaces, its module lock, publishing in the Running
// Object Table with the ready event, and the lookups of this process's table.

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
#include "module/module_lock.h"

namespace {

const std::wstring kOwnName = L"MvJavaCOM:P" + std::to_wstring(::GetCurrentProcessId());

bool SameObject(IUnknown* a, IUnknown* b) {
    mv::com_ptr<IUnknown> ua, ub;
    return a && b && SUCCEEDED(a->QueryInterface(IID_IUnknown, ua.put_void())) &&
           SUCCEEDED(b->QueryInterface(IID_IUnknown, ub.put_void())) && ua.get() == ub.get();
}
mv::com_ptr<IMvJavaCpp> Take(IMvJavaCpp* found) {
    mv::com_ptr<IMvJavaCpp> owned;
    owned.attach(found);
    return owned;
}
bool EventSet() {
    mv::unique_handle event(::OpenEventW(SYNCHRONIZE, FALSE, kOwnName.c_str()));
    return event && ::WaitForSingleObject(event.get(), 0) == WAIT_OBJECT_0;
}

// The names in the table that hold "MvJavaCOM", waited for (60 s at most) to be none: entries of
// hosts that other programs ended go once COM has run their connections down.
std::string PublishedNames() {
    std::string names;
    for (const ULONGLONG deadline = ::GetTickCount64() + 60000; ::GetTickCount64() < deadline; ::Sleep(200)) {
        mv::com_ptr<IRunningObjectTable> table;
        mv::com_ptr<IEnumMoniker> monikers;
        if (FAILED(::GetRunningObjectTable(0, table.put())) || FAILED(table->EnumRunning(monikers.put()))) return "?";
        names.clear();
        for (mv::com_ptr<IMoniker> moniker; monikers->Next(1, moniker.put(), nullptr) == S_OK;) {
            mv::com_ptr<IBindCtx> context;
            LPOLESTR name = nullptr;
            if (FAILED(::CreateBindCtx(0, context.put())) || FAILED(moniker->GetDisplayName(context.get(), nullptr, &name)))
                continue;
            if (std::wcsstr(name, L"MvJavaCOM")) names += std::string(name, name + std::wcslen(name)) + " ";
            ::CoTaskMemFree(name);
        }
        if (names.empty()) break;
    }
    return names;
}

// An object of another kind registered under `name` in the table, for the life of the entry.
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
    }
    void TearDown() override {
        if (m_obj) m_obj->JavaRemoveFromROT();
        m_obj.reset();
        ::CoUninitialize();
    }
    ULONG Refs() {
        m_obj->AddRef();
        return m_obj->Release();
    }
    mv::com_ptr<IMvJavaCpp> m_obj;
};

TEST_F(MainObject, AnswersItsInterfacesAsOneObject) {
    mv::com_ptr<IDispatch> dispatch;
    ASSERT_EQ(m_obj.query(dispatch), S_OK);
    EXPECT_EQ(static_cast<void*>(dispatch.get()), static_cast<void*>(m_obj.get())) << "the dual interface";
    mv::com_ptr<IUnknown> unknown1, unknown2;
    ASSERT_EQ(m_obj.query(unknown1), S_OK);
    ASSERT_EQ(dispatch.query(unknown2), S_OK);
    EXPECT_EQ(unknown1.get(), unknown2.get());
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(m_obj->QueryInterface(IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(m_obj->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    // Marshalled free-threaded: the aggregated marshaler answers for the object.
    mv::com_ptr<IMarshal> marshal;
    ASSERT_EQ(m_obj.query(marshal), S_OK);
    CLSID unmarshaler{};
    ASSERT_EQ(marshal->GetUnmarshalClass(IID_IMvJavaCpp, m_obj.get(), MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL,
                                         &unmarshaler), S_OK);
    EXPECT_NE(unmarshaler, CLSID_StdMarshal);
    EXPECT_TRUE(SameObject(marshal.get(), m_obj.get()));
}

TEST_F(MainObject, HoldsOneModuleLockWhileAlive) {
    const LONG before = mv::ModuleLockCount();
    auto copy = m_obj;
    m_obj.reset();
    EXPECT_EQ(mv::ModuleLockCount(), before);
    copy.reset();
    EXPECT_EQ(mv::ModuleLockCount(), before - 1);
}

TEST_F(MainObject, PublishesUnderTheProcessNameAndSetsTheReadyEvent) {
    // A waiter that created the event before the object published it is signalled too.
    mv::unique_handle waiter(::CreateEventW(nullptr, TRUE, FALSE, kOwnName.c_str()));
    EXPECT_EQ(::WaitForSingleObject(waiter.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL) << "nothing registered yet";
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    EXPECT_EQ(::WaitForSingleObject(waiter.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(SameObject(Take(GetJVMFromPid(::GetCurrentProcessId())).get(), m_obj.get()));
    EXPECT_EQ(m_obj->JavaAddToROT(), E_FAIL) << "already registered";

    ASSERT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), E_FAIL);
    EXPECT_FALSE(Take(GetJVMFromPid(::GetCurrentProcessId())));
    EXPECT_TRUE(EventSet()) << "removal leaves the event set";

    // Published again: found again, and the event is set again.
    ASSERT_TRUE(::ResetEvent(waiter.get()));
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    EXPECT_EQ(::WaitForSingleObject(waiter.get(), 0), WAIT_OBJECT_0);
    EXPECT_TRUE(SameObject(Take(GetJVMFromPid(::GetCurrentProcessId())).get(), m_obj.get()));
}

TEST_F(MainObject, ANameAlreadyRegisteredByAnotherObjectIsSharedWithItsSuccessCode) {
    mv::com_ptr<IBindCtx> other;  // any object that is not a main object
    ASSERT_EQ(::CreateBindCtx(0, other.put()), S_OK);
    TableEntry entry(kOwnName.c_str(), other.get());
    EXPECT_EQ(m_obj->JavaAddToROT(), MK_S_MONIKERALREADYREGISTERED);
    EXPECT_TRUE(EventSet());
    EXPECT_EQ(m_obj->JavaAddToROT(), E_FAIL) << "the cookie was kept";
    EXPECT_EQ(m_obj->JavaRemoveFromROT(), S_OK);
}

TEST_F(MainObject, TheTableKeepsAPublishedObjectAndEachLookupGivesTheCallerOneReference) {
    ASSERT_EQ(PublishedNames(), "") << "published by others";
    ASSERT_EQ(m_obj->JavaAddToROT(), S_OK);
    const ULONG before = Refs();
    IMvJavaCpp* byPid = GetJVMFromPid(::GetCurrentProcessId());
    IMvJavaCpp* first = GetRunningJVM();
    ASSERT_TRUE(byPid && first);
    EXPECT_EQ(Refs(), before + 2);
    byPid->Release();
    first->Release();
    EXPECT_EQ(Refs(), before);
    m_obj.reset();  // our reference gone; the table's remains
    auto found = Take(GetJVMFromPid(::GetCurrentProcessId()));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->JavaRemoveFromROT(), S_OK);
}

TEST_F(MainObject, LookupsOfNothingAnswerNullAndTellTheDebugger) {
    ASSERT_EQ(PublishedNames(), "") << "published by others";
    mv::test::DebugOutputCapture debug;
    EXPECT_EQ(GetJVMFromPid(0), nullptr);
    EXPECT_TRUE(debug.Messages().empty()) << "process id 0 is refused silently";
    EXPECT_EQ(GetJVMFromPid(::GetCurrentProcessId()), nullptr);
    DWORD pid = 12345;
    EXPECT_EQ(GetRunningJVMAndPid(&pid), nullptr);
    EXPECT_EQ(pid, 0u);
    EXPECT_EQ(GetRunningJVMAndPid(nullptr), nullptr);
    EXPECT_EQ(GetRunningJVM(), nullptr);
    const std::string first = "[GetRunningJVM] failed to get the running jvm object";
    EXPECT_EQ(debug.Messages(),
              (std::vector<std::string>{"[GetJVMFromPid] failed to get the running jvm object", first, first, first}));
    // Something that is not a main object under a process's name is not found either.
    mv::com_ptr<IBindCtx> other;
    ASSERT_EQ(::CreateBindCtx(0, other.put()), S_OK);
    TableEntry entry(L"MvJavaCOM:P4242", other.get());
    EXPECT_EQ(GetJVMFromPid(4242), nullptr);
    EXPECT_EQ(GetRunningJVMAndPid(&pid), nullptr);
}

TEST_F(MainObject, TheProcessIdIsReadFromTheNameOfTheFirstPublishedObject) {
    ASSERT_EQ(PublishedNames(), "") << "published by others";
    const struct {
        const wchar_t* name;
        DWORD byPid;       // a lookup by this id finds it (0: none)
        DWORD firstPid;    // GetRunningJVMAndPid's id
        bool firstFound;
    } names[] = {
        {L"MvJavaCOM:P42", 42, 42, true},           {L"MvJavaCOM:P-1", 0xFFFFFFFFu, 0xFFFFFFFFu, true},
        {L"MvJavaCOM:P12x", 0, 12, true},           {L"xMvJavaCOM:P  -7", 0, static_cast<DWORD>(-7), true},
        {L"MvJavaCOM-without-pid", 0, 0, true},     {L"MvJavaCOM:Px", 0, 0, true},
        {L"mvjavacom:P5", 0, 0, false},
    };
    for (const auto& row : names) {
        SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
        TableEntry entry(row.name, m_obj.get());
        if (row.byPid) {
            EXPECT_TRUE(SameObject(Take(GetJVMFromPid(row.byPid)).get(), m_obj.get()));
        }
        DWORD pid = 77;
        EXPECT_EQ(SameObject(Take(GetRunningJVMAndPid(&pid)).get(), m_obj.get()), row.firstFound);
        EXPECT_EQ(pid, row.firstPid);
    }
}

// How a 64-bit automation value carries a pointer or JNI reference on each target width.
TEST(PointerBits, ThirtyTwoBitBuildsReadTheLowHalfAndHandOutSignExtended) {
    EXPECT_EQ(mv::PointerFromCarrier<32>(0xDEADBEEF12345678ull), 0x12345678ull);
    EXPECT_EQ(mv::PointerFromCarrier<32>(0x0000000100000000ull), 0u) << "high bits alone mean null";
    EXPECT_EQ(mv::CarrierFromPointer<32>(0x7FFFFFFFull), 0x7FFFFFFFull);
    EXPECT_EQ(mv::CarrierFromPointer<32>(0x80000000ull), 0xFFFFFFFF80000000ull);
    for (std::uint64_t p : {0x1ull, 0x80000000ull, 0xFFFFFFFFull})
        EXPECT_EQ(mv::PointerFromCarrier<32>(mv::CarrierFromPointer<32>(p)), p);
    EXPECT_EQ(mv::PointerFromCarrier<64>(0xDEADBEEF12345678ull), 0xDEADBEEF12345678ull);
    EXPECT_EQ(mv::CarrierFromPointer<64>(0x0000000180000000ull), 0x0000000180000000ull);
}

}  // namespace
