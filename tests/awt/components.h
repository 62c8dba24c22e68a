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
#include "common/com/bstr.h"
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
inline std::vector<Component> TakeComponentArray(SAFEARRAY* array) {
    std::vector<Component> components;
    for (const auto& element : TakeDispatchElements(array)) components.push_back(As<IJAwtComponent>(element.get()));
    return components;
}

// A failed member leaves the array null, so these answer no components then.
inline std::vector<Component> TopLevelWindows(IMvJavaCpp* jvm) {
    SAFEARRAY* array = nullptr;
    return jvm->GetAllTopLevelComponents(&array), TakeComponentArray(array);
}

inline std::vector<Component> ChildrenOf(IJAwtComponent* component) {  // none for no container
    SAFEARRAY* array = nullptr;
    if (const auto container = As<IJAwtContainer>(component)) container->GetChildComponents(&array);
    return TakeComponentArray(array);
}

inline std::optional<Bounds> BoundsOf(IJAwtComponent* component) {
    POINTL at{};
    SIZE size{};
    VARIANT_BOOL read = VARIANT_FALSE;
    if (!component || component->GetBounds(&at, &size, &read) != S_OK || !read) return std::nullopt;
    return Bounds{at.x, at.y, size.cx, size.cy};
}

inline std::optional<std::wstring> AttributeOf(IJAwtComponent* component, const wchar_t* name) {
    unique_bstr value;
    VARIANT_BOOL found = VARIANT_FALSE;
    const unique_bstr attribute = unique_bstr::copy_of(name);
    const HRESULT hr = component ? component->GetAttribute(attribute.get(), value.put(), &found) : E_FAIL;
    return hr == S_OK && found && value ? std::optional<std::wstring>(value.view()) : std::nullopt;
}

inline std::wstring ClassOf(IJAwtComponent* component) {
    unique_bstr name;
    return component && SUCCEEDED(component->GetComponentClass(name.put())) ? std::wstring(name.view()) : L"";
}

inline std::wstring NameOf(IJAwtComponent* component) { return AttributeOf(component, L"name").value_or(L""); }

inline UINT64 HandleOf(IJAwtComponent* component) {  // the component's own handle: never delete it
    const auto object = As<IJObject>(component);
    com_ptr<IDispatch> jvm;
    UINT64 handle = 0;
    return object && SUCCEEDED(object->GetJvmAndHandle(jvm.put(), &handle)) ? handle : 0;
}

inline Component FindByName(IJAwtComponent* root, const std::wstring& name) {
    if (!root) return {};
    if (NameOf(root) == name) return Component(root);
    for (const Component& child : ChildrenOf(root))
        if (Component found = FindByName(child.get(), name)) return found;
    return {};
}

}  // namespace mv::test
