#pragma once
// What running a script needs from a registry: the few key and value operations the
// language is defined in. The Windows registry implements it for the module; tests and the
// fuzzer run the same language against a registry held in memory.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "module/registry_script/script_names.h"
#include "module/registry_script/script_result.h"
#include "module/registry_script/script_values.h"

namespace mv::registry_script {

class RegistryEditor {
public:
    // An open key; 0 is none. Root keys are never closed.
    using Key = std::uintptr_t;
    static constexpr Key kNoKey = 0;

    enum class Access { Read, ReadWrite, Write };

    virtual ~RegistryEditor() = default;

    virtual Key RootKey(RegistryRoot root) noexcept = 0;

    // Every operation answers a Win32 error code (kErrorSuccess on success).
    virtual Win32Error OpenKey(Key parent, const std::u16string& name, Access access, Key& opened) noexcept = 0;
    // A second handle to `key` itself with the given access.
    virtual Win32Error ReopenKey(Key key, Access access, Key& reopened) noexcept = 0;
    // Creates a non-volatile key (or opens it if it exists) with read and write access.
    virtual Win32Error CreateKey(Key parent, const std::u16string& name, Key& created) noexcept = 0;
    virtual Win32Error CloseKey(Key key) noexcept = 0;
    // A null name is the key's default value.
    virtual Win32Error SetValue(Key key, const std::u16string* name, RegistryValueType type,
                                const std::vector<std::uint8_t>& data) noexcept = 0;
    virtual Win32Error DeleteValue(Key key, const std::u16string& name) noexcept = 0;
    // Deletes a key that has no subkeys.
    virtual Win32Error DeleteKey(Key parent, const std::u16string& name) noexcept = 0;
    // The name of the key's first subkey; kErrorNoMoreItems when it has none.
    virtual Win32Error FirstSubkeyName(Key key, std::u16string& name) noexcept = 0;
};

// Owns a key opened through an editor and closes it there.
class EditorKey {
public:
    explicit EditorKey(RegistryEditor& editor) noexcept : m_editor(&editor) {}
    ~EditorKey() { Close(); }
    EditorKey(const EditorKey&) = delete;
    EditorKey& operator=(const EditorKey&) = delete;

    RegistryEditor::Key get() const noexcept { return m_key; }
    // Closes what is held and returns the address for an editor call that opens a key.
    RegistryEditor::Key* put() noexcept {
        Close();
        return &m_key;
    }
    // Closes the key now, answering the editor's result.
    Win32Error Close() noexcept {
        const RegistryEditor::Key key = std::exchange(m_key, RegistryEditor::kNoKey);
        return key == RegistryEditor::kNoKey ? kErrorSuccess : m_editor->CloseKey(key);
    }

private:
    RegistryEditor* m_editor;
    RegistryEditor::Key m_key = RegistryEditor::kNoKey;
};

}  // namespace mv::registry_script
