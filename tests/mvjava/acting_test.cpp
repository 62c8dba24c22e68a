// mvjava get, set and click on the sample applications: text round trips through Swing and AWT
// fields (checked with the applications' own accessors), a sign-in clicked through mvjava and
// read back through the generic members, and the refusals of components that cannot take the
// action.

#include <windows.h>

#include "common/com/bstr.h"
#include "java_statics.h"
#include "mvjava_test.h"

namespace mv::test {
namespace {

class MvjavaActing : public MvjavaTest {
protected:
    void ExpectSetAndGet(const std::wstring& name, const std::wstring& text, const wchar_t* app) {
        const std::wstring path = PathOf(name);
        // "--" ends the options, so a text may look like one.
        const MvjavaResult set = Mvjava({L"set", L"PID", path, L"--", text});
        ASSERT_EQ(set.exitCode, 0) << Show(set);
        EXPECT_EQ(set.out, "");
        JavaStatics statics(jvm(), app);
        ASSERT_TRUE(statics.loaded());
        EXPECT_EQ(statics.CallString(L"text", {name}), text) << "the application's own field";

        const MvjavaResult get = Mvjava({L"get", L"PID", path});
        ASSERT_EQ(get.exitCode, 0) << Show(get);
        EXPECT_EQ(get.out, Utf8(text) + "\n");
        const MvjavaResult json = Mvjava({L"get", L"PID", path, L"--json"});
        ASSERT_EQ(json.exitCode, 0) << Show(json);
        const std::optional<mvjava::JsonValue> value = Parse(json.out);
        ASSERT_TRUE(value && value->find(L"text"));
        EXPECT_EQ(value->find(L"text")->string(), text);
        EXPECT_EQ(value->find(L"path")->string(), path);
    }

    // LoginApp.lastSignIn() through the generic members: an instance, then its static method.
    std::optional<std::wstring> LastSignIn() {
        UINT64 app = 0;
        if (FAILED(jvm()->NewDefJavaObject(unique_bstr::copy_of(L"samples.LoginApp").get(), &app)) || !app)
            return std::nullopt;
        const JavaHandle instance(jvm(), app);
        VARIANT none;
        ::VariantInit(&none);
        unique_bstr last;
        if (FAILED(jvm()->CallStaticStringMethod(app, unique_bstr::copy_of(L"lastSignIn").get(),
                                                 unique_bstr::copy_of(L"()Ljava/lang/String;").get(), none,
                                                 last.put())) ||
            !last)
            return std::nullopt;
        return std::wstring(last.view());
    }
};

TEST_F(MvjavaActing, SwingFieldTakesTextAndGivesItBack) {
    ExpectSetAndGet(L"user", L"Zo\u00eb \u00c5berg-\u6771", L"samples.LoginApp");
    ExpectSetAndGet(L"r2c3", L"--looks like an option", L"samples.LoginApp");
    ExpectSetAndGet(L"user", L"", L"samples.LoginApp");  // an empty text clears
}

TEST_F(MvjavaActing, AwtFieldTakesTextAndGivesItBack) {
    ExpectSetAndGet(L"code", L"A-42 \"quoted\" \\ back", L"samples.AwtApp");
}

TEST_F(MvjavaActing, SignInClickedThroughMvjavaReachesTheApplication) {
    const std::wstring user = L"alice" + std::to_wstring(::GetTickCount64() % 100000);
    ASSERT_EQ(Mvjava({L"set", L"PID", PathOf(L"user"), user}).exitCode, 0);
    ASSERT_EQ(Mvjava({L"set", L"PID", PathOf(L"password"), L"s3cret"}).exitCode, 0);
    const MvjavaResult click = Mvjava({L"click", L"PID", PathOf(L"signIn")});
    ASSERT_EQ(click.exitCode, 0) << Show(click);
    EXPECT_EQ(click.out, "");
    EXPECT_EQ(LastSignIn(), user + L"|s3cret");
}

TEST_F(MvjavaActing, TextOutputHidesAPasswordWhileJsonKeepsIt) {
    ASSERT_EQ(Mvjava({L"set", L"PID", PathOf(L"password"), L"hush-42"}).exitCode, 0);
    const MvjavaResult text = Mvjava({L"find", L"PID", L"--name", L"password"});
    ASSERT_EQ(text.exitCode, 0) << Show(text);
    EXPECT_EQ(text.out.find("hush-42"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("title=<7 characters hidden>"), std::string::npos) << text.out;
    const MvjavaResult json = Mvjava({L"find", L"PID", L"--name", L"password", L"--json"});
    ASSERT_EQ(json.exitCode, 0) << Show(json);
    EXPECT_NE(json.out.find("\"title\":\"hush-42\""), std::string::npos) << json.out;
}

TEST_F(MvjavaActing, ComponentsThatCannotActAreRefusedWithExitFour) {
    JavaStatics awt(jvm(), L"samples.AwtApp");
    const std::optional<LONG> okBefore = awt.CallInt(L"okCount");
    ASSERT_TRUE(okBefore);

    const MvjavaResult disabled = Mvjava({L"click", L"PID", PathOf(L"off")});
    EXPECT_EQ(disabled.exitCode, 4) << Show(disabled);
    EXPECT_TRUE(OneErrorLine(disabled));
    const MvjavaResult field = Mvjava({L"click", L"PID", PathOf(L"user")});
    EXPECT_EQ(field.exitCode, 4) << Show(field);

    const MvjavaResult enabled = Mvjava({L"click", L"PID", PathOf(L"ok")});
    EXPECT_EQ(enabled.exitCode, 0) << Show(enabled);
    EXPECT_EQ(awt.CallInt(L"okCount"), *okBefore + 1) << "only the enabled button's action ran";

    // A panel has neither getText nor setText.
    const MvjavaResult get = Mvjava({L"get", L"PID", PathOf(L"credentials")});
    EXPECT_EQ(get.exitCode, 4) << Show(get);
    EXPECT_EQ(get.out, "");
    const MvjavaResult set = Mvjava({L"set", L"PID", PathOf(L"credentials"), L"x"});
    EXPECT_EQ(set.exitCode, 4) << Show(set);
    EXPECT_TRUE(OneErrorLine(set));
}

}  // namespace
}  // namespace mv::test
