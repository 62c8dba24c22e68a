// Random 64-bit handles where they cannot reach JNI: a main object of the registered module whose
// JVM was never saved, and component objects that have no bridge. A random value handed to JNI
// would be a wild pointer to the JVM (JNI cannot check a reference), so only these paths take
// truly random handles; the rounds with a JVM use zero and real handles of the wrong kind.

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "MvJavaJniComRot_h.h"
#include "awt/component_objects.h"
#include "call_members.h"
#include "common/com/com_ptr.h"
#include "host_process.h"
#include "hostile_rounds.h"

namespace mv::test {
namespace {

UINT64 RandomHandle(RandomSource& random) {
    UINT64 h = random.Bits();
    if (random.Chance(20)) h &= 0xFFFFFFFFull;           // 32-bit shaped
    if (random.Chance(10)) h |= 0xFFFFFFFF00000000ull;   // sign-extended shape
    return h ? h : 1;
}

class HostileWithoutJvm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_registration = std::make_unique<ModuleRegistration>();
    }
    static void TearDownTestSuite() {
        s_registration.reset();
        ::CoUninitialize();
    }
    void SetUp() override {
        ASSERT_EQ(s_registration->result(), S_OK) << "DllRegisterServer";
        ASSERT_EQ(::CoCreateInstance(CLSID_MvJavaCpp, nullptr, CLSCTX_INPROC_SERVER, IID_IMvJavaCpp, m_jvm.put_void()), S_OK);
        m_settings = ReadHostileSettings(120);
        m_random = std::make_unique<RandomSource>(m_settings.seed);
    }

    static std::unique_ptr<ModuleRegistration> s_registration;
    com_ptr<IMvJavaCpp> m_jvm;
    HostileSettings m_settings{};
    std::unique_ptr<RandomSource> m_random;
    HresultTally m_tally;
};
std::unique_ptr<ModuleRegistration> HostileWithoutJvm::s_registration;

TEST_F(HostileWithoutJvm, RandomHandlesFailWithoutTouchingAnything) {
    RandomSource& random = *m_random;
    VariantGenerator generator(random, {});
    for (int round = 0; round < m_settings.rounds; ++round) {
        const UINT64 h = RandomHandle(random);
        const unique_bstr name = Bstr(random.JunkName()), sig = Bstr(random.JunkSignature());
        VariantArena arena;
        unique_variant params;
        generator.Any(*params.get_mutable(), arena, 2);
        const auto group = static_cast<CallGroup>(random.Between(0, 2));
        const auto kind = static_cast<ResultKind>(random.Between(0, 10));
        const CallResult r = InvokeCall(m_jvm.get(), {group, kind, h, name.get(), name.get(), sig.get()}, params.get());
        const std::string member = CallMemberName(group, kind);
        EXPECT_TRUE(m_tally.Record(member, r.hr, kCallCodes));
        EXPECT_EQ(r.hr, E_FAIL) << member << " of 0x" << std::hex << h;
        EXPECT_TRUE(r.OutputsUntouched()) << member;

        UINT64 out = 0;
        HRESULT hr = m_jvm->NewGlobalRef(h, &out);
        EXPECT_TRUE(m_tally.Record("NewGlobalRef", hr, kHandleCodes));
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_EQ(out, 0u);
        EXPECT_EQ(m_jvm->NewGlobalRef(h, nullptr), E_INVALIDARG);
        EXPECT_EQ(m_jvm->GetClassByName(name.get(), nullptr), E_INVALIDARG);

        com_ptr<IDispatch> component;
        hr = m_jvm->MakeJComponentFromHandle(h, component.put());
        EXPECT_TRUE(m_tally.Record("MakeJComponentFromHandle", hr, kComponentCodes));
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_FALSE(component);

        hr = m_jvm->DeleteJavaObject(h);
        EXPECT_TRUE(m_tally.Record("DeleteJavaObject", hr, kHandleCodes));
        EXPECT_EQ(hr, E_FAIL);
        VARIANT_BOOL same = 0;
        EXPECT_EQ(m_jvm->IsSameJavaObject(h, RandomHandle(random), &same), E_FAIL);
        EXPECT_EQ(m_jvm->IsInstanceOf(h, name.get(), &same), E_FAIL);
        EXPECT_EQ(same, 0);
        LONG value = 0;
        EXPECT_EQ(m_jvm->GetIntField(h, name.get(), &value), E_FAIL);
        EXPECT_EQ(m_jvm->SetIntField(h, name.get(), 5), E_FAIL);
        EXPECT_EQ(m_jvm->GetJavaArrayLength(h, &value), E_FAIL);
        EXPECT_EQ(value, 0);
        unique_bstr text;
        EXPECT_EQ(m_jvm->GetJavaString(h, text.put()), E_FAIL);
        EXPECT_EQ(m_jvm->ObjectToString(h, text.put()), E_FAIL);
        EXPECT_FALSE(text);
        hr = m_jvm->SetJavaPrimitiveArray(h, static_cast<JavaTypes>(random.Between(-1, 9)), params.get());
        EXPECT_TRUE(m_tally.Record("SetJavaPrimitiveArray", hr, kArrayCodes));
        EXPECT_EQ(hr, E_FAIL);
        unique_variant array;
        EXPECT_EQ(m_jvm->GetJavaObjectArray(h, array.put()), E_FAIL);
        EXPECT_EQ(array.type(), VT_EMPTY);

        // Members that take a window handle or plain numbers: a random window is no window.
        GetHWNDResultInfo info = ResultOK;
        com_ptr<IDispatch> found;
        hr = m_jvm->GetComponentFromHwnd(static_cast<ULONG>(h), &info, found.put());
        EXPECT_TRUE(m_tally.Record("GetComponentFromHwnd", hr, kComponentCodes)) << std::hex << hr;
        EXPECT_NE(hr, S_OK) << "window 0x" << std::hex << static_cast<ULONG>(h);
        EXPECT_FALSE(found);
        hr = m_jvm->AddAWTEventListener(static_cast<LONG>(h));
        EXPECT_TRUE(m_tally.Record("AddAWTEventListener", hr, kComponentCodes));
        EXPECT_NE(hr, S_OK);
        hr = m_jvm->RemoveAWTEventListener(static_cast<LONG>(h));
        EXPECT_TRUE(m_tally.Record("RemoveAWTEventListener", hr, kComponentCodes));
        EXPECT_NE(hr, S_OK);
        UINT64 hook = 0;
        EXPECT_EQ(m_jvm->GetMorvaneAWTHook(&hook), E_FAIL);
        EXPECT_EQ(hook, 0u);
        if (HasFailure()) break;
    }
    m_tally.Print("no-jvm", m_settings.seed, m_settings.rounds);
}

