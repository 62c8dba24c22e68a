#pragma once
// Typed reads of single registry values that fall back to a default. Both readers set the
// out parameter to the default first and replace it only when a value of an accepted type
// was read. A null subkey reads from `root` itself.

#include <windows.h>

#include <string>

namespace mv {

// Reads a REG_DWORD value. Any other type, a longer value or a missing key/value keeps the
// default and returns false.
bool ReadRegistryDword(HKEY root, const wchar_t* subkey, const wchar_t* valueName, DWORD& value,
                       DWORD defaultValue) noexcept;

// Reads REG_SZ, REG_EXPAND_SZ (not expanded), REG_BINARY or REG_MULTI_SZ (first string only)
// as UTF-16 text up to its first NUL or the end of the data. Other types, missing keys or
// values and allocation failures keep the default and return false.
bool ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName,
                        std::wstring& text, const wchar_t* defaultText) noexcept;

}  // namespace mv
