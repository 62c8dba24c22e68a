#pragma once
// COM objects that stand for Java AWT and Swing components of the Java process that hosts the
// bridge object. Each class adds one dual interface to its base:
//
//   CJObject        IJObject        any Java object (never made alone)
//   CJAwtComponent  IJAwtComponent  a java.awt.Component that is no java.awt.Container
//   CJAwtContainer  IJAwtContainer  a java.awt.Container that is no java.awt.Window
//   CJAwtWindow     IJAwtWindow     a java.awt.Window (every frame and dialog)
//
// An object holds the bridge (the main object, not counted: the bridge outlives the objects made
// from it) and one Java handle that it owns and deletes on its last release. It never uses JNI
// itself: every Java step is a call on the bridge. A member that makes more than one such call
// holds the bridge's attachment (HoldJavaAttachment) for its length, so the thread attaches once.
// The objects have no class id and do not aggregate the free-threaded marshaler; other
// apartments reach them through the type-library marshaller. IDispatch answers the IJObject interface.

#include <windows.h>

#include "MvJavaJniComRot_h.h"
#include "common/win/critical_section.h"
#include "jvm/java_vm_attachment.h"
#include "jvm/mv_java_cpp.h"
#include "module/com_object.h"
#include "module/dispatch_impl.h"

namespace mv {

class CJObject : public dispatch_impl<IJObject>, public com_object_base {
public:
    // IJObject
    STDMETHODIMP GetClass(BSTR* bstrClsName) noexcept override;
    STDMETHODIMP GetJvmAndHandle(IDispatch** ppJvm, UINT64* hObj) noexcept override;

    // Gives the new object its bridge and handle (which it owns from now on). Called once by
    // the creator, before the object is handed out; they never change afterwards.
    void SetJavaObject(CMvJavaCpp* bridge, UINT64 handle) noexcept {
        m_pBridge = bridge;
        m_hObj = handle;
    }

protected:
    CJObject() noexcept = default;
    ~CJObject() override;

    bool HasJavaObject() const noexcept { return m_pBridge != nullptr && m_hObj != 0; }
    CMvJavaCpp* Bridge() const noexcept { return m_pBridge; }
    // The bridge's attachment of the calling thread for the length of a member (none without a
    // bridge).
    module_operation HoldJavaAttachment() const noexcept;
    UINT64 Handle() const noexcept { return m_hObj; }

private:
    critical_section m_csLock;        // the object's lock; no operation takes it
    CMvJavaCpp* m_pBridge = nullptr;  // not counted
    UINT64 m_hObj = 0;                // owned; 0: none
};

class CJAwtComponent : public CJObject, public dispatch_impl<IJAwtComponent> {
public:
    static const interface_entry* InterfaceTable() noexcept;

    // IJAwtComponent
    STDMETHODIMP GetContainer(IDispatch** pObj) noexcept override;
    STDMETHODIMP GetComponentClass(BSTR* bstrName) noexcept override;
    STDMETHODIMP GetBounds(POINTL* pPos, SIZE* pSize, VARIANT_BOOL* pbRet) noexcept override;
    STDMETHODIMP GetAttribute(BSTR bstrAttrName, BSTR* pbstrVal, VARIANT_BOOL* pbRet) noexcept override;
    STDMETHODIMP IsTextComponent(VARIANT_BOOL* pbRet) noexcept override;
    STDMETHODIMP GetValue(BSTR* pbstrVal, VARIANT_BOOL* pbRet) noexcept override;
    STDMETHODIMP SetValue(BSTR pbstrVal, VARIANT_BOOL* pbRet) noexcept override;
    STDMETHODIMP DoClick() noexcept override;
    STDMETHODIMP GetRelXPos(LONG* lRelX) noexcept override;
    STDMETHODIMP GetRelYPos(LONG* lRelY) noexcept override;

protected:
    CJAwtComponent() noexcept = default;
    ~CJAwtComponent() override = default;

private:
    enum class axis { x, y };
    // The 1-based dense rank of this component's offset along `along` among its siblings.
    HRESULT RelativeRank(axis along, LONG* rank) noexcept;
    // True when the dialog this object stands for is listed among the top-level windows.
    bool IsListedTopLevel() noexcept;
};

class CJAwtContainer : public CJAwtComponent, public dispatch_impl<IJAwtContainer> {
public:
    static const interface_entry* InterfaceTable() noexcept;

    // IJAwtContainer
    STDMETHODIMP GetChildComponents(SAFEARRAY** pRet) noexcept override;
    STDMETHODIMP FindComponentAt(POINTL oPt, IDispatch** ppComponent) noexcept override;

protected:
    CJAwtContainer() noexcept = default;
    ~CJAwtContainer() override = default;
};

class CJAwtWindow : public CJAwtContainer, public dispatch_impl<IJAwtWindow> {
public:
    static const interface_entry* InterfaceTable() noexcept;

    // IJAwtWindow
    STDMETHODIMP GetOwnedWindows(SAFEARRAY** pRet) noexcept override;
    STDMETHODIMP GetHWND(GetHWNDResultInfo* pInfo, ULONG* phHwnd) noexcept override;

protected:
    CJAwtWindow() noexcept = default;
    ~CJAwtWindow() override = default;
};

// The component object for the Java object `handle`, its class chosen by the object's Java
// class (Container and Window, Container, Component). Returns its IJAwtComponent interface
// holding one reference, and the object then owns the handle; returns null (the handle stays
// the caller's) when the bridge is null, the handle 0, the object no java.awt.Component, or
// the object cannot be allocated.
IJAwtComponent* CreateJComponent(CMvJavaCpp* bridge, UINT64 handle) noexcept;

// A window object for `handle`, made without a class test (for elements of an array of
// windows). Returns its IJAwtWindow interface holding one reference, or null (the handle stays
// the caller's) when it cannot be allocated.
IJAwtWindow* CreateJWindow(CMvJavaCpp* bridge, UINT64 handle) noexcept;

}  // namespace mv
