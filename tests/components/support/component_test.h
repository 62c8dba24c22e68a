#pragma once
// Fixture of the component-model tests: the bridge against a real JVM with the hook library on the
// class path, Java AWT/Swing objects built through JNI, the event-queue monitor's top-level list set by
// the test (the monitor is never started), and native windows of this process to match against.

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <iostream>
#include <vector>

#include "bridge_test.h"

namespace mv::test {

class ComponentTest : public BridgeTest {
protected:
    static void SetUpTestSuite() { StartJvm(true); }
    static void StartJvm(bool checkJni, const std::vector<std::string>& jvmOptions = {}) {
        JniServerSettings settings;
        settings.checkJni = checkJni;
        settings.classPath = {MV_HOOK_JAR};
        settings.jvmOptions = jvmOptions;
        StartServer(settings);
    }
    void SetUp() override {
        BridgeTest::SetUp();
        SetHookInstalled(true);
    }
    void TearDown() override {  // disposes the test's windows and takes them out of the top-level list
        if (HasFailure()) std::cerr << "JVM output of the test:\n" << OutputOfThisTest() << "\n";
        for (UINT64 window : m_windows) ListTopLevel(window, false), Call(window, "dispose", "()V");
        m_windows.clear();
        SetHookInstalled(false);
        BridgeTest::TearDown();
    }

    // A new object through the constructor `signature` (a handle owned by the test).
    UINT64 New(const char* className, const char* signature = "()V", std::initializer_list<jvalue> args = {}) {
        LocalFrame frame(env(), 8);
        jclass cls = FindClass(className);
        jmethodID init = cls ? MethodId(cls, "<init>", signature) : nullptr;
        jobject object = init ? env()->NewObjectA(cls, init, std::vector<jvalue>(args).data()) : nullptr;
        return Checked(className), object ? Handle(object) : 0;
    }
    UINT64 NewWithText(const char* className, const char* text) {
        LocalFrame frame(env(), 4);
        return New(className, "(Ljava/lang/String;)V", {Ref(env()->NewStringUTF(text))});
    }
    UINT64 NewPanel(const char* className, int x, int y, int w, int h) {  // no layout manager
        const UINT64 panel = New(className);
        Call(panel, "setLayout", "(Ljava/awt/LayoutManager;)V", {Ref(nullptr)});
        Call(panel, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
        return panel;
    }
    UINT64 NewWindow(const char* className, int x, int y, int w, int h) {  // disposed after the test
        const UINT64 window = TrackWindow(New(className));
        Call(window, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
        return window;
    }
    UINT64 NewDialog(UINT64 owner) { return TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(owner))})); }
    UINT64 TrackWindow(UINT64 window) { return m_windows.push_back(window), window; }
    void Place(UINT64 container, UINT64 child, int x, int y, int w, int h) {
        LocalFrame frame(env(), 4);
        Call(child, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
        Call(container, "add", "(Ljava/awt/Component;)Ljava/awt/Component;", {Ref(ObjectOf(child))});
    }
    // A void, boolean or object method (an object result is a local reference of the caller's frame).
    jvalue Call(UINT64 object, const char* name, const char* signature, std::initializer_list<jvalue> args = {}) {
        jvalue result{};
        jclass cls = object ? env()->GetObjectClass(ObjectOf(object)) : nullptr;
        jmethodID method = cls ? MethodId(cls, name, signature) : nullptr;
        if (cls) env()->DeleteLocalRef(cls);
        const std::vector<jvalue> values(args);
        const char kind = std::strchr(signature, ')')[1];
        if (method && kind == 'V') env()->CallVoidMethodA(ObjectOf(object), method, values.data());
        else if (method && kind == 'Z') result.z = env()->CallBooleanMethodA(ObjectOf(object), method, values.data());
        else if (method) result.l = env()->CallObjectMethodA(ObjectOf(object), method, values.data());
        return Checked(name, method), result;
    }
    void ListTopLevel(UINT64 window, bool listed = true) {  // into the monitor's list, or out of it
        LocalFrame frame(env(), 4);
        jclass monitor = FindClass("com/sun/java/accessibility/util/EventQueueMonitor");
        jmethodID method = monitor ? StaticMethodId(monitor, listed ? "addTopLevelWindow" : "removeTopLevelWindow",
                                                    listed ? "(Ljava/awt/Component;)V" : "(Ljava/awt/Window;)V")
                                   : nullptr;
        if (method && window) env()->CallStaticVoidMethod(monitor, method, ObjectOf(window));
        Checked("the top-level list", method && window);
    }
    void SetHookInstalled(bool installed) {  // an object of the hook class in MorvaneAWTEventListener.app, or null
        LocalFrame frame(env(), 8);
        jclass listener = FindClass("com/morvane/MorvaneAWTEventListener");
        jfieldID app = listener ? StaticFieldId(listener, "app", "Lcom/morvane/MorvaneAWTHook;") : nullptr;
        if (app) env()->SetStaticObjectField(listener, app, installed ? NewDefault("com/morvane/MorvaneAWTHook") : nullptr);
    }

    template <typename I>
    com_ptr<I> Component(UINT64 handle) {
        com_ptr<IDispatch> object;
        EXPECT_EQ(bridge()->MakeJComponentFromHandle(handle, object.put()), S_OK);
        return object.try_query<I>();
    }
    bool StandsFor(IUnknown* object, UINT64 handle) {  // `object` stands for the Java object `handle`
        com_ptr<IJObject> jobject;
        com_ptr<IDispatch> jvm;
        UINT64 own = 0;
        VARIANT_BOOL same = VARIANT_FALSE;
        return object && SUCCEEDED(object->QueryInterface(IID_IJObject, jobject.put_void())) &&
               SUCCEEDED(jobject->GetJvmAndHandle(jvm.put(), &own)) &&
               SUCCEEDED(bridge()->IsSameJavaObject(own, handle, &same)) && same == VARIANT_TRUE;
    }
    // A native window at `device` is the one behind `window` and no other (one two pixels off is
    // there too): both ways, GetComponentFromHwnd and GetHWND answer ResultOK.
    void ExpectMatchedAt(UINT64 window, const RECT& device);
    static jvalue Int(jint value) { jvalue v{}; v.i = value; return v; }
    static jvalue Double(jdouble value) { jvalue v{}; v.d = value; return v; }
    static jvalue Ref(jobject value) { jvalue v{}; v.l = value; return v; }

private:
    void Checked(const char* what, bool found = true) {  // a missing method or a Java exception fails the test
        EXPECT_TRUE(found && NoException()) << what;
        env()->ExceptionClear();
    }
    std::vector<UINT64> m_windows;
};

