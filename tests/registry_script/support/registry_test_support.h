#pragma once
// The real registry of the test prefix, for the processor's tests: reading keys and values,
// and a fixture that gives each test an empty key of its own under HKEY_CURRENT_USER and can
// redirect HKEY_CLASSES_ROOT of the test process into it.

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace regtest {

// Below HKEY_CURRENT_USER; scripts reach it through NoRemove items (see UnderTestKey).
inline constexpr wchar_t kTestKey[] = L"Software\\MvRegistryScriptTest";

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
};
void PrintTo(const RegValue& value, std::ostream* os);

RegValue SzValue(const std::wstring& text);
RegValue DwordValue(DWORD number);

bool KeyExists(HKEY root, const std::wstring& path);
// Null `name` reads the default value.
std::optional<RegValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name);
// Names of the direct subkeys, sorted.
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path);
// Creates the key (and its parents); `options` as for RegCreateKeyEx.
void CreateKey(HKEY root, const std::wstring& path, DWORD options = REG_OPTION_NON_VOLATILE);
void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const RegValue& value);

// A script whose items run in the test key: HKCU { NoRemove Software { NoRemove ... { items } } }.
std::wstring UnderTestKey(const std::wstring& items);

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // From now until TearDown, HKEY_CLASSES_ROOT of this process is the test key's
    // "Classes" subkey.
    void RedirectClassesRoot();
    std::wstring TestPath(const std::wstring& relative) const { return std::wstring(kTestKey) + L"\\" + relative; }

private:
    bool m_redirected = false;
};

}  // namespace regtest
