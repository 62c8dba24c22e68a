#include "component_tree.h"

namespace mvjava {

std::wstring ChildPath(const std::wstring& parentPath, std::size_t index) {
    return parentPath + L"/" + std::to_wstring(index);
}

std::wstring ShortClassName(const std::wstring& className) {
    const std::size_t dot = className.rfind(L'.');
    return dot == std::wstring::npos ? className : className.substr(dot + 1);
}

bool IsPasswordClass(const std::wstring& cls) {
    static const std::wstring kPasswordField = L"JPasswordField";
    return cls.size() >= kPasswordField.size() &&
           cls.compare(cls.size() - kPasswordField.size(), kPasswordField.size(), kPasswordField) == 0;
}

namespace {
void HideIn(ComponentNode& node) {
    if (node.title && IsPasswordClass(node.className)) {
        node.hiddenLength = node.title->size();
        node.title.reset();
    }
    for (ComponentNode& child : node.childNodes) HideIn(child);
}
}  // namespace

void HidePasswordTexts(std::vector<ComponentNode>& roots) {
    for (ComponentNode& root : roots) HideIn(root);
}

std::size_t CountNodes(const std::vector<ComponentNode>& roots) {
    std::size_t count = 0;
    for (const ComponentNode& root : roots) VisitTree(root, [&](const ComponentNode&, int) { ++count; });
    return count;
}

}  // namespace mvjava
