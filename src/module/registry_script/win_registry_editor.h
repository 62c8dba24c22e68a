#pragma once
// The Windows registry as the editor that registry scripts run against.

#include "module/registry_script/registry_editor.h"

namespace mv::registry_script {

class WinRegistryEditor final : public RegistryEditor {
public:
    Key RootKey(RegistryRoot root) noexcept override;
    Win32Error OpenKey(Key parent, const std::u16string& name, Access access, Key& opened) noexcept override;
    Win32Error ReopenKey(Key key, Access access, Key& reopened) noexcept override;
    Win32Error CreateKey(Key parent, const std::u16string& name, Key& created) noexcept override;
    Win32Error CloseKey(Key key) noexcept override;
    Win32Error SetValue(Key key, const std::u16string* name, RegistryValueType type,
                        const std::vector<std::uint8_t>& data) noexcept override;
    Win32Error DeleteValue(Key key, const std::u16string& name) noexcept override;
    Win32Error DeleteKey(Key parent, const std::u16string& name) noexcept override;
    Win32Error FirstSubkeyName(Key key, std::u16string& name) noexcept override;
};

}  // namespace mv::registry_script
