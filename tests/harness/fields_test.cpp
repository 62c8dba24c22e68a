// Field lookups, reads and writes through the proxy reach the JVM's fields: static and instance
// fields of the nine JNI types and String.

#include <string>

#include "jni_test.h"

namespace mv::test {
namespace {

class Fields : public JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        if (HasFatalFailure()) return;
        frame = std::make_unique<LocalFrame>(env(), 32);
        cls = FindClass("fixtures/Fields");
        object = NewDefault("fixtures/Fields");
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        if (cls != nullptr) {  // the statics go back for the next test
            env()->CallStaticVoidMethod(cls, StaticMethodId(cls, "reset", "()V"));
            EXPECT_TRUE(NoException());
        }
        frame.reset();
        JniTest::TearDown();
    }
    std::unique_ptr<LocalFrame> frame;
    jclass cls = nullptr;
    jobject object = nullptr;
};

TEST_F(Fields, InstanceFieldsOfEveryTypeReadAsJavaSetThem) {
    EXPECT_EQ(env()->GetBooleanField(object, FieldId(cls, "booleanField", "Z")), JNI_TRUE);
    EXPECT_EQ(env()->GetByteField(object, FieldId(cls, "byteField", "B")), -1);
    EXPECT_EQ(env()->GetCharField(object, FieldId(cls, "charField", "C")), 0xe9);
    EXPECT_EQ(env()->GetShortField(object, FieldId(cls, "shortField", "S")), -12345);
    EXPECT_EQ(env()->GetIntField(object, FieldId(cls, "intField", "I")), 123456789);
    EXPECT_EQ(env()->GetLongField(object, FieldId(cls, "longField", "J")), 0x0123456789abcdefLL);
    EXPECT_EQ(env()->GetFloatField(object, FieldId(cls, "floatField", "F")), 1.5f);
    EXPECT_EQ(env()->GetDoubleField(object, FieldId(cls, "doubleField", "D")), -2.25);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetObjectField(object, FieldId(cls, "objectField", "Ljava/lang/Object;")))),
              "instance object");
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetObjectField(object, FieldId(cls, "stringField", "Ljava/lang/String;")))),
              "instance string");
    EXPECT_EQ(env()->GetObjectField(object, FieldId(cls, "nullObjectField", "Ljava/lang/Object;")), nullptr);
    EXPECT_EQ(env()->GetObjectField(object, FieldId(cls, "nullStringField", "Ljava/lang/String;")), nullptr);
}

TEST_F(Fields, InstanceFieldsOfEveryTypeTakeWhatIsWritten) {
    env()->SetBooleanField(object, FieldId(cls, "booleanField", "Z"), JNI_FALSE);
    env()->SetByteField(object, FieldId(cls, "byteField", "B"), 0x7f);
    env()->SetCharField(object, FieldId(cls, "charField", "C"), 0xd834);
    env()->SetShortField(object, FieldId(cls, "shortField", "S"), 32767);
    env()->SetIntField(object, FieldId(cls, "intField", "I"), -1);
    env()->SetLongField(object, FieldId(cls, "longField", "J"), -0x7000000000000000LL);
    env()->SetFloatField(object, FieldId(cls, "floatField", "F"), 3.25e-20f);
    env()->SetDoubleField(object, FieldId(cls, "doubleField", "D"), 5e-324);
    jstring text = env()->NewStringUTF("written");
    env()->SetObjectField(object, FieldId(cls, "objectField", "Ljava/lang/Object;"), text);
    env()->SetObjectField(object, FieldId(cls, "stringField", "Ljava/lang/String;"), nullptr);

    EXPECT_EQ(env()->GetBooleanField(object, FieldId(cls, "booleanField", "Z")), JNI_FALSE);
    EXPECT_EQ(env()->GetByteField(object, FieldId(cls, "byteField", "B")), 0x7f);
    EXPECT_EQ(env()->GetCharField(object, FieldId(cls, "charField", "C")), 0xd834);
    EXPECT_EQ(env()->GetShortField(object, FieldId(cls, "shortField", "S")), 32767);
    EXPECT_EQ(env()->GetIntField(object, FieldId(cls, "intField", "I")), -1);
    EXPECT_EQ(env()->GetLongField(object, FieldId(cls, "longField", "J")), -0x7000000000000000LL);
    EXPECT_EQ(env()->GetFloatField(object, FieldId(cls, "floatField", "F")), 3.25e-20f);
    EXPECT_EQ(env()->GetDoubleField(object, FieldId(cls, "doubleField", "D")), 5e-324);
    jobject stored = env()->GetObjectField(object, FieldId(cls, "objectField", "Ljava/lang/Object;"));
    EXPECT_TRUE(env()->IsSameObject(stored, text));
    EXPECT_EQ(env()->GetObjectField(object, FieldId(cls, "stringField", "Ljava/lang/String;")), nullptr);
}

