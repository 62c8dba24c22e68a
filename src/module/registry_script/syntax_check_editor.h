#pragma once
// An editor on which every operation succeeds and nothing is stored. Reading a body against
// it finds every error of the language (the way a body is read does not depend on what the
// registry holds when every key can be opened), so a malformed block is refused before it
// changes anything.

#include "module/registry_script/registry_editor.h"

namespace mv::registry_script {

class SyntaxCheckEditor final : public RegistryEditor {
public:
    Key RootKey(RegistryRoot) noexcept override { return kSomeKey; }
    Win32Error OpenKey(Key, const std::u16string&, Access, Key& opened) noexcept override {
        opened = kSomeKey;
        return kErrorSuccess;
    }
    Win32Error ReopenKey(Key, Access, Key& reopened) noexcept override {
        reopened = kSomeKey;
        return kErrorSuccess;
    }
    Win32Error CreateKey(Key, const std::u16string&, Key& created) noexcept override {
        created = kSomeKey;
        return kErrorSuccess;
    }
    Win32Error CloseKey(Key) noexcept override { return kErrorSuccess; }
    Win32Error SetValue(Key, const std::u16string*, RegistryValueType, const std::vector<std::uint8_t>&) noexcept override {
        return kErrorSuccess;
    }
    Win32Error DeleteValue(Key, const std::u16string&) noexcept override { return kErrorSuccess; }
    Win32Error DeleteKey(Key, const std::u16string&) noexcept override { return kErrorSuccess; }
    Win32Error FirstSubkeyName(Key, std::u16string&) noexcept override { return kErrorNoMoreItems; }

private:
    static constexpr Key kSomeKey = 1;
};

}  // namespace mv::registry_script
