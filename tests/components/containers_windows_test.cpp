// Containers (children, the component at a point) and windows (owned windows, the native
// window that shows them).

#include <gtest/gtest.h>

#include "component_test.h"
#include "debug_output_capture.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

using Containers = ComponentTest;
using Windows = ComponentTest;

std::vector<com_ptr<IDispatch>> Elements(SAFEARRAY* array) {
    std::vector<com_ptr<IDispatch>> elements;
    EXPECT_EQ(::SafeArrayGetDim(array), 1u);
    LONG lower = -1, upper = -2;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(lower, 0);
    for (LONG i = lower; i <= upper; ++i) {
        com_ptr<IDispatch> element;
        EXPECT_EQ(::SafeArrayGetElement(array, &i, element.put_void()), S_OK);
        elements.push_back(element);
    }
    return elements;
}

TEST_F(Containers, ChildrenComeInJavaOrderAsComponentObjectsOfTheirOwnClass) {
    const UINT64 empty = NewPanel("javax/swing/JPanel", 0, 0, 10, 10);
    unique_safearray children;
    ASSERT_EQ(Component<IJAwtContainer>(empty)->GetChildComponents(children.put()), S_OK);
    ASSERT_TRUE(children) << "an empty array, not null";
    EXPECT_TRUE(Elements(children.get()).empty());

    const UINT64 panel = NewPanel("java/awt/Panel", 0, 0, 300, 100);
    const UINT64 swingField = New("javax/swing/JTextField"), awtButton = New("java/awt/Button");
    Place(panel, swingField, 0, 0, 50, 20);
    Place(panel, awtButton, 60, 0, 50, 20);
    ASSERT_EQ(Component<IJAwtContainer>(panel)->GetChildComponents(children.put()), S_OK);
    {
        const auto elements = Elements(children.get());
        ASSERT_EQ(elements.size(), 2u);
        EXPECT_TRUE(StandsFor(elements[0].get(), swingField));
        EXPECT_TRUE(elements[0].try_query<IJAwtContainer>());
        EXPECT_TRUE(StandsFor(elements[1].get(), awtButton));
        EXPECT_FALSE(elements[1].try_query<IJAwtContainer>());
    }
    children.reset();
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Containers, AFailedCountIsReportedAndGivesNoArray) {
    const auto panel = Component<IJAwtContainer>(New("javax/swing/JPanel"));
    DebugOutputCapture debug;
    SAFEARRAY* children = reinterpret_cast<SAFEARRAY*>(1);
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);
    EXPECT_EQ(panel->GetChildComponents(&children), E_FAIL);
    EXPECT_EQ(children, nullptr);
    EXPECT_EQ(debug.Messages(),
              std::vector<std::string>{"[CJAwtComponent::GetChildComponents]\t failed to get the component count"});
    EXPECT_EQ(panel->GetChildComponents(nullptr), E_INVALIDARG);
}

TEST_F(Containers, TheComponentAtAPointNeedsTheHook) {
    const UINT64 panel = NewPanel("javax/swing/JPanel", 100, 100, 300, 200);
    const UINT64 field = New("javax/swing/JTextField");
    Place(panel, field, 10, 10, 100, 24);
    const auto container = Component<IJAwtContainer>(panel);
    com_ptr<IDispatch> found;
    EXPECT_EQ(container->FindComponentAt(POINTL{20, 15}, found.put()), S_OK);
    EXPECT_TRUE(StandsFor(found.get(), field)) << "the point is in the panel's coordinates";
    EXPECT_EQ(container->FindComponentAt(POINTL{500, 500}, found.put()), S_OK);
    EXPECT_FALSE(found);
    found.reset();
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the container's own reference";

    SetHookInstalled(false);
    EXPECT_EQ(container->FindComponentAt(POINTL{20, 15}, found.put()), E_FAIL);
    EXPECT_FALSE(found);
}

TEST_F(Windows, OwnedWindowsAreWindowObjects) {
    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 300, 200);
    unique_safearray owned;
    ASSERT_EQ(Component<IJAwtWindow>(frame)->GetOwnedWindows(owned.put()), S_OK);
    ASSERT_TRUE(owned);
    EXPECT_TRUE(Elements(owned.get()).empty());

    const UINT64 dialog = TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(frame))}));
    ASSERT_EQ(Component<IJAwtWindow>(frame)->GetOwnedWindows(owned.put()), S_OK);
    const auto elements = Elements(owned.get());
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_TRUE(StandsFor(elements[0].get(), dialog));
    EXPECT_EQ(static_cast<void*>(elements[0].get()), static_cast<void*>(elements[0].try_query<IJAwtWindow>().get()));
}

TEST_F(Windows, TheNativeWindowIsTheOneWithExactlyTheSameRectangle) {
    const UINT64 frame = NewWindow("java/awt/Frame", 210, 120, 300, 200);
    const auto window = Component<IJAwtWindow>(frame);
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
    EXPECT_EQ(LiveGlobalRefs(), 1) << "only the window's own reference";
}

TEST_F(Windows, AnOwnedDialogIsNoTopLevelWindowUnlessListed) {
    const UINT64 frame = NewWindow("java/awt/Frame", 0, 0, 300, 200);
    const UINT64 dialog = TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(ObjectOf(frame))}));
    CallVoid(dialog, "setBounds", "(IIII)V", {Int(30), Int(40), Int(120), Int(80)});
    const NativeWindow shown(30, 40, 120, 80);
    const auto window = Component<IJAwtWindow>(dialog);
    GetHWNDResultInfo info = ResultOK;
    ULONG hwnd = 99;
    EXPECT_EQ(window->GetHWND(&info, &hwnd), S_FALSE);
    EXPECT_EQ(info, NotATopLevelWindow);
    EXPECT_EQ(hwnd, 0u);
    ListTopLevel(dialog);
    EXPECT_EQ(window->GetHWND(&info, &hwnd), S_OK);
    EXPECT_EQ(info, ResultOK);
    EXPECT_EQ(hwnd, shown.value());
}

}  // namespace
}  // namespace mv::test