TEST_F(Fields, StaticFieldsOfEveryTypeReadAndWrite) {
    EXPECT_EQ(env()->GetStaticBooleanField(cls, StaticFieldId(cls, "staticBoolean", "Z")), JNI_TRUE);
    EXPECT_EQ(env()->GetStaticByteField(cls, StaticFieldId(cls, "staticByte", "B")), -2);
    EXPECT_EQ(env()->GetStaticCharField(cls, StaticFieldId(cls, "staticChar", "C")), 0x20ac);
    EXPECT_EQ(env()->GetStaticShortField(cls, StaticFieldId(cls, "staticShort", "S")), 32000);
    EXPECT_EQ(env()->GetStaticIntField(cls, StaticFieldId(cls, "staticInt", "I")), -987654321);
    EXPECT_EQ(env()->GetStaticLongField(cls, StaticFieldId(cls, "staticLong", "J")), -0x7fffffffffffffffLL);
    EXPECT_EQ(env()->GetStaticFloatField(cls, StaticFieldId(cls, "staticFloat", "F")), -0.75f);
    EXPECT_EQ(env()->GetStaticDoubleField(cls, StaticFieldId(cls, "staticDouble", "D")), 6.02214076e23);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(cls, StaticFieldId(cls, "staticObject", "Ljava/lang/Object;")))),
              "static object");
    EXPECT_EQ(env()->GetStaticObjectField(cls, StaticFieldId(cls, "staticNullString", "Ljava/lang/String;")), nullptr);

    env()->SetStaticBooleanField(cls, StaticFieldId(cls, "staticBoolean", "Z"), JNI_FALSE);
    env()->SetStaticByteField(cls, StaticFieldId(cls, "staticByte", "B"), 9);
    env()->SetStaticCharField(cls, StaticFieldId(cls, "staticChar", "C"), 'q');
    env()->SetStaticShortField(cls, StaticFieldId(cls, "staticShort", "S"), -9);
    env()->SetStaticIntField(cls, StaticFieldId(cls, "staticInt", "I"), 99);
    env()->SetStaticLongField(cls, StaticFieldId(cls, "staticLong", "J"), 1LL << 62);
    env()->SetStaticFloatField(cls, StaticFieldId(cls, "staticFloat", "F"), 2.5f);
    env()->SetStaticDoubleField(cls, StaticFieldId(cls, "staticDouble", "D"), -0.125);
    env()->SetStaticObjectField(cls, StaticFieldId(cls, "staticString", "Ljava/lang/String;"), env()->NewStringUTF("new"));

    EXPECT_EQ(env()->GetStaticBooleanField(cls, StaticFieldId(cls, "staticBoolean", "Z")), JNI_FALSE);
    EXPECT_EQ(env()->GetStaticByteField(cls, StaticFieldId(cls, "staticByte", "B")), 9);
    EXPECT_EQ(env()->GetStaticCharField(cls, StaticFieldId(cls, "staticChar", "C")), 'q');
    EXPECT_EQ(env()->GetStaticShortField(cls, StaticFieldId(cls, "staticShort", "S")), -9);
    EXPECT_EQ(env()->GetStaticIntField(cls, StaticFieldId(cls, "staticInt", "I")), 99);
    EXPECT_EQ(env()->GetStaticLongField(cls, StaticFieldId(cls, "staticLong", "J")), 1LL << 62);
    EXPECT_EQ(env()->GetStaticFloatField(cls, StaticFieldId(cls, "staticFloat", "F")), 2.5f);
    EXPECT_EQ(env()->GetStaticDoubleField(cls, StaticFieldId(cls, "staticDouble", "D")), -0.125);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetStaticObjectField(cls, StaticFieldId(cls, "staticString", "Ljava/lang/String;")))),
              "new");
}

TEST_F(Fields, LookupsWithTheWrongTypeOrKindFailWithNoSuchFieldError) {
    EXPECT_EQ(env()->GetFieldID(cls, "longField", "I"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchFieldError"));
    EXPECT_EQ(env()->GetFieldID(cls, "staticInt", "I"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchFieldError"));
    EXPECT_EQ(env()->GetStaticFieldID(cls, "intField", "I"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchFieldError"));
    EXPECT_EQ(env()->GetFieldID(cls, "noSuchField", "Ljava/lang/String;"), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NoSuchFieldError"));
}

}  // namespace
}  // namespace mv::test
