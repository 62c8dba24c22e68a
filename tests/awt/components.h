#pragma once
// What a client does with the component objects it receives from another process, by vtable through
// the proxies of the registered type library: query an interface, read bounds and attributes, walk
// children, find a component by its name.

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "common/com/dispatch_elements.h"

namespace mv::test {

using Component = com_ptr<IJAwtComponent>;

struct Bounds {
    LONG x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Bounds& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};
inline std::ostream& operator<<(std::ostream& out, const Bounds& b) {
    return out << "(" << b.x << ", " << b.y << ", " << b.width << ", " << b.height << ")";
}

template <typename I>
com_ptr<I> As(IUnknown* object) {
    com_ptr<I> result;
    if (object) object->QueryInterface(__uuidof(I), result.put_void());
    return result;
}

// Takes over an array of IDispatch* a member handed out; each element as IJAwtComponent (or null).
std::vector<Component> TakeComponentArray(SAFEARRAY* array);
std::vector<Component> TopLevelWindows(IMvJavaCpp* jvm);
std::vector<Component> ChildrenOf(IJAwtComponent* component);  // empty for no container
std::optional<Bounds> BoundsOf(IJAwtComponent* component);
// GetAttribute: the string when the member answered S_OK with VARIANT_TRUE and a string.
std::optional<std::wstring> AttributeOf(IJAwtComponent* component, const wchar_t* name);
std::wstring ClassOf(IJAwtComponent* component);
std::wstring NameOf(IJAwtComponent* component);
UINT64 HandleOf(IJAwtComponent* component);  // the component's own handle: never delete it
bool SameJavaObject(IMvJavaCpp* jvm, IJAwtComponent* a, IJAwtComponent* b);
// Depth-first search of `root` and its descendants for the component named `name`.
Component FindByName(IJAwtComponent* root, const std::wstring& name);
Component FindTopLevelByName(IMvJavaCpp* jvm, const std::wstring& name);  // the first one

}  // namespace mv::test
