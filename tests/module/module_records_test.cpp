// The module's records in process (mv_core linked into this program), for what the DLL's
// exports do not show: the load and unload order around the classes, termination callbacks,
// lazy class-object creation under concurrent requests, the global interface table, the
// common registry replacements, and type information read from the module's own file.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "module/com_module_record.h"
#include "module/com_server_module.h"
#include "module/registry_script/registry_script_processor.h"
#include "module/type_info_cache.h"

namespace {

using mv::com_ptr;

std::vector<std::string> g_events;

void RecordEvent(void* text) noexcept { g_events.emplace_back(static_cast<const char*>(text)); }

// A class object that only counts its references (static: the table's functions are plain).
class CountedObject final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    std::atomic<LONG> refs{0};
};

CountedObject g_classObject;
std::atomic<int> g_classObjectsMade{0};

HRESULT MakeCountedClassObject(mv::CreatorFunction, REFIID iid, void** out) noexcept {
    ++g_classObjectsMade;
    ::Sleep(20);  // a window for concurrent first requests
    return g_classObject.QueryInterface(iid, out);
}
HRESULT MakeNothing(mv::CreatorFunction, REFIID, void** out) noexcept {
    *out = nullptr;
    return S_OK;
}
HRESULT NoInstance(IUnknown*, REFIID, void** out) noexcept {
    *out = nullptr;
    return E_NOTIMPL;
}
void ClassAMain(bool starting) noexcept { g_events.emplace_back(starting ? "A loaded" : "A unloaded"); }
void ClassBMain(bool starting) noexcept { g_events.emplace_back(starting ? "B loaded" : "B unloaded"); }

const CLSID kClassA = {0x11111111, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
const CLSID kClassB = {0x22222222, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
const CLSID kClassC = {0x33333333, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

mv::ObjectMapEntry TestEntry(const CLSID& clsid, decltype(mv::ObjectMapEntry::getClassObject) getClassObject,
                             void (*objectMain)(bool) noexcept) {
    return {&clsid, nullptr, getClassObject, &NoInstance, {nullptr}, nullptr, nullptr, objectMain};
}

TEST(ServerModuleLifetime, TellsTheClassesAroundTheTerminationCallbacks) {
    g_events.clear();
    mv::ObjectMapEntry table[] = {TestEntry(kClassA, &MakeNothing, &ClassAMain),
                                  TestEntry(kClassB, &MakeNothing, &ClassBMain)};
    mv::ComModuleRecord com(nullptr, mv::ClassTable(std::begin(table), std::end(table)));
    {
        mv::CComServerModule module(com, LIBID_MvJavaJniComRotLib);
        EXPECT_EQ(g_events, (std::vector<std::string>{"A loaded", "B loaded"}));
        static char first[] = "first callback", second[] = "second callback";
        ASSERT_EQ(module.AddTerminationCallback(&RecordEvent, first), S_OK);
        ASSERT_EQ(module.AddTerminationCallback(&RecordEvent, second), S_OK);
        EXPECT_EQ(module.AddTerminationCallback(nullptr, first), E_INVALIDARG);
    }
    EXPECT_EQ(g_events, (std::vector<std::string>{"A loaded", "B loaded", "A unloaded", "B unloaded",
                                                  "second callback", "first callback"}))
        << "the classes hear of the unload first, then the newest callback runs first";
}

TEST(ServerModuleLifetime, TerminatesOnlyOnce) {
    g_events.clear();
    mv::ObjectMapEntry table[] = {TestEntry(kClassA, &MakeNothing, &ClassAMain)};
    mv::ComModuleRecord com(nullptr, mv::ClassTable(std::begin(table), std::end(table)));
    mv::CComServerModule module(com, LIBID_MvJavaJniComRotLib);
    static char once[] = "callback";
    ASSERT_EQ(module.AddTerminationCallback(&RecordEvent, once), S_OK);
    module.Term();
    module.Term();
    EXPECT_EQ(g_events, (std::vector<std::string>{"A loaded", "callback"}));
    EXPECT_EQ(module.StaticDataLock().lock(), E_UNEXPECTED) << "its lock is gone with it";
}

// Records the replacements a registry script would receive.
class RecordedReplacements final : public mv::IRegistryReplacements {
public:
    STDMETHODIMP QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR name, LPCOLESTR value) override {
        pairs.emplace_back(name, value);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearReplacements() override {
        pairs.clear();
        return S_OK;
    }
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
};

class ServerModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)); }
    void TearDown() override { ::CoUninitialize(); }

    mv::ComModuleRecord m_com{nullptr, mv::ClassTable(nullptr, nullptr)};
};

