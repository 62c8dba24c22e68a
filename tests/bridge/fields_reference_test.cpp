// The Object and String field members against a real JVM: every handle handed out is one new
// global reference that the client owns, null fields and zero values are refused, strings keep
// their UTF-16 units up to the first NUL, and faults of the JVM leave nothing behind.

#include <memory>
#include <string>

#include "bridge_test.h"
#include "fields_methods_support.h"

namespace mv::test {
namespace {

constexpr UINT64 kUntouched = 0xDEADBEEFull;

class ReferenceFields : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        m_frame = std::make_unique<LocalFrame>(env(), 64);
        m_class = FindClass("fixtures/Fields");
        ASSERT_NE(m_class, nullptr);
        ResetStatics();
        m_object = NewDefault("fixtures/Fields");
        ASSERT_NE(m_object, nullptr);
        m_handle = Handle(m_object);
        m_objectField = FieldId(m_class, "objectField", "Ljava/lang/Object;");
        m_stringField = FieldId(m_class, "stringField", "Ljava/lang/String;");
    }
    void TearDown() override {
        if (m_class) ResetStatics();
        m_frame.reset();
        BridgeTest::TearDown();
    }

    void ResetStatics() {
        env()->CallStaticVoidMethod(m_class, StaticMethodId(m_class, "reset", "()V"));
        EXPECT_TRUE(NoException());
    }
    // Deletes a handle the bridge handed out, as DeleteJavaObject does.
    void DeleteHandle(UINT64 handle) { env()->DeleteGlobalRef(ObjectOf(handle)); }

    jstring StringField() { return static_cast<jstring>(env()->GetObjectField(m_object, m_stringField)); }
    // A Java string of these units, as a handle owned by the test.
    UINT64 StringHandle(const std::u16string& units) {
        return Handle(env()->NewString(reinterpret_cast<const jchar*>(units.data()), static_cast<jsize>(units.size())));
    }

    std::unique_ptr<LocalFrame> m_frame;
    jclass m_class = nullptr;    // fixtures.Fields
    jobject m_object = nullptr;  // an instance of it
    UINT64 m_handle = 0;
    jfieldID m_objectField = nullptr;
    jfieldID m_stringField = nullptr;
};

