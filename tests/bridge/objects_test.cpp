// Objects and classes through the main object: NewDefJavaObject, GetClassByName,
// ObjectToString, GetJavaClassName, IsSameJavaObject and IsInstanceOf against a real JVM.

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "objects_test_support.h"

namespace mv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using Objects = BridgeTest;

TEST_F(Objects, NewDefJavaObjectTakesDottedAndSlashNamesAndHandsOutOneGlobalReference) {
    for (const wchar_t* name : {L"fixtures.Derived", L"fixtures/Derived"}) {
        SCOPED_TRACE(testing::Message() << "name " << testing::PrintToString(std::wstring(name)));
        LocalFrame frame(env(), 16);
        const MvJniProxyCounters before = Counters();
        UINT64 handle = 0;
        ASSERT_EQ(bridge()->NewDefJavaObject(Bstr(name).get(), &handle), S_OK);
        EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1);
        EXPECT_EQ(env()->GetObjectRefType(ObjectOf(handle)), JNIGlobalRefType);
        jclass derived = FindClass("fixtures/Derived");
        ASSERT_TRUE(env()->IsInstanceOf(ObjectOf(handle), derived));
        // Derived's no-argument constructor sets 11.
        EXPECT_EQ(env()->CallIntMethod(ObjectOf(handle), MethodId(derived, "value", "()I")), 11);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
    const std::string trace = ReadTrace();
    EXPECT_THAT(trace, HasSubstr("FindClass(\"fixtures/Derived\")"));
    EXPECT_THAT(trace, Not(HasSubstr("FindClass(\"fixtures.Derived\")")));
}

TEST_F(Objects, NewDefJavaObjectFailsWithNothingPendingWhenNoObjectCanBeMade) {
    const wchar_t* const names[] = {
        L"fixtures.NoDefaultConstructor",  // no ()V constructor
        L"fixtures.Throwing",              // the constructor throws
        L"fixtures.NoSuchClass",
        L"java.lang.Runnable",             // an interface
        L"",
    };
    for (const wchar_t* name : names) {
        SCOPED_TRACE(testing::Message() << "name " << testing::PrintToString(std::wstring(name)));
        UINT64 handle = 0x1234;
        EXPECT_EQ(bridge()->NewDefJavaObject(Bstr(name).get(), &handle), E_FAIL);
        EXPECT_EQ(handle, 0x1234u) << "output written on failure";
        EXPECT_TRUE(NoException());
    }
    UINT64 handle = 0x1234;
    EXPECT_EQ(bridge()->NewDefJavaObject(nullptr, &handle), E_FAIL);
    EXPECT_EQ(handle, 0x1234u);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(Counters().globalRefsMade, 0);
}

