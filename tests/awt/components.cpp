#include "components.h"

#include <ostream>

#include "common/com/bstr.h"

namespace mv::test {

std::ostream& operator<<(std::ostream& out, const Bounds& b) {
    return out << "(" << b.x << ", " << b.y << ", " << b.width << ", " << b.height << ")";
}

std::vector<Component> TakeComponentArray(SAFEARRAY* array) {
    std::vector<Component> components;
    for (const auto& element : TakeDispatchElements(array)) components.push_back(As<IJAwtComponent>(element.get()));
    return components;
}

std::vector<Component> TopLevelWindows(IMvJavaCpp* jvm) {
    SAFEARRAY* array = nullptr;
    if (FAILED(jvm->GetAllTopLevelComponents(&array))) return {};
    return TakeComponentArray(array);
}

std::vector<Component> ChildrenOf(IJAwtComponent* component) {
    const auto container = As<IJAwtContainer>(component);
    SAFEARRAY* array = nullptr;
    if (!container || FAILED(container->GetChildComponents(&array))) return {};
    return TakeComponentArray(array);
}

std::vector<Component> OwnedWindowsOf(IJAwtComponent* window) {
    const auto asWindow = As<IJAwtWindow>(window);
    SAFEARRAY* array = nullptr;
    if (!asWindow || FAILED(asWindow->GetOwnedWindows(&array))) return {};
    return TakeComponentArray(array);
}

std::optional<Bounds> BoundsOf(IJAwtComponent* component) {
    POINTL position{};
    SIZE size{};
    VARIANT_BOOL read = VARIANT_FALSE;
    if (!component || component->GetBounds(&position, &size, &read) != S_OK || read != VARIANT_TRUE)
        return std::nullopt;
    return Bounds{position.x, position.y, size.cx, size.cy};
}

std::optional<std::wstring> AttributeOf(IJAwtComponent* component, const wchar_t* name) {
    unique_bstr attribute(::SysAllocString(name));
    unique_bstr value;
    VARIANT_BOOL found = VARIANT_FALSE;
    if (!component || component->GetAttribute(attribute.get(), value.put(), &found) != S_OK ||
        found != VARIANT_TRUE || !value)
        return std::nullopt;
    return std::wstring(value.view());
}

std::wstring ClassOf(IJAwtComponent* component) {
    unique_bstr name;
    if (!component || FAILED(component->GetComponentClass(name.put()))) return {};
    return std::wstring(name.view());
}

std::wstring NameOf(IJAwtComponent* component) { return AttributeOf(component, L"name").value_or(L""); }

UINT64 HandleOf(IJAwtComponent* component) {
    const auto object = As<IJObject>(component);
    com_ptr<IDispatch> jvm;
    UINT64 handle = 0;
    if (!object || FAILED(object->GetJvmAndHandle(jvm.put(), &handle))) return 0;
    return handle;
}

bool SameJavaObject(IMvJavaCpp* jvm, IJAwtComponent* a, IJAwtComponent* b) {
    const UINT64 ha = HandleOf(a);
    const UINT64 hb = HandleOf(b);
    VARIANT_BOOL same = VARIANT_FALSE;
    return ha && hb && jvm->IsSameJavaObject(ha, hb, &same) == S_OK && same == VARIANT_TRUE;
}

Component FindByName(IJAwtComponent* root, const std::wstring& name) {
    if (!root) return {};
    if (NameOf(root) == name) return Component(root);
    for (const Component& child : ChildrenOf(root))
        if (Component found = FindByName(child.get(), name)) return found;
    return {};
}

Component FindTopLevelByName(IMvJavaCpp* jvm, const std::wstring& name) {
    for (const Component& window : TopLevelWindows(jvm))
        if (window && NameOf(window.get()) == name) return window;
    return {};
}

}  // namespace mv::test
