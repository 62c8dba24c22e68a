// The component tree of the sample applications as a client in another process sees it:
// children in Java order with the classes of their objects, bounds relative to the parent,
// attributes, row and column ranks, hit-tests, owned windows and the container of a dialog.

#include <windows.h>

#include <string>
#include <vector>

#include "awt_test.h"
#include "bstr_values.h"
#include "common/com/bstr.h"
#include "java_statics.h"
#include "variant_values.h"

namespace mv::test {
namespace {


struct AttributeAnswer {
    HRESULT hr = E_UNEXPECTED;
    VARIANT_BOOL found = 7;  // neither VARIANT_TRUE nor VARIANT_FALSE
    unique_bstr value;
};

AttributeAnswer AskAttribute(IJAwtComponent* component, const wchar_t* name) {
    AttributeAnswer answer;
    answer.hr = component->GetAttribute(Bstr(name).get(), answer.value.put(), &answer.found);
    return answer;
}

class ComponentTree : public AwtTest {
protected:
    Component Login() { return Window(L"loginFrame"); }
    Component LoginPart(const wchar_t* name) {
        Component part = FindByName(Login().get(), name);
        EXPECT_TRUE(part) << "no component named " << std::string(name, name + wcslen(name));
        return part;
    }
    Component AwtPart(const wchar_t* name) {
        Component part = FindByName(Window(L"awtFrame").get(), name);
        EXPECT_TRUE(part) << "no component named " << std::string(name, name + wcslen(name));
        return part;
    }

    // The i-th child of a container as Java itself answers it (Container.getComponent).
    JavaHandle JavaChild(UINT64 container, LONG index) {
        unique_variant args;
        MakeArgumentArray(args, {ArgI4(index)});
        UINT64 child = 0;
        if (FAILED(jvm()->CallObjectMethod(container, Bstr(L"getComponent").get(),
                                            Bstr(L"(I)Ljava/awt/Component;").get(), args.get(), &child)))
            return {};
        return JavaHandle(jvm(), child);
    }
};

TEST_F(ComponentTree, ChildrenComeInJavaOrderAsObjectsOfTheirClass) {
    const Component panel = LoginPart(L"credentials");
    ASSERT_TRUE(panel);
    const std::vector<Component> children = ChildrenOf(panel.get());
    const UINT64 panelHandle = HandleOf(panel.get());
    LONG count = -1;
    VARIANT none;
    ::VariantInit(&none);
    ASSERT_EQ(jvm()->CallIntMethod(panelHandle, Bstr(L"getComponentCount").get(), Bstr(L"()I").get(), none, &count),
              S_OK);
    ASSERT_EQ(children.size(), static_cast<std::size_t>(count));

    const wchar_t* const expectedClasses[] = {L"javax.swing.JLabel", L"javax.swing.JTextField", L"javax.swing.JLabel",
                                              L"javax.swing.JPasswordField", L"javax.swing.JButton"};
    ASSERT_EQ(children.size(), std::size(expectedClasses));
    for (LONG i = 0; i < count; ++i) {
        const Component& child = children[static_cast<std::size_t>(i)];
        ASSERT_TRUE(child) << i;
        const JavaHandle javaChild = JavaChild(panelHandle, i);
        VARIANT_BOOL same = VARIANT_FALSE;
        ASSERT_EQ(jvm()->IsSameJavaObject(HandleOf(child.get()), javaChild.get(), &same), S_OK);
        EXPECT_EQ(same, VARIANT_TRUE) << "child " << i << " is not Java's child " << i;
        EXPECT_EQ(ClassOf(child.get()), expectedClasses[i]);
        // Swing components are containers, none of them a window.
        EXPECT_TRUE(As<IJAwtContainer>(child.get())) << i;
        EXPECT_FALSE(As<IJAwtWindow>(child.get())) << i;
    }
}

TEST_F(ComponentTree, TheDetailsFieldsAreListedRowByRow) {
    const Component panel = LoginPart(L"details");
    ASSERT_TRUE(panel);
    std::vector<std::wstring> names;
    for (const Component& child : ChildrenOf(panel.get())) {
        names.push_back(NameOf(child.get()));
        EXPECT_EQ(ClassOf(child.get()), L"javax.swing.JTextField");
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"r1c1", L"r1c2", L"r1c3", L"r2c1", L"r2c2", L"r2c3"}));
}

