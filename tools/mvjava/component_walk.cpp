#include "component_walk.h"

#include <functional>

#include "common/com/bstr.h"
#include "common/com/dispatch_elements.h"
#include "component_path.h"
#include "exit_codes.h"
#include "java_arguments.h"
#include "java_ref.h"
#include "utf8.h"

namespace mvjava {
namespace {

std::string CallFailed(const char* member, const std::wstring& path, HRESULT hr) {
    return std::string(member) + " of " + ToUtf8(path) + " failed: " + DescribeHresult(hr);
}

}  // namespace

std::vector<Component> ComponentWalker::TakeComponents(SAFEARRAY* array) {
    std::vector<Component> components;
    // Wine hands such arrays over without feature flags: take the elements over (see
    // TakeDispatchElements) so that every component object is released.
    for (const auto& element : mv::TakeDispatchElements(array)) {
        Component component;
        if (element) Count(element->QueryInterface(__uuidof(IJAwtComponent), component.put_void()));
        components.push_back(std::move(component));
    }
    return components;
}

std::vector<Component> ComponentWalker::TopLevelWindows() {
    SAFEARRAY* array = nullptr;
    const HRESULT hr = Count(m_jvm->GetAllTopLevelComponents(&array));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetAllTopLevelComponents failed: " + DescribeHresult(hr));
    return TakeComponents(array);
}

std::vector<Component> ComponentWalker::Children(IJAwtComponent* component) {
    mv::com_ptr<IJAwtContainer> container;
    if (FAILED(Count(component->QueryInterface(__uuidof(IJAwtContainer), container.put_void())))) return {};
    SAFEARRAY* array = nullptr;
    const HRESULT hr = Count(container->GetChildComponents(&array));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetChildComponents failed: " + DescribeHresult(hr));
    return TakeComponents(array);
}

Component ComponentWalker::Resolve(const std::wstring& path) {
    if (IsLocator(path)) return ResolveLocator(path);
    const auto indexes = ParseComponentPath(path);
    if (!indexes) throw Failure(ExitCode::kUsage, "not a component path: " + ToUtf8(path) + " (expected /N/N...)");
    std::vector<Component> level = TopLevelWindows();
    Component current;
    for (std::size_t i = 0; i < indexes->size(); ++i) {
        const std::size_t index = (*indexes)[i];
        if (index >= level.size() || !level[index])
            throw Failure(ExitCode::kNotFound,
                          "no component at " + ToUtf8(FormatComponentPath({indexes->begin(), indexes->begin() + i + 1})));
        current = level[index];
        if (i + 1 < indexes->size()) level = Children(current.get());
    }
    return current;
}

Component ComponentWalker::ResolveLocator(const std::wstring& locator) {
    UINT64 hook = 0;
    HRESULT hr = Count(m_jvm->GetMorvaneAWTHook(&hook));
    if (FAILED(hr) || !hook)
        throw Failure(ExitCode::kCallFailed, "the hook is not installed in that process: " + DescribeHresult(hr));
    const JavaRef hookRef(m_jvm.get(), hook);
    mv::unique_variant args;
    if (!MakeArgumentArray(args, {ArgumentBstr(locator)})) throw Failure(ExitCode::kCallFailed, "out of memory");
    UINT64 handle = 0;
    Count(m_jvm->CallStaticObjectMethod(hook, mv::unique_bstr::copy_of(L"componentAt").get(),
                                        mv::unique_bstr::copy_of(L"(Ljava/lang/String;)Ljava/awt/Component;").get(),
                                        args.get(), &handle));
    const JavaRef found(m_jvm.get(), handle);
    if (!found) throw Failure(ExitCode::kNotFound, "no component at " + ToUtf8(locator));
    mv::com_ptr<IDispatch> object;
    hr = Count(m_jvm->MakeJComponentFromHandle(found.get(), object.put()));
    Component component;
    if (hr == S_OK && object) component = object.try_query<IJAwtComponent>();
    if (!component) throw Failure(ExitCode::kNotFound, ToUtf8(locator) + " names no component (" + DescribeHresult(hr) + ")");
    return component;
}

void ComponentWalker::FillLocators(std::vector<ComponentNode>& roots) {
    std::vector<ComponentNode*> nodes;
    std::wstring paths;
    std::function<void(ComponentNode&)> collect = [&](ComponentNode& node) {
        paths += (nodes.empty() ? L"" : L"\n") + node.path;
        nodes.push_back(&node);
        for (ComponentNode& child : node.childNodes) collect(child);
    };
    for (ComponentNode& root : roots) collect(root);
    UINT64 hook = 0;
    if (nodes.empty() || FAILED(Count(m_jvm->GetMorvaneAWTHook(&hook))) || !hook) return;
    const JavaRef hookRef(m_jvm.get(), hook);
    mv::unique_variant args;
    mv::unique_bstr answer;
    if (!MakeArgumentArray(args, {ArgumentBstr(paths)}) ||
        FAILED(Count(m_jvm->CallStaticStringMethod(hook, mv::unique_bstr::copy_of(L"locatorsAt").get(),
                                                   mv::unique_bstr::copy_of(L"(Ljava/lang/String;)Ljava/lang/String;").get(),
                                                   args.get(), answer.put()))) ||
        !answer)
        return;
    std::wstring_view lines = answer.view();
    for (ComponentNode* node : nodes) {
        const std::size_t end = lines.find(L'\n');
        if (end == std::wstring_view::npos) break;
        if (end > 0) node->locator = std::wstring(lines.substr(0, end));
        lines.remove_prefix(end + 1);
    }
}

UINT64 ComponentWalker::HandleOf(IJAwtComponent* component) {
    mv::com_ptr<IJObject> object;
    if (FAILED(Count(component->QueryInterface(__uuidof(IJObject), object.put_void())))) return 0;
    mv::com_ptr<IDispatch> owner;
    UINT64 handle = 0;
    if (FAILED(Count(object->GetJvmAndHandle(owner.put(), &handle)))) return 0;
    return handle;
}

std::size_t ComponentWalker::TopLevelIndexOf(IJAwtComponent* window) {
    const UINT64 wanted = HandleOf(window);
    const std::vector<Component> windows = TopLevelWindows();
    for (std::size_t i = 0; wanted && i < windows.size(); ++i) {
        if (!windows[i]) continue;
        VARIANT_BOOL same = VARIANT_FALSE;
        if (Count(m_jvm->IsSameJavaObject(wanted, HandleOf(windows[i].get()), &same)) == S_OK && same == VARIANT_TRUE)
            return i;
    }
    throw Failure(ExitCode::kNotFound, "the window is not among the top-level windows");
}

std::optional<std::wstring> ComponentWalker::Attribute(IJAwtComponent* component, const wchar_t* name) {
    const mv::unique_bstr attribute = mv::unique_bstr::copy_of(name);
    mv::unique_bstr value;
    VARIANT_BOOL found = VARIANT_FALSE;
    const HRESULT hr = Count(component->GetAttribute(attribute.get(), value.put(), &found));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, "GetAttribute failed: " + DescribeHresult(hr));
    if (hr != S_OK || found != VARIANT_TRUE || !value) return std::nullopt;
    return std::wstring(value.view());
}

