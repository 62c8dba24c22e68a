#include "support/registry_test_support.h"

#include <algorithm>
#include <ostream>

#include "common/win/handles.h"

namespace regtest {

void PrintTo(const RegValue& value, std::ostream* os) {
    *os << "type " << value.type << " [";
    for (BYTE b : value.data) *os << ' ' << static_cast<int>(b);
    *os << " ]";
}

RegValue SzValue(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return RegValue{REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

RegValue DwordValue(DWORD number) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&number);
    return RegValue{REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(number))};
}

bool KeyExists(HKEY root, const std::wstring& path) {
    mv::unique_hkey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::optional<RegValue> ReadValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    mv::unique_hkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    RegValue value;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    if (::RegQueryValueExW(key.get(), name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    mv::unique_hkey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void CreateKey(HKEY root, const std::wstring& path, DWORD options) {
    mv::unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS)
        << "creating the test's key";
}

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const RegValue& value) {
    mv::unique_hkey key;
    ASSERT_EQ(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size())),
              ERROR_SUCCESS);
}

std::wstring UnderTestKey(const std::wstring& items) {
    return L"HKCU { NoRemove Software { NoRemove MvRegistryScriptTest { " + items + L" } } }";
}

void RegistryTest::SetUp() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    CreateKey(HKEY_CURRENT_USER, kTestKey);
}

void RegistryTest::TearDown() {
    if (m_redirected) ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

void RegistryTest::RedirectClassesRoot() {
    mv::unique_hkey classes;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, TestPath(L"Classes").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, classes.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.get()), ERROR_SUCCESS);
    m_redirected = true;
}

}  // namespace regtest
