// The class objects of the built DLL, reached through its DllGetClassObject as COM reaches
// them: one cached class object per class, the module lock count as DllCanUnloadNow reports
// it, creation stand-alone and aggregated, and the interface tables of both classes.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "loaded_module.h"

namespace {

using mv::com_ptr;

struct ClassCase {
    const char* name;
    const CLSID* clsid;
    const IID* mainInterface;
    bool aggregatesMarshaler;
};

const ClassCase kClasses[] = {
    {"MvJavaCpp", &CLSID_MvJavaCpp, &IID_IMvJavaCpp, true},
    {"JvmFinder", &CLSID_CJvmFinder, &IID_IJvmFinder, false},
};

HRESULT CanUnloadNow() { return mvtest::BuiltModule().DllCanUnloadNow(); }

HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return mvtest::BuiltModule().DllGetClassObject(clsid, iid, out);
}

// An object that aggregates one inner object: its own IUnknown, everything else from the inner.
// It lives on the stack, so its count is only watched, never acted on.
class TestOuter final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown) {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }

    LONG refs = 1;
    IUnknown* inner = nullptr;  // the aggregate's non-delegating unknown, owned by the test
};

class ClassObjects : public ::testing::TestWithParam<ClassCase> {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_NE(mvtest::BuiltModule().DllGetClassObject, nullptr) << "the built module did not load";
        ASSERT_EQ(CanUnloadNow(), S_OK) << "nothing of the module is held before the test";
    }
    void TearDown() override {
        EXPECT_EQ(CanUnloadNow(), S_OK) << "the test released everything, so no lock may be left";
        ::CoUninitialize();
    }

    const ClassCase& Class() const { return GetParam(); }
    com_ptr<IClassFactory> Factory() {
        com_ptr<IClassFactory> factory;
        EXPECT_EQ(GetClassObject(*Class().clsid, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }
};

TEST_P(ClassObjects, AreCreatedOnceAndHandedOutAgain) {
    com_ptr<IClassFactory> first = Factory();
    com_ptr<IUnknown> second;
    ASSERT_EQ(GetClassObject(*Class().clsid, IID_IUnknown, second.put_void()), S_OK);
    ASSERT_TRUE(first);
    EXPECT_EQ(static_cast<IUnknown*>(first.get()), second.get()) << "one class object per class";
    com_ptr<IClassFactory> viaQuery;
    ASSERT_EQ(second.query(viaQuery), S_OK);
    EXPECT_EQ(viaQuery.get(), first.get());
}

TEST_P(ClassObjects, KeepTheModuleLoadedWhileAClientHoldsOne) {
    com_ptr<IClassFactory> factory = Factory();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    com_ptr<IClassFactory> copy = factory;
    factory.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "one client reference is still out";
    copy.reset();
    EXPECT_EQ(CanUnloadNow(), S_OK) << "the class table's own reference does not hold the module";
}

TEST_P(ClassObjects, LockServerHoldsTheModuleUntilMatched) {
    com_ptr<IClassFactory> factory = Factory();
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "one LockServer(TRUE) is unmatched";
    factory = Factory();
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
}

TEST_P(ClassObjects, EveryInstanceHoldsTheModule) {
    com_ptr<IClassFactory> factory = Factory();
    com_ptr<IUnknown> first, second;
    ASSERT_EQ(factory->CreateInstance(nullptr, *Class().mainInterface, first.put_void()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, second.put_void()), S_OK);
    EXPECT_NE(first.get(), second.get());
    factory.reset();
    first.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the second instance is alive";
    second.reset();
}

TEST_P(ClassObjects, RefusedCreationsLeaveNothingBehind) {
    com_ptr<IClassFactory> factory = Factory();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, *Class().mainInterface, nullptr), E_POINTER);

    TestOuter outer;
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(&outer, *Class().mainInterface, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(outer.refs, 1) << "a refused aggregate never touches its outer object";
    // TearDown checks that no lock count leaked.
}

TEST_P(ClassObjects, AggregateThroughTheirOwnInnerUnknown) {
    TestOuter outer;
    {
        com_ptr<IClassFactory> factory = Factory();
        ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    }
    ASSERT_NE(outer.inner, nullptr);
    EXPECT_NE(outer.inner, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the aggregate is an instance";

    com_ptr<IUnknown> innerAgain;
    ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, innerAgain.put_void()), S_OK);
    EXPECT_EQ(innerAgain.get(), outer.inner) << "the inner unknown answers IUnknown with itself";
    innerAgain.reset();
    {
        com_ptr<IDispatch> itf;
        ASSERT_EQ(outer.QueryInterface(*Class().mainInterface, itf.put_void()), S_OK);
        EXPECT_EQ(outer.refs, 2) << "references to the class's interfaces count on the outer object";
        com_ptr<IUnknown> identity;
        ASSERT_EQ(itf.query(identity), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer)) << "the aggregate's identity is the outer's";
        EXPECT_EQ(outer.refs, 3);
    }
    EXPECT_EQ(outer.refs, 1);
    if (Class().aggregatesMarshaler) {
        com_ptr<IMarshal> marshal;
        EXPECT_EQ(outer.QueryInterface(IID_IMarshal, marshal.put_void()), S_OK)
            << "the free-threaded marshaler is aggregated into the controlling unknown";
    }
    outer.inner->Release();
    outer.inner = nullptr;
}

TEST_P(ClassObjects, InstancesAnswerTheirInterfaceTable) {
    com_ptr<IClassFactory> factory = Factory();
    com_ptr<IDispatch> main;
    ASSERT_EQ(factory->CreateInstance(nullptr, *Class().mainInterface, main.put_void()), S_OK);
    com_ptr<IDispatch> dispatch;
    ASSERT_EQ(main.query(dispatch), S_OK);
    EXPECT_EQ(dispatch.get(), main.get()) << "IDispatch is the dual interface's own pointer";
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(main.query(unknown), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(main.get())) << "the first entry answers IUnknown";

    com_ptr<IMarshal> marshal;
    const HRESULT hr = main.query(marshal);
    if (Class().aggregatesMarshaler) {
        ASSERT_EQ(hr, S_OK);
        CLSID unmarshaler{};
        ASSERT_EQ(marshal->GetUnmarshalClass(*Class().mainInterface, main.get(), MSHCTX_INPROC, nullptr,
                                             MSHLFLAGS_NORMAL, &unmarshaler), S_OK);
        EXPECT_NE(unmarshaler, CLSID_StdMarshal) << "in process the free-threaded marshaler passes the pointer";
    } else {
        EXPECT_EQ(hr, E_NOINTERFACE);
        EXPECT_FALSE(marshal);
    }
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(main->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(main->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

INSTANTIATE_TEST_SUITE_P(BothClasses, ClassObjects, ::testing::ValuesIn(kClasses),
                         [](const ::testing::TestParamInfo<ClassCase>& param) { return param.param.name; });

TEST(ClassObjectRequests, AnswerOnlyTheModulesClassesAndInterfaces) {
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ASSERT_NE(mvtest::BuiltModule().DllGetClassObject, nullptr);
    EXPECT_EQ(GetClassObject(CLSID_MvJavaCpp, IID_IClassFactory, nullptr), E_POINTER);

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(CLSID_StdGlobalInterfaceTable, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(CLSID_CJvmFinder, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(CanUnloadNow(), S_OK) << "the refused request left only the class table's reference";
    ::CoUninitialize();
}

}  // namespace