TEST_F(Objects, NewDefJavaObjectFailsCleanlyWhenTheJvmRefuses) {
    for (const char* function : {"FindClass", "GetMethodID", "NewObject", "NewGlobalRef"}) {
        SCOPED_TRACE(function);
        ASSERT_EQ(MvJniProxy_FailNext(function, 1), 1);
        UINT64 handle = 0x1234;
        EXPECT_EQ(bridge()->NewDefJavaObject(Bstr(L"fixtures.Base").get(), &handle), E_FAIL);
        EXPECT_EQ(handle, 0x1234u);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

TEST_F(Objects, GetClassByNameHandsOutTheLocalReferenceOfTheSlashName) {
    LocalFrame frame(env(), 16);  // the class reference is made in the test's frame
    UINT64 handle = 0;
    ASSERT_EQ(bridge()->GetClassByName(Bstr(L"fixtures/Base").get(), &handle), S_OK);
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(handle)), JNILocalRefType);
    EXPECT_TRUE(env()->IsSameObject(ObjectOf(handle), FindClass("fixtures/Base")));
    EXPECT_EQ(Counters().globalRefsMade, 0);

    // Promoted with NewGlobalRef while valid, it outlives the frame.
    UINT64 global = 0;
    ASSERT_EQ(bridge()->NewGlobalRef(handle, &global), S_OK);
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(global)), JNIGlobalRefType);
    EXPECT_EQ(bridge()->DeleteJavaObject(global), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Objects, GetClassByNameUsesTheNameUnchangedAndLeavesTheJvmsErrorPending) {
    UINT64 handle = 0x1234;
    EXPECT_EQ(bridge()->GetClassByName(Bstr(L"fixtures.Base").get(), &handle), E_FAIL);
    EXPECT_EQ(handle, 0x1234u);
    EXPECT_TRUE(TakeException("java/lang/NoClassDefFoundError"));
    EXPECT_THAT(ReadTrace(), HasSubstr("FindClass(\"fixtures.Base\")"));

    EXPECT_EQ(bridge()->GetClassByName(nullptr, &handle), E_FAIL);
    EXPECT_EQ(handle, 0x1234u);
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, ObjectToStringAnswersTheTextOfToString) {
    LocalFrame frame(env(), 16);
    // A String's toString is itself: the text crosses unchanged, outside the BMP included.
    const std::u16string nonBmp = u"G clef \U0001D11E";
    unique_bstr text;
    ASSERT_EQ(bridge()->ObjectToString(Handle(JavaString(env(), nonBmp)), text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), L"G clef \U0001D11E");
    // A Java text with U+0000 comes back cut there.
    ASSERT_EQ(bridge()->ObjectToString(Handle(JavaString(env(), std::u16string(u"x\0y", 3))), text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), L"x");
    // Integer.valueOf(42), from a static method of Base.
    jclass base = FindClass("fixtures/Base");
    jobject integer = env()->CallStaticObjectMethod(base, StaticMethodId(base, "staticObjectResult", "()Ljava/lang/Object;"));
    ASSERT_TRUE(NoException());
    ASSERT_EQ(bridge()->ObjectToString(Handle(integer), text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), L"42");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Objects, ObjectToStringLeavesTheOutputAloneWhenToStringGivesNullOrThrows) {
    unique_bstr mine(::SysAllocString(L"mine"));
    BSTR out = mine.get();
    EXPECT_EQ(bridge()->ObjectToString(NewObjectHandle("fixtures/NullToString"), &out), S_OK);
    EXPECT_EQ(out, mine.get());
    EXPECT_TRUE(NoException());

    // An exception of toString is left pending for the caller.
    EXPECT_EQ(bridge()->ObjectToString(NewObjectHandle("fixtures/ThrowingToString"), &out), S_OK);
    EXPECT_EQ(out, mine.get());
    EXPECT_TRUE(TakeException("java/lang/IllegalStateException"));

    const UINT64 base = NewObjectHandle("fixtures/Base");
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);  // toString
    EXPECT_EQ(bridge()->ObjectToString(base, &out), E_FAIL);
    EXPECT_EQ(out, mine.get());
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, ObjectToStringGivesAnEmptyTextWhenTheCharactersCannotBeHad) {
    LocalFrame frame(env(), 8);
    const UINT64 handle = Handle(JavaString(env(), u"text"));
    ASSERT_EQ(MvJniProxy_FailNext("GetStringChars", 1), 1);
    unique_bstr text;
    EXPECT_EQ(bridge()->ObjectToString(handle, text.put()), S_OK);
    ASSERT_TRUE(text);
    EXPECT_EQ(TextOf(text.get()), L"");
    // Only lookup failures clear what the JVM raised.
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
}