TEST_F(ServerModule, CountsLocksAtomically) {
    mv::CComServerModule module(m_com, LIBID_MvJavaJniComRotLib);
    EXPECT_EQ(module.GetLockCount(), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&module] {
            for (int i = 0; i < 1000; ++i) module.Lock();
            for (int i = 0; i < 999; ++i) module.Unlock();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(module.GetLockCount(), 4);
    EXPECT_EQ(module.Lock(), 5) << "Lock answers the new count";
    EXPECT_EQ(module.Unlock(), 4);
}

TEST_F(ServerModule, GivesEveryScriptTheAppId) {
    mv::CComServerModule module(m_com, LIBID_MvJavaJniComRotLib);
    RecordedReplacements replacements;
    ASSERT_EQ(module.AddCommonReplacements(&replacements), S_OK);
    EXPECT_EQ(replacements.pairs, (std::vector<std::pair<std::wstring, std::wstring>>{
                                      {L"APPID", L"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}"}}));
    EXPECT_EQ(module.AddCommonReplacements(nullptr), E_INVALIDARG);
}

TEST_F(ServerModule, MakesOneGlobalInterfaceTableOnRequest) {
    mv::CComServerModule module(m_com, LIBID_MvJavaJniComRotLib);
    EXPECT_EQ(module.GetGlobalInterfaceTable(nullptr), E_POINTER);
    com_ptr<IGlobalInterfaceTable> first, second;
    ASSERT_EQ(module.GetGlobalInterfaceTable(first.put()), S_OK);
    ASSERT_EQ(module.GetGlobalInterfaceTable(second.put()), S_OK);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.get(), second.get());
    CountedObject object;
    DWORD cookie = 0;
    ASSERT_EQ(first->RegisterInterfaceInGlobal(&object, IID_IUnknown, &cookie), S_OK);
    EXPECT_EQ(first->RevokeInterfaceFromGlobal(cookie), S_OK);
}

TEST(ComModuleRecordTest, CreatesAClassObjectOnceForConcurrentRequests) {
    g_classObjectsMade = 0;
    mv::ObjectMapEntry table[] = {TestEntry(kClassA, nullptr, nullptr), TestEntry(kClassB, &MakeCountedClassObject, nullptr),
                                  TestEntry(kClassC, &MakeNothing, nullptr)};
    mv::ComModuleRecord com(nullptr, mv::ClassTable(std::begin(table), std::end(table)));

    std::vector<std::thread> threads;
    std::vector<IUnknown*> handedOut(6, nullptr);
    for (std::size_t t = 0; t < handedOut.size(); ++t) {
        threads.emplace_back([&com, &handedOut, t] {
            EXPECT_EQ(com.GetClassObject(kClassB, IID_IUnknown, reinterpret_cast<void**>(&handedOut[t])), S_OK);
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(g_classObjectsMade, 1);
    for (IUnknown* object : handedOut) EXPECT_EQ(object, static_cast<IUnknown*>(&g_classObject));
    EXPECT_EQ(g_classObject.refs, 7) << "the table's reference and six handed out";
    for (IUnknown* object : handedOut) object->Release();

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(com.GetClassObject(kClassA, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE)
        << "a row without a class-object function is passed over";
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(com.GetClassObject(kClassC, IID_IUnknown, &out), CLASS_E_CLASSNOTAVAILABLE)
        << "a class-object function that made nothing";

    com.Term();
    EXPECT_EQ(g_classObject.refs, 0) << "termination releases the table's reference";
    EXPECT_EQ(com.GetClassObject(kClassB, IID_IUnknown, &out), E_UNEXPECTED);
    EXPECT_EQ(g_classObjectsMade, 1);
}

// Records with version 0xFFFF.0xFFFF read the module's own file: this program embeds the type
// library as its TYPELIB 1 and never registers it. Constant-initialised like the module's own.
mv::TypeInfoCache g_finderFromFile{IID_IJvmFinder, LIBID_MvJavaJniComRotLib, 0xFFFF, 0xFFFF};
mv::TypeInfoCache g_notInTheLibrary{IID_IClassFactory, LIBID_MvJavaJniComRotLib, 0xFFFF, 0xFFFF};
mv::TypeInfoCache g_otherLibrary{IID_IJvmFinder, IID_IUnknown, 0xFFFF, 0xFFFF};

TEST(TypeInfoFromModuleFile, LoadsTheEmbeddedLibraryWithoutRegistration) {
    std::vector<LPOLESTR> names = {const_cast<LPOLESTR>(L"GetJvmFromProcess")};
    DISPID id = 0;
    ASSERT_EQ(g_finderFromFile.GetIDsOfNames(names.data(), 1, 0, &id), S_OK);
    EXPECT_EQ(id, 80);

    mv::TypeInfoCache::ReleaseTypeInfo(&g_finderFromFile);
    com_ptr<ITypeInfo> info;
    EXPECT_EQ(g_finderFromFile.GetTypeInfo(0, info.put()), S_OK) << "a released record loads anew";

    ITypeInfo* none = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(g_notInTheLibrary.GetTypeInfo(0, &none), TYPE_E_ELEMENTNOTFOUND);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(g_otherLibrary.GetTypeInfo(0, &none), TYPE_E_LIBNOTREGISTERED)
        << "only the module's own library is read from its file";
}

}  // namespace
