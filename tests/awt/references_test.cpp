// Java references across a whole walk of both sample applications: every component object and
// array the client receives is released again, and with them every JNI global reference the
// module made in the host; -Xcheck:jni finds nothing to report about the module's calls.

#include <windows.h>

#include <set>
#include <string>

#include "awt_test.h"
#include "common/com/bstr.h"

namespace mv::test {
namespace {

class References : public AwtTest {
protected:
    // Live JNI global references in the host (made minus deleted), as the host counts them.
    long long LiveReferences() {
        const long long refs = host().LiveReferences();
        EXPECT_GE(refs, 0) << "the host answers \"refs\"";
        return refs;
    }

    // Reads everything a client can read of a component and of all below it and owned by it.
    void Walk(IJAwtComponent* component, int depth, std::set<std::wstring>& names) {
        ASSERT_LT(depth, 20) << "the tree is deeper than any sample's";
        ClassOf(component);
        BoundsOf(component);
        names.insert(NameOf(component));
        for (const wchar_t* name : {L"title", L"is_visible"}) AttributeOf(component, name);
        unique_bstr text;
        VARIANT_BOOL flag = VARIANT_FALSE;
        component->GetValue(text.put(), &flag);
        component->IsTextComponent(&flag);
        com_ptr<IDispatch> parent;
        component->GetContainer(parent.put());
        if (const auto container = As<IJAwtContainer>(component)) {
            com_ptr<IDispatch> hit;
            container->FindComponentAt(POINTL{5, 5}, hit.put());
            for (const Component& child : ChildrenOf(component)) {
                if (!child) continue;
                // Ranks walk the parent's children once more for every child.
                LONG rank = 0;
                child->GetRelXPos(&rank);
                child->GetRelYPos(&rank);
                Walk(child.get(), depth + 1, names);
            }
        }
        for (const Component& owned : OwnedWindowsOf(component))
            if (owned) Walk(owned.get(), depth + 1, names);
    }
};

TEST_F(References, AWholeWalkOfBothApplicationsLeavesNoReferenceBehind) {
    const long long before = LiveReferences();
    ASSERT_GE(before, 0);
    std::set<std::wstring> names;
    {
        const std::vector<Component> windows = TopLevelWindows(jvm());
        ASSERT_GE(windows.size(), 2u) << "the login window and the AWT window";
        for (const Component& window : windows) {
            ASSERT_TRUE(window);
            Walk(window.get(), 0, names);
        }
        ASSERT_GT(LiveReferences(), before) << "the component objects still alive hold references";
    }
    for (const wchar_t* name : {L"loginFrame", L"content", L"credentials", L"userLabel", L"user", L"password",
                                L"signIn", L"details", L"r1c1", L"r2c3", L"awtFrame", L"codeLabel", L"code", L"ok",
                                L"off"})
        EXPECT_EQ(names.count(name), 1u) << "not walked: " << std::string(name, name + wcslen(name));
    EXPECT_EQ(LiveReferences(), before);
    EXPECT_TRUE(FindJniWarningsOfCallers(host().JvmOutput()).empty()) << host().JvmOutput();
}

TEST_F(References, AComponentMadeFromAHandleKeepsAReferenceOfItsOwn) {
    const long long before = LiveReferences();
    {
        const Component frame = Window(L"loginFrame");
        ASSERT_TRUE(frame);
        UINT64 handle = 0;
        ASSERT_EQ(jvm()->NewGlobalRef(HandleOf(frame.get()), &handle), S_OK);
        com_ptr<IDispatch> made;
        ASSERT_EQ(jvm()->MakeJComponentFromHandle(handle, made.put()), S_OK);
        // The caller's handle stays the caller's: deleting it leaves the new object working.
        ASSERT_EQ(jvm()->DeleteJavaObject(handle), S_OK);
        const auto component = As<IJAwtComponent>(made.get());
        ASSERT_TRUE(component);
        EXPECT_EQ(NameOf(component.get()), L"loginFrame");
        EXPECT_NE(HandleOf(component.get()), handle);

        // A string is no component: nothing is made, and the reference made for it goes again.
        UINT64 text = 0;
        ASSERT_EQ(jvm()->NewJavaString(unique_bstr(::SysAllocString(L"not a component")).get(), &text), S_OK);
        const long long withText = LiveReferences();
        com_ptr<IDispatch> none;
        EXPECT_EQ(jvm()->MakeJComponentFromHandle(text, none.put()), S_FALSE);
        EXPECT_FALSE(none);
        EXPECT_EQ(LiveReferences(), withText);
        EXPECT_EQ(jvm()->DeleteJavaObject(text), S_OK);
    }
    EXPECT_EQ(LiveReferences(), before);
}

}  // namespace
}  // namespace mv::test