TEST_F(ComponentTree, AwtControlsAreComponentsAndTheFrameIsAWindow) {
    const Component frame = Window(L"awtFrame");
    ASSERT_TRUE(frame);
    EXPECT_EQ(ClassOf(frame.get()), L"java.awt.Frame");
    EXPECT_TRUE(As<IJAwtWindow>(frame.get()));
    struct Part {
        const wchar_t* name;
        const wchar_t* javaClass;
    };
    for (const Part& part : {Part{L"codeLabel", L"java.awt.Label"}, Part{L"code", L"java.awt.TextField"},
                             Part{L"ok", L"java.awt.Button"}, Part{L"off", L"java.awt.Button"}}) {
        const Component component = AwtPart(part.name);
        ASSERT_TRUE(component);
        EXPECT_EQ(ClassOf(component.get()), part.javaClass);
        EXPECT_FALSE(As<IJAwtContainer>(component.get())) << "a plain AWT control is no container";
        EXPECT_TRUE(As<IJObject>(component.get()));
    }
}

TEST_F(ComponentTree, BoundsAreThoseOfTheParentsCoordinateSpace) {
    const Component frame = Login();
    ASSERT_TRUE(frame);
    EXPECT_EQ(BoundsOf(frame.get()), (Bounds{100, 80, 480, 360})) << "a frame: screen coordinates";
    const LONG xs[] = {10, 120, 230};
    const LONG ys[] = {10, 40};
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 3; ++column) {
            const std::wstring name = L"r" + std::to_wstring(row + 1) + L"c" + std::to_wstring(column + 1);
            const Component field = LoginPart(name.c_str());
            ASSERT_TRUE(field);
            EXPECT_EQ(BoundsOf(field.get()), (Bounds{xs[column], ys[row], 100, 24}))
                << std::string(name.begin(), name.end());
        }
}

TEST_F(ComponentTree, AttributeNamesAreMatchedWithoutRegardToCase) {
    const Component frame = Login();
    ASSERT_TRUE(frame);
    for (const wchar_t* name : {L"title", L"TITLE", L"Title"}) {
        AttributeAnswer a = AskAttribute(frame.get(), name);
        EXPECT_EQ(a.hr, S_OK);
        EXPECT_EQ(a.found, VARIANT_TRUE);
        EXPECT_EQ(a.value.view(), L"Sign in");
    }
    for (const wchar_t* name : {L"name", L"NAME", L"nAmE"}) EXPECT_EQ(AttributeOf(frame.get(), name), L"loginFrame");
    for (const wchar_t* name : {L"is_visible", L"IS_VISIBLE", L"Is_Visible"})
        EXPECT_EQ(AttributeOf(frame.get(), name), L"TRUE");

    for (const wchar_t* unknown : {L"label", L"text", L""}) {
        AttributeAnswer a = AskAttribute(frame.get(), unknown);
        EXPECT_EQ(a.hr, S_FALSE);
        EXPECT_EQ(a.found, VARIANT_FALSE);
        EXPECT_FALSE(a.value);
    }
}

TEST_F(ComponentTree, TheTitleOfControlsIsTheirLabelOrText) {
    const Component signIn = LoginPart(L"signIn");
    const Component userLabel = LoginPart(L"userLabel");
    ASSERT_TRUE(signIn && userLabel);
    EXPECT_EQ(AttributeOf(signIn.get(), L"title"), L"Sign in");
    EXPECT_EQ(AttributeOf(userLabel.get(), L"title"), L"User name:");
    const Component ok = AwtPart(L"ok");
    const Component codeLabel = AwtPart(L"codeLabel");
    ASSERT_TRUE(ok && codeLabel);
    EXPECT_EQ(AttributeOf(ok.get(), L"title"), L"OK") << "a java.awt.Button's label";
    EXPECT_EQ(AttributeOf(codeLabel.get(), L"title"), L"Code:");
    EXPECT_EQ(AttributeOf(Window(L"awtFrame").get(), L"title"), L"AWT sample");
}

