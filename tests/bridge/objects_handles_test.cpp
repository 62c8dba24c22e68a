// Handles through the main object: NewGlobalRef and DeleteJavaObject, the rules every member
// shares before it reaches Java (no saved JVM, null outputs, zero handles), and a loop of
// representative calls that must leave no local or global reference behind.

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "common/com/variant.h"
#include "jvm/mv_java_cpp.h"
#include "objects_test_support.h"

namespace mv::test {
namespace {

using Handles = BridgeTest;

TEST_F(Handles, NewGlobalRefMakesExactlyOneMoreHandleToTheSameObject) {
    const UINT64 mine = NewObjectHandle("fixtures/Base");
    const MvJniProxyCounters before = Counters();
    UINT64 copy = 0;
    ASSERT_EQ(bridge()->NewGlobalRef(mine, &copy), S_OK);
    EXPECT_EQ(Counters().globalRefsMade - before.globalRefsMade, 1);
    EXPECT_NE(copy, mine);
    EXPECT_TRUE(env()->IsSameObject(ObjectOf(copy), ObjectOf(mine)));
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(copy)), JNIGlobalRefType);
    EXPECT_EQ(LiveGlobalRefs(), 1);

    // Deleting the copy leaves the original usable.
    EXPECT_EQ(bridge()->DeleteJavaObject(copy), S_OK);
    EXPECT_EQ(Counters().globalRefsDeleted - before.globalRefsDeleted, 1);
    EXPECT_EQ(LiveGlobalRefs(), 0);
    unique_bstr name;
    EXPECT_EQ(bridge()->GetJavaClassName(mine, name.put()), S_OK);
    EXPECT_EQ(TextOf(name.get()), L"fixtures.Base");
}

TEST_F(Handles, NewGlobalRefRejectsZeroAndANullOutputAndReportsARefusal) {
    const UINT64 mine = NewObjectHandle("fixtures/Base");
    UINT64 copy = 0x1234;
    EXPECT_EQ(bridge()->NewGlobalRef(0, &copy), E_INVALIDARG);
    EXPECT_EQ(copy, 0x1234u);
    EXPECT_EQ(bridge()->NewGlobalRef(mine, nullptr), E_INVALIDARG);

    // A refused reference is reported with a zero output.
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->NewGlobalRef(mine, &copy), E_FAIL);
    EXPECT_EQ(copy, 0u);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Handles, EveryMemberFailsBeforeJavaWithoutASavedJvm) {
    com_ptr<IMvJavaCpp> fresh;
    ASSERT_EQ(CreateMvJavaCpp(IID_IMvJavaCpp, fresh.put_void()), S_OK);
    const UINT64 object = NewObjectHandle("fixtures/Base");
    const MvJniProxyCounters before = Counters();
    const unique_bstr name = Bstr(L"fixtures.Base");
    UINT64 handle = 0x1234;
    LONG length = 0x1234;
    VARIANT_BOOL flag = 7;
    BSTR text = nullptr;
    unique_variant array;
    const unique_safearray ints = MakeSafeArray<LONG>(VT_I4, {1, 2});
    EXPECT_EQ(fresh->NewDefJavaObject(name.get(), &handle), E_FAIL);
    EXPECT_EQ(fresh->GetClassByName(name.get(), &handle), E_FAIL);
    EXPECT_EQ(fresh->ObjectToString(object, &text), E_FAIL);
    EXPECT_EQ(fresh->GetJavaClassName(object, &text), E_FAIL);
    EXPECT_EQ(fresh->IsSameJavaObject(object, object, &flag), E_FAIL);
    EXPECT_EQ(fresh->IsInstanceOf(object, name.get(), &flag), E_FAIL);
    EXPECT_EQ(fresh->NewGlobalRef(object, &handle), E_FAIL);
    EXPECT_EQ(fresh->DeleteJavaObject(object), E_FAIL);
    EXPECT_EQ(fresh->NewJavaString(name.get(), &handle), E_FAIL);
    EXPECT_EQ(fresh->GetJavaString(object, &text), E_FAIL);
    EXPECT_EQ(fresh->NewJavaPrimitiveArray(Int, 2, &handle), E_FAIL);
    EXPECT_EQ(fresh->SetJavaPrimitiveArray(object, Int, ArrayVariant(VT_I4, ints.get())), E_FAIL);
    EXPECT_EQ(fresh->GetJavaPrimitiveArray(object, Int, array.get_mutable()), E_FAIL);
    EXPECT_EQ(fresh->GetJavaObjectArray(object, array.get_mutable()), E_FAIL);
    EXPECT_EQ(fresh->GetJavaArrayLength(object, &length), E_FAIL);
    EXPECT_EQ(handle, 0x1234u);
    EXPECT_EQ(length, 0x1234);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(array.type(), VT_EMPTY);
    EXPECT_EQ(Counters().calls, before.calls) << "nothing reached the JVM";
}

