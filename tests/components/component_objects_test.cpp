// Component objects made from handles: the class chosen for each kind of Java object, the
// interfaces each answers, and who owns which Java reference.

#include <gtest/gtest.h>

#include "component_test.h"
#include "jniproxy/mv_jni_proxy.h"

namespace mv::test {
namespace {

class ComponentObjects : public ComponentTest {
protected:
    static long long Deleted() {
        MvJniProxyCounters c{};
        MvJniProxy_GetCounters(&c);
        return c.globalRefsDeleted;
    }
    static bool Answers(IUnknown* object, REFIID iid) {
        com_ptr<IUnknown> itf;
        return SUCCEEDED(object->QueryInterface(iid, itf.put_void()));
    }
};

TEST_F(ComponentObjects, AStringIsNoComponentAndItsExtraReferenceIsDeletedAgain) {
    const UINT64 text = NewWithText("java/lang/String", "not a component");
    IDispatch* result = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(text, &result), S_FALSE);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentObjects, TheClassFollowsTheJavaClassAndEachAnswersItsOwnInterfacesOnly) {
    struct Case {
        UINT64 handle;
        bool container, window;
    };
    const Case cases[] = {
        {New("javax/swing/JButton"), true, false},  // Swing components are containers
        {New("java/awt/Button"), false, false},
        {NewWindow("javax/swing/JFrame", 0, 0, 10, 10), true, true},
        {TrackWindow(New("java/awt/Dialog", "(Ljava/awt/Frame;)V", {Ref(nullptr)})), true, true},
    };
    for (const Case& c : cases) {
        com_ptr<IDispatch> object;
        ASSERT_EQ(bridge()->MakeJComponentFromHandle(c.handle, object.put()), S_OK);
        EXPECT_TRUE(Answers(object.get(), IID_IJAwtComponent));
        EXPECT_TRUE(Answers(object.get(), IID_IJObject));
        EXPECT_EQ(Answers(object.get(), IID_IJAwtContainer), c.container);
        EXPECT_EQ(Answers(object.get(), IID_IJAwtWindow), c.window);
        EXPECT_FALSE(Answers(object.get(), IID_IJAwtTextComponent));
        // The pointer handed out is the IJAwtComponent interface.
        EXPECT_EQ(object.get(), object.try_query<IJAwtComponent>().get());
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentObjects, IDispatchIsTheIJObjectInterfaceAndIUnknownTheFirstInterface) {
    const auto window = Component<IJAwtWindow>(NewWindow("java/awt/Frame", 0, 0, 10, 10));
    ASSERT_TRUE(window);
    EXPECT_EQ(static_cast<void*>(window.try_query<IDispatch>().get()),
              static_cast<void*>(window.try_query<IJObject>().get()));
    EXPECT_EQ(static_cast<void*>(window.try_query<IUnknown>().get()), static_cast<void*>(window.get()));

    const auto button = Component<IJAwtComponent>(New("java/awt/Button"));
    ASSERT_TRUE(button);
    EXPECT_EQ(static_cast<void*>(button.try_query<IUnknown>().get()), static_cast<void*>(button.get()));
}

TEST_F(ComponentObjects, TheObjectOwnsAReferenceOfItsOwnDeletedOnceOnTheLastRelease) {
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

    // The caller's handle stays the caller's; the object goes on working without it.
    EXPECT_EQ(bridge()->DeleteJavaObject(mine), S_OK);
    unique_bstr name;
    EXPECT_EQ(jobject->GetClass(name.put()), S_OK);
    EXPECT_EQ(name.view(), L"javax.swing.JLabel");

    jvm.reset();
    jobject.reset();
    const long long deletedBefore = Deleted();
    object.reset();
    EXPECT_EQ(Deleted() - deletedBefore, 1);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ComponentObjects, BadHandlesAndRefusedReferencesGiveNoObject) {
    IDispatch* result = nullptr;
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(0, &result), E_INVALIDARG);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(New("java/awt/Button"), nullptr), E_INVALIDARG);

    const UINT64 button = New("java/awt/Button");
    result = reinterpret_cast<IDispatch*>(1);
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->MakeJComponentFromHandle(button, &result), E_FAIL);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

}  // namespace
}  // namespace mv::test