TEST_F(ComponentTree, AFrameWithoutTitleHasANullTitle) {
    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(app.loaded());
    app.Call(L"openUntitled");
    Component untitled;
    for (const Component& window : TopLevelWindows(jvm()))
        if (BoundsOf(window.get()) == (Bounds{700, 500, 200, 100})) untitled = window;
    ASSERT_TRUE(untitled) << "LoginApp.openUntitled() should open a frame at (700, 500, 200, 100)";
    AttributeAnswer a = AskAttribute(untitled.get(), L"title");
    EXPECT_EQ(a.hr, S_OK);
    EXPECT_EQ(a.found, VARIANT_TRUE) << "a frame's title is always found";
    EXPECT_FALSE(a.value);
    app.Call(L"closeUntitled");
}

TEST_F(ComponentTree, RowAndColumnRanksFollowTheLayout) {
    for (int row = 1; row <= 2; ++row)
        for (int column = 1; column <= 3; ++column) {
            const std::wstring name = L"r" + std::to_wstring(row) + L"c" + std::to_wstring(column);
            const Component field = LoginPart(name.c_str());
            ASSERT_TRUE(field);
            LONG x = 0, y = 0;
            EXPECT_EQ(field->GetRelXPos(&x), S_OK);
            EXPECT_EQ(field->GetRelYPos(&y), S_OK);
            EXPECT_EQ(x, column) << std::string(name.begin(), name.end());
            EXPECT_EQ(y, row) << std::string(name.begin(), name.end());
        }
    // Equal offsets share a rank: the labels at x 10, fields and button at x 120; rows at y 10, 40, 75.
    struct Expected {
        const wchar_t* name;
        LONG column;
        LONG row;
    };
    for (const Expected& e : {Expected{L"userLabel", 1, 1}, Expected{L"user", 2, 1}, Expected{L"passwordLabel", 1, 2},
                              Expected{L"password", 2, 2}, Expected{L"signIn", 2, 3}}) {
        const Component part = LoginPart(e.name);
        ASSERT_TRUE(part);
        LONG x = 0, y = 0;
        EXPECT_EQ(part->GetRelXPos(&x), S_OK);
        EXPECT_EQ(part->GetRelYPos(&y), S_OK);
        EXPECT_EQ(x, e.column) << std::string(e.name, e.name + wcslen(e.name));
        EXPECT_EQ(y, e.row) << std::string(e.name, e.name + wcslen(e.name));
    }
    // A frame has no container to be ranked in.
    LONG x = 0;
    EXPECT_EQ(Login()->GetRelXPos(&x), E_FAIL);
    EXPECT_EQ(x, -1);
}

TEST_F(ComponentTree, FindComponentAtAnswersTheFieldUnderThePointOrNothing) {
    const Component panel = LoginPart(L"details");
    ASSERT_TRUE(panel);
    const auto container = As<IJAwtContainer>(panel.get());
    ASSERT_TRUE(container);
    struct Hit {
        POINTL point;
        const wchar_t* name;
    };
    for (const Hit& hit : {Hit{{15, 15}, L"r1c1"}, Hit{{125, 15}, L"r1c2"}, Hit{{329, 63}, L"r2c3"},
                           Hit{{10, 40}, L"r2c1"}}) {
        com_ptr<IDispatch> found;
        ASSERT_EQ(container->FindComponentAt(hit.point, found.put()), S_OK);
        const auto component = As<IJAwtComponent>(found.get());
        ASSERT_TRUE(component) << hit.point.x << "," << hit.point.y;
        EXPECT_EQ(NameOf(component.get()), hit.name);
    }
    for (const POINTL outside : {POINTL{-5, -5}, POINTL{1000, 15}, POINTL{15, 1000}}) {
        com_ptr<IDispatch> found;
        EXPECT_EQ(container->FindComponentAt(outside, found.put()), S_OK);
        EXPECT_FALSE(found) << outside.x << "," << outside.y;
    }
}

