// The operations of IJAwtComponent on components built in the test: bounds, attributes, text,
// clicks and parents, with the debugger lines of their failures.

#include <gtest/gtest.h>

#include "component_test.h"
#include "debug_output_capture.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using ComponentOperations = ComponentTest;
using DrawingComponents = DrawingComponentTest;

struct Attribute {
    HRESULT hr;
    VARIANT_BOOL found;
    unique_bstr value;
};

Attribute Read(IJAwtComponent* component, const wchar_t* name) {
    Attribute a{E_UNEXPECTED, 7, {}};
    const unique_bstr bstrName(name ? ::SysAllocString(name) : nullptr);
    a.hr = component->GetAttribute(bstrName.get(), a.value.put(), &a.found);
    return a;
}

TEST_F(ComponentOperations, BoundsAreRelativeToTheParentAndAFailedReadIsReported) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 40, 50, 300, 200);
    const UINT64 field = New("javax/swing/JTextField");
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
    EXPECT_EQ(debug.Messages(), std::vector<std::string>{"[CJAwtComponent::GetBounds] CallObjectMethod failed"});
    EXPECT_EQ(component->GetBounds(nullptr, &size, &ok), E_INVALIDARG);
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the component's own reference";
}

TEST_F(ComponentOperations, AttributeNamesIgnoreCaseAndTitleFollowsTheKindOfComponent) {
    const auto button = Component<IJAwtComponent>(NewWithText("java/awt/Button", "OK"));
    for (const wchar_t* name : {L"title", L"TITLE", L"Title"}) {
        Attribute a = Read(button.get(), name);
        EXPECT_EQ(a.hr, S_OK);
        EXPECT_EQ(a.found, VARIANT_TRUE);
        EXPECT_EQ(a.value.view(), L"OK") << "a java.awt.Button's label";
    }
    for (const wchar_t* name : {L"label", L"", static_cast<const wchar_t*>(nullptr)}) {
        Attribute a = Read(button.get(), name);
        EXPECT_EQ(a.hr, S_FALSE);
        EXPECT_EQ(a.found, VARIANT_FALSE);
        EXPECT_FALSE(a.value);
    }
    Attribute label = Read(Component<IJAwtComponent>(NewWithText("javax/swing/JLabel", "User name:")).get(), L"title");
    EXPECT_EQ(label.value.view(), L"User name:");

    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 50, 50);
    ClearStringField(frame, "java/awt/Frame", "title");
    Attribute untitled = Read(Component<IJAwtComponent>(frame).get(), L"title");
    EXPECT_EQ(untitled.hr, S_OK);
    EXPECT_EQ(untitled.found, VARIANT_TRUE) << "a frame's title counts as found even when null";
    EXPECT_FALSE(untitled.value);
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the button's own reference";
}

TEST_F(ComponentOperations, NameAndVisibilityOfAComponentOfAHiddenWindow) {
    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 200, 100);
    const UINT64 field = New("java/awt/TextField");
    Place(frame, field, 10, 30, 80, 20);
    const auto component = Component<IJAwtComponent>(field);

    Attribute unnamed = Read(component.get(), L"name");
    EXPECT_EQ(unnamed.found, VARIANT_TRUE) << "AWT names unnamed components itself";
    {
        LocalFrame f(env(), 2);
        CallVoid(field, "setName", "(Ljava/lang/String;)V", {Ref(env()->NewStringUTF("code"))});
    }
    EXPECT_EQ(Read(component.get(), L"NAME").value.view(), L"code");
    Attribute visible = Read(component.get(), L"is_visible");
    EXPECT_EQ(visible.found, VARIANT_TRUE);
    EXPECT_EQ(visible.value.view(), L"FALSE");
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the component's own reference";
}

TEST_F(DrawingComponents, TextIsReadAndWrittenWhereThereIsAGetText) {
    const UINT64 field = NewWithText("javax/swing/JTextField", "before");
    const auto text = Component<IJAwtComponent>(field);
    const auto panel = Component<IJAwtComponent>(New("java/awt/Panel"));
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(text->IsTextComponent(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(Component<IJAwtComponent>(New("java/awt/TextArea"))->IsTextComponent(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(panel->IsTextComponent(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);

    unique_bstr value;
    EXPECT_EQ(text->GetValue(value.put(), &flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(value.view(), L"before");
    EXPECT_EQ(panel->GetValue(value.put(), &flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_FALSE(value);

    EXPECT_EQ(text->SetValue(nullptr, &flag), E_INVALIDARG);
    EXPECT_EQ(CallText(field, "getText"), "before") << "a null text changes nothing";
    const unique_bstr empty(::SysAllocString(L""));
    flag = VARIANT_FALSE;
    EXPECT_EQ(text->SetValue(empty.get(), &flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(CallText(field, "getText"), "");
    EXPECT_EQ(panel->SetValue(empty.get(), &flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    EXPECT_EQ(LiveGlobalRefs(), 2) << "only the two objects' own references";
}

TEST_F(DrawingComponents, DoClickMapsTheHooksAnswer) {
    const UINT64 frame = NewWindow("javax/swing/JFrame", 300, 300, 200, 120);
    const UINT64 toggle = NewWithText("javax/swing/JToggleButton", "on");
    const UINT64 disabled = NewWithText("javax/swing/JButton", "off");
    const UINT64 label = NewWithText("javax/swing/JLabel", "text");
    const UINT64 hidden = NewWithText("javax/swing/JButton", "hidden");
    CallVoid(disabled, "setEnabled", "(Z)V", {jvalue{}});
    LocalFrame f(env(), 8);
    jclass flowLayout = FindClass("java/awt/FlowLayout");
    CallVoid(frame, "setLayout", "(Ljava/awt/LayoutManager;)V",
             {Ref(env()->NewObject(flowLayout, MethodId(flowLayout, "<init>", "()V")))});
    for (UINT64 child : {toggle, disabled, label}) Place(frame, child, 0, 0, 60, 20);
    CallVoid(frame, "setVisible", "(Z)V", {jvalue{JNI_TRUE}});

    EXPECT_EQ(Component<IJAwtComponent>(toggle)->DoClick(), S_OK);
    EXPECT_TRUE(CallFlag(toggle, "isSelected")) << "the click was performed";
    for (UINT64 unclickable : {disabled, label, hidden})
        EXPECT_EQ(Component<IJAwtComponent>(unclickable)->DoClick(), S_FALSE);

    SetHookInstalled(false);
    EXPECT_EQ(Component<IJAwtComponent>(toggle)->DoClick(), E_FAIL);
    EXPECT_TRUE(CallFlag(toggle, "isSelected")) << "no second click";
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the hook's handle is deleted";
}

TEST_F(ComponentOperations, TheContainerIsANewObjectForTheParentAndNoneForATopLevelDialog) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 0, 0, 100, 100);
    const UINT64 field = New("javax/swing/JTextField");
    Place(panel, field, 1, 1, 10, 10);
    const auto component = Component<IJAwtComponent>(field);
    com_ptr<IDispatch> first, second;
    ASSERT_EQ(component->GetContainer(first.put()), S_OK);
    ASSERT_EQ(component->GetContainer(second.put()), S_OK);
    EXPECT_NE(first.get(), second.get());
    EXPECT_TRUE(StandsFor(first.get(), panel));
    EXPECT_TRUE(first.try_query<IJAwtContainer>());

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

}  // namespace
}  // namespace mv::test
