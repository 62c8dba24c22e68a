// The AWT event hook driven from another process: AddAWTEventListener and
// RemoveAWTEventListener change what the hook in the Java application listens for, as the hook
// itself reports, and only while it listens do the application's events reach it.

#include <windows.h>

#include "awt_test.h"
#include "common/com/bstr.h"
#include "java_statics.h"

namespace mv::test {
namespace {

constexpr LONG kComponentEvents = 1;  // java.awt.AWTEvent.COMPONENT_EVENT_MASK

class EventHook : public AwtTest {
protected:
    void SetUp() override {
        AwtTest::SetUp();
        if (HasFatalFailure()) return;
        UINT64 hook = 0;
        ASSERT_EQ(jvm()->GetMorvaneAWTHook(&hook), S_OK);
        ASSERT_NE(hook, 0u);
        m_hook = JavaHandle(jvm(), hook);
    }

    LONGLONG ListenedMask() {
        LONGLONG mask = -1;
        EXPECT_EQ(jvm()->CallLongMethod(m_hook.get(), Name(L"getListenedMask").get(), Name(L"()J").get(), None(), &mask),
                  S_OK);
        return mask;
    }
    LONG EventCount() {
        LONG count = -1;
        EXPECT_EQ(jvm()->CallIntMethod(m_hook.get(), Name(L"getEventCount").get(), Name(L"()I").get(), None(), &count),
                  S_OK);
        return count;
    }
    void ResetEventCount() {
        EXPECT_EQ(jvm()->CallVoidMethod(m_hook.get(), Name(L"resetEventCount").get(), Name(L"()V").get(), None()), S_OK);
    }
    // Two nudges: the events of the first are dispatched before the second one runs on the
    // event thread, so they have reached any listener when this returns.
    void NudgeTheApplication(JavaStatics& app) {
        app.Call(L"nudge");
        app.Call(L"nudge");
    }

    static unique_bstr Name(const wchar_t* text) { return unique_bstr(::SysAllocString(text)); }
    static VARIANT None() {
        VARIANT none;
        ::VariantInit(&none);
        return none;
    }

    JavaHandle m_hook;
};

TEST_F(EventHook, AddingAndRemovingAListenerChangesWhatTheHookReceives) {
    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(app.loaded());
    ASSERT_EQ(ListenedMask(), 0) << "nothing should be listened for before the test";

    ASSERT_EQ(jvm()->AddAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(ListenedMask() & kComponentEvents, kComponentEvents);
    ResetEventCount();
    NudgeTheApplication(app);
    EXPECT_GT(EventCount(), 0) << "component events should reach the hook while it listens";

    ASSERT_EQ(jvm()->RemoveAWTEventListener(kComponentEvents), S_OK);
    EXPECT_EQ(ListenedMask() & kComponentEvents, 0);
    ResetEventCount();
    NudgeTheApplication(app);
    EXPECT_EQ(EventCount(), 0) << "no events after the listener was removed";
}

TEST_F(EventHook, EachHookHandleIsTheClientsOwnReferenceToTheSameHook) {
    UINT64 second = 0;
    ASSERT_EQ(jvm()->GetMorvaneAWTHook(&second), S_OK);
    const JavaHandle secondHook(jvm(), second);
    EXPECT_NE(second, m_hook.get());
    VARIANT_BOOL same = VARIANT_FALSE;
    ASSERT_EQ(jvm()->IsSameJavaObject(m_hook.get(), second, &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
    unique_bstr cls;
    ASSERT_EQ(jvm()->GetJavaClassName(second, cls.put()), S_OK);
    EXPECT_EQ(cls.view(), L"com.morvane.MorvaneAWTHook");
}

}  // namespace
}  // namespace mv::test
