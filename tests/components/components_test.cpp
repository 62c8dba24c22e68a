// The AWT component model in process: component objects made from Java objects built by the test,
// their operations, containers, windows, window matching, and the debugger lines of their failures.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "common/com/dispatch_elements.h"
#include "common/com/safearray.h"
#include "component_test.h"
#include "debug_output_capture.h"
#include "jniproxy/mv_jni_proxy.h"
#include "log/log_file_reader.h"
#include "log_test_support.h"

namespace mv::test {
namespace {

using Components = ComponentTest;
using DrawingComponents = DrawingComponentTest;
using Lines = std::vector<std::string>;

bool Answers(IUnknown* object, REFIID iid) {
    com_ptr<IUnknown> itf;
    return object && SUCCEEDED(object->QueryInterface(iid, itf.put_void()));
}

// The elements of an array a member handed out (one dimension, lower bound 0); the array is destroyed.
std::vector<com_ptr<IDispatch>> Elements(SAFEARRAY* array) {
    LONG lower = -1;
    EXPECT_TRUE(array && ::SafeArrayGetDim(array) == 1 && SUCCEEDED(::SafeArrayGetLBound(array, 1, &lower)));
    EXPECT_EQ(lower, 0);
    return TakeDispatchElements(array);
}

long long GlobalRefsDeleted() {
    MvJniProxyCounters c{};
    MvJniProxy_GetCounters(&c);
    return c.globalRefsDeleted;
}

TEST_F(Components, TheObjectsClassFollowsTheJavaClassAndAnswersItsOwnInterfacesOnly) {
    struct Row {
        const char* name;
        UINT64 handle;
        bool container, window;
        const IID& identity;  // the first interface of its class, which also answers IUnknown
    } rows[] = {
        {"JButton (Swing components are containers)", New("javax/swing/JButton"), true, false, IID_IJAwtContainer},
        {"Button", New("java/awt/Button"), false, false, IID_IJAwtComponent},
        {"JFrame", NewWindow("javax/swing/JFrame", 0, 0, 10, 10), true, true, IID_IJAwtWindow},
        {"Dialog", TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(nullptr)})), true, true, IID_IJAwtWindow},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        com_ptr<IDispatch> object;
        ASSERT_EQ(bridge()->MakeJComponentFromHandle(row.handle, object.put()), S_OK);
        EXPECT_TRUE(Answers(object.get(), IID_IJAwtComponent) && Answers(object.get(), IID_IJObject));
        EXPECT_EQ(Answers(object.get(), IID_IJAwtContainer), row.container);
        EXPECT_EQ(Answers(object.get(), IID_IJAwtWindow), row.window);
        EXPECT_FALSE(Answers(object.get(), IID_IJAwtTextComponent));
        // The pointer handed out is IJAwtComponent; IDispatch is IJObject's.
        EXPECT_EQ(object.get(), object.try_query<IJAwtComponent>().get());
        com_ptr<IUnknown> identity;
        ASSERT_EQ(object->QueryInterface(row.identity, identity.put_void()), S_OK);
        EXPECT_EQ(object.try_query<IUnknown>().get(), identity.get());
        EXPECT_EQ(static_cast<void*>(object.try_query<IDispatch>().get()),
                  static_cast<void*>(object.try_query<IJObject>().get()));
    }
    // A string is no component: no object, and the reference made for it is deleted again.
    IDispatch* result = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(NewWithText("java/lang/String", "text"), &result), S_FALSE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, TheObjectOwnsAReferenceOfItsOwnDeletedOnceOnTheLastRelease) {
    UINT64 mine = 0;
    ASSERT_EQ(bridge()->NewGlobalRef(New("javax/swing/JLabel"), &mine), S_OK);
    com_ptr<IDispatch> object;
    ASSERT_EQ(bridge()->MakeJComponentFromHandle(mine, object.put()), S_OK);
    com_ptr<IJObject> jobject = object.try_query<IJObject>();
    com_ptr<IDispatch> jvm;
    UINT64 own = 0;
    ASSERT_EQ(jobject->GetJvmAndHandle(jvm.put(), &own), S_OK);
    EXPECT_EQ(static_cast<void*>(jvm.get()), static_cast<void*>(bridge()));
    EXPECT_NE(own, mine);
    EXPECT_TRUE(StandsFor(object.get(), mine));
    EXPECT_EQ(bridge()->DeleteJavaObject(mine), S_OK);  // the caller's handle stays the caller's
    unique_bstr name;
    EXPECT_EQ(jobject->GetClass(name.put()), S_OK);
    EXPECT_EQ(name.view(), L"javax.swing.JLabel");
    jvm.reset();
    jobject.reset();
    const long long deletedBefore = GlobalRefsDeleted();
    object.reset();
    EXPECT_EQ(GlobalRefsDeleted() - deletedBefore, 1);
    EXPECT_EQ(LiveGlobalRefs(), 0);

    IDispatch* result = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(0, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(New("java/awt/Button"), nullptr), E_INVALIDARG);
    const UINT64 button = New("java/awt/Button");
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(button, &result), E_FAIL);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, AttributesByNameWithoutRegardToCase) {
    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 200, 100), field = New("java/awt/TextField");
    Place(frame, field, 10, 30, 80, 20);
    const UINT64 named = New("java/awt/TextField");
    {
        LocalFrame f(env(), 2);
        CallVoid(named, "setName", "(Ljava/lang/String;)V", {Ref(env()->NewStringUTF("code"))});
    }
    ClearStringField(frame, "java/awt/Frame", "title");
    const UINT64 button = NewWithText("java/awt/Button", "OK"), label = NewWithText("javax/swing/JLabel", "User:");
    struct Row {
        UINT64 component;
        const wchar_t* name;
        HRESULT hr;
        VARIANT_BOOL found;
        const wchar_t* value;  // null: no string, "*": any string
    } rows[] = {
        {button, L"title", S_OK, VARIANT_TRUE, L"OK"},  // a java.awt.Button's label
        {button, L"TITLE", S_OK, VARIANT_TRUE, L"OK"},
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
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, BoundsAreRelativeToTheParentAndAFailedReadIsReported) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 40, 50, 300, 200), field = New("javax/swing/JTextField");
    Place(panel, field, 12, 34, 100, 24);
    const auto component = Component<IJAwtComponent>(field);
    POINTL pos{};
    SIZE size{};
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(component->GetBounds(&pos, &size, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ((std::vector<LONG>{pos.x, pos.y, size.cx, size.cy}), (std::vector<LONG>{12, 34, 100, 24}));

    DebugOutputCapture debug;
    pos = {-5, -5};
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);
    EXPECT_EQ(component->GetBounds(&pos, &size, &ok), S_FALSE);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(pos.x, -5) << "the outputs are not written";
    EXPECT_EQ(debug.Messages(), Lines{"[CJAwtComponent::GetBounds] CallObjectMethod failed"});
    EXPECT_EQ(component->GetBounds(nullptr, &size, &ok), E_INVALIDARG);
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the component's own reference";
}

