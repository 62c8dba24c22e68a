#pragma once
// The component tree in one call: the Java hook's static snapshotWindows / snapshotComponent
// build the whole tree as JSON text inside the Java process, fetched through
// GetMorvaneAWTHook + CallStaticStringMethod and parsed here. A hook without those methods (an
// older hook library) makes the call fail: the caller then walks component objects instead.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "component_tree.h"

namespace mvjava {

struct SnapshotAnswer {
    std::optional<std::vector<ComponentNode>> nodes;  // set when the one call worked
    std::string problem;                              // why not
    long calls = 0;                                   // COM calls made
};

// snapshotWindows(depth): every top-level window (depth -1: no limit).
SnapshotAnswer SnapshotWindows(IMvJavaCpp* jvm, int depth);
// snapshotComponent(root, path, depth) for the component whose handle is `root`.
SnapshotAnswer SnapshotComponent(IMvJavaCpp* jvm, UINT64 root, const std::wstring& path, int depth);

}  // namespace mvjava
