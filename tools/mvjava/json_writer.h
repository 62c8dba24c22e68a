#pragma once
// Compact JSON text (no spaces), UTF-8, strings escaped as RFC 8259 requires: \" \\ \n \r \t by
// name, every other control character as \u00XX (upper-case hex), everything else as it is.
// The writer places the commas; the caller keeps keys and values in the right order.

#include <string>
#include <string_view>
#include <vector>

namespace mvjava {

// Appends `text` (UTF-16) as a quoted, escaped JSON string in UTF-8.
void AppendJsonString(std::string& out, std::wstring_view text);

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);  // ASCII key
    JsonWriter& String(std::wstring_view text);
    JsonWriter& Number(long long value);
    JsonWriter& Real(double value);  // shortest form that reads back the same; null when not finite
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& text() const { return m_text; }

private:
    void BeforeValue();
    std::string m_text;
    std::vector<bool> m_first;  // per open object/array: no element written yet
    bool m_afterKey = false;
};

}  // namespace mvjava
