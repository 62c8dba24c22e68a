// The built DLL loaded as COM loads it, nothing registered: the class objects of DllGetClassObject, the lock
// count DllCanUnloadNow reports, creation stand-alone and aggregated, the interface tables of both classes;
// on i686, the calling convention of each export with arguments.

#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "wine_path.h"

namespace {

using mv::com_ptr;

void* Export(const char* name) {  // the module is loaded once and kept: COM may hold its objects
    static const HMODULE module = ::LoadLibraryW(mv::test::WindowsPathOfUnixPath(MV_MODULE_PATH).c_str());
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(Export("DllGetClassObject"))(
        clsid, iid, out);
}
HRESULT CanUnloadNow() { return reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(Export("DllCanUnloadNow"))(); }

template <typename Work>
void OnFourThreads(Work work) {
    std::vector<std::thread> threads(4);
    for (std::thread& thread : threads) thread = std::thread(work);
    for (std::thread& thread : threads) thread.join();
}

// An outer object on the stack (its count only watched): its own IUnknown, everything else from the inner.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown) return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
    LONG refs = 1;
    IUnknown* inner = nullptr;  // the aggregate's own unknown, released by the test
};

struct ClassCase {
    const char* name;
    const CLSID* clsid;
    const IID* main;
    bool freeThreadedMarshaler;
};

class ClassObjects : public ::testing::TestWithParam<ClassCase> {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        ASSERT_NE(Export("DllGetClassObject"), nullptr) << "the module did not load";
        ASSERT_EQ(CanUnloadNow(), S_OK) << "nothing of the module is held before the test";
    }
    void TearDown() override {
        EXPECT_EQ(CanUnloadNow(), S_OK) << "everything is released, so no lock may be left";
        ::CoUninitialize();
    }
    const ClassCase& Class() const { return GetParam(); }
    com_ptr<IClassFactory> Factory() const {
        com_ptr<IClassFactory> factory;
        EXPECT_EQ(GetClassObject(*Class().clsid, IID_IClassFactory, factory.put_void()), S_OK);
        return factory;
    }
};

// The first test of each class, so that concurrent requests meet a class object not yet made.
TEST_P(ClassObjects, AreMadeOnceAndHoldTheModuleWithLockServerAndInstances) {
    std::vector<com_ptr<IClassFactory>> factories(4);
    std::atomic<size_t> next{0};
    OnFourThreads([&] { factories[next++] = Factory(); });
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(GetClassObject(*Class().clsid, IID_IUnknown, unknown.put_void()), S_OK);
    for (const auto& factory : factories) EXPECT_EQ(static_cast<IUnknown*>(factory.get()), unknown.get());
    factories.clear();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "a client holds the class object";
    unknown.reset();
    EXPECT_EQ(CanUnloadNow(), S_OK) << "the class table's own reference does not hold the module";

    com_ptr<IClassFactory> factory = Factory();
    OnFourThreads([&] { for (int i = 0; i < 250; ++i) factory->LockServer(TRUE); });
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    OnFourThreads([&] { for (int i = 0; i < 250; ++i) factory->LockServer(FALSE); });
    factory.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "one LockServer(TRUE) is unmatched";
    factory = Factory();
    com_ptr<IUnknown> first, second;
    ASSERT_EQ(factory->CreateInstance(nullptr, *Class().main, first.put_void()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, second.put_void()), S_OK);
    EXPECT_NE(first.get(), second.get());
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    first.reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the second instance is alive";
}