ComponentNode ComponentWalker::WalkComponent(IJAwtComponent* component, const std::wstring& path, int depth) {
    ComponentNode node;
    node.path = path;
    mv::unique_bstr className;
    HRESULT hr = Count(component->GetComponentClass(className.put()));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, CallFailed("GetComponentClass", path, hr));
    node.className = className.view();
    node.name = Attribute(component, L"name");
    node.title = Attribute(component, L"title");
    POINTL position{};
    SIZE size{};
    VARIANT_BOOL read = VARIANT_FALSE;
    hr = Count(component->GetBounds(&position, &size, &read));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, CallFailed("GetBounds", path, hr));
    if (hr == S_OK && read == VARIANT_TRUE) {
        node.x = position.x;
        node.y = position.y;
        node.width = size.cx;
        node.height = size.cy;
    }
    node.visible = Attribute(component, L"is_visible").value_or(L"") == L"TRUE";

    mv::com_ptr<IJAwtContainer> container;
    if (FAILED(Count(component->QueryInterface(__uuidof(IJAwtContainer), container.put_void())))) return node;
    if (depth == 0) {
        node.children = Children::kNotListed;
        return node;
    }
    node.children = Children::kListed;
    SAFEARRAY* array = nullptr;
    hr = Count(container->GetChildComponents(&array));
    if (FAILED(hr)) throw Failure(ExitCode::kCallFailed, CallFailed("GetChildComponents", path, hr));
    const std::vector<Component> children = TakeComponents(array);
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i]) node.childNodes.push_back(WalkComponent(children[i].get(), ChildPath(path, i), depth - 1));
    return node;
}

std::vector<ComponentNode> ComponentWalker::WalkWindows(int depth) {
    std::vector<ComponentNode> nodes;
    const std::vector<Component> windows = TopLevelWindows();
    for (std::size_t i = 0; i < windows.size(); ++i)
        if (windows[i]) nodes.push_back(WalkComponent(windows[i].get(), ChildPath(L"", i), depth));
    return nodes;
}

}  // namespace mvjava