TEST_F(ReferenceFields, EachReadHandsOutANewGlobalReferenceThatTheClientDeletes) {
    const unique_bstr name = Bstr(L"objectField");
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    UINT64 first = 0, second = 0;
    ASSERT_EQ(bridge()->GetObjectField(m_handle, name.get(), sig.get(), &first), S_OK);
    ASSERT_EQ(bridge()->GetObjectField(m_handle, name.get(), sig.get(), &second), S_OK);
    EXPECT_NE(first, second) << "two handles";
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(first)), JNIGlobalRefType);
    EXPECT_TRUE(env()->IsSameObject(ObjectOf(first), ObjectOf(second))) << "to the same object";
    jobject held = env()->GetObjectField(m_object, m_objectField);
    EXPECT_TRUE(env()->IsSameObject(ObjectOf(first), held));
    EXPECT_EQ(Utf(env(), static_cast<jstring>(ObjectOf(first))), "instance object");
    EXPECT_EQ(LiveGlobalRefs(), 2) << "one global reference per handle";
    DeleteHandle(first);
    EXPECT_EQ(LiveGlobalRefs(), 1);
    DeleteHandle(second);
    EXPECT_EQ(LiveGlobalRefs(), 0);

    UINT64 fromStatic = 0;
    ASSERT_EQ(bridge()->GetStaticObjectField(m_handle, Bstr(L"staticObject").get(), sig.get(), &fromStatic), S_OK);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(ObjectOf(fromStatic))), "static object");
    EXPECT_EQ(LiveGlobalRefs(), 1);
    DeleteHandle(fromStatic);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, TheObjectMembersUseTheCallersSignature) {
    UINT64 handle = kUntouched;
    // A String field is an Object field of signature Ljava/lang/String;.
    ASSERT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"stringField").get(), Bstr(L"Ljava/lang/String;").get(), &handle), S_OK);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(ObjectOf(handle))), "instance string");
    DeleteHandle(handle);

    // The declared type must match exactly.
    handle = kUntouched;
    EXPECT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"stringField").get(), Bstr(L"Ljava/lang/Object;").get(), &handle), E_FAIL);
    EXPECT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"objectField").get(), Bstr(L"java/lang/Object").get(), &handle), E_FAIL);
    EXPECT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"objectField").get(), nullptr, &handle), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(handle, kUntouched);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, AFieldThatHoldsNullGivesNoHandle) {
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    UINT64 handle = kUntouched;
    EXPECT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"nullObjectField").get(), sig.get(), &handle), E_FAIL);
    EXPECT_EQ(bridge()->GetStaticObjectField(m_handle, Bstr(L"staticNullObject").get(), sig.get(), &handle), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(handle, kUntouched);
    EXPECT_EQ(LiveGlobalRefs(), 0);

    BSTR text = reinterpret_cast<BSTR>(kUntouched);
    EXPECT_EQ(bridge()->GetStringField(m_handle, Bstr(L"nullStringField").get(), &text), E_FAIL);
    EXPECT_EQ(bridge()->GetStaticStringField(m_handle, Bstr(L"staticNullString").get(), &text), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(text, reinterpret_cast<BSTR>(kUntouched));
}

TEST_F(ReferenceFields, SettingAnObjectKeepsTheClientsHandleAndNoReferenceOfItsOwn) {
    const unique_bstr name = Bstr(L"objectField");
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    const UINT64 value = StringHandle(u"set through the bridge");
    ASSERT_EQ(bridge()->SetObjectField(m_handle, name.get(), sig.get(), value), S_OK);
    jobject held = env()->GetObjectField(m_object, m_objectField);
    EXPECT_TRUE(env()->IsSameObject(held, ObjectOf(value)));
    EXPECT_EQ(LiveGlobalRefs(), 0) << "the bridge's own reference is gone";
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(value)), JNIGlobalRefType) << "the client's handle stays valid";

    ASSERT_EQ(bridge()->SetStaticObjectField(m_handle, Bstr(L"staticObject").get(), sig.get(), value), S_OK);
    jobject heldStatic = env()->GetStaticObjectField(m_class, StaticFieldId(m_class, "staticObject", "Ljava/lang/Object;"));
    EXPECT_TRUE(env()->IsSameObject(heldStatic, ObjectOf(value)));

    // A String field takes a string through the Object members too.
    ASSERT_EQ(bridge()->SetObjectField(m_handle, Bstr(L"stringField").get(), Bstr(L"Ljava/lang/String;").get(), value), S_OK);
    EXPECT_EQ(Utf(env(), StringField()), "set through the bridge");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, AZeroValueIsRefusedAndTheFieldKeepsItsObject) {
    jobject before = env()->GetObjectField(m_object, m_objectField);
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    EXPECT_EQ(bridge()->SetObjectField(m_handle, Bstr(L"objectField").get(), sig.get(), 0), E_FAIL);
    EXPECT_EQ(bridge()->SetStaticObjectField(m_handle, Bstr(L"staticObject").get(), sig.get(), 0), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_TRUE(env()->IsSameObject(env()->GetObjectField(m_object, m_objectField), before));
    jobject staticNow = env()->GetStaticObjectField(m_class, StaticFieldId(m_class, "staticObject", "Ljava/lang/Object;"));
    EXPECT_EQ(Utf(env(), static_cast<jstring>(staticNow)), "static object");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, StringsCrossUnitByUnitUpToTheFirstNul) {
    const unique_bstr name = Bstr(L"stringField");
    BSTR raw = nullptr;
    ASSERT_EQ(bridge()->GetStringField(m_handle, name.get(), &raw), S_OK);
    unique_bstr text(raw);
    EXPECT_EQ(UnitsOf(text.get()), u"instance string");

    // Characters outside the Basic Multilingual Plane: surrogate pairs both ways.
    const std::u16string nonBmp = u"G clef \U0001D11E, grin \U0001F600";
    const unique_bstr given(AllocUnits(nonBmp));
    ASSERT_EQ(bridge()->SetStringField(m_handle, name.get(), given.get()), S_OK);
    EXPECT_EQ(UnitsOf(env(), StringField()), nonBmp);
    ASSERT_EQ(bridge()->GetStringField(m_handle, name.get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), nonBmp);

    // A BSTR with a NUL inside reaches Java cut there.
    const unique_bstr withNul(AllocUnits(std::u16string(u"a\0b", 3)));
    ASSERT_EQ(bridge()->SetStringField(m_handle, name.get(), withNul.get()), S_OK);
    EXPECT_EQ(UnitsOf(env(), StringField()), u"a");

    // A Java string with U+0000 inside comes back cut there.
    jstring javaWithNul = env()->NewString(reinterpret_cast<const jchar*>(u"x\0y"), 3);
    env()->SetObjectField(m_object, m_stringField, javaWithNul);
    ASSERT_EQ(bridge()->GetStringField(m_handle, name.get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"x");

    // Empty and null BSTRs store the empty string, which reads back as an empty BSTR.
    ASSERT_EQ(bridge()->SetStringField(m_handle, name.get(), Bstr(L"").get()), S_OK);
    EXPECT_EQ(UnitsOf(env(), StringField()), u"");
    ASSERT_EQ(bridge()->GetStringField(m_handle, name.get(), text.put()), S_OK);
    ASSERT_NE(text.get(), nullptr);
    EXPECT_EQ(UnitsOf(text.get()), u"");
    env()->SetObjectField(m_object, m_stringField, javaWithNul);
    ASSERT_EQ(bridge()->SetStringField(m_handle, name.get(), nullptr), S_OK);
    EXPECT_EQ(UnitsOf(env(), StringField()), u"");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, StaticStringsAreReachedThroughAnyInstanceOfADeclaringOrInheritingClass) {
    const unique_bstr name = Bstr(L"staticString");
    ASSERT_EQ(bridge()->SetStaticStringField(m_handle, name.get(), Bstr(L"new static").get()), S_OK);
    jobject held = env()->GetStaticObjectField(m_class, StaticFieldId(m_class, "staticString", "Ljava/lang/String;"));
    EXPECT_EQ(Utf(env(), static_cast<jstring>(held)), "new static");
    unique_bstr text;
    ASSERT_EQ(bridge()->GetStaticStringField(m_handle, name.get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"new static");

    // Base declares lastVoidCall; an instance of Derived reaches it.
    const UINT64 derived = NewObjectHandle("fixtures/Derived");
    jclass base = FindClass("fixtures/Base");
    const jfieldID lastVoidCall = StaticFieldId(base, "lastVoidCall", "Ljava/lang/String;");
    ASSERT_EQ(bridge()->SetStaticStringField(derived, Bstr(L"lastVoidCall").get(), Bstr(L"through Derived").get()), S_OK);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(base, lastVoidCall))), "through Derived");
    ASSERT_EQ(bridge()->GetStaticStringField(derived, Bstr(L"lastVoidCall").get(), text.put()), S_OK);
    EXPECT_EQ(UnitsOf(text.get()), u"through Derived");
    env()->SetStaticObjectField(base, lastVoidCall, env()->NewStringUTF(""));

    // A String member finds only a field declared String.
    EXPECT_EQ(bridge()->GetStaticStringField(m_handle, Bstr(L"staticObject").get(), text.put()), E_FAIL);
    EXPECT_EQ(bridge()->SetStringField(m_handle, Bstr(L"objectField").get(), Bstr(L"x").get()), E_FAIL);
    EXPECT_TRUE(NoException());
}

