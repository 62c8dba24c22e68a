#include "support/memory_registry.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace mv::registry_script::memreg {
namespace {

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr int kRootCount = 7;

char16_t Fold(char16_t c) noexcept { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    for (;;) {
        const std::size_t separator = path.find(u'\\');
        parts.push_back(path.substr(0, separator));
        if (separator == std::u16string_view::npos) return parts;
        path.remove_prefix(separator + 1);
    }
}

RegistryRoot RootOf(std::u16string_view name) {
    const std::optional<RegistryRoot> root = FindRootKey(name);
    if (!root) throw std::invalid_argument("unknown root in a memory registry path");
    return *root;
}

bool CanWrite(RegistryEditor::Access access) noexcept { return access != RegistryEditor::Access::Read; }
bool CanRead(RegistryEditor::Access access) noexcept { return access != RegistryEditor::Access::Write; }

bool SameNode(const Node& a, const Node& b) {
    if (a.values != b.values || a.subkeys.size() != b.subkeys.size()) return false;
    auto other = b.subkeys.begin();
    for (const auto& [name, child] : a.subkeys) {
        if (!EqualsIgnoringCase(name, other->first) || !SameNode(*child, *other->second)) return false;
        ++other;
    }
    return true;
}

void MarkDeleted(Node& node) noexcept { node.deleted = true; }

void CollectPaths(const Node& node, const std::u16string& path, std::vector<std::u16string>& paths) {
    for (const auto& [name, child] : node.subkeys) {
        const std::u16string childPath = path + u"\\" + child->name;
        paths.push_back(childPath);
        CollectPaths(*child, childPath, paths);
    }
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::u16string& a, const std::u16string& b) const noexcept {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return Fold(x) < Fold(y); });
}

MemoryRegistry::MemoryRegistry() {
    for (int i = 0; i < kRootCount; ++i) {
        m_roots.push_back(std::make_shared<Node>());
        m_rootHandles.push_back(Handle{m_roots.back(), Access::ReadWrite});
    }
}

const MemoryRegistry::Handle* MemoryRegistry::Find(Key key) const noexcept {
    if (key >= 1 && key <= static_cast<Key>(kRootCount)) return &m_rootHandles[key - 1];
    const auto it = m_handles.find(key);
    return it == m_handles.end() ? nullptr : &it->second;
}

RegistryEditor::Key MemoryRegistry::AddHandle(std::shared_ptr<Node> node, Access access) {
    const Key key = m_nextHandle++;
    m_handles.emplace(key, Handle{std::move(node), access});
    return key;
}

RegistryEditor::Key MemoryRegistry::RootKey(RegistryRoot root) noexcept {
    return static_cast<Key>(root) + 1;
}

