#include "component_test.h"

#include <iostream>

namespace mv::test {

void ComponentTest::StartJvm(bool checkJni) {
    JniServerSettings settings;
    settings.checkJni = checkJni;
    settings.classPath = {MV_HOOK_JAR};
    StartServer(settings);
}

void ComponentTest::SetUp() {
    BridgeTest::SetUp();
    SetHookInstalled(true);
}

void ComponentTest::TearDown() {
    if (HasFailure()) std::cerr << "JVM output of the test:\n" << OutputOfThisTest() << "\n";
    for (UINT64 window : m_windows) {
        StaticMonitorCall("removeTopLevelWindow", window);
        CallVoid(window, "dispose", "()V");
    }
    m_windows.clear();
    SetHookInstalled(false);
    BridgeTest::TearDown();
}

UINT64 ComponentTest::New(const char* className, const char* signature, std::initializer_list<jvalue> args) {
    LocalFrame frame(env(), 8);
    jclass cls = FindClass(className);
    jmethodID init = cls ? MethodId(cls, "<init>", signature) : nullptr;
    jobject object = init ? env()->NewObjectA(cls, init, std::vector<jvalue>(args).data()) : nullptr;
    CheckNoException(className);
    return object ? Handle(object) : 0;
}

UINT64 ComponentTest::NewWithText(const char* className, const char* text) {
    LocalFrame frame(env(), 4);
    return New(className, "(Ljava/lang/String;)V", {Ref(env()->NewStringUTF(text))});
}

UINT64 ComponentTest::NewWindow(const char* className, int x, int y, int w, int h) {
    const UINT64 window = TrackWindow(New(className));
    CallVoid(window, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
    return window;
}

UINT64 ComponentTest::NewPanel(const char* className, int x, int y, int w, int h) {
    const UINT64 panel = New(className);
    CallVoid(panel, "setLayout", "(Ljava/awt/LayoutManager;)V", {Ref(nullptr)});
    CallVoid(panel, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
    return panel;
}

void ComponentTest::Place(UINT64 container, UINT64 child, int x, int y, int w, int h) {
    CallVoid(child, "setBounds", "(IIII)V", {Int(x), Int(y), Int(w), Int(h)});
    if (jmethodID add = MethodOf(container, "add", "(Ljava/awt/Component;)Ljava/awt/Component;"))
        env()->DeleteLocalRef(env()->CallObjectMethod(ObjectOf(container), add, ObjectOf(child)));
    CheckNoException("add");
}

jmethodID ComponentTest::MethodOf(UINT64 object, const char* name, const char* signature) {
    if (!object) return ADD_FAILURE() << "no object for " << name, nullptr;
    jclass cls = env()->GetObjectClass(ObjectOf(object));
    jmethodID method = MethodId(cls, name, signature);
    env()->DeleteLocalRef(cls);
    return method;
}

void ComponentTest::CheckNoException(const char* what) {
    EXPECT_TRUE(NoException()) << what;
    env()->ExceptionClear();
}

void ComponentTest::CallVoid(UINT64 object, const char* name, const char* signature,
                             std::initializer_list<jvalue> args) {
    if (jmethodID method = MethodOf(object, name, signature))
        env()->CallVoidMethodA(ObjectOf(object), method, std::vector<jvalue>(args).data());
    CheckNoException(name);
}

std::string ComponentTest::CallText(UINT64 object, const char* name) {
    LocalFrame frame(env(), 4);
    jmethodID method = MethodOf(object, name, "()Ljava/lang/String;");
    jobject text = method ? env()->CallObjectMethod(ObjectOf(object), method) : nullptr;
    CheckNoException(name);
    return Utf(env(), static_cast<jstring>(text));
}

jboolean ComponentTest::CallFlag(UINT64 object, const char* name) {
    jmethodID method = MethodOf(object, name, "()Z");
    const jboolean flag = method ? env()->CallBooleanMethod(ObjectOf(object), method) : JNI_FALSE;
    CheckNoException(name);
    return flag;
}

void ComponentTest::ClearStringField(UINT64 object, const char* declaringClass, const char* name) {
    LocalFrame frame(env(), 4);
    jclass cls = FindClass(declaringClass);
    if (jfieldID field = cls ? FieldId(cls, name, "Ljava/lang/String;") : nullptr)
        env()->SetObjectField(ObjectOf(object), field, nullptr);
}

void ComponentTest::StaticMonitorCall(const char* name, UINT64 window) {
    if (!window) return (void)(ADD_FAILURE() << "no window for " << name);
    LocalFrame frame(env(), 4);
    jclass monitor = FindClass("com/sun/java/accessibility/util/EventQueueMonitor");
    const char* signature = std::string(name) == "addTopLevelWindow" ? "(Ljava/awt/Component;)V" : "(Ljava/awt/Window;)V";
    if (jmethodID method = monitor ? StaticMethodId(monitor, name, signature) : nullptr)
        env()->CallStaticVoidMethod(monitor, method, ObjectOf(window));
    CheckNoException(name);
}

void ComponentTest::ListTopLevel(UINT64 window) { StaticMonitorCall("addTopLevelWindow", window); }

void ComponentTest::SetHookInstalled(bool installed) {
    LocalFrame frame(env(), 8);
    jclass listener = FindClass("com/morvane/MorvaneAWTEventListener");
    jfieldID app = listener ? StaticFieldId(listener, "app", "Lcom/morvane/MorvaneAWTHook;") : nullptr;
    if (app) env()->SetStaticObjectField(listener, app, installed ? NewDefault("com/morvane/MorvaneAWTHook") : nullptr);
}

bool ComponentTest::StandsFor(IUnknown* object, UINT64 handle) {
    com_ptr<IJObject> jobject;
    com_ptr<IDispatch> jvm;
    UINT64 own = 0;
    VARIANT_BOOL same = VARIANT_FALSE;
    return object && SUCCEEDED(object->QueryInterface(IID_IJObject, jobject.put_void())) &&
           SUCCEEDED(jobject->GetJvmAndHandle(jvm.put(), &own)) &&
           SUCCEEDED(bridge()->IsSameJavaObject(own, handle, &same)) && same == VARIANT_TRUE;
}

NativeWindow::NativeWindow(int x, int y, int w, int h, HWND parent) {
    static const ATOM windowClass = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MvComponentTestWindow";
        return ::RegisterClassW(&wc);
    }();
    m_hwnd = ::CreateWindowExW(0, MAKEINTATOM(windowClass), L"", parent ? WS_CHILD : WS_POPUP, x, y, w, h, parent,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(m_hwnd, nullptr) << "CreateWindowEx failed: " << ::GetLastError();
}

}  // namespace mv::test
