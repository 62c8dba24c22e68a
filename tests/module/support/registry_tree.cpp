#include "registry_tree.h"

#include "common/win/handles.h"

namespace mvtest {
namespace {

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

mv::unique_hkey OpenClassesKey(const std::wstring& path) {
    mv::unique_hkey key;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

KeyValues ReadValues(HKEY key) {
    KeyValues values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        DWORD type = 0;
        BYTE data[2048];
        DWORD size = sizeof data;
        if (::RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        RegValue value;
        value.type = type;
        if (type == REG_SZ) {
            value.text.assign(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
            while (!value.text.empty() && value.text.back() == L'\0') value.text.pop_back();
        }
        values[std::wstring(name, nameLength)] = value;
    }
    return values;
}

void ReadTreeInto(HKEY key, const std::wstring& relative, KeyTree& tree) {
    tree[relative] = ReadValues(key);
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        const std::wstring subkey(name, nameLength);
        mv::unique_hkey child;
        if (::RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, child.put()) != ERROR_SUCCESS) continue;
        ReadTreeInto(child.get(), relative.empty() ? subkey : relative + L"\\" + subkey, tree);
    }
}

}  // namespace

void PrintTo(const RegValue& value, std::ostream* os) {
    *os << "type " << value.type;
    if (value.type == REG_SZ) *os << " \"" << Narrow(value.text) << "\"";
}

RegValue Sz(const std::wstring& text) { return {REG_SZ, text}; }

bool ClassesKeyExists(const std::wstring& path) { return static_cast<bool>(OpenClassesKey(path)); }

std::optional<std::wstring> ReadClassesString(const std::wstring& path, const wchar_t* name) {
    const mv::unique_hkey key = OpenClassesKey(path);
    if (!key) return std::nullopt;
    const KeyValues values = ReadValues(key.get());
    const auto found = values.find(name ? name : L"");
    if (found == values.end() || found->second.type != REG_SZ) return std::nullopt;
    return found->second.text;
}

KeyTree ReadClassesTree(const std::wstring& path) {
    KeyTree tree;
    const mv::unique_hkey key = OpenClassesKey(path);
    if (key) ReadTreeInto(key.get(), L"", tree);
    return tree;
}

void CreateClassesKey(const std::wstring& path) {
    mv::unique_hkey key;
    ::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                      key.put(), nullptr);
}

}  // namespace mvtest
