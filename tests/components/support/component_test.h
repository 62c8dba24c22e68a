#pragma once
// Fixture of the component-model tests: the bridge against a real JVM with the hook library on the
// class path, Java AWT/Swing objects built through JNI, the event-queue monitor's top-level list set by
// the test (the monitor is never started), and native windows of this process to match against.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "bridge_test.h"
#include "common/com/com_ptr.h"

namespace mv::test {

class ComponentTest : public BridgeTest {
protected:
    static void SetUpTestSuite() { StartJvm(true); }
    static void StartJvm(bool checkJni);
    void SetUp() override;     // installs a hook object in MorvaneAWTEventListener.app
    void TearDown() override;  // disposes the test's windows and empties the top-level list

    // A new object through the constructor `signature` (a handle owned by the test).
    UINT64 New(const char* className, const char* signature = "()V", std::initializer_list<jvalue> args = {});
    UINT64 NewWithText(const char* className, const char* text);
    UINT64 NewWindow(const char* className, int x, int y, int w, int h);  // disposed after the test
    UINT64 TrackWindow(UINT64 window) { return m_windows.push_back(window), window; }
    UINT64 NewPanel(const char* className, int x, int y, int w, int h);  // no layout manager
    void Place(UINT64 container, UINT64 child, int x, int y, int w, int h);

    void CallVoid(UINT64 object, const char* name, const char* signature, std::initializer_list<jvalue> args = {});
    std::string CallText(UINT64 object, const char* name);  // a ()Ljava/lang/String; method
    jboolean CallFlag(UINT64 object, const char* name);     // a ()Z method
    void ClearStringField(UINT64 object, const char* declaringClass, const char* name);
    void ListTopLevel(UINT64 window);  // appends to the monitor's list
    void SetHookInstalled(bool installed);

    // MakeJComponentFromHandle on `handle`, asked for interface I (null when not answered).
    template <typename I>
    com_ptr<I> Component(UINT64 handle) {
        com_ptr<IDispatch> object;
        EXPECT_EQ(bridge()->MakeJComponentFromHandle(handle, object.put()), S_OK);
        return object.try_query<I>();
    }
    bool StandsFor(IUnknown* object, UINT64 handle);  // `object` stands for the Java object `handle`

    static jvalue Int(jint value) { jvalue v{}; v.i = value; return v; }
    static jvalue Ref(jobject value) { jvalue v{}; v.l = value; return v; }

private:
    jmethodID MethodOf(UINT64 object, const char* name, const char* signature);
    void CheckNoException(const char* what);  // a pending Java exception fails the test and is cleared
    void StaticMonitorCall(const char* name, UINT64 window);
    std::vector<UINT64> m_windows;
};

// Swing components that draw text or are shown: the JDK's font code makes JNI calls that
// -Xcheck:jni reports, so these suites run their JVM without the check.
class DrawingComponentTest : public ComponentTest {
protected:
    static void SetUpTestSuite() { StartJvm(false); }
};

// A native top-level popup window (or a child of `parent`) of this process, destroyed at the end.
class NativeWindow {
public:
    NativeWindow(int x, int y, int w, int h, HWND parent = nullptr);
    ~NativeWindow() { if (m_hwnd) ::DestroyWindow(m_hwnd); }
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;
    HWND get() const { return m_hwnd; }
    ULONG value() const { return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(m_hwnd)); }
    void BringToTop() const { ::SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }

private:
    HWND m_hwnd = nullptr;
};

}  // namespace mv::test