TEST_P(ClassObjects, RefuseWhatTheyDoNotServeAndAnswerTheirInterfaceTable) {
    void* out = &out;
    EXPECT_EQ(GetClassObject(*Class().clsid, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(GetClassObject(*Class().clsid, IID_IPersist, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(GetClassObject(CLSID_StdGlobalInterfaceTable, IID_IClassFactory, &(out = &out)),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    com_ptr<IClassFactory> factory = Factory();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, &(out = &out)), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, *Class().main, nullptr), E_POINTER);
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDispatch, &(out = &out)), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(&outer, *Class().main, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(outer.refs, 1) << "a refused aggregate never touches its outer object";

    com_ptr<IDispatch> main;
    ASSERT_EQ(factory->CreateInstance(nullptr, *Class().main, main.put_void()), S_OK);
    com_ptr<IDispatch> dispatch;
    com_ptr<IUnknown> unknown;
    ASSERT_EQ(main.query(dispatch), S_OK);
    ASSERT_EQ(main.query(unknown), S_OK);
    EXPECT_EQ(dispatch.get(), main.get()) << "IDispatch is the dual interface's own pointer";
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(main.get())) << "the first entry is IUnknown";
    com_ptr<IMarshal> marshal;
    ASSERT_EQ(main.query(marshal), Class().freeThreadedMarshaler ? S_OK : E_NOINTERFACE);
    CLSID unmarshaler = CLSID_StdMarshal;
    if (marshal) marshal->GetUnmarshalClass(*Class().main, main.get(), MSHCTX_INPROC, nullptr, 0, &unmarshaler);
    EXPECT_EQ(unmarshaler != CLSID_StdMarshal, Class().freeThreadedMarshaler) << "in process the pointer passes";
    EXPECT_EQ(main->QueryInterface(IID_IClassFactory, &(out = &out)), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(main->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_P(ClassObjects, AggregateThroughTheirOwnInnerUnknown) {
    Outer outer;
    ASSERT_EQ(Factory()->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    ASSERT_NE(outer.inner, nullptr);
    EXPECT_NE(outer.inner, static_cast<IUnknown*>(&outer));
    EXPECT_EQ(CanUnloadNow(), S_FALSE) << "the aggregate is an instance";
    {
        com_ptr<IUnknown> innerAgain, identity;
        ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, innerAgain.put_void()), S_OK);
        EXPECT_EQ(innerAgain.get(), outer.inner) << "the inner unknown answers IUnknown with itself";
        com_ptr<IDispatch> itf;
        ASSERT_EQ(outer.QueryInterface(*Class().main, itf.put_void()), S_OK);
        EXPECT_EQ(outer.refs, 2) << "references to the class's interfaces count on the outer object";
        ASSERT_EQ(itf.query(identity), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(&outer)) << "the aggregate's identity is the outer's";
        com_ptr<IMarshal> marshal;
        EXPECT_EQ(outer.QueryInterface(IID_IMarshal, marshal.put_void()),
                  Class().freeThreadedMarshaler ? S_OK : E_NOINTERFACE);
    }
    EXPECT_EQ(outer.refs, 1);
    outer.inner->Release();
}

#ifdef __i386__
// Calls function(a, b, c) without taking the arguments off the stack itself; *taken: how many bytes the
// callee took (a __cdecl function none, a __stdcall one its own).
extern "C" std::uint32_t CallMeasuringStack(void* function, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                            std::uint32_t* taken);
asm(".globl _CallMeasuringStack\n_CallMeasuringStack:\n pushl %ebp\n movl %esp, %ebp\n pushl 20(%ebp)\n"
    " pushl 16(%ebp)\n pushl 12(%ebp)\n call *8(%ebp)\n leal 12(%esp), %ecx\n subl %ebp, %ecx\n"
    " movl 24(%ebp), %edx\n movl %ecx, (%edx)\n movl %ebp, %esp\n popl %ebp\n ret\n");
std::uint32_t Word(const void* pointer) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)); }
#endif

// Exports called through GetProcAddress as declared (DllGetClassObject __stdcall, lookups __cdecl): results, stack.
TEST(Exports, TakeTheirArgumentsOffTheStackAsDeclared) {
#ifndef __i386__
    GTEST_SKIP() << "x86_64 has one calling convention";
#else
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    IUnknown* factory = nullptr;
    DWORD pid = 0;
    std::uint32_t taken = 0;
    EXPECT_EQ(CallMeasuringStack(Export("DllGetClassObject"), Word(&CLSID_MvJavaCpp), Word(&IID_IClassFactory),
                                 Word(&factory), &taken), std::uint32_t(S_OK));
    EXPECT_EQ(taken, 12u);
    ASSERT_NE(factory, nullptr);
    factory->Release();
    EXPECT_EQ(CallMeasuringStack(Export("GetJVMFromPid"), 0xFFFFFFF0u, 0, 0, &taken), 0u) << "no such process";
    EXPECT_EQ(taken, 0u);
    const std::uint32_t first = CallMeasuringStack(Export("GetRunningJVMAndPid"), Word(&pid), 0, 0, &taken);
    EXPECT_EQ(taken, 0u);
    EXPECT_EQ(first != 0, pid != 0) << "another program's host, or none";
    const std::uint32_t any = CallMeasuringStack(Export("GetRunningJVM"), 0, 0, 0, &taken);
    EXPECT_EQ(taken, 0u);
    for (const std::uint32_t object : {first, any})
        if (object) reinterpret_cast<IUnknown*>(static_cast<std::uintptr_t>(object))->Release();
#endif
}

const ClassCase kClasses[] = {{"MvJavaCpp", &CLSID_MvJavaCpp, &IID_IMvJavaCpp, true},
                              {"JvmFinder", &CLSID_CJvmFinder, &IID_IJvmFinder, false}};
INSTANTIATE_TEST_SUITE_P(BothClasses, ClassObjects, ::testing::ValuesIn(kClasses),
                         [](const ::testing::TestParamInfo<ClassCase>& param) { return param.param.name; });

}  // namespace