TEST_F(ReferenceFields, AGlobalReferenceTheJvmRefusesFailsTheCallAndLeavesNothing) {
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    UINT64 handle = kUntouched;
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->GetObjectField(m_handle, Bstr(L"objectField").get(), sig.get(), &handle), E_FAIL);
    EXPECT_EQ(handle, kUntouched);
    EXPECT_TRUE(NoException());
    EXPECT_EQ(LiveGlobalRefs(), 0);

    jobject before = env()->GetObjectField(m_object, m_objectField);
    const UINT64 value = StringHandle(u"never stored");
    ASSERT_EQ(MvJniProxy_FailNext("NewGlobalRef", 1), 1);
    EXPECT_EQ(bridge()->SetObjectField(m_handle, Bstr(L"objectField").get(), sig.get(), value), E_FAIL);
    EXPECT_TRUE(NoException());
    EXPECT_TRUE(env()->IsSameObject(env()->GetObjectField(m_object, m_objectField), before));
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(ReferenceFields, AStringTheJvmCannotMakeFailsTheSetterAndIsCleared) {
    ASSERT_EQ(MvJniProxy_FailNext("NewString", 1), 1);
    EXPECT_EQ(bridge()->SetStringField(m_handle, Bstr(L"stringField").get(), Bstr(L"never stored").get()), E_FAIL);
    EXPECT_TRUE(NoException()) << "the JVM's OutOfMemoryError is cleared";
    EXPECT_EQ(Utf(env(), StringField()), "instance string");
}

TEST_F(ReferenceFields, CharactersTheJvmCannotLendGiveAnEmptyText) {
    // The getter still succeeds with an empty BSTR; the JVM's error of that call is left as it is.
    ASSERT_EQ(MvJniProxy_FailNext("GetStringChars", 1), 1);
    unique_bstr text;
    EXPECT_EQ(bridge()->GetStringField(m_handle, Bstr(L"stringField").get(), text.put()), S_OK);
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
    ASSERT_NE(text.get(), nullptr);
    EXPECT_EQ(UnitsOf(text.get()), u"");
}

TEST_F(ReferenceFields, ManyCallsLeaveNoReferenceBehind) {
    const unique_bstr objectName = Bstr(L"objectField");
    const unique_bstr stringName = Bstr(L"stringField");
    const unique_bstr sig = Bstr(L"Ljava/lang/Object;");
    const UINT64 value = StringHandle(u"value");
    for (int i = 0; i < 100; ++i) {
        UINT64 handle = 0;
        ASSERT_EQ(bridge()->GetObjectField(m_handle, objectName.get(), sig.get(), &handle), S_OK);
        DeleteHandle(handle);
        ASSERT_EQ(bridge()->SetObjectField(m_handle, objectName.get(), sig.get(), value), S_OK);
        ASSERT_EQ(bridge()->SetStringField(m_handle, stringName.get(), Bstr(L"text").get()), S_OK);
        unique_bstr text;
        ASSERT_EQ(bridge()->GetStringField(m_handle, stringName.get(), text.put()), S_OK);
        ASSERT_EQ(bridge()->GetStaticStringField(m_handle, Bstr(L"staticString").get(), text.put()), S_OK);
    }
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

}  // namespace
}  // namespace mv::test
