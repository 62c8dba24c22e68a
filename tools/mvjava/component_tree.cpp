#include "component_tree.h"

namespace mvjava {

std::wstring ChildPath(const std::wstring& parentPath, std::size_t index) {
    return parentPath + L"/" + std::to_wstring(index);
}

std::wstring ShortClassName(const std::wstring& className) {
    const std::size_t dot = className.rfind(L'.');
    return dot == std::wstring::npos ? className : className.substr(dot + 1);
}

std::size_t CountNodes(const std::vector<ComponentNode>& roots) {
    std::size_t count = 0;
    for (const ComponentNode& root : roots) VisitTree(root, [&](const ComponentNode&, int) { ++count; });
    return count;
}

}  // namespace mvjava