TEST_F(DrawingComponents, TextIsReadAndWrittenWhereThereIsAGetText) {
    const UINT64 field = NewWithText("javax/swing/JTextField", "before");
    struct Row {
        const char* name;
        UINT64 handle;
        VARIANT_BOOL isText, hasText;
        const wchar_t* text;
    } rows[] = {{"JTextField", field, VARIANT_TRUE, VARIANT_TRUE, L"before"},
                {"TextArea", New("java/awt/TextArea"), VARIANT_TRUE, VARIANT_TRUE, L""},
                {"Panel", New("java/awt/Panel"), VARIANT_FALSE, VARIANT_FALSE, nullptr}};
    const unique_bstr empty(::SysAllocString(L""));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto component = Component<IJAwtComponent>(row.handle);
        VARIANT_BOOL flag = 7;
        EXPECT_EQ(component->IsTextComponent(&flag), S_OK);
        EXPECT_EQ(flag, row.isText);
        unique_bstr value;
        EXPECT_EQ(component->GetValue(value.put(), &flag), S_OK);
        EXPECT_EQ(flag, row.hasText);
        if (row.text) EXPECT_EQ(value.view(), row.text);
        else EXPECT_FALSE(value);
        EXPECT_EQ(component->SetValue(nullptr, &flag), E_INVALIDARG);
        EXPECT_EQ(component->SetValue(empty.get(), &flag), S_OK) << "an empty string clears the text";
        EXPECT_EQ(flag, row.hasText);
    }
    EXPECT_EQ(CallText(field, "getText"), "");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(DrawingComponents, DoClickMapsTheHooksAnswer) {
    const UINT64 frame = NewWindow("javax/swing/JFrame", 300, 300, 200, 120);
    const UINT64 toggle = NewWithText("javax/swing/JToggleButton", "on"), off = NewWithText("javax/swing/JButton", "off");
    const UINT64 label = NewWithText("javax/swing/JLabel", "text"), hidden = NewWithText("javax/swing/JButton", "x");
    CallVoid(off, "setEnabled", "(Z)V", {jvalue{}});
    LocalFrame f(env(), 8);
    jclass flowLayout = FindClass("java/awt/FlowLayout");
    CallVoid(frame, "setLayout", "(Ljava/awt/LayoutManager;)V",
             {Ref(env()->NewObject(flowLayout, MethodId(flowLayout, "<init>", "()V")))});
    for (UINT64 child : {toggle, off, label}) Place(frame, child, 0, 0, 60, 20);
    CallVoid(frame, "setVisible", "(Z)V", {jvalue{JNI_TRUE}});
    struct Row {
        const char* name;
        UINT64 handle;
        HRESULT hr;
    } rows[] = {{"toggle button", toggle, S_OK}, {"disabled", off, S_FALSE}, {"label", label, S_FALSE},
                {"not shown", hidden, S_FALSE}};
    for (const Row& row : rows) EXPECT_EQ(Component<IJAwtComponent>(row.handle)->DoClick(), row.hr) << row.name;
    EXPECT_TRUE(CallFlag(toggle, "isSelected")) << "the click was performed";
    SetHookInstalled(false);
    EXPECT_EQ(Component<IJAwtComponent>(toggle)->DoClick(), E_FAIL) << "no hook";
    EXPECT_TRUE(CallFlag(toggle, "isSelected")) << "no second click";
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the hook's handle is deleted";
}

