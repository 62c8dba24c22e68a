#pragma once
// A registry held in memory, as a RegistryEditor: keys with case-insensitive names, typed
// values and handles with access rights. It answers like the Windows registry where the
// script language can tell (not found, access denied for keys with subkeys or missing rights,
// invalid parameter for names over 255 units, deleted keys), counts open handles and can be
// told to fail the creation of a key. Portable, so that tests and the fuzzer share it.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "module/registry_script/registry_editor.h"

namespace mv::registry_script::memreg {

inline constexpr Win32Error kErrorAccessDenied = 5;
inline constexpr Win32Error kErrorKeyDeleted = 1018;

struct CaseInsensitiveLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const noexcept;
};

struct Value {
    RegistryValueType type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};

struct Node {
    std::u16string name;  // as first created
    std::map<std::u16string, std::shared_ptr<Node>, CaseInsensitiveLess> subkeys;
    std::map<std::u16string, Value, CaseInsensitiveLess> values;  // "" is the default value
    bool deleted = false;
};

class MemoryRegistry final : public RegistryEditor {
public:
    MemoryRegistry();

    // RegistryEditor
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

    // Paths are a root name as in scripts ("HKCR", "HKLM" ...) and key names, joined by
    // backslashes: u"HKCR\\A\\B".
    void AddKey(std::u16string_view path);
    void AddValue(std::u16string_view path, std::u16string_view name, Value value);
    bool HasKey(std::u16string_view path) const;
    // The value `name` ("" for the default value) of the key at `path`, if both exist.
    std::optional<Value> FindValue(std::u16string_view path, std::u16string_view name) const;
    // Every key below the roots, parents before children, each level in name order.
    std::vector<std::u16string> KeyPaths() const;
    // The root keys; a root is empty when it has neither subkeys nor values.
    const Node& Root(RegistryRoot root) const { return *m_roots[static_cast<int>(root)]; }
    bool IsEmpty() const;
    bool SameContent(const MemoryRegistry& other) const;

    // Handles opened through the editor and not closed yet.
    std::size_t OpenHandleCount() const { return m_handles.size(); }
    // From now on, creating a key of this name (any letter case) fails with `error`.
    void FailCreationOf(std::u16string name, Win32Error error);

private:
    struct Handle {
        std::shared_ptr<Node> node;
        Access access;
    };
    // The node of an open handle or root; null for an unknown handle.
    const Handle* Find(Key key) const noexcept;
    Key AddHandle(std::shared_ptr<Node> node, Access access);
    const Node* FindNode(std::u16string_view path) const;
    Node& NodeAt(std::u16string_view path);

    std::vector<std::shared_ptr<Node>> m_roots;
    std::vector<Handle> m_rootHandles;  // handle k is root k-1; never closed
    std::map<Key, Handle> m_handles;
    Key m_nextHandle = 0x1000;
    std::map<std::u16string, Win32Error, CaseInsensitiveLess> m_failingCreations;
};

}  // namespace mv::registry_script::memreg
