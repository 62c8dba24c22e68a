// The AWT component model in process: component objects made from Java objects built by the test,
// their operations, containers, windows, window matching, and what their refusals and failures report.
// Its fixture: the bridge against a real JVM with the hook library on the class path, Java AWT/Swing
// objects built through JNI, the event-queue monitor's top-level list set by the test (the monitor is
// never started), and native windows of this process to match against.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/com/dispatch_elements.h"
#include "common/com/safearray.h"
#include "bridge_test.h"
#include "debug_output_capture.h"
#include "jniproxy/mv_jni_proxy.h"
#include "log_test_support.h"

namespace mv::test {
namespace {

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

class Components : public BridgeTest {
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
    void ExpectMatchedAt(UINT64 window, const RECT& device) {
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
class DrawingComponents : public Components {
protected:
    static void SetUpTestSuite() { StartJvm(false); }
};

using Lines = std::vector<std::string>;

bool Answers(IUnknown* object, REFIID iid) {
    com_ptr<IUnknown> itf;
    return object && SUCCEEDED(object->QueryInterface(iid, itf.put_void()));
}

TEST_F(Components, TheObjectFollowsTheJavaClassAndOwnsAReferenceDeletedOnceOnTheLastRelease) {
    struct Row {
        const wchar_t* javaClass;
        UINT64 handle;
        bool container, window;
        const IID& identity;  // the first interface of its class, which also answers IUnknown
    } rows[] = {
        {L"javax.swing.JButton", New("javax/swing/JButton"), true, false, IID_IJAwtContainer},  // Swing: containers
        {L"java.awt.Button", New("java/awt/Button"), false, false, IID_IJAwtComponent},
        {L"javax.swing.JFrame", NewWindow("javax/swing/JFrame", 0, 0, 10, 10), true, true, IID_IJAwtWindow},
        {L"java.awt.Dialog", NewDialog(0), true, true, IID_IJAwtWindow},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.javaClass);
        UINT64 mine = 0;
        ASSERT_EQ(bridge()->NewGlobalRef(row.handle, &mine), S_OK);
        com_ptr<IDispatch> object;
        ASSERT_EQ(bridge()->MakeJComponentFromHandle(mine, object.put()), S_OK);
        EXPECT_EQ(bridge()->DeleteJavaObject(mine), S_OK) << "the caller's handle stays the caller's";
        EXPECT_EQ(Answers(object.get(), IID_IJAwtContainer), row.container);
        EXPECT_EQ(Answers(object.get(), IID_IJAwtWindow), row.window);
        EXPECT_FALSE(Answers(object.get(), IID_IJAwtTextComponent));
        EXPECT_EQ(object.get(), object.try_query<IJAwtComponent>().get());
        com_ptr<IUnknown> identity;
        ASSERT_EQ(object->QueryInterface(row.identity, identity.put_void()), S_OK);
        EXPECT_EQ(object.try_query<IUnknown>().get(), identity.get());
        auto jobject = object.try_query<IJObject>();
        EXPECT_EQ(static_cast<void*>(object.try_query<IDispatch>().get()), static_cast<void*>(jobject.get()));
        com_ptr<IDispatch> jvm;
        UINT64 own = 0;
        unique_bstr name;
        MvJniProxyCounters before{}, after{};
        ASSERT_EQ(jobject->GetJvmAndHandle(jvm.put(), &own), S_OK);
        EXPECT_EQ(static_cast<void*>(jvm.get()), static_cast<void*>(bridge()));
        EXPECT_TRUE(own != mine && StandsFor(object.get(), row.handle));
        EXPECT_EQ(jobject->GetClass(name.put()), S_OK);
        EXPECT_EQ(name.view(), row.javaClass);
        jvm.reset(), identity.reset(), jobject.reset();
        MvJniProxy_GetCounters(&before), object.reset(), MvJniProxy_GetCounters(&after);
        EXPECT_EQ(after.globalRefsDeleted - before.globalRefsDeleted, 1) << "its own reference, once";
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, AttributesByNameWithoutRegardToCaseAndBoundsRelativeToTheParent) {
    const UINT64 frame = TrackWindow(New("java/awt/Frame", "(Ljava/lang/String;)V", {Ref(nullptr)}));
    const UINT64 panel = NewPanel("javax/swing/JPanel", 40, 50, 300, 200), field = New("java/awt/TextField");
    Place(frame, panel, 40, 50, 300, 200);
    Place(panel, field, 12, 34, 100, 24);
    const UINT64 named = New("java/awt/TextField");
    LocalFrame f(env(), 2);
    Call(named, "setName", "(Ljava/lang/String;)V", {Ref(env()->NewStringUTF("code"))});
    const UINT64 button = NewWithText("java/awt/Button", "OK"), label = NewWithText("javax/swing/JLabel", "User:");
    struct Row {
        UINT64 component;
        const wchar_t* name;
        HRESULT hr;
        VARIANT_BOOL found;
        const wchar_t* value;  // null: no string, "*": any string
    } rows[] = {
        {button, L"title", S_OK, VARIANT_TRUE, L"OK"},  // a java.awt.Button's label
        {button, L"Title", S_OK, VARIANT_TRUE, L"OK"},
        {label, L"title", S_OK, VARIANT_TRUE, L"User:"},  // getText() of the others
        {frame, L"title", S_OK, VARIANT_TRUE, nullptr},   // a frame's title is found even when null
        {field, L"name", S_OK, VARIANT_TRUE, L"*"},       // AWT names unnamed components itself
        {named, L"NAME", S_OK, VARIANT_TRUE, L"code"},
        {field, L"is_visible", S_OK, VARIANT_TRUE, L"FALSE"},  // its window is hidden
        {button, L"label", S_FALSE, VARIANT_FALSE, nullptr},
        {button, L"", S_FALSE, VARIANT_FALSE, nullptr},
        {button, nullptr, S_FALSE, VARIANT_FALSE, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        const unique_bstr name(row.name ? ::SysAllocString(row.name) : nullptr);
        unique_bstr value;
        VARIANT_BOOL found = 7;
        EXPECT_EQ(Component<IJAwtComponent>(row.component)->GetAttribute(name.get(), value.put(), &found), row.hr);
        EXPECT_EQ(found, row.found);
        if (!row.value) EXPECT_FALSE(value);
        else if (std::wstring(row.value) == L"*") EXPECT_TRUE(value);
        else EXPECT_EQ(value.view(), row.value);
    }
    POINTL pos{};
    SIZE size{};
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(Component<IJAwtComponent>(field)->GetBounds(&pos, &size, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ((std::vector<LONG>{pos.x, pos.y, size.cx, size.cy}), (std::vector<LONG>{12, 34, 100, 24}));
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(DrawingComponents, TextIsReadAndWrittenWhereThereIsAGetTextAndClicksAreTheHooks) {
    const UINT64 field = NewWithText("javax/swing/JTextField", "before");
    const struct {
        const char* name;
        UINT64 handle;
        VARIANT_BOOL isText, hasText;
        const wchar_t* text;
    } texts[] = {{"JTextField", field, VARIANT_TRUE, VARIANT_TRUE, L"before"},
                 {"TextArea", New("java/awt/TextArea"), VARIANT_TRUE, VARIANT_TRUE, L""},
                 {"Panel", New("java/awt/Panel"), VARIANT_FALSE, VARIANT_FALSE, nullptr}};
    for (const auto& row : texts) {
        SCOPED_TRACE(row.name);
        const auto component = Component<IJAwtComponent>(row.handle);
        VARIANT_BOOL flag = 7;
        unique_bstr value;
        EXPECT_EQ(component->IsTextComponent(&flag), S_OK);
        EXPECT_EQ(flag, row.isText);
        EXPECT_EQ(component->GetValue(value.put(), &flag), S_OK);
        EXPECT_EQ(flag, row.hasText);
        EXPECT_EQ(value ? std::wstring(value.view()) : L"<none>", row.text ? row.text : L"<none>");
        EXPECT_EQ(component->SetValue(nullptr, &flag), E_INVALIDARG);
        EXPECT_EQ(component->SetValue(unique_bstr::copy_of(L"").get(), &flag), S_OK) << "an empty string clears the text";
        EXPECT_EQ(flag, row.hasText);
    }
    LocalFrame f(env(), 4);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(Call(field, "getText", "()Ljava/lang/String;").l)), "");

    // DoClick answers what the hook answers, and fails without one.
    const UINT64 frame = NewWindow("javax/swing/JFrame", 300, 300, 200, 120);
    const UINT64 toggle = NewWithText("javax/swing/JToggleButton", "on"), off = NewWithText("javax/swing/JButton", "off");
    const UINT64 label = NewWithText("javax/swing/JLabel", "text"), hidden = NewWithText("javax/swing/JButton", "x");
    Call(off, "setEnabled", "(Z)V", {jvalue{}});
    Call(frame, "setLayout", "(Ljava/awt/LayoutManager;)V", {Ref(NewDefault("java/awt/FlowLayout"))});
    for (UINT64 child : {toggle, off, label}) Place(frame, child, 0, 0, 60, 20);
    Call(frame, "setVisible", "(Z)V", {jvalue{JNI_TRUE}});
    const std::pair<const char*, UINT64> refused[] = {{"disabled", off}, {"label", label}, {"not shown", hidden}};
    for (const auto& [name, handle] : refused) EXPECT_EQ(Component<IJAwtComponent>(handle)->DoClick(), S_FALSE) << name;
    EXPECT_EQ(Component<IJAwtComponent>(toggle)->DoClick(), S_OK);
    EXPECT_TRUE(Call(toggle, "isSelected", "()Z").z) << "the click was performed";
    SetHookInstalled(false);
    EXPECT_EQ(Component<IJAwtComponent>(toggle)->DoClick(), E_FAIL) << "no hook";
    EXPECT_TRUE(Call(toggle, "isSelected", "()Z").z) << "no second click";
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the hook's handles are deleted";
}

// The members that answer objects: one per Java object, in Java's order; none is an empty array or a null.
TEST_F(Components, MembersAnswerAnObjectPerJavaObject) {
    const UINT64 panel = NewPanel("java/awt/Panel", 100, 100, 300, 100), empty = NewPanel("javax/swing/JPanel", 0, 0, 9, 9);
    const UINT64 field = New("javax/swing/JTextField"), button = New("java/awt/Button");
    Place(panel, field, 10, 10, 50, 20);
    Place(panel, button, 60, 10, 50, 20);
    const UINT64 owner = NewWindow("java/awt/Frame", 0, 0, 300, 200), dialog = NewDialog(owner);
    const UINT64 lone = NewWindow("javax/swing/JDialog", 0, 0, 10, 10);
    const auto component = Component<IJAwtComponent>(field);
    const auto container = Component<IJAwtContainer>(panel);
    const auto dialogObject = Component<IJAwtComponent>(dialog);
    using Objects = std::vector<com_ptr<IDispatch>>;
    const auto one = [](std::function<HRESULT(IDispatch**)> member) {
        return [member](Objects& out) {
            IDispatch* object = reinterpret_cast<IDispatch*>(1);
            const HRESULT hr = member(&object);
            EXPECT_NE(object, reinterpret_cast<IDispatch*>(1)) << "the out value is written";
            if (object && object != reinterpret_cast<IDispatch*>(1)) out.emplace_back().attach(object);
            return hr;
        };
    };
    const auto many = [](std::function<HRESULT(SAFEARRAY**)> member) {
        return [member](Objects& out) {
            SAFEARRAY* array = nullptr;
            const HRESULT hr = member(&array);
            LONG lower = -1;
            EXPECT_TRUE(array && ::SafeArrayGetDim(array) == 1 && SUCCEEDED(::SafeArrayGetLBound(array, 1, &lower)));
            EXPECT_EQ(lower, 0);
            out = TakeDispatchElements(array);
            return hr;
        };
    };
    struct Row {
        const char* name;
        std::function<HRESULT(Objects&)> call;
        std::vector<UINT64> expected = {};
        bool windows = false, asWindow = false;  // the objects answer IJAwtWindow; they are handed out as IJAwtWindow
        HRESULT hr = S_OK;
    } rows[] = {
        {"the parent", one([&](IDispatch** out) { return component->GetContainer(out); }), {panel}},
        {"an owned dialog's parent: its owner", one([&](IDispatch** out) { return dialogObject->GetContainer(out); }),
         {owner}, true},
        {"the component at a point of the container's coordinates",
         one([&](IDispatch** out) { return container->FindComponentAt({20, 15}, out); }), {field}},
        {"none outside", one([&](IDispatch** out) { return container->FindComponentAt({500, 500}, out); })},
        {"no children",
         many([&](SAFEARRAY** out) { return Component<IJAwtContainer>(empty)->GetChildComponents(out); })},
        {"children", many([&](SAFEARRAY** out) { return container->GetChildComponents(out); }), {field, button}},
        {"no owned window", many([&](SAFEARRAY** out) { return Component<IJAwtWindow>(lone)->GetOwnedWindows(out); }),
         {}, true, true},
        {"owned windows", many([&](SAFEARRAY** out) { return Component<IJAwtWindow>(owner)->GetOwnedWindows(out); }),
         {dialog}, true, true},
        {"no top-level window", many([&](SAFEARRAY** out) { return bridge()->GetAllTopLevelComponents(out); }), {},
         true},
        {"top-level windows in the monitor's order", many([&](SAFEARRAY** out) {
             ListTopLevel(lone), ListTopLevel(owner), ListTopLevel(dialog);
             return bridge()->GetAllTopLevelComponents(out);
         }), {lone, owner, dialog}, true},
        {"a listed dialog has no parent", one([&](IDispatch** out) { return dialogObject->GetContainer(out); })},
        {"no hook, no component at a point", one([&](IDispatch** out) {
             return SetHookInstalled(false), container->FindComponentAt({20, 15}, out);
         }), {}, false, false, E_FAIL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Objects objects;
        EXPECT_EQ(row.call(objects), row.hr);
        ASSERT_EQ(objects.size(), row.expected.size());
        for (std::size_t i = 0; i < objects.size(); ++i) {
            EXPECT_TRUE(StandsFor(objects[i].get(), row.expected[i])) << i;
            EXPECT_EQ(Answers(objects[i].get(), IID_IJAwtWindow), row.windows) << i;
            EXPECT_TRUE(!row.asWindow || static_cast<void*>(objects[i].get()) == objects[i].try_query<IJAwtWindow>().get());
        }
    }
    com_ptr<IDispatch> first, second;
    ASSERT_EQ(component->GetContainer(first.put()), S_OK);
    ASSERT_EQ(component->GetContainer(second.put()), S_OK);
    EXPECT_NE(first.get(), second.get()) << "a new object per call";
    EXPECT_EQ(LiveGlobalRefs(), 5) << "only the references of the five objects still held";
}

TEST_F(Components, AMemberAttachesADetachedThreadOnceAndLeavesItDetached) {
    const UINT64 frame = NewWindow("java/awt/Frame", 40, 50, 200, 100), dialog = NewDialog(frame);
    const UINT64 panel = NewPanel("java/awt/Panel", 0, 0, 100, 100), button = New("java/awt/Button");
    Place(panel, button, 10, 10, 50, 20);
    ListTopLevel(frame), ListTopLevel(dialog);
    const NativeWindow native(40, 50, 200, 100);
    const auto window = Component<IJAwtWindow>(frame);
    const auto container = Component<IJAwtContainer>(panel);
    const auto component = Component<IJAwtComponent>(button);
    const unique_bstr title(::SysAllocString(L"title"));
    unique_safearray array;
    com_ptr<IDispatch> object;
    unique_bstr text;
    GetHWNDResultInfo info{};
    POINTL pos{};
    SIZE size{};
    VARIANT_BOOL yes{};
    LONG rank = 0;
    ULONG hwnd = 0;
    const struct { const char* name; std::function<HRESULT()> call; } rows[] = {
        {"GetComponentFromHwnd", [&] { return bridge()->GetComponentFromHwnd(native.value(), &info, object.put()); }},
        {"GetAllTopLevelComponents", [&] { return bridge()->GetAllTopLevelComponents(array.put()); }},
        {"MakeJComponentFromHandle", [&] { return bridge()->MakeJComponentFromHandle(button, object.put()); }},
        {"GetChildComponents", [&] { return container->GetChildComponents(array.put()); }},
        {"FindComponentAt", [&] { return container->FindComponentAt({20, 15}, object.put()); }},
        {"GetOwnedWindows", [&] { return window->GetOwnedWindows(array.put()); }},
        {"GetHWND", [&] { return window->GetHWND(&info, &hwnd); }},
        {"GetContainer", [&] { return component->GetContainer(object.put()); }},
        {"GetBounds", [&] { return component->GetBounds(&pos, &size, &yes); }},
        {"GetAttribute", [&] { return component->GetAttribute(title.get(), text.put(), &yes); }},
        {"IsTextComponent", [&] { return component->IsTextComponent(&yes); }},
        {"GetRelXPos", [&] { return component->GetRelXPos(&rank); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MvJniProxyCounters before{}, after{};
        HRESULT hr = E_UNEXPECTED;
        jint attached = JNI_OK;
        std::thread([&] {  // a thread no Java code attached
            MvJniProxy_GetCounters(&before);
            hr = row.call();
            MvJniProxy_GetCounters(&after);
            array.reset(), object.reset();  // each release is an operation of its own
            void* threadEnv = nullptr;
            attached = vm()->GetEnv(&threadEnv, JNI_VERSION_1_2);
        }).join();
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(std::make_pair(after.attaches - before.attaches, after.detaches - before.detaches),
                  std::make_pair(1LL, 1LL));
        EXPECT_EQ(attached, JNI_EDETACHED);
    }
}

TEST_F(Components, RanksAreDenseAmongSiblingsFromOneAndAnOffsetOfMinus9999RanksZero) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 5, 7, 400, 300);
    const UINT64 distant = NewPanel("java/awt/Panel", 10009, 0, 100, 100);
    struct Row {
        UINT64 parent;
        int x, y;
        LONG column, row;
    } rows[] = {{panel, 10, 20, 1, 1}, {panel, 10, 20, 1, 1}, {panel, 120, 20, 2, 1}, {panel, 230, 60, 3, 2},
                {distant, 10, 0, 0, 1},  // x offset 10 - 10009 = -9999
                {distant, 20, 0, 1, 1}};
    std::vector<UINT64> handles;
    for (const Row& row : rows) Place(row.parent, handles.emplace_back(New("java/awt/Button")), row.x, row.y, 10, 10);
    DebugOutputCapture debug;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        const auto component = Component<IJAwtComponent>(handles[static_cast<std::size_t>(&row - rows)]);
        LONG x = -2, y = -2;
        EXPECT_EQ(component->GetRelXPos(&x), S_OK);
        EXPECT_EQ(component->GetRelYPos(&y), S_OK);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(row.column, row.row));
    }
    EXPECT_EQ(debug.Messages(), Lines(2 * std::size(rows), "[Same Object - Match]"));
    for (const UINT64 loose : {NewWindow("java/awt/Frame", 0, 0, 10, 10), New("java/awt/Button")}) {
        LONG x = 5, y = 5;
        EXPECT_EQ(Component<IJAwtComponent>(loose)->GetRelXPos(&x), E_FAIL) << "no parent, no rank";
        EXPECT_EQ(Component<IJAwtComponent>(loose)->GetRelYPos(&y), E_FAIL);
        EXPECT_EQ(std::make_pair(x, y), std::make_pair(-1L, -1L));
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, JavaAndNativeWindowsMatchByExactlyTheSameRectangle) {
    const NativeWindow native(20, 30, 200, 100), child(0, 0, 200, 100, native.get());
    const NativeWindow offByOne[] = {{21, 30, 200, 100}, {20, 31, 200, 100}, {20, 30, 201, 100}, {20, 30, 200, 101}};
    GetHWNDResultInfo info{};
    com_ptr<IDispatch> found;
    const auto fromHwnd = [&](const NativeWindow& window, HRESULT hr, GetHWNDResultInfo expected) {
        EXPECT_EQ(bridge()->GetComponentFromHwnd(window.value(), &info, found.put()), hr);
        EXPECT_EQ(info, expected);
    };
    fromHwnd(native, S_OK, CannotMatch);  // no Java window to compare with
    EXPECT_FALSE(found);
    const UINT64 other = NewWindow("java/awt/Frame", 20, 30, 200, 99), first = NewWindow("javax/swing/JFrame", 20, 30, 200, 100);
    ListTopLevel(other);
    fromHwnd(native, S_FALSE, NoMatch);
    EXPECT_FALSE(found);
    ListTopLevel(first);
    fromHwnd(child, S_FALSE, NoMatch);  // only top-level windows
    fromHwnd(native, S_OK, ResultOK);
    EXPECT_TRUE(StandsFor(found.get(), first) && found.try_query<IJAwtWindow>());
    ListTopLevel(NewWindow("java/awt/Frame", 20, 30, 200, 100));
    {
        DebugOutputCapture debug;
        fromHwnd(native, S_OK, ResultAmbiguous);
        EXPECT_TRUE(StandsFor(found.get(), first)) << "the first listed";
        found.reset();
        EXPECT_EQ(LiveGlobalRefs(), 0) << "the other windows' references are deleted";
        const std::string ck = "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK";
        EXPECT_EQ(debug.Messages(), (Lines{ck + "1", ck + "2", ck + "3"}));
    }
    ULONG hwnd = 99;
    EXPECT_EQ(Component<IJAwtWindow>(other)->GetHWND(&info, &hwnd), S_FALSE);
    EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(NoMatch, 0ul));
    const auto window = Component<IJAwtWindow>(first);
    EXPECT_EQ(window->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(ResultOK, native.value())) << "none of those one pixel off";
    const NativeWindow twin(20, 30, 200, 100);
    for (const NativeWindow* top : {&native, &twin, &native}) {
        ::SetWindowPos(top->get(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        EXPECT_EQ(window->GetHWND(&info, &hwnd), S_OK);
        EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(ResultAmbiguous, top->value())) << "the upper in Z order";
    }
    const UINT64 dialog = NewDialog(NewWindow("java/awt/Frame", 0, 0, 300, 200));
    Call(dialog, "setBounds", "(IIII)V", {Int(30), Int(40), Int(120), Int(80)});
    const NativeWindow shown(30, 40, 120, 80);
    const auto dialogWindow = Component<IJAwtWindow>(dialog);
    EXPECT_EQ(dialogWindow->GetHWND(&info, &hwnd), S_FALSE);
    EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(NotATopLevelWindow, 0ul));
    ListTopLevel(dialog);
    EXPECT_EQ(dialogWindow->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(std::make_pair(info, hwnd), std::make_pair(ResultOK, shown.value()));
}

// On a scaled display the native window is in device pixels: where no Java window has its rectangle, the
// one that the JDK's peer scales to it matches. Bounds (21, 31, 201, 101); halves round down.
TEST_F(Components, AtFractionalScalesTheDeviceRectangleMatches) {
    const struct { double scale; RECT device; } rows[] = {
        {1.25, {26, 39, 26 + 251, 39 + 126}},  // 26.25, 38.75, 251.25, 126.25
        {1.5, {31, 46, 31 + 301, 46 + 151}},   // 31.5, 46.5, 301.5, 151.5
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scale);
        const UINT64 frame = TrackWindow(New("fixtures/ScaledFrame", "(D)V", {Double(row.scale)}));
        Call(frame, "setBounds", "(IIII)V", {Int(21), Int(31), Int(201), Int(101)});
        ListTopLevel(frame);
        ExpectMatchedAt(frame, row.device);
        ListTopLevel(frame, false);
    }
}

// A JVM that scales by 2 itself (-Dsun.java2d.uiScale=2): every window's default transform.
class ScaledDisplay : public Components {
protected:
    static void SetUpTestSuite() { StartJvm(true, {"-Dsun.java2d.uiScale=2"}); }
};

TEST_F(ScaledDisplay, AtScale2TheDeviceRectangleMatches) {
    const UINT64 frame = NewWindow("java/awt/Frame", 21, 31, 201, 101);
    ListTopLevel(frame);
    ExpectMatchedAt(frame, {42, 62, 42 + 402, 62 + 202});
}

// This program's import of SafeArrayCreateVector, which the module's code linked into it calls through
// (its symbol carries the stdcall decoration on i686).
#ifdef __i386__
#define MV_SAFE_ARRAY_CREATE_VECTOR_IMPORT "__imp__SafeArrayCreateVector@12"
#else
#define MV_SAFE_ARRAY_CREATE_VECTOR_IMPORT "__imp_SafeArrayCreateVector"
#endif
extern "C" decltype(&::SafeArrayCreateVector) g_safeArrayCreateVectorImport __asm__(MV_SAFE_ARRAY_CREATE_VECTOR_IMPORT);

// While it lives, that import fails for VT_DISPATCH arrays as the system fails an allocation.
class FailingDispatchArrays {
public:
    FailingDispatchArrays() { s_real = Swap(&Failing); }
    ~FailingDispatchArrays() { Swap(s_real); }
    FailingDispatchArrays(const FailingDispatchArrays&) = delete;
    FailingDispatchArrays& operator=(const FailingDispatchArrays&) = delete;

private:
    using Create = decltype(&::SafeArrayCreateVector);
    static SAFEARRAY* WINAPI Failing(VARTYPE vt, LONG lower, ULONG count) {
        return vt == VT_DISPATCH ? nullptr : s_real(vt, lower, count);
    }
    static Create Swap(Create function) {
        DWORD protection = 0;
        ::VirtualProtect(&g_safeArrayCreateVectorImport, sizeof(Create), PAGE_READWRITE, &protection);
        const Create previous = std::exchange(g_safeArrayCreateVectorImport, function);
        ::VirtualProtect(&g_safeArrayCreateVectorImport, sizeof(Create), protection, &protection);
        return previous;
    }
    static inline Create s_real = nullptr;
};

// While it lives, FindClass on `env` fails for the two AWT base classes as the JVM fails a class it
// cannot find (the module runs on the test thread's attachment, so it uses this env).
struct FailingAwtClassLookups {
    explicit FailingAwtClassLookups(JNIEnv* env) : m_env(env), m_saved(env->functions), m_table(*env->functions) {
        s_real = m_table.FindClass;
        m_table.FindClass = &FindClass;
        env->functions = &m_table;
    }
    ~FailingAwtClassLookups() { m_env->functions = m_saved; }
    static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
        const bool awt = std::string(name) == "java/awt/Container" || std::string(name) == "java/awt/Component";
        return s_real(env, awt ? "mv/test/NoSuchClass" : name);
    }
    static inline decltype(JNINativeInterface_::FindClass) s_real = nullptr;
    JNIEnv* m_env;
    const JNINativeInterface_* m_saved;
    JNINativeInterface_ m_table;
};

// Refused arguments, and failures with the debugger lines they write (the log gets a line only for
// GetComponentFromHwnd's refusals). An out value set to 1 beforehand must come back null.
TEST_F(Components, RefusalsAndFailuresAnswerTheirResultsAndWriteTheirDebuggerLines) {
    logtest::LogSettingsScope log;
    log.EnableLogInDirectory();
    const UINT64 panel = NewPanel("javax/swing/JPanel", 0, 0, 100, 100), field = New("javax/swing/JTextField");
    Place(panel, field, 10, 10, 50, 20);
    const UINT64 button = New("java/awt/Button");
    const auto container = Component<IJAwtContainer>(panel);
    const auto component = Component<IJAwtComponent>(field);
    const auto window = Component<IJAwtWindow>(NewWindow("java/awt/Frame", 0, 0, 10, 10));
    ListTopLevel(NewWindow("java/awt/Frame", 0, 0, 10, 10));
    const NativeWindow native(5, 5, 50, 50);
    IDispatch* object = nullptr;
    SAFEARRAY* array = nullptr;
    GetHWNDResultInfo info{};
    POINTL pos{-5, -5};
    SIZE size{};
    VARIANT_BOOL ok = VARIANT_FALSE;
    ULONG hwnd = 0;
    const auto failNext = [](const char* function) { EXPECT_EQ(MvJniProxy_FailNext(function, 1), 1) << function; };
    const auto topLevel = [&] { return bridge()->GetAllTopLevelComponents(&array); };
    const auto nullListed = [&](const char* change) {  // "add" or "remove" a null in the monitor's list
        LocalFrame frame(env(), 4);
        jclass monitor = FindClass("com/sun/java/accessibility/util/EventQueueMonitor");
        jobject list = env()->GetStaticObjectField(monitor, StaticFieldId(monitor, "topLevelWindows", "Ljava/util/Vector;"));
        env()->CallBooleanMethod(list, MethodId(env()->GetObjectClass(list), change, "(Ljava/lang/Object;)Z"), nullptr);
        EXPECT_TRUE(NoException()) << change;
    };
    const std::string hwndLine = "[CMvJavaCpp::GetComponentFromHwnd] ", ck = hwndLine + "getTopLevelWindows Call CK";
    struct Row {
        const char* name;               // the failure
        char out;                       // the out value that must come back null: 'o'bject, 'a'rray or none
        std::function<HRESULT()> call;  // provokes it and makes the call
        HRESULT hr;
        Lines lines;
    } rows[] = {
        {"no handle", 0, [&] { return bridge()->MakeJComponentFromHandle(0, &object); }, E_INVALIDARG, {}},
        {"no out", 0, [&] { return bridge()->MakeJComponentFromHandle(button, nullptr); }, E_INVALIDARG, {}},
        {"no bounds out", 0, [&] { return component->GetBounds(nullptr, &size, &ok); }, E_INVALIDARG, {}},
        {"no rank out", 0, [&] { return component->GetRelXPos(nullptr); }, E_INVALIDARG, {}},
        {"no children out", 0, [&] { return container->GetChildComponents(nullptr); }, E_INVALIDARG, {}},
        {"no match info out", 0, [&] { return window->GetHWND(nullptr, &hwnd); }, E_INVALIDARG, {}},
        {"no top-level out", 0, [&] { return bridge()->GetAllTopLevelComponents(nullptr); }, E_INVALIDARG, {}},
        {"no window", 0, [&] { return bridge()->GetComponentFromHwnd(0, &info, &object); }, E_INVALIDARG, {}},
        {"no info out", 0, [&] { return bridge()->GetComponentFromHwnd(native.value(), nullptr, &object); },
         E_INVALIDARG, {}},
        {"no window out", 0, [&] { return bridge()->GetComponentFromHwnd(native.value(), &info, nullptr); },
         E_INVALIDARG, {}},
        {"a string is no component", 'o',
         [&] { return bridge()->MakeJComponentFromHandle(NewWithText("java/lang/String", "text"), &object); }, S_FALSE, {}},
        {"NewGlobalRef refused", 'o',
         [&] { return failNext("NewGlobalRef"), bridge()->MakeJComponentFromHandle(button, &object); }, E_FAIL, {}},
        {"the bounds cannot be read", 0, [&] {
             failNext("GetMethodID");
             const HRESULT hr = component->GetBounds(&pos, &size, &ok);
             return pos.x == -5 && ok == VARIANT_FALSE ? hr : E_UNEXPECTED;  // the outputs are not written
         }, S_FALSE, {"[CJAwtComponent::GetBounds] CallObjectMethod failed"}},
        {"the child count cannot be read", 'a',
         [&] { return failNext("GetMethodID"), container->GetChildComponents(&array); }, E_FAIL,
         {"[CJAwtComponent::GetChildComponents]\t failed to get the component count"}},
        {"the hook's clickComponent is not found", 0,
         [&] { return failNext("GetStaticMethodID"), component->DoClick(); }, S_FALSE,
         {"[CMvJavaCpp::CallStaticIntMethod] failed to get the method id", "calling static member clickComponent failed"}},
        {"the hook's GenFindComponentAt is not found", 'o',
         [&] { return failNext("GetStaticMethodID"), container->FindComponentAt({15, 15}, &object); }, S_OK,
         {"calling static member GenFindComponentAt failed"}},
        {"the hit fails the component class tests", 'o',
         [&] { FailingAwtClassLookups lookups(env()); return container->FindComponentAt({15, 15}, &object); }, S_OK,
         {"[CJAwtComponent::FindComponentAt] returned object is not a component"}},
        {"the EventQueueMonitor class is not found", 'a', [&] { return failNext("FindClass"), topLevel(); }, E_FAIL,
         {hwndLine + "failed to create new EventQueuwMonitor object"}},
        {"its getTopLevelWindows is not found", 'a', [&] { return failNext("GetStaticMethodID"), topLevel(); }, E_FAIL,
         {hwndLine + "getTopLevelWindows Call failed"}},
        {"the top-level list holds a null", 'a', [&] {
             nullListed("add");
             const HRESULT hr = topLevel();
             return nullListed("remove"), hr;
         }, E_FAIL, {ck + "1", hwndLine + "failed to get the array object"}},
        {"the list fails behind a native window", 'o',
         [&] { return failNext("FindClass"), bridge()->GetComponentFromHwnd(native.value(), &info, &object); },
         E_FAIL, {hwndLine + "failed to create new EventQueuwMonitor object", hwndLine + "getting top level components failed"}},
        {"no array for the children", 'a',
         [&] { FailingDispatchArrays fail; return container->GetChildComponents(&array); }, E_OUTOFMEMORY,
         {"[CJAwtComponent::GetChildComponents]\t allocating safe array failed"}},
        {"no array for the top-level windows", 'a', [&] { FailingDispatchArrays fail; return topLevel(); },
         E_OUTOFMEMORY, {ck + "1", ck + "2", ck + "3", "[CMvJavaCpp::GetAllTopLevelComponents]\t allocating safe array failed"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        object = reinterpret_cast<IDispatch*>(1);
        array = reinterpret_cast<SAFEARRAY*>(1);
        DebugOutputCapture debug;
        EXPECT_EQ(row.call(), row.hr);
        EXPECT_EQ(debug.Messages(), row.lines);
        EXPECT_TRUE(row.out != 'o' || !object);
        EXPECT_TRUE(row.out != 'a' || !array);
        MvJniProxy_ClearFaults();
    }
    const unique_bstr secret = unique_bstr::copy_of(L"s3cret-Pa55");
    unique_bstr read;
    EXPECT_EQ(component->SetValue(secret.get(), &ok), S_OK);
    EXPECT_EQ(component->GetValue(read.put(), &ok), S_OK);
    EXPECT_EQ(read.view(), secret.view());
    EXPECT_EQ(mv::ReadLogFile(log.PlainFile()).text.find(L"s3cret"), std::wstring::npos);
    EXPECT_EQ(LiveGlobalRefs(), 3) << "only the three objects' own references";
    EXPECT_EQ(logtest::MessagesIn(log.PlainFile(), 1),
              std::vector<std::wstring>(3, L"[CMvJavaCpp::GetComponentFromHwnd]\tInvalid argument(s)"));
}

}  // namespace
}  // namespace mv::test
