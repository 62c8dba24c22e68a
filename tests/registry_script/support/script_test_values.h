#pragma once
// Registry values as the tests expect them, encoded here rather than by the processor so that
// a wrong conversion fails the tests.

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string_view>
#include <vector>

#include "support/memory_registry.h"

namespace mv::registry_script::memreg {

inline void AppendUtf16(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

inline Value Sz(std::u16string_view text) {
    Value value{kRegSz, {}};
    AppendUtf16(value.data, text);
    AppendUtf16(value.data, std::u16string_view(u"\0", 1));
    return value;
}

inline Value MultiSz(std::initializer_list<std::u16string_view> strings) {
    Value value{kRegMultiSz, {}};
    for (std::u16string_view s : strings) {
        AppendUtf16(value.data, s);
        AppendUtf16(value.data, std::u16string_view(u"\0", 1));
    }
    AppendUtf16(value.data, std::u16string_view(u"\0", 1));
    return value;
}

inline Value Dword(std::uint32_t number) {
    return Value{kRegDword, {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                             static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

inline Value Binary(std::vector<std::uint8_t> bytes) { return Value{kRegBinary, std::move(bytes)}; }

inline void PrintTo(const Value& value, std::ostream* os) {
    *os << "type " << value.type << " [";
    for (std::uint8_t b : value.data) *os << ' ' << static_cast<int>(b);
    *os << " ]";
}

}  // namespace mv::registry_script::memreg
