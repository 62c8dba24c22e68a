// The component classes' interface tables, their lifetime, the IJObject members and the
// factories that choose a class for a Java object.

#include "awt/component_objects.h"

#include <new>

#include "awt/java_calls.h"
#include "jvm/mv_java_cpp.h"

namespace mv {

// Each table lists the class's interfaces from the most derived down, then IDispatch as the
// IJObject interface; the first row is the object's identity.
const interface_entry* CJAwtComponent::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CJAwtComponent, IJAwtComponent>(),
        plain_entry<CJAwtComponent, IJObject>(),
        plain_entry<CJAwtComponent, IDispatch, IJObject>(),
        end_of_table(),
    };
    return table;
}

const interface_entry* CJAwtContainer::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CJAwtContainer, IJAwtContainer>(),
        plain_entry<CJAwtContainer, IJAwtComponent>(),
        plain_entry<CJAwtContainer, IJObject>(),
        plain_entry<CJAwtContainer, IDispatch, IJObject>(),
        end_of_table(),
    };
    return table;
}

const interface_entry* CJAwtWindow::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CJAwtWindow, IJAwtWindow>(),
        plain_entry<CJAwtWindow, IJAwtContainer>(),
        plain_entry<CJAwtWindow, IJAwtComponent>(),
        plain_entry<CJAwtWindow, IJObject>(),
        plain_entry<CJAwtWindow, IDispatch, IJObject>(),
        end_of_table(),
    };
    return table;
}

CJObject::~CJObject() {
    // The handle is the object's own, whichever client's release ends it.
    const module_call_scope own;
    if (m_pBridge && m_hObj != 0) m_pBridge->DeleteJavaObject(m_hObj);
    m_hObj = 0;
}

module_operation CJObject::HoldJavaAttachment() const noexcept {
    return m_pBridge ? m_pBridge->HoldAttachment() : module_operation(nullptr);
}

STDMETHODIMP CJObject::GetClass(BSTR* bstrClsName) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!bstrClsName) return E_INVALIDARG;
    *bstrClsName = nullptr;
    const auto attachment = HoldJavaAttachment();
    m_pBridge->GetJavaClassName(m_hObj, bstrClsName);  // judged by its output alone
    return *bstrClsName ? S_OK : E_FAIL;
}

STDMETHODIMP CJObject::GetJvmAndHandle(IDispatch** ppJvm, UINT64* hObj) noexcept {
    if (!m_pBridge || m_hObj == 0) return E_FAIL;
    if (!ppJvm || !hObj) return E_INVALIDARG;
    // IMvJavaCpp is a dual interface: it serves as the bridge's IDispatch.
    m_pBridge->AddRef();
    *ppJvm = m_pBridge;
    *hObj = m_hObj;  // the object's own reference, still owned by the object
    return S_OK;
}

namespace {

template <typename T>
T* NewComponentObject(CMvJavaCpp* bridge, UINT64 handle) noexcept {
    auto* object = new (std::nothrow) stand_alone_object<T>();
    if (object) object->SetJavaObject(bridge, handle);
    return object;
}

template <typename T>
IJAwtComponent* MakeComponent(CMvJavaCpp* bridge, UINT64 handle) noexcept {
    T* object = NewComponentObject<T>(bridge, handle);
    if (!object) return nullptr;
    IJAwtComponent* component = object;
    component->AddRef();
    return component;
}

}  // namespace

IJAwtComponent* CreateJComponent(CMvJavaCpp* bridge, UINT64 handle) noexcept {
    if (!bridge || handle == 0) return nullptr;
    const auto attachment = bridge->HoldAttachment();
    if (IsJavaInstance(bridge, handle, L"java.awt.Container")) {
        if (IsJavaInstance(bridge, handle, L"java.awt.Window")) return MakeComponent<CJAwtWindow>(bridge, handle);
        return MakeComponent<CJAwtContainer>(bridge, handle);
    }
    if (IsJavaInstance(bridge, handle, L"java.awt.Component")) return MakeComponent<CJAwtComponent>(bridge, handle);
    return nullptr;
}

IJAwtWindow* CreateJWindow(CMvJavaCpp* bridge, UINT64 handle) noexcept {
    CJAwtWindow* object = NewComponentObject<CJAwtWindow>(bridge, handle);
    if (!object) return nullptr;
    IJAwtWindow* window = object;
    window->AddRef();
    return window;
}

}  // namespace mv
