#pragma once
// A registry in memory for the language tests and the fuzzer: names without regard to case, typed
// values, and the answers the language sees: not found, access denied for deleting a key with
// subkeys, invalid parameter for key names over 255 units.

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "module/registry_script/registry_editor.h"

namespace mv::registry_script {

struct NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c + 0; };
        const auto less = [&](char16_t x, char16_t y) { return fold(x) < fold(y); };
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), less);
    }
};

// The form tests compare: ASCII as itself, NUL as '|', other units as <hex>.
inline std::string DumpText(std::u16string_view units) {
    std::string out;
    char hex[12];
    for (char16_t c : units)
        out += c == 0 ? "|" : c < 0x80 ? std::string(1, char(c)) : (std::snprintf(hex, 12, "<%x>", unsigned{c}), hex);
    return out;
}

class MemoryRegistry final : public RegistryEditor {
public:
    struct Node {
        std::map<std::u16string, std::shared_ptr<Node>, NameLess> keys;
        std::map<std::u16string, std::pair<RegistryValueType, std::vector<std::uint8_t>>, NameLess> values;
    };

    Key RootKey(RegistryRoot root) noexcept override { return static_cast<Key>(root) + 1; }
    Win32Error OpenKey(Key parent, const std::u16string& name, Access, Key& opened) noexcept override {
        if (name.size() > 255) return kErrorInvalidParameter;
        const auto found = NodeOf(parent)->keys.find(name);
        return found == NodeOf(parent)->keys.end() ? kErrorFileNotFound : (opened = Open(found->second), kErrorSuccess);
    }
    Win32Error ReopenKey(Key key, Access, Key& reopened) noexcept override {
        return reopened = Open(NodeOf(key)), kErrorSuccess;
    }
    Win32Error CreateKey(Key parent, const std::u16string& name, Key& created) noexcept override {
        if (name.size() > 255) return kErrorInvalidParameter;
        std::shared_ptr<Node>& child = NodeOf(parent)->keys[name];
        return created = Open(child ? child : (child = std::make_shared<Node>())), kErrorSuccess;
    }
    Win32Error CloseKey(Key key) noexcept override {
        return key - 1 < kRoots || m_open.erase(key) == 1 ? kErrorSuccess : 6;
    }
    Win32Error SetValue(Key key, const std::u16string* name, RegistryValueType type,
                        const std::vector<std::uint8_t>& data) noexcept override {
        return NodeOf(key)->values[name ? *name : std::u16string()] = {type, data}, kErrorSuccess;
    }
    Win32Error DeleteValue(Key key, const std::u16string& name) noexcept override {
        return NodeOf(key)->values.erase(name) == 1 ? kErrorSuccess : kErrorFileNotFound;
    }
    Win32Error DeleteKey(Key parent, const std::u16string& name) noexcept override {
        const auto found = NodeOf(parent)->keys.find(name);
        if (found == NodeOf(parent)->keys.end()) return kErrorFileNotFound;
        return found->second->keys.empty() ? (NodeOf(parent)->keys.erase(found), kErrorSuccess) : 5;  // access denied
    }
    Win32Error FirstSubkeyName(Key key, std::u16string& name) noexcept override {
        const auto& keys = NodeOf(key)->keys;
        return keys.empty() ? kErrorNoMoreItems : (name = keys.begin()->first, kErrorSuccess);
    }

    std::size_t OpenHandles() const { return m_open.size(); }
    // "HKCU@Top=d:01000000; HKCU/K; HKCU/K@=s:it's|; HKCU/K@M=m:a|b||; HKCU/K/Sub": per key its values
    // (strings as text, other types as hexadecimal bytes), then its subkeys.
    std::string Dump() const {
        static const char* const kNames[kRoots] = {"HKCR", "HKCU", "HKLM", "HKU", "HKPD", "HKDD", "HKCC"};
        std::string out;
        for (Key root = 0; root < kRoots; ++root) DumpNode(*m_roots[root], kNames[root], out);
        return out;
    }
    static void DumpNode(const Node& node, const std::string& path, std::string& out) {
        for (const auto& [name, value] : node.values) {
            const auto& [type, data] = value;
            std::string shown = std::string(1, type < 8 ? "?s?bd??m"[type] : '?') + ":";  // REG_SZ 1, ... MULTI_SZ 7
            char hex[3];
            for (std::size_t i = 0; i < data.size(); ++i) {
                const bool text = type == kRegSz || type == kRegMultiSz;
                shown += !text ? (std::snprintf(hex, 3, "%02x", data[i]), std::string(hex))
                         : i % 2 ? DumpText(std::u16string(1, static_cast<char16_t>(data[i - 1] | data[i] << 8))) : "";
            }
            out += (out.empty() ? "" : "; ") + path + "@" + DumpText(name) + "=" + shown;
        }
        for (const auto& [name, child] : node.keys) {
            out += (out.empty() ? "" : "; ") + path + "/" + DumpText(name);
            DumpNode(*child, path + "/" + DumpText(name), out);
        }
    }

private:
    static constexpr Key kRoots = 7;
    // An unknown handle throws, which ends the program: the language used a key it did not hold.
    std::shared_ptr<Node>& NodeOf(Key key) { return key - 1 < kRoots ? m_roots[key - 1] : m_open.at(key); }
    Key Open(std::shared_ptr<Node> node) { return m_open.emplace(++m_last, std::move(node)), m_last; }

    std::shared_ptr<Node> m_roots[kRoots] = {std::make_shared<Node>(), std::make_shared<Node>(),
        std::make_shared<Node>(), std::make_shared<Node>(), std::make_shared<Node>(), std::make_shared<Node>(),
        std::make_shared<Node>()};
    std::map<Key, std::shared_ptr<Node>> m_open;
    Key m_last = 100;
};

}  // namespace mv::registry_script
