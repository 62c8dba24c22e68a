// Strings and arrays cross in both directions with the JVM's own contents: characters outside the
// Basic Multilingual Plane in the UTF-16 and (modified) UTF-8 forms, regions, array elements with
// every release mode, and the JVM's exceptions for bad regions.

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "jni_test.h"

namespace mv::test {
namespace {

// "G clef " U+1D11E ", grin " U+1F600, as fixtures.Texts.NON_BMP holds it.
const std::u16string kNonBmp = u"G clef \U0001D11E, grin \U0001F600";
// The same in JNI's modified UTF-8: each surrogate is a three-byte sequence of its own.
const std::string kNonBmpModifiedUtf8 =
    "G clef \xED\xA0\xB4\xED\xB4\x9E, grin \xED\xA0\xBD\xED\xB8\x80";

class Strings : public JniTest {
protected:
    void SetUp() override {
        JniTest::SetUp();
        if (HasFatalFailure()) return;
        frame = std::make_unique<LocalFrame>(env(), 32);
        texts = FindClass("fixtures/Texts");
    }
    void TearDown() override {
        frame.reset();
        JniTest::TearDown();
    }
    bool JavaSeesNonBmp(jstring s) {
        jboolean same = env()->CallStaticBooleanMethod(texts, StaticMethodId(texts, "isNonBmp", "(Ljava/lang/String;)Z"), s);
        return NoException() && same == JNI_TRUE;
    }
    jstring JavaNonBmp() {
        auto s = static_cast<jstring>(env()->CallStaticObjectMethod(texts, StaticMethodId(texts, "nonBmp", "()Ljava/lang/String;")));
        EXPECT_TRUE(NoException());
        return s;
    }
    std::unique_ptr<LocalFrame> frame;
    jclass texts = nullptr;
};

TEST_F(Strings, NonBmpTextSurvivesNewStringAndGetStringChars) {
    jstring made = env()->NewString(reinterpret_cast<const jchar*>(kNonBmp.data()), static_cast<jsize>(kNonBmp.size()));
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(JavaSeesNonBmp(made));

    jstring java = JavaNonBmp();
    EXPECT_EQ(env()->GetStringLength(java), static_cast<jsize>(kNonBmp.size()));
    jboolean isCopy = JNI_FALSE;
    const jchar* chars = env()->GetStringChars(java, &isCopy);
    ASSERT_NE(chars, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(chars), kNonBmp.size()), kNonBmp);
    env()->ReleaseStringChars(java, chars);
}

TEST_F(Strings, NonBmpTextSurvivesTheModifiedUtf8Forms) {
    jstring made = env()->NewStringUTF(kNonBmpModifiedUtf8.c_str());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(JavaSeesNonBmp(made));

    jstring java = JavaNonBmp();
    EXPECT_EQ(env()->GetStringUTFLength(java), static_cast<jsize>(kNonBmpModifiedUtf8.size()));
    const char* utf = env()->GetStringUTFChars(java, nullptr);
    ASSERT_NE(utf, nullptr);
    EXPECT_EQ(std::string(utf), kNonBmpModifiedUtf8);
    env()->ReleaseStringUTFChars(java, utf);
}

TEST_F(Strings, RegionsCopyTheRequestedUnits) {
    jstring java = JavaNonBmp();
    jchar units[4] = {1, 1, 1, 1};
    env()->GetStringRegion(java, 7, 3, units);  // the surrogate pair and the comma
    EXPECT_EQ(units[0], 0xd834);
    EXPECT_EQ(units[1], 0xdd1e);
    EXPECT_EQ(units[2], ',');
    EXPECT_EQ(units[3], 1);
    char utf[16];
    std::fill(std::begin(utf), std::end(utf), 'x');
    env()->GetStringUTFRegion(java, 7, 2, utf);
    EXPECT_EQ(std::string(utf), "\xED\xA0\xB4\xED\xB4\x9E");  // written with its NUL
}

TEST_F(Strings, ABadRegionThrowsAndLeavesTheBufferAlone) {
    jstring java = JavaNonBmp();
    jchar units[3] = {7, 8, 9};
    env()->GetStringRegion(java, 100, 3, units);
    EXPECT_TRUE(TakeException("java/lang/StringIndexOutOfBoundsException"));
    EXPECT_THAT(units, ::testing::ElementsAre(7, 8, 9));
    char utf[4] = {'a', 'b', 'c', 'd'};
    env()->GetStringUTFRegion(java, -1, 2, utf);
    EXPECT_TRUE(TakeException("java/lang/StringIndexOutOfBoundsException"));
    EXPECT_THAT(utf, ::testing::ElementsAre('a', 'b', 'c', 'd'));
}

TEST_F(Strings, EmptyAndNulContainingStringsKeepTheirLength) {
    jstring empty = env()->NewString(reinterpret_cast<const jchar*>(u""), 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(env()->GetStringLength(empty), 0);
    const char16_t withNul[] = u"x\0y";
    jstring nul = env()->NewString(reinterpret_cast<const jchar*>(withNul), 3);
    EXPECT_EQ(env()->GetStringLength(nul), 3);
    EXPECT_EQ(env()->GetStringUTFLength(nul), 4);  // U+0000 is two bytes in modified UTF-8
}

class Arrays : public Strings {
protected:
    jobject StaticArray(const char* name, const char* signature) {
        jclass cls = FindClass("fixtures/ArrayFields");
        return env()->GetStaticObjectField(cls, StaticFieldId(cls, name, signature));
    }
};

TEST_F(Arrays, FixtureArraysOfEveryKindReadThroughRegions) {
    auto booleans = static_cast<jbooleanArray>(StaticArray("booleans", "[Z"));
    jboolean z[3];
    env()->GetBooleanArrayRegion(booleans, 0, 3, z);
    EXPECT_THAT(z, ::testing::ElementsAre(1, 0, 1));
    jbyte b[3];
    env()->GetByteArrayRegion(static_cast<jbyteArray>(StaticArray("bytes", "[B")), 0, 3, b);
    EXPECT_THAT(b, ::testing::ElementsAre(-1, 0, 127));
    jchar c[4];
    env()->GetCharArrayRegion(static_cast<jcharArray>(StaticArray("chars", "[C")), 0, 4, c);
    EXPECT_THAT(c, ::testing::ElementsAre('a', 0xe9, 0xd834, 0xdd1e));
    jshort s[3];
    env()->GetShortArrayRegion(static_cast<jshortArray>(StaticArray("shorts", "[S")), 0, 3, s);
    EXPECT_THAT(s, ::testing::ElementsAre(-32768, 0, 32767));
    jint i[3];
    env()->GetIntArrayRegion(static_cast<jintArray>(StaticArray("ints", "[I")), 0, 3, i);
    EXPECT_THAT(i, ::testing::ElementsAre(1, -2, 3));
    jlong j[3];
    env()->GetLongArrayRegion(static_cast<jlongArray>(StaticArray("longs", "[J")), 0, 3, j);
    EXPECT_THAT(j, ::testing::ElementsAre(-0x7fffffffffffffffLL - 1, 0, 0x7fffffffffffffffLL));
    jfloat f[2];
    env()->GetFloatArrayRegion(static_cast<jfloatArray>(StaticArray("floats", "[F")), 0, 2, f);
    EXPECT_THAT(f, ::testing::ElementsAre(0.5f, -1.25f));
    jdouble d[2];
    env()->GetDoubleArrayRegion(static_cast<jdoubleArray>(StaticArray("doubles", "[D")), 0, 2, d);
    EXPECT_THAT(d, ::testing::ElementsAre(1e-300, -2.5));
    auto strings = static_cast<jobjectArray>(StaticArray("strings", "[Ljava/lang/String;"));
    EXPECT_EQ(env()->GetArrayLength(strings), 3);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetObjectArrayElement(strings, 2))), "z");
    auto withNull = static_cast<jobjectArray>(StaticArray("objectsWithNull", "[Ljava/lang/Object;"));
    EXPECT_EQ(env()->GetObjectArrayElement(withNull, 1), nullptr);
    EXPECT_EQ(env()->GetArrayLength(static_cast<jarray>(StaticArray("emptyInts", "[I"))), 0);
}

