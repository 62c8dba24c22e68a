#include "module/registry_script/script_tokenizer.h"

namespace mv::registry_script {

void ScriptTokenizer::SkipSeparators() noexcept {
    while (!AtEnd() && IsSeparator(m_text[m_position])) ++m_position;
}

ScriptResult ScriptTokenizer::NextToken(std::u16string& token) {
    token.clear();
    SkipSeparators();
    if (AtEnd()) return kSyntaxError;
    return m_text[m_position] == u'\'' ? ReadQuoted(token) : ReadPlain(token);
}

ScriptResult ScriptTokenizer::ReadQuoted(std::u16string& token) {
    ++m_position;  // opening quote
    for (;;) {
        if (AtEnd()) return kSyntaxError;
        const char16_t c = m_text[m_position++];
        if (c == u'\'') {
            if (AtEnd() || m_text[m_position] != u'\'') return kOk;  // closing quote
            ++m_position;                                            // doubled quote
        }
        if (token.size() == kMaxTokenLength) return kSyntaxError;
        token.push_back(c);
    }
}

ScriptResult ScriptTokenizer::ReadPlain(std::u16string& token) {
    while (!AtEnd() && !IsSeparator(m_text[m_position])) {
        if (token.size() == kMaxTokenLength) return kSyntaxError;
        token.push_back(m_text[m_position++]);
    }
    return kOk;
}

}  // namespace mv::registry_script
