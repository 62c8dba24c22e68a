#pragma once
// A picture of a component subtree: one SVG rectangle per component at its absolute position
// (the sum of its ancestors' x/y and its own), labelled with the class's short name and the
// component's name, with the full description as the rectangle's tooltip. The view box is the
// root's own rectangle, so the picture shows exactly the window (or part) asked for.

#include <string>

#include "component_tree.h"

namespace mvjava {

// `originX`/`originY`: the absolute position of the root's parent (0,0 for a top-level window,
// whose bounds are already on the screen).
std::string WriteSvg(const ComponentNode& root, long originX, long originY);

// Text safe inside XML character data and attribute values (UTF-8): & < > " ' escaped,
// characters XML does not allow replaced by U+FFFD.
std::string EscapeXml(const std::wstring& text);

}  // namespace mvjava