TEST_F(Arrays, NewArraysOfEveryKindTakeRegions) {
    const jboolean z[] = {1, 0};
    jbooleanArray booleans = env()->NewBooleanArray(2);
    env()->SetBooleanArrayRegion(booleans, 0, 2, z);
    jboolean zBack[2] = {};
    env()->GetBooleanArrayRegion(booleans, 0, 2, zBack);
    EXPECT_THAT(zBack, ::testing::ElementsAre(1, 0));

    const jdouble d[] = {1.0, -0.0, 2.5};
    jdoubleArray doubles = env()->NewDoubleArray(3);
    env()->SetDoubleArrayRegion(doubles, 0, 3, d);
    jdouble dBack[3] = {};
    env()->GetDoubleArrayRegion(doubles, 0, 3, dBack);
    EXPECT_THAT(dBack, ::testing::ElementsAre(1.0, -0.0, 2.5));

    const jlong j[] = {1LL << 50, -3};
    jlongArray longs = env()->NewLongArray(4);
    env()->SetLongArrayRegion(longs, 2, 2, j);  // at an offset
    jlong jBack[4] = {9, 9, 9, 9};
    env()->GetLongArrayRegion(longs, 0, 4, jBack);
    EXPECT_THAT(jBack, ::testing::ElementsAre(0, 0, 1LL << 50, -3));

    EXPECT_EQ(env()->GetArrayLength(env()->NewByteArray(5)), 5);
    EXPECT_EQ(env()->GetArrayLength(env()->NewCharArray(6)), 6);
    EXPECT_EQ(env()->GetArrayLength(env()->NewShortArray(7)), 7);
    EXPECT_EQ(env()->GetArrayLength(env()->NewIntArray(8)), 8);
    EXPECT_EQ(env()->GetArrayLength(env()->NewFloatArray(0)), 0);
    EXPECT_EQ(env()->NewIntArray(-1), nullptr);
    EXPECT_TRUE(TakeException("java/lang/NegativeArraySizeException"));
}

