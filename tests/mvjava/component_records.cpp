#include "component_records.h"

#include <gtest/gtest.h>

namespace mv::test {
namespace {

void Record(IJAwtComponent* component, const std::wstring& path, int depth, LONG parentX, LONG parentY,
            std::vector<ComponentRecord>& records) {
    ComponentRecord record;
    record.path = path;
    record.depth = depth;
    record.className = ClassOf(component);
    record.name = AttributeOf(component, L"name");
    record.title = AttributeOf(component, L"title");
    record.bounds = BoundsOf(component).value_or(Bounds{});
    record.absolute = {parentX + record.bounds.x, parentY + record.bounds.y, record.bounds.width,
                       record.bounds.height};
    record.visible = AttributeOf(component, L"is_visible").value_or(L"") == L"TRUE";
    record.container = static_cast<bool>(As<IJAwtContainer>(component));
    const std::vector<Component> children = record.container ? ChildrenOf(component) : std::vector<Component>{};
    record.childCount = children.size();
    const Bounds absolute = record.absolute;
    records.push_back(std::move(record));
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i])
            Record(children[i].get(), path + L"/" + std::to_wstring(i), depth + 1, absolute.x, absolute.y, records);
}

}  // namespace

std::vector<ComponentRecord> RecordTree(IMvJavaCpp* jvm) {
    std::vector<ComponentRecord> records;
    const std::vector<Component> windows = TopLevelWindows(jvm);
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (windows[i]) Record(windows[i].get(), L"/" + std::to_wstring(i), 0, 0, 0, records);
    return records;
}

const ComponentRecord* RecordNamed(const std::vector<ComponentRecord>& records, const std::wstring& name) {
    for (const ComponentRecord& record : records)
        if (record.name == name) return &record;
    ADD_FAILURE() << "no component named " << std::string(name.begin(), name.end());
    return nullptr;
}

const ComponentRecord* RecordAt(const std::vector<ComponentRecord>& records, const std::wstring& path) {
    for (const ComponentRecord& record : records)
        if (record.path == path) return &record;
    return nullptr;
}

bool InSubtree(const std::wstring& path, const std::wstring& root) {
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == L'/');
}

}  // namespace mv::test
