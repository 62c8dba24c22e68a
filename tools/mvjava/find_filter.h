#pragma once
// The filters of `mvjava find`; a component matches when it passes every filter given:
//   --class C  the run-time class, by full name ("javax.swing.JButton") or short name ("JButton")
//   --name N   getName() equals N
//   --title T  the title (frame title, button label or text) equals T
//   --text T   the title contains T

#include <optional>
#include <string>
#include <vector>

#include "component_tree.h"

namespace mvjava {

struct FindFilter {
    std::optional<std::wstring> className;
    std::optional<std::wstring> name;
    std::optional<std::wstring> title;
    std::optional<std::wstring> text;

    bool empty() const { return !className && !name && !title && !text; }
    bool Matches(const ComponentNode& node) const;
};

// The matching nodes of the trees, in tree order (parents first), each without its children
// (a container's children are "not listed").
std::vector<ComponentNode> FindComponents(const std::vector<ComponentNode>& roots, const FindFilter& filter);

}  // namespace mvjava
