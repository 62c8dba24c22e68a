#pragma once
// The component tree as the test itself reads it through the component interfaces (the
// helpers of tests/awt), independent of mvjava: one record per component, parents first.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "components.h"

namespace mv::test {

struct ComponentRecord {
    std::wstring path;  // "/0/0/1"
    int depth = 0;      // 0 for a top-level window
    std::wstring className;
    std::optional<std::wstring> name;
    std::optional<std::wstring> title;
    Bounds bounds;
    Bounds absolute;    // x/y added up along the path
    bool visible = false;
    bool container = false;
    std::size_t childCount = 0;
};

// Every component of every top-level window.
std::vector<ComponentRecord> RecordTree(IMvJavaCpp* jvm);

// The record of the component named `name` (the first in tree order); fails the test when none.
const ComponentRecord* RecordNamed(const std::vector<ComponentRecord>& records, const std::wstring& name);
const ComponentRecord* RecordAt(const std::vector<ComponentRecord>& records, const std::wstring& path);
// Whether `path` lies in the subtree of `root` (itself included).
bool InSubtree(const std::wstring& path, const std::wstring& root);

}  // namespace mv::test