TEST_F(Objects, GetJavaClassNameAnswersTheNameThatClassGetNameGives) {
    LocalFrame frame(env(), 16);
    struct Case {
        UINT64 handle;
        const wchar_t* name;
    };
    const Case cases[] = {
        {NewObjectHandle("fixtures/Derived"), L"fixtures.Derived"},
        {NewObjectHandle("fixtures/Nesting$Inner$Innermost"), L"fixtures.Nesting$Inner$Innermost"},
        {Handle(env()->NewIntArray(2)), L"[I"},
        {Handle(env()->NewObjectArray(1, FindClass("java/lang/String"), nullptr)), L"[Ljava.lang.String;"},
        {Handle(FindClass("fixtures/Base")), L"java.lang.Class"},
    };
    for (const Case& c : cases) {
        unique_bstr name;
        EXPECT_EQ(bridge()->GetJavaClassName(c.handle, name.put()), S_OK);
        EXPECT_EQ(TextOf(name.get()), c.name);
    }
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Objects, GetJavaClassNameFailsWithNothingPendingWhenALookupFails) {
    unique_bstr mine(::SysAllocString(L"mine"));
    BSTR out = mine.get();
    const UINT64 handle = NewObjectHandle("fixtures/Base");
    ASSERT_EQ(MvJniProxy_FailNext("GetMethodID", 1), 1);  // getClass
    EXPECT_EQ(bridge()->GetJavaClassName(handle, &out), E_FAIL);
    EXPECT_EQ(out, mine.get());
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, IsSameJavaObjectComparesTheObjectsBehindTheHandles) {
    LocalFrame frame(env(), 8);
    jobject derived = NewDefault("fixtures/Derived");
    const UINT64 first = Handle(derived), second = Handle(derived);
    ASSERT_NE(first, second);
    VARIANT_BOOL same = 7;
    EXPECT_EQ(bridge()->IsSameJavaObject(first, second, &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
    EXPECT_EQ(bridge()->IsSameJavaObject(first, NewObjectHandle("fixtures/Derived"), &same), S_OK);
    EXPECT_EQ(same, VARIANT_FALSE);
    // Two handles that name no object are the same; one of them and an object are not.
    EXPECT_EQ(bridge()->IsSameJavaObject(0, 0, &same), S_OK);
    EXPECT_EQ(same, VARIANT_TRUE);
    EXPECT_EQ(bridge()->IsSameJavaObject(first, 0, &same), S_OK);
    EXPECT_EQ(same, VARIANT_FALSE);
}

TEST_F(Objects, IsInstanceOfTakesDottedAndSlashNames) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    const UINT64 inner = NewObjectHandle("fixtures/Nesting$Inner");
    struct Case {
        UINT64 handle;
        const wchar_t* className;
        VARIANT_BOOL expected;
    };
    const Case cases[] = {
        {derived, L"fixtures.Derived", VARIANT_TRUE},
        {derived, L"fixtures.Base", VARIANT_TRUE},
        {derived, L"fixtures/Base", VARIANT_TRUE},
        {derived, L"java.lang.Object", VARIANT_TRUE},
        {derived, L"java.lang.String", VARIANT_FALSE},
        {inner, L"fixtures.Nesting$Inner", VARIANT_TRUE},
        {inner, L"fixtures.Nesting", VARIANT_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.className)));
        VARIANT_BOOL is = 7;
        EXPECT_EQ(bridge()->IsInstanceOf(c.handle, Bstr(c.className).get(), &is), S_OK);
        EXPECT_EQ(is, c.expected);
    }
    EXPECT_THAT(ReadTrace(), Not(HasSubstr("FindClass(\"fixtures.")));
    EXPECT_TRUE(NoException());
}

TEST_F(Objects, IsInstanceOfFailsWithNothingPendingForAnUnknownClass) {
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    VARIANT_BOOL is = 7;
    EXPECT_EQ(bridge()->IsInstanceOf(derived, Bstr(L"fixtures.NoSuchClass").get(), &is), E_FAIL);
    EXPECT_EQ(bridge()->IsInstanceOf(derived, nullptr, &is), E_FAIL);
    ASSERT_EQ(MvJniProxy_FailNext("FindClass", 1), 1);
    EXPECT_EQ(bridge()->IsInstanceOf(derived, Bstr(L"fixtures.Base").get(), &is), E_FAIL);
    EXPECT_EQ(is, 7);
    EXPECT_TRUE(NoException());
}

}  // namespace
}  // namespace mv::test
