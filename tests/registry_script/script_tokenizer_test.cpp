// Tokens of the registry script language: separators, quoting and the length limit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/registry_script/script_tokenizer.h"

namespace {

namespace rs = mv::registry_script;

// Every token of `text`; fails the test when reading stops on an error.
std::vector<std::u16string> Tokens(std::u16string_view text) {
    rs::ScriptTokenizer tokenizer(text);
    std::vector<std::u16string> tokens;
    for (;;) {
        tokenizer.SkipSeparators();
        if (tokenizer.AtEnd()) return tokens;
        std::u16string token;
        const rs::ScriptResult result = tokenizer.NextToken(token);
        EXPECT_EQ(result, rs::kOk) << "after " << tokens.size() << " tokens";
        if (result != rs::kOk) return tokens;
        tokens.push_back(token);
    }
}

// The result of reading the first token of `text`.
rs::ScriptResult FirstTokenResult(std::u16string_view text, std::u16string* token = nullptr) {
    rs::ScriptTokenizer tokenizer(text);
    std::u16string read;
    const rs::ScriptResult result = tokenizer.NextToken(read);
    if (token) *token = read;
    return result;
}

using List = std::vector<std::u16string>;

TEST(ScriptTokens, SpaceTabCarriageReturnAndLineFeedSeparate) {
    EXPECT_EQ(Tokens(u"a\tb\r\nc  d\n"), (List{u"a", u"b", u"c", u"d"}));
    EXPECT_EQ(Tokens(u" \t\r\n"), List{});
}

TEST(ScriptTokens, OtherCharactersBelongToThePlainToken) {
    // Braces and "=" are tokens of their own only between separators.
    EXPECT_EQ(Tokens(u"{3B9E-0B34} a=b {x"), (List{u"{3B9E-0B34}", u"a=b", u"{x"}));
    EXPECT_EQ(Tokens(u"K = s 'v' { }"), (List{u"K", u"=", u"s", u"v", u"{", u"}"}));
    // A quote inside a plain token is an ordinary character.
    EXPECT_EQ(Tokens(u"ab'c d"), (List{u"ab'c", u"d"}));
    EXPECT_EQ(Tokens(u"%\\0\x00e9\x4e2d"), (List{u"%\\0\x00e9\x4e2d"}));
}

TEST(ScriptTokens, QuotedTokensKeepSeparatorsAndDoubleTheirQuotes) {
    EXPECT_EQ(Tokens(u"'it''s'"), (List{u"it's"}));
    EXPECT_EQ(Tokens(u"'a b\t{c}\r\n= d' x"), (List{u"a b\t{c}\r\n= d", u"x"}));
    EXPECT_EQ(Tokens(u"'' ''''"), (List{u"", u"'"}));
    EXPECT_EQ(Tokens(u"'''x'''"), (List{u"'x'"}));
}

TEST(ScriptTokens, TheClosingQuoteEndsTheToken) {
    EXPECT_EQ(Tokens(u"'ab'cd"), (List{u"ab", u"cd"}));
    EXPECT_EQ(Tokens(u"'a''b'}"), (List{u"a'b", u"}"}));
}

TEST(ScriptTokens, UnterminatedQuoteIsASyntaxError) {
    EXPECT_EQ(FirstTokenResult(u"'abc"), rs::kSyntaxError);
    EXPECT_EQ(FirstTokenResult(u"'abc''"), rs::kSyntaxError) << "a doubled quote does not close";
    EXPECT_EQ(FirstTokenResult(u"'"), rs::kSyntaxError);
}

TEST(ScriptTokens, NoTokenBeforeTheEndIsASyntaxError) {
    EXPECT_EQ(FirstTokenResult(u""), rs::kSyntaxError);
    EXPECT_EQ(FirstTokenResult(u" \r\n\t "), rs::kSyntaxError);
}

TEST(ScriptTokens, TokensHoldAtMost4094Characters) {
    std::u16string token;
    const std::u16string longest(4094, u'x');
    EXPECT_EQ(FirstTokenResult(longest + u" y", &token), rs::kOk);
    EXPECT_EQ(token, longest);
    EXPECT_EQ(FirstTokenResult(longest + u"x"), rs::kSyntaxError);

    EXPECT_EQ(FirstTokenResult(u"'" + longest + u"'", &token), rs::kOk);
    EXPECT_EQ(token, longest);
    EXPECT_EQ(FirstTokenResult(u"'" + longest + u"x'"), rs::kSyntaxError);

    // The limit counts the token's characters: a doubled quote is one.
    const std::u16string quotes(4094, u'\'');
    EXPECT_EQ(FirstTokenResult(u"'" + quotes + quotes + u"'", &token), rs::kOk);
    EXPECT_EQ(token, quotes);
}

TEST(ScriptTokens, RewindReadsTheSameTokensAgain) {
    rs::ScriptTokenizer tokenizer(u"a { b } c");
    std::u16string token;
    ASSERT_EQ(tokenizer.NextToken(token), rs::kOk);
    ASSERT_EQ(tokenizer.NextToken(token), rs::kOk);
    const std::size_t afterBrace = tokenizer.Position();
    ASSERT_EQ(tokenizer.NextToken(token), rs::kOk);
    ASSERT_EQ(tokenizer.NextToken(token), rs::kOk);
    tokenizer.Rewind(afterBrace);
    ASSERT_EQ(tokenizer.NextToken(token), rs::kOk);
    EXPECT_EQ(token, u"b");
}

}  // namespace
