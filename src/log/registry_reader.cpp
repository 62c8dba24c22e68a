#include "log/registry_reader.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <vector>

#include "common/win/handles.h"

namespace mv {
namespace {

// The key to query: `subkey` opened under `root` for querying values, or `root` itself.
bool OpenQueryKey(HKEY root, const wchar_t* subkey, unique_hkey& opened, HKEY& key) noexcept {
    key = root;
    if (subkey == nullptr) return true;
    if (::RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, opened.put()) != ERROR_SUCCESS) {
        return false;
    }
    key = opened.get();
    return true;
}

bool IsTextType(DWORD type) noexcept {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_BINARY || type == REG_MULTI_SZ;
}

}  // namespace

bool ReadRegistryDword(HKEY root, const wchar_t* subkey, const wchar_t* valueName, DWORD& value,
                       DWORD defaultValue) noexcept {
    value = defaultValue;
    unique_hkey opened;
    HKEY key = nullptr;
    if (!OpenQueryKey(root, subkey, opened, key)) return false;

    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    value = data;
    return true;
}

bool ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName,
                        std::wstring& text, const wchar_t* defaultText) noexcept {
    try {
        text = defaultText;
        unique_hkey opened;
        HKEY key = nullptr;
        if (!OpenQueryKey(root, subkey, opened, key)) return false;

        DWORD type = REG_NONE;
        DWORD size = 0;
        if (::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            !IsTextType(type)) {
            return false;
        }
        // At least two bytes more than the data, zero-filled: a value stored without its
        // terminator still ends in NUL.
        std::vector<wchar_t> units(size / 2 + 2, L'\0');
        DWORD received = static_cast<DWORD>(units.size() * sizeof(wchar_t));
        if (::RegQueryValueExW(key, valueName, nullptr, nullptr,
                               reinterpret_cast<BYTE*>(units.data()), &received) != ERROR_SUCCESS) {
            return false;
        }
        const std::size_t available =
            std::min<std::size_t>(received / sizeof(wchar_t), units.size());
        text.assign(units.data(), ::wcsnlen(units.data(), available));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace mv