// Swing components that draw text or are shown: the JDK's font code makes JNI calls that
// -Xcheck:jni reports, so these suites run their JVM without the check.
class DrawingComponentTest : public ComponentTest {
protected:
    static void SetUpTestSuite() { StartJvm(false); }
};

class NativeWindow {
public:
    NativeWindow(int x, int y, int w, int h, HWND parent = nullptr)
        : m_hwnd(::CreateWindowExW(0, L"STATIC", L"", parent ? WS_CHILD : WS_POPUP, x, y, w, h, parent, nullptr,
                                   nullptr, nullptr)) {
        EXPECT_NE(m_hwnd, nullptr) << "CreateWindowEx failed: " << ::GetLastError();
    }
    ~NativeWindow() { ::DestroyWindow(m_hwnd); }
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;
    HWND get() const { return m_hwnd; }
    ULONG value() const { return static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(m_hwnd)); }

private:
    HWND m_hwnd;
};

inline void ComponentTest::ExpectMatchedAt(UINT64 window, const RECT& device) {
    const LONG w = device.right - device.left, h = device.bottom - device.top;
    const NativeWindow native(device.left, device.top, w, h), off(device.left + 2, device.top, w, h);
    GetHWNDResultInfo info{};
    com_ptr<IDispatch> found;
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, found.put()), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_TRUE(StandsFor(found.get(), window));
    EXPECT_EQ(bridge()->GetComponentFromHwnd(off.value(), &info, found.put()), S_FALSE);
    EXPECT_EQ(info, NoMatch) << "a rectangle off by more than the rounding";
    ULONG hwnd = 0;
    EXPECT_EQ(Component<IJAwtWindow>(window)->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(ResultOK, native.value()));
}

}  // namespace mv::test
