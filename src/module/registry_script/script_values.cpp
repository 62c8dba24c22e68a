#include "module/registry_script/script_values.h"

#include <new>

#include "module/registry_script/script_names.h"

namespace mv::registry_script {
namespace {

struct ValueTypeLetter {
    std::u16string_view letter;
    RegistryValueType type;
};

constexpr ValueTypeLetter kValueTypeLetters[] = {
    {u"S", kRegSz},
    {u"M", kRegMultiSz},
    {u"D", kRegDword},
    {u"B", kRegBinary},
};

void AppendUnit(std::vector<std::uint8_t>& data, char16_t unit) {
    data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    data.push_back(static_cast<std::uint8_t>(unit >> 8));
}

void ConvertString(std::u16string_view text, std::vector<std::uint8_t>& data) {
    data.reserve((text.size() + 1) * 2);
    for (char16_t unit : text) AppendUnit(data, unit);
    AppendUnit(data, u'\0');
}

void ConvertMultiString(std::u16string_view text, std::vector<std::uint8_t>& data) {
    data.reserve((text.size() + 2) * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'0') {
            AppendUnit(data, u'\0');  // end of one string
            ++i;
        } else {
            AppendUnit(data, text[i]);
        }
    }
    AppendUnit(data, u'\0');  // end of the last string
    AppendUnit(data, u'\0');  // the empty string that ends the list
}

ScriptResult ConvertDword(std::u16string_view text, std::vector<std::uint8_t>& data) {
    if (text.empty()) return kSyntaxError;
    std::uint64_t number = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return kSyntaxError;
        number = number * 10 + static_cast<std::uint64_t>(c - u'0');
        if (number > 0xFFFFFFFFu) return kSyntaxError;
    }
    for (int shift = 0; shift < 32; shift += 8) {
        data.push_back(static_cast<std::uint8_t>((number >> shift) & 0xFF));
    }
    return kOk;
}

// A character that is not a hexadecimal digit counts as 0.
std::uint8_t HexDigitValue(char16_t c) noexcept {
    if (c >= u'0' && c <= u'9') return static_cast<std::uint8_t>(c - u'0');
    if (c >= u'a' && c <= u'f') return static_cast<std::uint8_t>(c - u'a' + 10);
    if (c >= u'A' && c <= u'F') return static_cast<std::uint8_t>(c - u'A' + 10);
    return 0;
}

ScriptResult ConvertBinary(std::u16string_view text, std::vector<std::uint8_t>& data) {
    if (text.size() % 2 != 0) return kFail;
    data.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        data.push_back(static_cast<std::uint8_t>((HexDigitValue(text[i]) << 4) | HexDigitValue(text[i + 1])));
    }
    return kOk;
}

}  // namespace

std::optional<RegistryValueType> FindValueType(std::u16string_view letter) noexcept {
    for (const ValueTypeLetter& entry : kValueTypeLetters) {
        if (EqualsIgnoringCase(letter, entry.letter)) return entry.type;
    }
    return std::nullopt;
}

ScriptResult ConvertValueText(RegistryValueType type, std::u16string_view text,
                              std::vector<std::uint8_t>& data) noexcept {
    try {
        data.clear();
        switch (type) {
            case kRegSz: ConvertString(text, data); return kOk;
            case kRegMultiSz: ConvertMultiString(text, data); return kOk;
            case kRegDword: return ConvertDword(text, data);
            case kRegBinary: return ConvertBinary(text, data);
            default: return kSyntaxError;
        }
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

}  // namespace mv::registry_script
