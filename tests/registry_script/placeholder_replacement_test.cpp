// %NAME% placeholders and the replacement table: lookup rules, %% and the error codes.

#include <gtest/gtest.h>

#include <string>

#include "module/registry_script/placeholder_replacement.h"
#include "module/registry_script/replacement_table.h"

namespace {

namespace rs = mv::registry_script;

class Placeholders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_table.Add(u"Module", u"C:\\dir\\it''s.dll"), rs::kOk);
        ASSERT_EQ(m_table.Add(u"APPID", u"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}"), rs::kOk);
        ASSERT_EQ(m_table.Add(u"Empty", u""), rs::kOk);
    }

    // The replaced text, or a marker with the error code.
    std::u16string Replace(std::u16string_view text) {
        std::u16string out;
        m_result = rs::ReplacePlaceholders(text, m_table, out);
        return m_result == rs::kOk ? out : u"<failed>";
    }

    rs::ReplacementTable m_table;
    rs::ScriptResult m_result = rs::kOk;
};

TEST_F(Placeholders, NamesAreReplacedByTheirValues) {
    EXPECT_EQ(Replace(u"s '%MODULE%' val AppID = s '%APPID%'"),
              u"s 'C:\\dir\\it''s.dll' val AppID = s '{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}'");
    EXPECT_EQ(Replace(u"[%Empty%]"), u"[]");
    EXPECT_EQ(Replace(u"%APPID%%APPID%"),
              u"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}");
    EXPECT_EQ(Replace(u"no placeholders here"), u"no placeholders here");
}

TEST_F(Placeholders, NamesMatchWithoutRegardToCase) {
    EXPECT_EQ(Replace(u"%module%|%Module%|%mOdUlE%"), u"C:\\dir\\it''s.dll|C:\\dir\\it''s.dll|C:\\dir\\it''s.dll");
}

TEST_F(Placeholders, TheFirstPairOfANameWins) {
    ASSERT_EQ(m_table.Add(u"module", u"second"), rs::kOk);
    EXPECT_EQ(Replace(u"%MODULE%"), u"C:\\dir\\it''s.dll");
}

TEST_F(Placeholders, DoublePercentIsOnePercent) {
    EXPECT_EQ(Replace(u"100%%"), u"100%");
    EXPECT_EQ(Replace(u"%%%%"), u"%%");
    EXPECT_EQ(Replace(u"%%APPID%%"), u"%APPID%") << "escaped, not a placeholder";
    EXPECT_EQ(Replace(u"%%%Empty%%%"), u"%%");
}

TEST_F(Placeholders, ValuesAreNotScannedAgain) {
    ASSERT_EQ(m_table.Add(u"Nested", u"%APPID% 50%"), rs::kOk);
    EXPECT_EQ(Replace(u"%Nested%"), u"%APPID% 50%");
}

TEST_F(Placeholders, UnknownOrUnterminatedNamesAreSyntaxErrors) {
    Replace(u"HKCR { %UNKNOWN% }");
    EXPECT_EQ(m_result, rs::kSyntaxError);
    Replace(u"'%MODULE");
    EXPECT_EQ(m_result, rs::kSyntaxError);
    Replace(u"50%");
    EXPECT_EQ(m_result, rs::kSyntaxError);
    // The closing % is looked for before the length is checked.
    Replace(u"%" + std::u16string(40, u'x'));
    EXPECT_EQ(m_result, rs::kSyntaxError);
}

TEST_F(Placeholders, NamesLongerThan31CharactersFail) {
    const std::u16string name31(31, u'n');
    ASSERT_EQ(m_table.Add(name31, u"ok"), rs::kOk);
    EXPECT_EQ(Replace(u"%" + name31 + u"%"), u"ok");
    Replace(u"%" + name31 + u"n%");
    EXPECT_EQ(m_result, rs::kFail);
}

TEST_F(Placeholders, ClearedTableKnowsNoNames) {
    m_table.Clear();
    Replace(u"%APPID%");
    EXPECT_EQ(m_result, rs::kSyntaxError);
    EXPECT_EQ(Replace(u"%%"), u"%");
}

TEST_F(Placeholders, LongOutputGrowsBeyondTheFirstBuffer) {
    ASSERT_EQ(m_table.Add(u"Big", std::u16string(3000, u'b')), rs::kOk);
    std::u16string text;
    for (int i = 0; i < 40; ++i) text += u"<%Big%>";
    const std::u16string replaced = Replace(text);
    ASSERT_EQ(m_result, rs::kOk);
    EXPECT_EQ(replaced.size(), 40u * 3002u);
    EXPECT_EQ(replaced.substr(0, 2), u"<b");
    EXPECT_EQ(replaced.substr(replaced.size() - 2), u"b>");
}

}  // namespace
