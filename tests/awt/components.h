#pragma once
// What a client does with the component objects it receives from another process: query the
// interface it needs, read bounds and attributes, walk children, find a component by its name.
// Every call goes by vtable through the proxies of the registered type library.

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/com/dispatch_elements.h"

namespace mv::test {

using Component = com_ptr<IJAwtComponent>;

struct Bounds {
    LONG x = 0;
    LONG y = 0;
    LONG width = 0;
    LONG height = 0;
    bool operator==(const Bounds& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
std::ostream& operator<<(std::ostream& out, const Bounds& b);

// Takes over a SAFEARRAY of IDispatch* that a member handed out (TakeDispatchElements), each
// element queried for IJAwtComponent (null where it has none).
std::vector<Component> TakeComponentArray(SAFEARRAY* array);

template <typename I>
com_ptr<I> As(IUnknown* object) {
    com_ptr<I> result;
    if (object) object->QueryInterface(__uuidof(I), result.put_void());
    return result;
}

std::vector<Component> TopLevelWindows(IMvJavaCpp* jvm);
// Children through IJAwtContainer; empty for a component that is no container.
std::vector<Component> ChildrenOf(IJAwtComponent* component);
// Owned windows through IJAwtWindow.
std::vector<Component> OwnedWindowsOf(IJAwtComponent* window);

std::optional<Bounds> BoundsOf(IJAwtComponent* component);
// GetAttribute: the string when the member answered S_OK with VARIANT_TRUE and a string.
std::optional<std::wstring> AttributeOf(IJAwtComponent* component, const wchar_t* name);
std::wstring ClassOf(IJAwtComponent* component);
std::wstring NameOf(IJAwtComponent* component);

// The component's own handle (it stays the component's: never delete it).
UINT64 HandleOf(IJAwtComponent* component);
bool SameJavaObject(IMvJavaCpp* jvm, IJAwtComponent* a, IJAwtComponent* b);

// Depth-first search of `root` and its descendants for the component named `name`.
Component FindByName(IJAwtComponent* root, const std::wstring& name);
// The top-level window named `name` (the first one when several are).
Component FindTopLevelByName(IMvJavaCpp* jvm, const std::wstring& name);

}  // namespace mv::test