TEST_F(Arrays, ReleaseModesDecideWhatReachesTheJavaArray) {
    jclass fixtures = FindClass("fixtures/ArrayFields");
    jmethodID sum = StaticMethodId(fixtures, "sum", "([I)J");
    jintArray ints = env()->NewIntArray(3);
    auto javaSum = [&] {
        jlong total = env()->CallStaticLongMethod(fixtures, sum, ints);
        EXPECT_TRUE(NoException());
        return total;
    };

    jint* elements = env()->GetIntArrayElements(ints, nullptr);
    ASSERT_NE(elements, nullptr);
    elements[0] = 10;
    env()->ReleaseIntArrayElements(ints, elements, JNI_ABORT);  // discarded
    EXPECT_EQ(javaSum(), 0);

    elements = env()->GetIntArrayElements(ints, nullptr);
    elements[0] = 10;
    env()->ReleaseIntArrayElements(ints, elements, JNI_COMMIT);  // written, still held
    EXPECT_EQ(javaSum(), 10);
    elements[1] = 20;
    env()->ReleaseIntArrayElements(ints, elements, 0);  // written and released
    EXPECT_EQ(javaSum(), 30);
}

TEST_F(Arrays, ElementsOfEveryKindComeOutAndGoBack) {
    jbyteArray bytes = env()->NewByteArray(2);
    jbyte* b = env()->GetByteArrayElements(bytes, nullptr);
    ASSERT_NE(b, nullptr);
    b[1] = -7;
    env()->ReleaseByteArrayElements(bytes, b, 0);
    jbyte bBack[2];
    env()->GetByteArrayRegion(bytes, 0, 2, bBack);
    EXPECT_THAT(bBack, ::testing::ElementsAre(0, -7));

    auto chars = static_cast<jcharArray>(StaticArray("chars", "[C"));
    jboolean isCopy = JNI_FALSE;
    jchar* c = env()->GetCharArrayElements(chars, &isCopy);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(isCopy, JNI_TRUE);
    EXPECT_EQ(c[2], 0xd834);
    env()->ReleaseCharArrayElements(chars, c, JNI_ABORT);

    jfloatArray floats = env()->NewFloatArray(1);
    jfloat* f = env()->GetFloatArrayElements(floats, nullptr);
    f[0] = 0.1f;
    env()->ReleaseFloatArrayElements(floats, f, 0);
    jfloat fBack = 0;
    env()->GetFloatArrayRegion(floats, 0, 1, &fBack);
    EXPECT_EQ(fBack, 0.1f);
}

TEST_F(Arrays, ABadRegionThrowsAndLeavesTheBufferAlone) {
    jintArray ints = env()->NewIntArray(2);
    jint buffer[3] = {4, 5, 6};
    env()->GetIntArrayRegion(ints, 1, 3, buffer);
    EXPECT_TRUE(TakeException("java/lang/ArrayIndexOutOfBoundsException"));
    EXPECT_THAT(buffer, ::testing::ElementsAre(4, 5, 6));
    env()->SetIntArrayRegion(ints, -1, 1, buffer);
    EXPECT_TRUE(TakeException("java/lang/ArrayIndexOutOfBoundsException"));
}

TEST_F(Arrays, ObjectArraysHoldWhatIsStored) {
    jclass string = FindClass("java/lang/String");
    jstring fill = env()->NewStringUTF("fill");
    jobjectArray array = env()->NewObjectArray(2, string, fill);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(Utf(env(), static_cast<jstring>(env()->GetObjectArrayElement(array, 1))), "fill");
    env()->SetObjectArrayElement(array, 0, nullptr);
    EXPECT_EQ(env()->GetObjectArrayElement(array, 0), nullptr);
    env()->SetObjectArrayElement(array, 0, FindClass("java/lang/Object"));  // not a String
    EXPECT_TRUE(TakeException("java/lang/ArrayStoreException"));
    env()->GetObjectArrayElement(array, 2);
    EXPECT_TRUE(TakeException("java/lang/ArrayIndexOutOfBoundsException"));
}

}  // namespace
}  // namespace mv::test
