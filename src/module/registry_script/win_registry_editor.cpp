#include "module/registry_script/win_registry_editor.h"

#include <windows.h>

#include <new>

namespace mv::registry_script {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "script text is UTF-16 like the registry's");
static_assert(kRegSz == REG_SZ && kRegMultiSz == REG_MULTI_SZ && kRegDword == REG_DWORD &&
              kRegBinary == REG_BINARY);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND && kErrorNoMoreItems == ERROR_NO_MORE_ITEMS &&
              kErrorMoreData == ERROR_MORE_DATA && kErrorInvalidParameter == ERROR_INVALID_PARAMETER);

// Longest key name the registry holds, plus its NUL.
constexpr DWORD kSubkeyNameBuffer = 256;

HKEY AsHkey(RegistryEditor::Key key) noexcept { return reinterpret_cast<HKEY>(key); }
RegistryEditor::Key AsKey(HKEY key) noexcept { return reinterpret_cast<RegistryEditor::Key>(key); }
const wchar_t* AsWide(const std::u16string& text) noexcept { return reinterpret_cast<const wchar_t*>(text.c_str()); }

REGSAM AccessMask(RegistryEditor::Access access) noexcept {
    switch (access) {
        case RegistryEditor::Access::Read: return KEY_READ;
        case RegistryEditor::Access::ReadWrite: return KEY_READ | KEY_WRITE;
        case RegistryEditor::Access::Write: return KEY_WRITE;
    }
    return KEY_READ;
}

}  // namespace

RegistryEditor::Key WinRegistryEditor::RootKey(RegistryRoot root) noexcept {
    switch (root) {
        case RegistryRoot::ClassesRoot: return AsKey(HKEY_CLASSES_ROOT);
        case RegistryRoot::CurrentUser: return AsKey(HKEY_CURRENT_USER);
        case RegistryRoot::LocalMachine: return AsKey(HKEY_LOCAL_MACHINE);
        case RegistryRoot::Users: return AsKey(HKEY_USERS);
        case RegistryRoot::PerformanceData: return AsKey(HKEY_PERFORMANCE_DATA);
        case RegistryRoot::DynData: return AsKey(HKEY_DYN_DATA);
        case RegistryRoot::CurrentConfig: return AsKey(HKEY_CURRENT_CONFIG);
    }
    return kNoKey;
}

Win32Error WinRegistryEditor::OpenKey(Key parent, const std::u16string& name, Access access, Key& opened) noexcept {
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(AsHkey(parent), AsWide(name), 0, AccessMask(access), &key);
    if (status == ERROR_SUCCESS) opened = AsKey(key);
    return static_cast<Win32Error>(status);
}

Win32Error WinRegistryEditor::ReopenKey(Key key, Access access, Key& reopened) noexcept {
    HKEY again = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(AsHkey(key), nullptr, 0, AccessMask(access), &again);
    if (status == ERROR_SUCCESS) reopened = AsKey(again);
    return static_cast<Win32Error>(status);
}

Win32Error WinRegistryEditor::CreateKey(Key parent, const std::u16string& name, Key& created) noexcept {
    HKEY key = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(AsHkey(parent), AsWide(name), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) created = AsKey(key);
    return static_cast<Win32Error>(status);
}

Win32Error WinRegistryEditor::CloseKey(Key key) noexcept {
    return static_cast<Win32Error>(::RegCloseKey(AsHkey(key)));
}

Win32Error WinRegistryEditor::SetValue(Key key, const std::u16string* name, RegistryValueType type,
                                       const std::vector<std::uint8_t>& data) noexcept {
    return static_cast<Win32Error>(::RegSetValueExW(AsHkey(key), name ? AsWide(*name) : nullptr, 0, type,
                                                    data.data(), static_cast<DWORD>(data.size())));
}

Win32Error WinRegistryEditor::DeleteValue(Key key, const std::u16string& name) noexcept {
    return static_cast<Win32Error>(::RegDeleteValueW(AsHkey(key), AsWide(name)));
}

Win32Error WinRegistryEditor::DeleteKey(Key parent, const std::u16string& name) noexcept {
    return static_cast<Win32Error>(::RegDeleteKeyW(AsHkey(parent), AsWide(name)));
}

Win32Error WinRegistryEditor::FirstSubkeyName(Key key, std::u16string& name) noexcept {
    wchar_t buffer[kSubkeyNameBuffer];
    DWORD length = kSubkeyNameBuffer;
    const LSTATUS status = ::RegEnumKeyExW(AsHkey(key), 0, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<Win32Error>(status);
    try {
        name.assign(reinterpret_cast<const char16_t*>(buffer), length);
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
    return kErrorSuccess;
}

}  // namespace mv::registry_script
