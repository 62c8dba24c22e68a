#pragma once
// The component tree as mvjava shows it, the same whether it came from walking component objects
// or from one snapshot call into the Java hook: one node per component with its path, class,
// name, title, bounds (relative to the parent; screen for a top-level window), visibility and,
// for containers, the children in Java order.

#include <optional>
#include <string>
#include <vector>

namespace mvjava {

// What a node says about its children.
enum class Children {
    kNone,       // not a container: no "children" key
    kNotListed,  // a container at the depth limit: "children":null
    kListed,     // a container listed to the end (possibly empty)
};

struct ComponentNode {
    std::wstring path;                 // "/0/0/1"
    std::optional<std::wstring> locator;  // window name="..." >> ... (the hook's), when known
    std::wstring className;            // run-time class, dotted
    std::optional<std::wstring> name;  // getName(), null when none
    std::optional<std::wstring> title; // frame title, button label or getText(), null when none
    std::optional<std::size_t> hiddenLength;  // a password field's hidden text: its length
    long x = 0;
    long y = 0;
    long width = 0;
    long height = 0;
    bool visible = false;              // isShowing()
    Children children = Children::kNone;
    std::vector<ComponentNode> childNodes;

    bool operator==(const ComponentNode& o) const {
        return path == o.path && locator == o.locator && className == o.className && name == o.name && title == o.title &&
               hiddenLength == o.hiddenLength && x == o.x &&
               y == o.y && width == o.width && height == o.height && visible == o.visible &&
               children == o.children && childNodes == o.childNodes;
    }
    bool operator!=(const ComponentNode& o) const { return !(*this == o); }
};

// "/0/0/1" for the child `index` of the node at `parentPath`.
std::wstring ChildPath(const std::wstring& parentPath, std::size_t index);

// The class name after its package ("javax.swing.JTextField" -> "JTextField").
std::wstring ShortClassName(const std::wstring& className);

// Calls `visit(node, depth)` for `root` and every listed descendant, parents first.
template <typename Visit>
void VisitTree(const ComponentNode& root, Visit&& visit, int depth = 0) {
    visit(root, depth);
    for (const ComponentNode& child : root.childNodes) VisitTree(child, visit, depth + 1);
}

// Whether a class is a password field's (a JPasswordField, or a class of that name).
bool IsPasswordClass(const std::wstring& className);
// Moves every password field's text out of its title, keeping only its length.
void HidePasswordTexts(std::vector<ComponentNode>& roots);

// The number of nodes in the trees.
std::size_t CountNodes(const std::vector<ComponentNode>& roots);

}  // namespace mvjava