TEST_F(Handles, NullOutputsAreRefusedBeforeJava) {
    const UINT64 object = NewObjectHandle("fixtures/Base");
    const unique_bstr name = Bstr(L"fixtures.Base");
    const MvJniProxyCounters before = Counters();
    // The two members whose callers rely on E_INVALIDARG, then the others.
    EXPECT_EQ(bridge()->GetClassByName(name.get(), nullptr), E_INVALIDARG);
    EXPECT_EQ(bridge()->NewGlobalRef(object, nullptr), E_INVALIDARG);
    EXPECT_EQ(bridge()->NewDefJavaObject(name.get(), nullptr), E_POINTER);
    EXPECT_EQ(bridge()->ObjectToString(object, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetJavaClassName(object, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->IsSameJavaObject(object, object, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->IsInstanceOf(object, name.get(), nullptr), E_POINTER);
    EXPECT_EQ(bridge()->NewJavaString(name.get(), nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetJavaString(object, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->NewJavaPrimitiveArray(Int, 2, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetJavaPrimitiveArray(object, Int, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetJavaObjectArray(object, nullptr), E_POINTER);
    EXPECT_EQ(bridge()->GetJavaArrayLength(object, nullptr), E_POINTER);
    EXPECT_EQ(Counters().calls, before.calls) << "nothing reached the JVM";
}

TEST_F(Handles, ZeroHandlesAreRefusedBeforeJava) {
    const MvJniProxyCounters before = Counters();
    BSTR text = nullptr;
    VARIANT_BOOL flag = 7;
    LONG length = 0x1234;
    unique_variant array;
    const unique_safearray ints = MakeSafeArray<LONG>(VT_I4, {1, 2});
    EXPECT_EQ(bridge()->ObjectToString(0, &text), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaClassName(0, &text), E_FAIL);
    EXPECT_EQ(bridge()->IsInstanceOf(0, Bstr(L"java.lang.Object").get(), &flag), E_FAIL);
    EXPECT_EQ(bridge()->DeleteJavaObject(0), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaString(0, &text), E_FAIL);
    EXPECT_EQ(bridge()->SetJavaPrimitiveArray(0, Int, ArrayVariant(VT_I4, ints.get())), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaPrimitiveArray(0, Int, array.get_mutable()), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaObjectArray(0, array.get_mutable()), E_FAIL);
    EXPECT_EQ(bridge()->GetJavaArrayLength(0, &length), E_FAIL);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(flag, 7);
    EXPECT_EQ(length, 0x1234);
    EXPECT_EQ(array.type(), VT_EMPTY);
    EXPECT_EQ(Counters().calls, before.calls) << "nothing reached the JVM";
}

// The test's thread stays attached, so a member that failed to delete a local reference would
// pile them up here until -Xcheck:jni reports the capacity exceeded (a test failure).
TEST_F(Handles, RepeatedCallsLeaveNoReferenceBehind) {
    const unique_bstr className = Bstr(L"fixtures.Derived");
    const unique_bstr text = Bstr(L"text \U0001F600");
    const unique_safearray ints = MakeSafeArray<LONG>(VT_I4, {1, 2, 3});
    UINT64 objects = 0;
    {
        LocalFrame setup(env(), 8);
        jclass arrayFields = FindClass("fixtures/ArrayFields");
        objects = Handle(env()->GetStaticObjectField(
            arrayFields, StaticFieldId(arrayFields, "objects", "[Ljava/lang/Object;")));
    }
    const long long liveBefore = LiveGlobalRefs();
    for (int i = 0; i < 100; ++i) {
        UINT64 object = 0, copy = 0, string = 0, array = 0;
        ASSERT_EQ(bridge()->NewDefJavaObject(className.get(), &object), S_OK);
        unique_bstr out;
        ASSERT_EQ(bridge()->ObjectToString(object, out.put()), S_OK);
        ASSERT_EQ(bridge()->GetJavaClassName(object, out.put()), S_OK);
        VARIANT_BOOL flag = 0;
        ASSERT_EQ(bridge()->IsInstanceOf(object, className.get(), &flag), S_OK);
        ASSERT_EQ(bridge()->NewGlobalRef(object, &copy), S_OK);
        ASSERT_EQ(bridge()->IsSameJavaObject(object, copy, &flag), S_OK);
        ASSERT_EQ(bridge()->NewJavaString(text.get(), &string), S_OK);
        ASSERT_EQ(bridge()->GetJavaString(string, out.put()), S_OK);
        ASSERT_EQ(bridge()->NewJavaPrimitiveArray(Int, 3, &array), S_OK);
        ASSERT_EQ(bridge()->SetJavaPrimitiveArray(array, Int, ArrayVariant(VT_I4, ints.get())), S_OK);
        unique_variant values;
        ASSERT_EQ(bridge()->GetJavaPrimitiveArray(array, Int, values.get_mutable()), S_OK);
        LONG length = 0;
        ASSERT_EQ(bridge()->GetJavaArrayLength(array, &length), S_OK);
        unique_variant elements;
        ASSERT_EQ(bridge()->GetJavaObjectArray(objects, elements.get_mutable()), S_OK);
        for (UINT64 element : ElementsOf<UINT64>(elements.get(), VT_UI8))
            ASSERT_EQ(bridge()->DeleteJavaObject(element), S_OK);
        for (UINT64 handle : {object, copy, string, array}) ASSERT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    }
    EXPECT_EQ(LiveGlobalRefs(), liveBefore);
    EXPECT_TRUE(NoException());
}

}  // namespace
}  // namespace mv::test