TEST_F(Components, TheContainerIsANewObjectForTheParentAndNoneForATopLevelDialog) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 0, 0, 100, 100), field = New("javax/swing/JTextField");
    Place(panel, field, 1, 1, 10, 10);
    const auto component = Component<IJAwtComponent>(field);
    com_ptr<IDispatch> first, second;
    ASSERT_EQ(component->GetContainer(first.put()), S_OK);
    ASSERT_EQ(component->GetContainer(second.put()), S_OK);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(StandsFor(first.get(), panel) && first.try_query<IJAwtContainer>());
    // An owned dialog's parent is its owner, unless the dialog is a listed top-level window.
    const UINT64 owner = NewWindow("java/awt/Frame", 0, 0, 300, 200);
    const UINT64 dialog = TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(owner))}));
    const auto dialogObject = Component<IJAwtComponent>(dialog);
    com_ptr<IDispatch> parent;
    ASSERT_EQ(dialogObject->GetContainer(parent.put()), S_OK);
    EXPECT_TRUE(StandsFor(parent.get(), owner));
    ListTopLevel(owner);
    ListTopLevel(dialog);
    EXPECT_EQ(dialogObject->GetContainer(parent.put()), S_OK);
    EXPECT_FALSE(parent);
    EXPECT_EQ(LiveGlobalRefs(), 4) << "only the references of the four objects still held";
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
        EXPECT_EQ(x, row.column);
        EXPECT_EQ(y, row.row);
    }
    EXPECT_EQ(debug.Messages(), Lines(2 * std::size(rows), "[Same Object - Match]"));
    // Without a parent there is no rank.
    for (const auto& loose : {Component<IJAwtComponent>(NewWindow("java/awt/Frame", 0, 0, 10, 10)),
                              Component<IJAwtComponent>(New("java/awt/Button"))}) {
        LONG x = 5, y = 5;
        EXPECT_EQ(loose->GetRelXPos(&x), E_FAIL);
        EXPECT_EQ(loose->GetRelYPos(&y), E_FAIL);
        EXPECT_EQ(x, -1);
        EXPECT_EQ(y, -1);
        EXPECT_EQ(loose->GetRelXPos(nullptr), E_INVALIDARG);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Components, ChildrenComeInJavaOrderAndTheComponentAtAPointNeedsTheHook) {
    const UINT64 empty = NewPanel("javax/swing/JPanel", 0, 0, 10, 10);
    unique_safearray children;
    ASSERT_EQ(Component<IJAwtContainer>(empty)->GetChildComponents(children.put()), S_OK);
    EXPECT_TRUE(Elements(children.release()).empty()) << "an empty array, not null";

    const UINT64 panel = NewPanel("java/awt/Panel", 100, 100, 300, 100);
    const UINT64 swingField = New("javax/swing/JTextField"), awtButton = New("java/awt/Button");
    Place(panel, swingField, 10, 10, 50, 20);
    Place(panel, awtButton, 60, 10, 50, 20);
    const auto container = Component<IJAwtContainer>(panel);
    ASSERT_EQ(container->GetChildComponents(children.put()), S_OK);
    const auto elements = Elements(children.release());
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_TRUE(StandsFor(elements[0].get(), swingField) && elements[0].try_query<IJAwtContainer>());
    EXPECT_TRUE(StandsFor(elements[1].get(), awtButton) && !elements[1].try_query<IJAwtContainer>());

    com_ptr<IDispatch> found;
    EXPECT_EQ(container->FindComponentAt(POINTL{20, 15}, found.put()), S_OK);
    EXPECT_TRUE(StandsFor(found.get(), swingField)) << "the point is in the container's coordinates";
    EXPECT_EQ(container->FindComponentAt(POINTL{500, 500}, found.put()), S_OK);
    EXPECT_FALSE(found);
    SetHookInstalled(false);
    EXPECT_EQ(container->FindComponentAt(POINTL{20, 15}, found.put()), E_FAIL);
    EXPECT_FALSE(found);

    DebugOutputCapture debug;
    SAFEARRAY* none = reinterpret_cast<SAFEARRAY*>(1);
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);
    EXPECT_EQ(container->GetChildComponents(&none), E_FAIL);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(debug.Messages(), Lines{"[CJAwtComponent::GetChildComponents]\t failed to get the component count"});
    EXPECT_EQ(container->GetChildComponents(nullptr), E_INVALIDARG);
}

