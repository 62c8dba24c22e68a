// IJAwtContainer: the children of a container in Java order, and the component at a point.

#include <windows.h>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "awt/java_calls.h"
#include "awt/java_handle.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "common/com/variant.h"

namespace mv {
namespace {

constexpr java_method kGetComponentCount{L"getComponentCount", L"()I"};
constexpr java_method kGetComponent{L"getComponent", L"(I)Ljava/awt/Component;"};
constexpr java_method kGenFindComponentAt{L"GenFindComponentAt",
                                          L"(Ljava/awt/Container;II)Ljava/awt/Component;"};

// The component object of child `index`, or null when the child cannot be had.
com_ptr<IJAwtComponent> ChildAt(CMvJavaCpp* bridge, UINT64 container, LONG index) noexcept {
    com_ptr<IJAwtComponent> child;
    unique_variant args;
    if (FAILED(MakeArgumentArray({ArgumentI4(index)}, args))) return child;
    scoped_java_handle handle(bridge);
    if (FAILED(CallJava(bridge, &IMvJavaCpp::CallObjectMethod, container, kGetComponent, args.get(), handle.put())) ||
        !handle)
        return child;
    child.attach(CreateJComponent(bridge, handle.get()));
    if (child) handle.release();  // the object owns it now
    return child;
}

}  // namespace

STDMETHODIMP CJAwtContainer::GetChildComponents(SAFEARRAY** pRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pRet) return E_INVALIDARG;
    *pRet = nullptr;
    const auto attachment = HoldJavaAttachment();

    LONG count = 0;
    const HRESULT hr = CallJava(Bridge(), &IMvJavaCpp::CallIntMethod, Handle(), kGetComponentCount, NoArguments(),
                                &count);
    if (FAILED(hr)) {
        ::OutputDebugStringA("[CJAwtComponent::GetChildComponents]\t failed to get the component count");
        return hr;
    }
    unique_safearray children = NewDispatchArray(count > 0 ? static_cast<ULONG>(count) : 0);
    if (!children) {
        ::OutputDebugStringA("[CJAwtComponent::GetChildComponents]\t allocating safe array failed");
        return E_OUTOFMEMORY;
    }
    // A child that cannot be had leaves its element null.
    for (LONG i = 0; i < count; ++i) {
        const com_ptr<IJAwtComponent> child = ChildAt(Bridge(), Handle(), i);
        if (child) PutDispatchElement(children.get(), i, child.get());
    }
    *pRet = children.release();
    return S_OK;
}

STDMETHODIMP CJAwtContainer::FindComponentAt(POINTL oPt, IDispatch** ppComponent) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!ppComponent) return E_INVALIDARG;
    *ppComponent = nullptr;
    const auto attachment = HoldJavaAttachment();

    scoped_java_handle hook(Bridge());
    Bridge()->GetMorvaneAWTHook(hook.put());
    if (!hook) return E_FAIL;

    // The point is in this container's coordinates.
    unique_variant args;
    MV_RETURN_IF_FAILED(MakeArgumentArray({ArgumentHandle(Handle()), ArgumentI4(oPt.x), ArgumentI4(oPt.y)}, args));
    scoped_java_handle found(Bridge());
    if (FAILED(CallJava(Bridge(), &IMvJavaCpp::CallStaticObjectMethod, hook.get(), kGenFindComponentAt, args.get(),
                        found.put())))
        ::OutputDebugStringA("calling static member GenFindComponentAt failed");
    hook.reset();

    if (found) {
        if (IJAwtComponent* component = CreateJComponent(Bridge(), found.get())) {
            found.release();
            *ppComponent = component;
        } else {
            ::OutputDebugStringA("[CJAwtComponent::FindComponentAt] returned object is not a component");
        }
    }
    return S_OK;
}

}  // namespace mv
