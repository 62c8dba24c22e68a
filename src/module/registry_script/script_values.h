#pragma once
// Value types of the script language and the conversion of a value's text into the bytes
// the registry stores:
//   S  REG_SZ        the text and its terminating NUL
//   M  REG_MULTI_SZ  strings separated by backslash-0, each NUL-terminated, then one more NUL
//   D  REG_DWORD     decimal text as an unsigned 32-bit number
//   B  REG_BINARY    hexadecimal digits, two per byte, high digit first

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "module/registry_script/script_result.h"

namespace mv::registry_script {

// Registry value types (the REG_* numbers).
using RegistryValueType = std::uint32_t;
inline constexpr RegistryValueType kRegSz = 1;
inline constexpr RegistryValueType kRegBinary = 3;
inline constexpr RegistryValueType kRegDword = 4;
inline constexpr RegistryValueType kRegMultiSz = 7;

// The type named by a one-letter type token (either case), if any.
std::optional<RegistryValueType> FindValueType(std::u16string_view letter) noexcept;

// The registry bytes (little-endian) of `text` as a value of `type`. An odd number of binary
// digits → kFail; "D" text that is not a decimal number of at most 32 bits → kSyntaxError.
ScriptResult ConvertValueText(RegistryValueType type, std::u16string_view text,
                              std::vector<std::uint8_t>& data) noexcept;

}  // namespace mv::registry_script
