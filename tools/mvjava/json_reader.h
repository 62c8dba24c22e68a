#pragma once
// A small JSON reader (RFC 8259) for the snapshot text the Java hook hands back and for tests
// that check mvjava's output. Strings come back as UTF-16 (as BSTRs and Java strings are);
// object members keep their order. A separate unit, so test programs can use it too.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mvjava {

class JsonValue {
public:
    enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

    Type type() const { return m_type; }
    bool is(Type type) const { return m_type == type; }
    bool boolean() const { return m_bool; }
    double number() const { return m_number; }
    // The number when it is an integer that fits a long long.
    std::optional<long long> integer() const;
    const std::wstring& string() const { return m_string; }
    const std::vector<JsonValue>& array() const { return m_array; }
    const std::vector<std::pair<std::wstring, JsonValue>>& members() const { return m_members; }
    // The value of the member `key` of an object; null when there is none (or this is no object).
    const JsonValue* find(std::wstring_view key) const;

    static JsonValue MakeNull() { return JsonValue(Type::kNull); }
    static JsonValue MakeBool(bool value);
    static JsonValue MakeNumber(double value);
    static JsonValue MakeString(std::wstring value);
    static JsonValue MakeArray(std::vector<JsonValue> elements);
    static JsonValue MakeObject(std::vector<std::pair<std::wstring, JsonValue>> members);

private:
    explicit JsonValue(Type type) : m_type(type) {}
    Type m_type;
    bool m_bool = false;
    double m_number = 0;
    std::wstring m_string;
    std::vector<JsonValue> m_array;
    std::vector<std::pair<std::wstring, JsonValue>> m_members;
};

struct JsonParseResult {
    std::optional<JsonValue> value;  // set when the whole text is one valid JSON value
    std::string error;               // why not, with the byte offset
};

// Parses UTF-8 JSON text; surrounding white space is allowed, anything else after the value is not.
JsonParseResult ParseJson(std::string_view text);

}  // namespace mvjava
