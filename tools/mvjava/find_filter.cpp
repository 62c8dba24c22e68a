#include "find_filter.h"

namespace mvjava {

bool FindFilter::Matches(const ComponentNode& node) const {
    if (className && *className != node.className && *className != ShortClassName(node.className)) return false;
    if (name && (!node.name || *node.name != *name)) return false;
    if (title && (!node.title || *node.title != *title)) return false;
    if (text && (!node.title || node.title->find(*text) == std::wstring::npos)) return false;
    return true;
}

std::vector<ComponentNode> FindComponents(const std::vector<ComponentNode>& roots, const FindFilter& filter) {
    std::vector<ComponentNode> found;
    for (const ComponentNode& root : roots) {
        VisitTree(root, [&](const ComponentNode& node, int) {
            if (!filter.Matches(node)) return;
            ComponentNode match = node;
            match.childNodes.clear();
            if (match.children == Children::kListed) match.children = Children::kNotListed;
            found.push_back(std::move(match));
        });
    }
    return found;
}

}  // namespace mvjava