TEST_F(Components, OwnedWindowsAreWindowObjects) {
    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 300, 200);
    unique_safearray owned;
    ASSERT_EQ(Component<IJAwtWindow>(frame)->GetOwnedWindows(owned.put()), S_OK);
    EXPECT_TRUE(Elements(owned.release()).empty()) << "an empty array, not null";
    const UINT64 dialog = TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(frame))}));
    ASSERT_EQ(Component<IJAwtWindow>(frame)->GetOwnedWindows(owned.put()), S_OK);
    const auto elements = Elements(owned.release());
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_TRUE(StandsFor(elements[0].get(), dialog));
    EXPECT_EQ(static_cast<void*>(elements[0].get()), static_cast<void*>(elements[0].try_query<IJAwtWindow>().get()));
}

TEST_F(Components, GetHwndFindsTheNativeWindowWithExactlyTheSameRectangle) {
    const auto window = Component<IJAwtWindow>(NewWindow("java/awt/Frame", 210, 120, 300, 200));
    GetHWNDResultInfo info = ResultAmbiguous;
    ULONG hwnd = 99;
    const NativeWindow offByOne[] = {{211, 120, 300, 200}, {210, 121, 300, 200}, {210, 120, 301, 200},
                                     {210, 120, 300, 201}};
    EXPECT_EQ(window->GetHWND(&info, &hwnd), S_FALSE);
    EXPECT_EQ(info, NoMatch);
    EXPECT_EQ(hwnd, 0u);
    const NativeWindow same(210, 120, 300, 200);
    EXPECT_EQ(window->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_EQ(hwnd, same.value());
    const NativeWindow twin(210, 120, 300, 200);
    for (const NativeWindow* top : {&same, &twin, &same}) {
        top->BringToTop();
        EXPECT_EQ(window->GetHWND(&info, &hwnd), S_OK);
        EXPECT_EQ(info, ResultAmbiguous);
        EXPECT_EQ(hwnd, top->value()) << "the one higher in the Z order";
    }
    EXPECT_EQ(window->GetHWND(nullptr, &hwnd), E_INVALIDARG);

    // An owned dialog is no top-level window unless it is listed.
    const UINT64 owner = NewWindow("java/awt/Frame", 0, 0, 300, 200);
    const UINT64 dialog = TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(owner))}));
    CallVoid(dialog, "setBounds", "(IIII)V", {Int(30), Int(40), Int(120), Int(80)});
    const NativeWindow shown(30, 40, 120, 80);
    const auto dialogWindow = Component<IJAwtWindow>(dialog);
    EXPECT_EQ(dialogWindow->GetHWND(&info, &hwnd), S_FALSE);
    EXPECT_EQ(info, NotATopLevelWindow);
    EXPECT_EQ(hwnd, 0u);
    ListTopLevel(dialog);
    EXPECT_EQ(dialogWindow->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_EQ(hwnd, shown.value());
}