// A component object with no bridge has nothing to reach Java with: every member must fail
// cleanly, and its last release must not try to delete its handle through the missing bridge.
TEST_F(HostileWithoutJvm, ComponentObjectsWithoutABridge) {
    RandomSource& random = *m_random;
    for (int round = 0; round < 20; ++round) {
        const UINT64 h = RandomHandle(random);
        EXPECT_EQ(CreateJComponent(nullptr, h), nullptr);
        com_ptr<IJAwtWindow> window;
        window.attach(CreateJWindow(nullptr, h));
        ASSERT_TRUE(window) << "a window object is made for any handle";
        SAFEARRAY* owned = nullptr;
        EXPECT_NE(window->GetOwnedWindows(&owned), S_OK);
        EXPECT_EQ(owned, nullptr);
        GetHWNDResultInfo info = ResultOK;
        ULONG hwnd = 0;
        const HRESULT hwndResult = window->GetHWND(&info, &hwnd);
        EXPECT_NE(hwndResult, S_OK);
        EXPECT_EQ(hwnd, 0u);
        com_ptr<IJAwtComponent> component = window.try_query<IJAwtComponent>();
        ASSERT_TRUE(component);
        unique_bstr text;
        EXPECT_NE(component->GetComponentClass(text.put()), S_OK);
        VARIANT_BOOL ok = VARIANT_FALSE;
        const HRESULT attribute = component->GetAttribute(Bstr(L"name").get(), text.put(), &ok);
        EXPECT_TRUE(FAILED(attribute) || ok == VARIANT_FALSE) << std::hex << attribute;
        EXPECT_FALSE(text);
        POINTL pos{};
        SIZE size{};
        ok = VARIANT_FALSE;
        const HRESULT bounds = component->GetBounds(&pos, &size, &ok);
        EXPECT_TRUE(FAILED(bounds) || ok == VARIANT_FALSE) << std::hex << bounds;
        EXPECT_EQ(pos.x, 0);
        EXPECT_EQ(size.cx, 0);
        EXPECT_NE(component->DoClick(), S_OK);
        com_ptr<IDispatch> container;
        EXPECT_NE(component->GetContainer(container.put()), S_OK);
        EXPECT_FALSE(container);
        com_ptr<IJObject> object = window.try_query<IJObject>();
        ASSERT_TRUE(object);
        EXPECT_NE(object->GetClass(text.put()), S_OK);
        com_ptr<IJAwtContainer> children = window.try_query<IJAwtContainer>();
        ASSERT_TRUE(children) << "a window is a container";
        SAFEARRAY* list = nullptr;
        EXPECT_NE(children->GetChildComponents(&list), S_OK);
        EXPECT_EQ(list, nullptr);
    }
}

}  // namespace
}  // namespace mv::test
