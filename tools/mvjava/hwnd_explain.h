#pragma once
// Why a native window does or does not show a Java window: the module matches a native
// top-level window to the Java top-level window whose bounds equal its rectangle exactly or, where
// none does, whose bounds scaled to device pixels do (a scaled display). The explanation puts the
// native rectangle and every Java window's bounds side by side (and, for a scaled window, its device
// bounds) and marks which of x, y, width and height differ.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "awt/scaled_rectangle.h"
#include "component_tree.h"

namespace mvjava {

struct NativeRect {
    long x = 0;
    long y = 0;
    long width = 0;
    long height = 0;
};

struct HwndExplanation {
    ULONG hwnd = 0;
    int info = -1;                    // GetHWNDResultInfo
    NativeRect native;
    bool topLevel = true;             // the handle is a top-level window
    std::optional<std::wstring> match;  // path of the Java window returned, if any
    std::vector<ComponentNode> windows; // the Java top-level windows (no children)
    std::vector<mv::window_scale> scales;  // each window's scale (1 by 1 where it was not read)
};

// The bounds the window at `index` has in device pixels (its bounds where it is not scaled).
NativeRect DeviceBounds(const HwndExplanation& explanation, std::size_t index);

// "ResultOK", "NoMatch", ... ("info 7" for a value the enumeration lacks).
std::string ResultInfoName(int info);
// Which of "x", "y", "width", "height" of `window` differ from `native`.
std::vector<const char*> DifferingBounds(const NativeRect& native, const ComponentNode& window);

std::string FormatExplanationText(const HwndExplanation& explanation);
std::string FormatExplanationJson(const HwndExplanation& explanation);

}  // namespace mvjava