TEST_F(Components, TopLevelComponentsAreTheMonitorsWindowsInItsOrder) {
    unique_safearray all;
    ASSERT_EQ(bridge()->GetAllTopLevelComponents(all.put()), S_OK);
    EXPECT_TRUE(Elements(all.release()).empty()) << "an empty array when no window is listed";
    const UINT64 second = NewWindow("javax/swing/JFrame", 0, 0, 10, 10);
    const UINT64 first = NewWindow("javax/swing/JDialog", 0, 0, 10, 10);
    ListTopLevel(first);
    ListTopLevel(second);
    ASSERT_EQ(bridge()->GetAllTopLevelComponents(all.put()), S_OK);
    const auto elements = Elements(all.release());
    ASSERT_EQ(elements.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_TRUE(StandsFor(elements[i].get(), i == 0 ? first : second) && elements[i].try_query<IJAwtWindow>());
    EXPECT_EQ(bridge()->GetAllTopLevelComponents(nullptr), E_INVALIDARG);
}

TEST_F(Components, ComponentFromHwndMatchesTopLevelWindowsByTheirRectangle) {
    const NativeWindow native(20, 30, 200, 100), child(0, 0, 200, 100, native.get());
    GetHWNDResultInfo info{};
    com_ptr<IDispatch> found;
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, found.put()), S_OK);
    EXPECT_EQ(info, CannotMatch) << "no Java window to compare with";
    EXPECT_FALSE(found);
    ListTopLevel(NewWindow("java/awt/Frame", 20, 30, 200, 101));
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, found.put()), S_FALSE);
    EXPECT_EQ(info, NoMatch);
    EXPECT_FALSE(found);

    const UINT64 first = NewWindow("javax/swing/JFrame", 20, 30, 200, 100);
    ListTopLevel(first);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(child.value(), &info, found.put()), S_FALSE) << "only top-level windows";
    EXPECT_EQ(info, NoMatch);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, found.put()), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_TRUE(StandsFor(found.get(), first) && found.try_query<IJAwtWindow>());

    ListTopLevel(NewWindow("java/awt/Frame", 20, 30, 200, 100));
    DebugOutputCapture debug;
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, found.put()), S_OK);
    EXPECT_EQ(info, ResultAmbiguous);
    EXPECT_TRUE(StandsFor(found.get(), first)) << "the first listed";
    found.reset();
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the other windows' references are deleted";
    EXPECT_EQ(debug.Messages(), (Lines{"[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK1",
                                       "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK2",
                                       "[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK3"}));
}