TEST_F(ComponentTree, ParentsAreContainersAndAFrameHasNone) {
    const Component field = LoginPart(L"r2c2");
    ASSERT_TRUE(field);
    com_ptr<IDispatch> parent;
    ASSERT_EQ(field->GetContainer(parent.put()), S_OK);
    const auto panel = As<IJAwtComponent>(parent.get());
    ASSERT_TRUE(panel);
    EXPECT_EQ(NameOf(panel.get()), L"details");
    EXPECT_TRUE(As<IJAwtContainer>(panel.get()));

    // A frame has no parent: no container object comes back (the HRESULT follows the bridge's
    // rule for a null object result).
    com_ptr<IDispatch> none;
    Login()->GetContainer(none.put());
    EXPECT_FALSE(none);
}

// The dialog is made on the first showDialog(): this test must be the first of the program to
// open it, to see the frame own nothing before.
TEST_F(ComponentTree, OwnedWindowsBeforeAndAfterTheDialogOpens) {
    const Component frame = Login();
    ASSERT_TRUE(frame);
    const auto window = As<IJAwtWindow>(frame.get());
    ASSERT_TRUE(window);
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(window->GetOwnedWindows(&array), S_OK);
    ASSERT_NE(array, nullptr) << "an empty array, not none";
    EXPECT_TRUE(TakeDispatchElements(array).empty());

    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(app.loaded());
    app.Call(L"showDialog");
    const std::vector<Component> owned = OwnedWindowsOf(frame.get());
    ASSERT_EQ(owned.size(), 1u);
    const Component& dialog = owned[0];
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(As<IJAwtWindow>(dialog.get()));
    EXPECT_EQ(ClassOf(dialog.get()), L"javax.swing.JDialog");
    EXPECT_EQ(NameOf(dialog.get()), L"confirmDialog");
    // "title" reads getTitle() of frames only; a dialog's is read by the generic members.
    unique_bstr title;
    VARIANT none;
    ::VariantInit(&none);
    EXPECT_EQ(jvm()->CallStringMethod(HandleOf(dialog.get()), Bstr(L"getTitle").get(),
                                      Bstr(L"()Ljava/lang/String;").get(), none, title.put()),
              S_OK);
    EXPECT_EQ(title.view(), L"Confirm");
    AttributeAnswer dialogTitle = AskAttribute(dialog.get(), L"title");
    EXPECT_EQ(dialogTitle.hr, S_OK);
    EXPECT_EQ(dialogTitle.found, VARIANT_FALSE) << "a JDialog has no getText()";
    EXPECT_FALSE(dialogTitle.value);
    EXPECT_EQ(BoundsOf(dialog.get()), (Bounds{150, 150, 300, 150}));
    EXPECT_EQ(AttributeOf(dialog.get(), L"is_visible"), L"TRUE");

    // Once shown it is among the top-level windows, so it has no container although it has an owner.
    bool listed = false;
    for (const Component& top : TopLevelWindows(jvm())) listed = listed || SameJavaObject(jvm(), top.get(), dialog.get());
    EXPECT_TRUE(listed);
    com_ptr<IDispatch> container;
    EXPECT_EQ(dialog->GetContainer(container.put()), S_OK);
    EXPECT_FALSE(container) << "the owner frame is not the dialog's container";

    app.Call(L"hideDialog");
    EXPECT_EQ(AttributeOf(dialog.get(), L"is_visible"), L"FALSE");
    AttributeAnswer a = AskAttribute(dialog.get(), L"IS_VISIBLE");
    EXPECT_EQ(a.hr, S_OK);
    EXPECT_EQ(a.found, VARIANT_TRUE);
    EXPECT_EQ(OwnedWindowsOf(frame.get()).size(), 1u) << "a hidden dialog is still owned";
}

}  // namespace
}  // namespace mv::test
