// Acting on the sample applications from another process: text written with SetValue is what
// the Java application reads, and DoClick runs a button's action (or reports the click refused).

#include <windows.h>

#include <string>

#include "awt_test.h"
#include "common/com/bstr.h"
#include "java_statics.h"

namespace mv::test {
namespace {

struct ValueAnswer {
    HRESULT hr = E_UNEXPECTED;
    VARIANT_BOOL ok = 7;  // neither VARIANT_TRUE nor VARIANT_FALSE
};

ValueAnswer SetText(IJAwtComponent* component, BSTR text) {
    ValueAnswer answer;
    answer.hr = component->SetValue(text, &answer.ok);
    return answer;
}

class Acting : public AwtTest {
protected:
    Component Part(const wchar_t* window, const wchar_t* name) {
        Component part = FindByName(Window(window).get(), name);
        EXPECT_TRUE(part) << "no component named " << std::string(name, name + wcslen(name));
        return part;
    }
};

TEST_F(Acting, SetValueWritesTextThatTheApplicationReads) {
    struct Field {
        const wchar_t* window;
        const wchar_t* name;
        const wchar_t* app;
    };
    const std::wstring typed = L"J\u00fcrgen \u00e9t\u00e9 \U0001F511";
    for (const Field& f : {Field{L"loginFrame", L"user", L"samples.LoginApp"},
                           Field{L"loginFrame", L"password", L"samples.LoginApp"},
                           Field{L"loginFrame", L"r2c3", L"samples.LoginApp"},
                           Field{L"awtFrame", L"code", L"samples.AwtApp"}}) {
        SCOPED_TRACE(std::string(f.name, f.name + wcslen(f.name)));
        const Component field = Part(f.window, f.name);
        ASSERT_TRUE(field);
        JavaStatics app(jvm(), f.app);
        ASSERT_TRUE(app.loaded());

        ValueAnswer set = SetText(field.get(), unique_bstr::copy_of(typed).get());
        EXPECT_EQ(set.hr, S_OK);
        EXPECT_EQ(set.ok, VARIANT_TRUE);
        EXPECT_EQ(app.CallString(L"text", {f.name}), typed) << "what the application reads";
        unique_bstr back;
        VARIANT_BOOL read = VARIANT_FALSE;
        EXPECT_EQ(field->GetValue(back.put(), &read), S_OK);
        EXPECT_EQ(read, VARIANT_TRUE);
        EXPECT_EQ(back.view(), typed);

        // An empty string (not a null one) clears the field.
        set = SetText(field.get(), unique_bstr::copy_of(L"").get());
        EXPECT_EQ(set.hr, S_OK);
        EXPECT_EQ(set.ok, VARIANT_TRUE);
        EXPECT_EQ(app.CallString(L"text", {f.name}), L"");

        // A null string is refused and changes nothing.
        ASSERT_EQ(SetText(field.get(), unique_bstr::copy_of(L"kept").get()).ok, VARIANT_TRUE);
        VARIANT_BOOL untouched = 7;
        EXPECT_EQ(field->SetValue(nullptr, &untouched), E_INVALIDARG);
        EXPECT_EQ(app.CallString(L"text", {f.name}), L"kept");
        SetText(field.get(), unique_bstr::copy_of(L"").get());
    }
}

TEST_F(Acting, AComponentWithoutTextReportsFalse) {
    const Component panel = Part(L"loginFrame", L"details");
    ASSERT_TRUE(panel);
    ValueAnswer set = SetText(panel.get(), unique_bstr::copy_of(L"x").get());
    EXPECT_EQ(set.hr, S_OK);
    EXPECT_EQ(set.ok, VARIANT_FALSE);
    unique_bstr text;
    VARIANT_BOOL read = 7;
    EXPECT_EQ(panel->GetValue(text.put(), &read), S_OK);
    EXPECT_EQ(read, VARIANT_FALSE);
    EXPECT_FALSE(text);

    VARIANT_BOOL isText = 7;
    EXPECT_EQ(panel->IsTextComponent(&isText), S_OK);
    EXPECT_EQ(isText, VARIANT_FALSE);
    for (const auto& [window, name] : {std::pair{L"loginFrame", L"password"}, std::pair{L"awtFrame", L"code"}}) {
        isText = 7;
        EXPECT_EQ(Part(window, name)->IsTextComponent(&isText), S_OK);
        EXPECT_EQ(isText, VARIANT_TRUE);
    }
}

TEST_F(Acting, DoClickOnSignInRunsItsActionWithTheTypedValues) {
    JavaStatics app(jvm(), L"samples.LoginApp");
    ASSERT_TRUE(app.loaded());
    const Component user = Part(L"loginFrame", L"user");
    const Component password = Part(L"loginFrame", L"password");
    const Component signIn = Part(L"loginFrame", L"signIn");
    ASSERT_TRUE(user && password && signIn);
    ASSERT_EQ(SetText(user.get(), unique_bstr::copy_of(L"alice").get()).ok, VARIANT_TRUE);
    ASSERT_EQ(SetText(password.get(), unique_bstr::copy_of(L"s3cr\u00e9t").get()).ok, VARIANT_TRUE);
    const std::optional<LONG> before = app.CallInt(L"signInCount");
    ASSERT_TRUE(before);

    EXPECT_EQ(signIn->DoClick(), S_OK);
    EXPECT_EQ(app.CallString(L"lastSignIn"), L"alice|s3cr\u00e9t");
    EXPECT_EQ(app.CallInt(L"signInCount"), *before + 1);
}

TEST_F(Acting, ClicksTheHookRefusesAreReportedAndChangeNothing) {
    JavaStatics app(jvm(), L"samples.AwtApp");
    ASSERT_TRUE(app.loaded());
    const std::optional<LONG> before = app.CallInt(L"okCount");
    ASSERT_TRUE(before);
    const Component off = Part(L"awtFrame", L"off");
    const Component label = Part(L"awtFrame", L"codeLabel");
    ASSERT_TRUE(off && label);
    EXPECT_EQ(off->DoClick(), S_FALSE) << "a disabled button";
    EXPECT_EQ(label->DoClick(), S_FALSE) << "a label is not clickable";
    EXPECT_EQ(app.CallInt(L"okCount"), before);

    const Component ok = Part(L"awtFrame", L"ok");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->DoClick(), S_OK);
    EXPECT_EQ(app.CallInt(L"okCount"), *before + 1);
}

}  // namespace
}  // namespace mv::test
