#pragma once
// Reading what registration wrote under HKEY_CLASSES_ROOT: one key, or a key with everything
// below it, as plain values that tests compare.

#include <windows.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace mvtest {

struct RegValue {
    DWORD type = REG_NONE;
    std::wstring text;  // REG_SZ data without its terminating NUL; empty for other types
    bool operator==(const RegValue& other) const { return type == other.type && text == other.text; }
};
void PrintTo(const RegValue& value, std::ostream* os);
RegValue Sz(const std::wstring& text);

// Values of one key by name ("" is the default value).
using KeyValues = std::map<std::wstring, RegValue>;
// Keys by path relative to the tree's root ("" is the root itself).
using KeyTree = std::map<std::wstring, KeyValues>;

bool ClassesKeyExists(const std::wstring& path);
std::optional<std::wstring> ReadClassesString(const std::wstring& path, const wchar_t* name = nullptr);
// The key and every key below it; empty when the key does not exist.
KeyTree ReadClassesTree(const std::wstring& path);
void CreateClassesKey(const std::wstring& path);

}  // namespace mvtest
