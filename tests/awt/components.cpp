#include "components.h"

#include "common/com/bstr.h"

namespace mv::test {

std::vector<Component> TakeComponentArray(SAFEARRAY* array) {
    std::vector<Component> components;
    for (const auto& element : TakeDispatchElements(array)) components.push_back(As<IJAwtComponent>(element.get()));
    return components;
}

std::vector<Component> TopLevelWindows(IMvJavaCpp* jvm) {
    SAFEARRAY* array = nullptr;
    return FAILED(jvm->GetAllTopLevelComponents(&array)) ? std::vector<Component>{} : TakeComponentArray(array);
}

std::vector<Component> ChildrenOf(IJAwtComponent* component) {
    const auto container = As<IJAwtContainer>(component);
    SAFEARRAY* array = nullptr;
    if (!container || FAILED(container->GetChildComponents(&array))) return {};
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
    const unique_bstr attribute(::SysAllocString(name));
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
    return object && SUCCEEDED(object->GetJvmAndHandle(jvm.put(), &handle)) ? handle : 0;
}

bool SameJavaObject(IMvJavaCpp* jvm, IJAwtComponent* a, IJAwtComponent* b) {
    const UINT64 ha = HandleOf(a), hb = HandleOf(b);
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
