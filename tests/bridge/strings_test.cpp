// Strings through the main object: NewJavaString and GetJavaString carry UTF-16 exactly (text
// outside the BMP included) up to the first NUL, and hand out or keep handles as they should.

#include <gmock/gmock.h>

#include "bridge_test.h"
#include "objects_test_support.h"

namespace mv::test {
namespace {

const std::u16string kNonBmp = u"G clef \U0001D11E, grin \U0001F600";  // as fixtures.Texts.NON_BMP
const std::wstring kNonBmpWide = L"G clef \U0001D11E, grin \U0001F600";

class Strings : public BridgeTest {
protected:
    // The UTF-16 units of the Java string behind a handle, read through raw JNI.
    std::u16string JavaUnits(UINT64 handle) {
        const auto s = static_cast<jstring>(ObjectOf(handle));
        std::u16string units(static_cast<std::size_t>(env()->GetStringLength(s)), u'\0');
        env()->GetStringRegion(s, 0, static_cast<jsize>(units.size()), reinterpret_cast<jchar*>(units.data()));
        return units;
    }
    bool JavaSeesNonBmp(UINT64 handle) {
        LocalFrame frame(env(), 8);
        jclass texts = FindClass("fixtures/Texts");
        const jboolean same = env()->CallStaticBooleanMethod(
            texts, StaticMethodId(texts, "isNonBmp", "(Ljava/lang/String;)Z"), ObjectOf(handle));
        return NoException() && same == JNI_TRUE;
    }
};

TEST_F(Strings, NewJavaStringCarriesTextOutsideTheBmpAndHandsOutOneGlobalReference) {
    const unique_bstr text = Bstr(kNonBmpWide.c_str());
    UINT64 handle = 0;
    ASSERT_EQ(bridge()->NewJavaString(text.get(), &handle), S_OK);
    EXPECT_EQ(Counters().globalRefsMade, 1);
    EXPECT_EQ(env()->GetObjectRefType(ObjectOf(handle)), JNIGlobalRefType);
    EXPECT_TRUE(JavaSeesNonBmp(handle));
    EXPECT_EQ(JavaUnits(handle), kNonBmp);

    // GetJavaString reads it back and leaves the client's handle alone.
    unique_bstr back;
    ASSERT_EQ(bridge()->GetJavaString(handle, back.put()), S_OK);
    EXPECT_EQ(TextOf(back.get()), kNonBmpWide);
    EXPECT_EQ(Counters().globalRefsDeleted, 0);
    EXPECT_EQ(JavaUnits(handle), kNonBmp);

    EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Strings, NewJavaStringStopsAtTheFirstNul) {
    unique_bstr text(::SysAllocStringLen(L"a\0b", 3));
    ASSERT_EQ(::SysStringLen(text.get()), 3u);
    UINT64 handle = 0;
    ASSERT_EQ(bridge()->NewJavaString(text.get(), &handle), S_OK);
    EXPECT_EQ(JavaUnits(handle), u"a");
    EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);

    // A null BSTR is the empty text.
    ASSERT_EQ(bridge()->NewJavaString(nullptr, &handle), S_OK);
    EXPECT_EQ(JavaUnits(handle), u"");
    EXPECT_EQ(bridge()->DeleteJavaObject(handle), S_OK);
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Strings, GetJavaStringReadsJavasTextUpToTheFirstNul) {
    LocalFrame frame(env(), 8);
    jclass texts = FindClass("fixtures/Texts");
    jobject nonBmp = env()->GetStaticObjectField(texts, StaticFieldId(texts, "NON_BMP", "Ljava/lang/String;"));
    unique_bstr text;
    ASSERT_EQ(bridge()->GetJavaString(Handle(nonBmp), text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), kNonBmpWide);

    ASSERT_EQ(bridge()->GetJavaString(Handle(JavaString(env(), std::u16string(u"x\0y", 3))), text.put()), S_OK);
    EXPECT_EQ(TextOf(text.get()), L"x");
    ASSERT_EQ(bridge()->GetJavaString(Handle(JavaString(env(), u"")), text.put()), S_OK);
    ASSERT_TRUE(text);
    EXPECT_EQ(TextOf(text.get()), L"");
    EXPECT_EQ(LiveGlobalRefs(), 0);
}

TEST_F(Strings, NewJavaStringFailsCleanlyWhenTheJvmRefuses) {
    const unique_bstr text = Bstr(L"refused");
    for (const char* function : {"NewString", "NewGlobalRef"}) {
        SCOPED_TRACE(function);
        ASSERT_EQ(MvJniProxy_FailNext(function, 1), 1);
        UINT64 handle = 0x1234;
        EXPECT_EQ(bridge()->NewJavaString(text.get(), &handle), E_FAIL);
        EXPECT_EQ(handle, 0x1234u);
        EXPECT_TRUE(NoException());
        EXPECT_EQ(LiveGlobalRefs(), 0);
    }
}

TEST_F(Strings, GetJavaStringFailsWhenTheCharactersCannotBeHad) {
    LocalFrame frame(env(), 8);
    const UINT64 handle = Handle(JavaString(env(), u"text"));
    unique_bstr mine(::SysAllocString(L"mine"));
    BSTR out = mine.get();
    ASSERT_EQ(MvJniProxy_FailNext("GetStringChars", 1), 1);
    EXPECT_EQ(bridge()->GetJavaString(handle, &out), E_FAIL);
    EXPECT_EQ(out, mine.get());
    // The JVM's own error stays: only lookup failures are cleared.
    EXPECT_TRUE(TakeException("java/lang/OutOfMemoryError"));
}

}  // namespace
}  // namespace mv::test