Win32Error MemoryRegistry::OpenKey(Key parent, const std::u16string& name, Access access, Key& opened) noexcept {
    try {
        const Handle* handle = Find(parent);
        if (handle == nullptr || name.empty()) return kErrorInvalidParameter;
        if (handle->node->deleted) return kErrorKeyDeleted;
        if (name.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
        const auto it = handle->node->subkeys.find(name);
        if (it == handle->node->subkeys.end()) return kErrorFileNotFound;
        opened = AddHandle(it->second, access);
        return kErrorSuccess;
    } catch (const std::bad_alloc&) {
        return 14;  // ERROR_OUTOFMEMORY
    }
}

Win32Error MemoryRegistry::ReopenKey(Key key, Access access, Key& reopened) noexcept {
    try {
        const Handle* handle = Find(key);
        if (handle == nullptr) return kErrorInvalidParameter;
        if (handle->node->deleted) return kErrorKeyDeleted;
        reopened = AddHandle(handle->node, access);
        return kErrorSuccess;
    } catch (const std::bad_alloc&) {
        return 14;
    }
}

Win32Error MemoryRegistry::CreateKey(Key parent, const std::u16string& name, Key& created) noexcept {
    try {
        const Handle* handle = Find(parent);
        if (handle == nullptr || name.empty()) return kErrorInvalidParameter;
        if (handle->node->deleted) return kErrorKeyDeleted;
        if (name.size() > kMaxKeyNameLength) return kErrorInvalidParameter;
        const auto failing = m_failingCreations.find(name);
        if (failing != m_failingCreations.end()) return failing->second;
        std::shared_ptr<Node> node;
        const auto it = handle->node->subkeys.find(name);
        if (it != handle->node->subkeys.end()) {
            node = it->second;
        } else {
            if (!CanWrite(handle->access)) return kErrorAccessDenied;
            node = std::make_shared<Node>();
            node->name = name;
            handle->node->subkeys.emplace(name, node);
        }
        created = AddHandle(std::move(node), Access::ReadWrite);
        return kErrorSuccess;
    } catch (const std::bad_alloc&) {
        return 14;
    }
}

Win32Error MemoryRegistry::CloseKey(Key key) noexcept {
    if (key >= 1 && key <= static_cast<Key>(kRootCount)) return kErrorSuccess;
    return m_handles.erase(key) == 1 ? kErrorSuccess : 6;  // ERROR_INVALID_HANDLE
}

Win32Error MemoryRegistry::SetValue(Key key, const std::u16string* name, RegistryValueType type,
                                    const std::vector<std::uint8_t>& data) noexcept {
    try {
        const Handle* handle = Find(key);
        if (handle == nullptr) return 6;
        if (handle->node->deleted) return kErrorKeyDeleted;
        if (!CanWrite(handle->access)) return kErrorAccessDenied;
        handle->node->values[name ? *name : std::u16string()] = Value{type, data};
        return kErrorSuccess;
    } catch (const std::bad_alloc&) {
        return 14;
    }
}

Win32Error MemoryRegistry::DeleteValue(Key key, const std::u16string& name) noexcept {
    const Handle* handle = Find(key);
    if (handle == nullptr) return 6;
    if (handle->node->deleted) return kErrorKeyDeleted;
    if (!CanWrite(handle->access)) return kErrorAccessDenied;
    return handle->node->values.erase(name) == 1 ? kErrorSuccess : kErrorFileNotFound;
}

Win32Error MemoryRegistry::DeleteKey(Key parent, const std::u16string& name) noexcept {
    const Handle* handle = Find(parent);
    if (handle == nullptr || name.empty()) return kErrorInvalidParameter;
    if (handle->node->deleted) return kErrorKeyDeleted;
    const auto it = handle->node->subkeys.find(name);
    if (it == handle->node->subkeys.end()) return kErrorFileNotFound;
    if (!it->second->subkeys.empty()) return kErrorAccessDenied;  // as Windows answers
    MarkDeleted(*it->second);
    handle->node->subkeys.erase(it);
    return kErrorSuccess;
}

Win32Error MemoryRegistry::FirstSubkeyName(Key key, std::u16string& name) noexcept {
    try {
        const Handle* handle = Find(key);
        if (handle == nullptr) return 6;
        if (handle->node->deleted) return kErrorKeyDeleted;
        if (!CanRead(handle->access)) return kErrorAccessDenied;
        if (handle->node->subkeys.empty()) return kErrorNoMoreItems;
        name = handle->node->subkeys.begin()->second->name;
        return kErrorSuccess;
    } catch (const std::bad_alloc&) {
        return 14;
    }
}

const Node* MemoryRegistry::FindNode(std::u16string_view path) const {
    const std::vector<std::u16string_view> parts = SplitPath(path);
    const Node* node = m_roots[static_cast<int>(RootOf(parts[0]))].get();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto it = node->subkeys.find(std::u16string(parts[i]));
        if (it == node->subkeys.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

Node& MemoryRegistry::NodeAt(std::u16string_view path) {
    const std::vector<std::u16string_view> parts = SplitPath(path);
    Node* node = m_roots[static_cast<int>(RootOf(parts[0]))].get();
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::u16string name(parts[i]);
        auto it = node->subkeys.find(name);
        if (it == node->subkeys.end()) {
            auto child = std::make_shared<Node>();
            child->name = name;
            it = node->subkeys.emplace(name, std::move(child)).first;
        }
        node = it->second.get();
    }
    return *node;
}

void MemoryRegistry::AddKey(std::u16string_view path) { NodeAt(path); }

void MemoryRegistry::AddValue(std::u16string_view path, std::u16string_view name, Value value) {
    NodeAt(path).values[std::u16string(name)] = std::move(value);
}

bool MemoryRegistry::HasKey(std::u16string_view path) const { return FindNode(path) != nullptr; }

std::optional<Value> MemoryRegistry::FindValue(std::u16string_view path, std::u16string_view name) const {
    const Node* node = FindNode(path);
    if (node == nullptr) return std::nullopt;
    const auto it = node->values.find(std::u16string(name));
    if (it == node->values.end()) return std::nullopt;
    return it->second;
}

std::vector<std::u16string> MemoryRegistry::KeyPaths() const {
    static constexpr std::u16string_view kRootNames[kRootCount] = {u"HKCR", u"HKCU", u"HKLM", u"HKU",
                                                                   u"HKPD", u"HKDD", u"HKCC"};
    std::vector<std::u16string> paths;
    for (int i = 0; i < kRootCount; ++i) CollectPaths(*m_roots[i], std::u16string(kRootNames[i]), paths);
    return paths;
}

bool MemoryRegistry::IsEmpty() const {
    return std::all_of(m_roots.begin(), m_roots.end(),
                       [](const auto& root) { return root->subkeys.empty() && root->values.empty(); });
}

bool MemoryRegistry::SameContent(const MemoryRegistry& other) const {
    for (int i = 0; i < kRootCount; ++i) {
        if (!SameNode(*m_roots[i], *other.m_roots[i])) return false;
    }
    return true;
}

void MemoryRegistry::FailCreationOf(std::u16string name, Win32Error error) {
    m_failingCreations[std::move(name)] = error;
}

}  // namespace mv::registry_script::memreg