TEST_F(Components, ComponentFromHwndRefusesBadArgumentsWithOneLogLineEach) {
    logtest::LogSettingsScope log;
    log.EnableLogInDirectory();
    const NativeWindow native(0, 0, 10, 10);
    GetHWNDResultInfo info{};
    IDispatch* result = nullptr;
    EXPECT_EQ(bridge()->GetComponentFromHwnd(0, &info, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), nullptr, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->GetComponentFromHwnd(native.value(), &info, nullptr), E_INVALIDARG);
    const DecodedLogFile file = ReadLogFile(log.PlainFile());
    ASSERT_EQ(file.status, LogFileStatus::kOk);
    std::vector<std::wstring> messages;
    for (const std::wstring& line : SplitLogLines(file.text)) {
        const auto parsed = logtest::ParseLine(line);
        ASSERT_TRUE(parsed) << "malformed line";
        EXPECT_EQ(parsed->level, 1u);
        messages.push_back(parsed->message);
    }
    EXPECT_EQ(messages, std::vector<std::wstring>(3, L"[CMvJavaCpp::GetComponentFromHwnd]\tInvalid argument(s)"));
}

// While it lives, this program's import of SafeArrayCreateVector (the module's code is linked into
// it) fails for arrays of `failing` elements, as the system fails an allocation, and creates the others.
class FailingSafeArrays {
public:
    explicit FailingSafeArrays(VARTYPE failing) {
        s_failing = failing;
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); d->Name && !m_slot; ++d) {
            if (::lstrcmpiA(reinterpret_cast<char*>(base + d->Name), "oleaut32.dll") != 0) continue;
            auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk); name->u1.AddressOfData; ++name, ++slot)
                if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) &&
                    std::string(reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name) ==
                        "SafeArrayCreateVector")
                    m_slot = reinterpret_cast<Create*>(&slot->u1.Function);
        }
        EXPECT_NE(m_slot, nullptr) << "no import of SafeArrayCreateVector";
        if (m_slot) s_real = Swap(&Failing);
    }
    ~FailingSafeArrays() { if (m_slot) Swap(s_real); }
    FailingSafeArrays(const FailingSafeArrays&) = delete;
    FailingSafeArrays& operator=(const FailingSafeArrays&) = delete;

private:
    using Create = decltype(&::SafeArrayCreateVector);
    static SAFEARRAY* WINAPI Failing(VARTYPE vt, LONG lower, ULONG count) {
        return vt == s_failing ? nullptr : s_real(vt, lower, count);
    }
    Create Swap(Create function) {
        DWORD protection = 0;
        ::VirtualProtect(m_slot, sizeof(Create), PAGE_READWRITE, &protection);
        const Create previous = std::exchange(*m_slot, function);
        ::VirtualProtect(m_slot, sizeof(Create), protection, &protection);
        return previous;
    }
    static inline VARTYPE s_failing = VT_EMPTY;
    static inline Create s_real = nullptr;
    Create* m_slot = nullptr;
};

// While it lives, FindClass on `env` fails for the two AWT base classes as the JVM fails a class it
// cannot find (the module runs on the test thread's attachment, so it uses this env).
class FailingAwtClassLookups {
public:
    explicit FailingAwtClassLookups(JNIEnv* env) : m_env(env), m_saved(env->functions), m_table(*env->functions) {
        s_real = m_table.FindClass;
        m_table.FindClass = &FindClass;
        env->functions = &m_table;
    }
    ~FailingAwtClassLookups() { m_env->functions = m_saved; }
    FailingAwtClassLookups(const FailingAwtClassLookups&) = delete;
    FailingAwtClassLookups& operator=(const FailingAwtClassLookups&) = delete;

private:
    static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
        const bool awt = std::string(name) == "java/awt/Container" || std::string(name) == "java/awt/Component";
        return s_real(env, awt ? "mv/test/NoSuchClass" : name);
    }
    static inline decltype(JNINativeInterface_::FindClass) s_real = nullptr;
    JNIEnv* m_env;
    const JNINativeInterface_* m_saved;
    JNINativeInterface_ m_table;
};

