#pragma once
// The component tree read by walking component objects through the module's COM interface:
// GetAllTopLevelComponents, then GetChildComponents level by level, and per component
// GetComponentClass, GetAttribute "name"/"title"/"is_visible" and GetBounds. Every COM call the
// walker makes is counted (QueryInterface included), so a walk can be compared with the
// one-call snapshot. Component objects arrive as IDispatch and are queried for what is needed.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "component_tree.h"

namespace mvjava {

using Component = mv::com_ptr<IJAwtComponent>;

class ComponentWalker {
public:
    explicit ComponentWalker(IMvJavaCpp* jvm) : m_jvm(jvm) {}

    // The top-level windows in GetAllTopLevelComponents order (an element may be null).
    std::vector<Component> TopLevelWindows();
    // The children of a container in Java order; empty for a component that is no container.
    std::vector<Component> Children(IJAwtComponent* component);
    // The component a path or a locator (through the hook) names; throws Failure (kNotFound) when
    // there is none.
    Component Resolve(const std::wstring& path);
    // The index of `window` among the top-level windows; throws Failure (kNotFound).
    std::size_t TopLevelIndexOf(IJAwtComponent* window);

    // Every top-level window and its descendants down to `depth` (-1: no limit).
    std::vector<ComponentNode> WalkWindows(int depth);
    // `component` (whose path is `path`) and its descendants down to `depth` levels below it.
    ComponentNode WalkComponent(IJAwtComponent* component, const std::wstring& path, int depth);

    // Gives each node of `roots` its locator, from the hook in one call; leaves them without when
    // the hook has none to give.
    void FillLocators(std::vector<ComponentNode>& roots);

    // The component's own Java handle (it stays the component's: never delete it); 0 on failure.
    UINT64 HandleOf(IJAwtComponent* component);

    long calls() const { return m_calls; }

private:
    HRESULT Count(HRESULT hr) {
        ++m_calls;
        return hr;
    }
    std::vector<Component> TakeComponents(SAFEARRAY* array);
    Component ResolveLocator(const std::wstring& locator);
    std::optional<std::wstring> Attribute(IJAwtComponent* component, const wchar_t* name);

    mv::com_ptr<IMvJavaCpp> m_jvm;
    long m_calls = 0;
};

}  // namespace mvjava
