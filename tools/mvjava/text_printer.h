#pragma once
// The component tree as text for people: one line per component, indented two spaces per level,
//   javax.swing.JTextField name=user title="abc" (120,10 200x24) /0/0/1

#include <string>
#include <vector>

#include "component_tree.h"

namespace mvjava {

// The line of one node without indentation or path: class, name, title, bounds, "hidden".
std::string DescribeNode(const ComponentNode& node);
// The indented tree of every node, paths at the line ends.
std::string FormatTree(const std::vector<ComponentNode>& roots);
// A text in double quotes with \" \\ and control characters escaped as in JSON.
std::string QuoteText(const std::wstring& text);

}  // namespace mvjava
