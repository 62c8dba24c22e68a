#pragma once
// Where a command gets its component tree: one snapshot call into the Java hook, or - when the
// hook cannot answer, or --walk asks for it - a walk through component objects. Either way the
// same nodes come back, with the COM calls and the time it took.

#include <windows.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "component_tree.h"

namespace mvjava {

struct TreeSettings {
    int depth = -1;          // -1: no limit
    bool forceWalk = false;  // --walk
    bool verbose = false;    // say on stderr when the one call is not used
    bool stats = false;      // print calls and time on stderr
    bool showPasswords = false;  // --show-passwords: keep password fields' texts
};

struct FetchedTree {
    std::vector<ComponentNode> windows;  // password fields' texts hidden unless showPasswords
    bool oneCall = false;  // came from the snapshot call
    long calls = 0;        // COM calls made for it
    double milliseconds = 0;
};

// Every top-level window down to the depth.
FetchedTree FetchWindows(IMvJavaCpp* jvm, const TreeSettings& settings);
// The one top-level window shown by the native window `hwnd` (GetComponentFromHwnd); throws
// Failure (kNotFound) when no Java window matches it.
FetchedTree FetchWindowOfHwnd(IMvJavaCpp* jvm, ULONG hwnd, const TreeSettings& settings);

// "one call: 3 COM calls, 12.5 ms, 35 components" for --stats.
std::string DescribeFetch(const FetchedTree& tree);

}  // namespace mvjava
