#pragma once
// Splits script text (placeholders already replaced) into tokens. Space, TAB, CR and LF
// separate tokens; a token that starts with a quote runs to the closing quote, a doubled
// quote inside standing for one quote; any other token runs to the next separator.

#include <cstddef>
#include <string>
#include <string_view>

#include "module/registry_script/script_result.h"

namespace mv::registry_script {

inline constexpr std::size_t kMaxTokenLength = 4094;

constexpr bool IsSeparator(char16_t c) noexcept {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

class ScriptTokenizer {
public:
    // The text must outlive the tokenizer.
    explicit ScriptTokenizer(std::u16string_view text) noexcept : m_text(text) {}

    // Reads the next token. No token before the end of the text, an unterminated quote or a
    // token longer than kMaxTokenLength → kSyntaxError.
    ScriptResult NextToken(std::u16string& token);

    void SkipSeparators() noexcept;
    bool AtEnd() const noexcept { return m_position >= m_text.size(); }

    // For reading a body a second time.
    std::size_t Position() const noexcept { return m_position; }
    void Rewind(std::size_t position) noexcept { m_position = position; }

private:
    ScriptResult ReadQuoted(std::u16string& token);
    ScriptResult ReadPlain(std::u16string& token);

    std::u16string_view m_text;
    std::size_t m_position = 0;
};

}  // namespace mv::registry_script