TEST_F(Components, FailuresWriteTheirDebuggerLines) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 0, 0, 100, 100), field = New("javax/swing/JTextField");
    Place(panel, field, 10, 10, 50, 20);
    const auto container = Component<IJAwtContainer>(panel);
    const auto component = Component<IJAwtComponent>(field);
    ListTopLevel(NewWindow("java/awt/Frame", 0, 0, 10, 10));
    const NativeWindow native(5, 5, 50, 50);
    com_ptr<IDispatch> found;
    unique_safearray array;
    GetHWNDResultInfo info{};
    const auto failNext = [](const char* function) { EXPECT_EQ(MvJniProxy_FailNext(function, 1), 1) << function; };
    const auto topLevel = [&] { return bridge()->GetAllTopLevelComponents(array.put()); };
    const auto nullListed = [&](const char* change) {  // "add" or "remove" a null in the monitor's list
        LocalFrame frame(env(), 4);
        jclass monitor = FindClass("com/sun/java/accessibility/util/EventQueueMonitor");
        jobject list = env()->GetStaticObjectField(monitor, StaticFieldId(monitor, "topLevelWindows", "Ljava/util/Vector;"));
        env()->CallBooleanMethod(list, MethodId(env()->GetObjectClass(list), change, "(Ljava/lang/Object;)Z"), nullptr);
        EXPECT_TRUE(NoException()) << change;
    };
    const std::string hwnd = "[CMvJavaCpp::GetComponentFromHwnd] ";
    struct Row {
        const char* name;                // the failure
        std::function<HRESULT()> call;   // provokes it and makes the call
        HRESULT hr;
        Lines lines;
    } rows[] = {
        {"the hook's clickComponent is not found", [&] { return failNext("GetStaticMethodID"), component->DoClick(); },
         S_FALSE, {"[CMvJavaCpp::CallStaticIntMethod] failed to get the method id", "calling static member clickComponent failed"}},
        {"the hook's GenFindComponentAt is not found",
         [&] { return failNext("GetStaticMethodID"), container->FindComponentAt({15, 15}, found.put()); }, S_OK,
         {"calling static member GenFindComponentAt failed"}},
        {"the hit fails the component class tests",
         [&] { FailingAwtClassLookups lookups(env()); return container->FindComponentAt({15, 15}, found.put()); }, S_OK,
         {"[CJAwtComponent::FindComponentAt] returned object is not a component"}},
        {"the EventQueueMonitor class is not found", [&] { return failNext("FindClass"), topLevel(); }, E_FAIL,
         {hwnd + "failed to create new EventQueuwMonitor object"}},
        {"its getTopLevelWindows is not found", [&] { return failNext("GetStaticMethodID"), topLevel(); }, E_FAIL,
         {hwnd + "getTopLevelWindows Call failed"}},
        {"the top-level list holds a null", [&] {
             nullListed("add");
             const HRESULT hr = topLevel();
             return nullListed("remove"), hr;
         }, E_FAIL, {hwnd + "getTopLevelWindows Call CK1", hwnd + "failed to get the array object"}},
        {"the list fails behind a native window",
         [&] { return failNext("FindClass"), bridge()->GetComponentFromHwnd(native.value(), &info, found.put()); },
         E_FAIL, {hwnd + "failed to create new EventQueuwMonitor object", hwnd + "getting top level components failed"}},
        {"no array for the children", [&] { FailingSafeArrays fail(VT_DISPATCH); return container->GetChildComponents(array.put()); },
         E_OUTOFMEMORY, {"[CJAwtComponent::GetChildComponents]\t allocating safe array failed"}},
        {"no array for the top-level windows", [&] { FailingSafeArrays fail(VT_DISPATCH); return topLevel(); },
         E_OUTOFMEMORY, {hwnd + "getTopLevelWindows Call CK1", hwnd + "getTopLevelWindows Call CK2",
                         hwnd + "getTopLevelWindows Call CK3", "[CMvJavaCpp::GetAllTopLevelComponents]\t allocating safe array failed"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DebugOutputCapture debug;
        EXPECT_EQ(row.call(), row.hr);
        EXPECT_EQ(debug.Messages(), row.lines);
        EXPECT_FALSE(found || array) << "no result";
        MvJniProxy_ClearFaults();
    }
    EXPECT_EQ(LiveGlobalRefs(), 2) << "only the two objects' own references";
}

}  // namespace
}  // namespace mv::test
