#include "json_reader.h"

#include <cmath>
#include <cstdlib>

#include "utf8.h"

namespace mvjava {
namespace {

constexpr int kMaxNesting = 2000;

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    JsonParseResult Run() {
        JsonParseResult result;
        SkipSpace();
        std::optional<JsonValue> value = Value(0);
        if (value) {
            SkipSpace();
            if (m_pos != m_text.size()) Fail("text after the value");
        }
        if (!m_error.empty()) {
            result.error = m_error + " at byte " + std::to_string(m_errorPos);
            return result;
        }
        result.value = std::move(value);
        return result;
    }

private:
    std::optional<JsonValue> Value(int nesting) {
        if (nesting > kMaxNesting) return Fail("nested too deeply");
        if (m_pos >= m_text.size()) return Fail("value expected");
        switch (m_text[m_pos]) {
            case '{': return Object(nesting);
            case '[': return Array(nesting);
            case '"': {
                std::optional<std::wstring> s = String();
                if (!s) return std::nullopt;
                return JsonValue::MakeString(std::move(*s));
            }
            case 't': return Literal("true", JsonValue::MakeBool(true));
            case 'f': return Literal("false", JsonValue::MakeBool(false));
            case 'n': return Literal("null", JsonValue::MakeNull());
            default: return Number();
        }
    }

    std::optional<JsonValue> Object(int nesting) {
        ++m_pos;  // {
        std::vector<std::pair<std::wstring, JsonValue>> members;
        SkipSpace();
        if (Peek('}')) {
            ++m_pos;
            return JsonValue::MakeObject(std::move(members));
        }
        for (;;) {
            SkipSpace();
            if (!Peek('"')) return Fail("member name expected");
            std::optional<std::wstring> key = String();
            if (!key) return std::nullopt;
            SkipSpace();
            if (!Peek(':')) return Fail("':' expected");
            ++m_pos;
            SkipSpace();
            std::optional<JsonValue> value = Value(nesting + 1);
            if (!value) return std::nullopt;
            members.emplace_back(std::move(*key), std::move(*value));
            SkipSpace();
            if (Peek(',')) {
                ++m_pos;
                continue;
            }
            if (Peek('}')) {
                ++m_pos;
                return JsonValue::MakeObject(std::move(members));
            }
            return Fail("',' or '}' expected");
        }
    }

    std::optional<JsonValue> Array(int nesting) {
        ++m_pos;  // [
        std::vector<JsonValue> elements;
        SkipSpace();
        if (Peek(']')) {
            ++m_pos;
            return JsonValue::MakeArray(std::move(elements));
        }
        for (;;) {
            SkipSpace();
            std::optional<JsonValue> value = Value(nesting + 1);
            if (!value) return std::nullopt;
            elements.push_back(std::move(*value));
            SkipSpace();
            if (Peek(',')) {
                ++m_pos;
                continue;
            }
            if (Peek(']')) {
                ++m_pos;
                return JsonValue::MakeArray(std::move(elements));
            }
            return Fail("',' or ']' expected");
        }
    }

    std::optional<std::wstring> String() {
        ++m_pos;  // "
        std::wstring out;
        std::size_t runStart = m_pos;
        auto flushRun = [&] { out += FromUtf8(m_text.substr(runStart, m_pos - runStart)); };
        while (m_pos < m_text.size()) {
            const unsigned char c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                flushRun();
                ++m_pos;
                return out;
            }
            if (c < 0x20) return FailString("control character in a string");
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            flushRun();
            if (++m_pos >= m_text.size()) break;
            const char e = m_text[m_pos++];
            switch (e) {
                case '"': out += L'"'; break;
                case '\\': out += L'\\'; break;
                case '/': out += L'/'; break;
                case 'b': out += L'\b'; break;
                case 'f': out += L'\f'; break;
                case 'n': out += L'\n'; break;
                case 'r': out += L'\r'; break;
                case 't': out += L'\t'; break;
                case 'u': {
                    unsigned value = 0;
                    for (int i = 0; i < 4; ++i, ++m_pos) {
                        if (m_pos >= m_text.size()) return FailString("short \\u escape");
                        const char h = m_text[m_pos];
                        value <<= 4;
                        if (h >= '0' && h <= '9') value |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f') value |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F') value |= static_cast<unsigned>(h - 'A' + 10);
                        else return FailString("bad \\u escape");
                    }
                    out += static_cast<wchar_t>(value);  // surrogates pass through as UTF-16 units
                    break;
                }
                default: return FailString("bad escape");
            }
            runStart = m_pos;
        }
        return FailString("unterminated string");
    }

    std::optional<JsonValue> Number() {
        const std::size_t start = m_pos;
        if (Peek('-')) ++m_pos;
        if (Peek('0')) {
            ++m_pos;
        } else if (!Digits()) {
            return Fail("value expected");
        }
        if (Peek('.')) {
            ++m_pos;
            if (!Digits()) return Fail("digits expected after '.'");
        }
        if (Peek('e') || Peek('E')) {
            ++m_pos;
            if (Peek('+') || Peek('-')) ++m_pos;
            if (!Digits()) return Fail("digits expected in the exponent");
        }
        const std::string number(m_text.substr(start, m_pos - start));
        return JsonValue::MakeNumber(std::strtod(number.c_str(), nullptr));
    }

    std::optional<JsonValue> Literal(std::string_view word, JsonValue value) {
        if (m_text.substr(m_pos, word.size()) != word) return Fail("value expected");
        m_pos += word.size();
        return value;
    }

    bool Digits() {
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') ++m_pos;
        return m_pos > start;
    }
    bool Peek(char c) const { return m_pos < m_text.size() && m_text[m_pos] == c; }
    void SkipSpace() {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r'))
            ++m_pos;
    }
    std::nullopt_t Fail(const char* why) {
        if (m_error.empty()) {
            m_error = why;
            m_errorPos = m_pos;
        }
        return std::nullopt;
    }
    std::optional<std::wstring> FailString(const char* why) {
        Fail(why);
        return std::nullopt;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::string m_error;
    std::size_t m_errorPos = 0;
};

}  // namespace

std::optional<long long> JsonValue::integer() const {
    if (m_type != Type::kNumber || std::floor(m_number) != m_number || std::fabs(m_number) > 9.0e15)
        return std::nullopt;
    return static_cast<long long>(m_number);
}

const JsonValue* JsonValue::find(std::wstring_view key) const {
    for (const auto& member : m_members)
        if (member.first == key) return &member.second;
    return nullptr;
}

JsonValue JsonValue::MakeBool(bool value) {
    JsonValue v(Type::kBool);
    v.m_bool = value;
    return v;
}

JsonValue JsonValue::MakeNumber(double value) {
    JsonValue v(Type::kNumber);
    v.m_number = value;
    return v;
}

JsonValue JsonValue::MakeString(std::wstring value) {
    JsonValue v(Type::kString);
    v.m_string = std::move(value);
    return v;
}

JsonValue JsonValue::MakeArray(std::vector<JsonValue> elements) {
    JsonValue v(Type::kArray);
    v.m_array = std::move(elements);
    return v;
}

JsonValue JsonValue::MakeObject(std::vector<std::pair<std::wstring, JsonValue>> members) {
    JsonValue v(Type::kObject);
    v.m_members = std::move(members);
    return v;
}

JsonParseResult ParseJson(std::string_view text) { return Parser(text).Run(); }

}  // namespace mvjava
