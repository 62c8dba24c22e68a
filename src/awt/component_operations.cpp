// IJAwtComponent: parent, class, bounds, attributes, text and click of one component. Each
// member is a short sequence of bridge calls on the component's own handle; none keeps state.
// Diagnostics go to the debugger, not to the log.

#include <windows.h>

#include <vector>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "awt/java_calls.h"
#include "awt/java_handle.h"
#include "awt/java_object_ref.h"
#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "common/com/variant.h"

namespace mv {
namespace {

constexpr java_method kGetParent{L"getParent", L"()Ljava/awt/Container;"};
constexpr java_method kGetBounds{L"getBounds", L"()Ljava/awt/Rectangle;"};
constexpr java_method kGetLabel{L"getLabel", L"()Ljava/lang/String;"};
constexpr java_method kGetText{L"getText", L"()Ljava/lang/String;"};
constexpr java_method kGetName{L"getName", L"()Ljava/lang/String;"};
constexpr java_method kIsShowing{L"isShowing", L"()Z"};
constexpr java_method kSetText{L"setText", L"(Ljava/lang/String;)V"};
constexpr java_method kClickComponent{L"clickComponent", L"(Ljava/lang/Object;)I"};

// A string-valued attribute: on failure or a null string nothing is given out.
HRESULT StringAttribute(IMvJavaCpp* bridge, UINT64 object, const java_method& getter, BSTR* value,
                        VARIANT_BOOL* found) noexcept {
    unique_bstr text;
    const HRESULT hr = CallJava(bridge, &IMvJavaCpp::CallStringMethod, object, getter, NoArguments(), text.put());
    if (SUCCEEDED(hr) && text) {
        *value = text.release();
        *found = VARIANT_TRUE;
    }
    return S_OK;
}

HRESULT ClickAnswerToResult(LONG answer) noexcept {
    switch (answer) {
        case 1: return S_OK;
        case 0: return S_FALSE;
        case -1: return E_FAIL;
        default: return E_UNEXPECTED;
    }
}

}  // namespace

bool CJAwtComponent::IsListedTopLevel() noexcept {
    return guard_hresult([&]() -> HRESULT {
               unique_safearray topLevel;
               if (FAILED(Bridge()->GetAllTopLevelComponents(topLevel.put())) || !topLevel) return S_FALSE;
               std::vector<com_ptr<IDispatch>> windows;
               if (FAILED(ReadDispatchArray(topLevel.get(), windows))) return S_FALSE;
               for (const com_ptr<IDispatch>& window : windows) {
                   const com_ptr<IJObject> object = window.try_query<IJObject>();
                   if (!object) return S_FALSE;
                   com_ptr<IDispatch> jvm;
                   UINT64 handle = 0;
                   if (FAILED(object->GetJvmAndHandle(jvm.put(), &handle))) return S_FALSE;
                   VARIANT_BOOL same = VARIANT_FALSE;
                   if (FAILED(Bridge()->IsSameJavaObject(handle, Handle(), &same))) return S_FALSE;
                   if (same == VARIANT_TRUE) return S_OK;
               }
               return S_FALSE;
           }) == S_OK;
}

STDMETHODIMP CJAwtComponent::GetContainer(IDispatch** pObj) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pObj) return E_INVALIDARG;
    *pObj = nullptr;
    const auto attachment = HoldJavaAttachment();
    // A dialog listed among the top-level windows has no container, even when it has an owner.
    if (IsJavaInstance(Bridge(), Handle(), L"java.awt.Dialog") && IsListedTopLevel()) return S_OK;

    scoped_java_handle parent(Bridge());
    MV_RETURN_IF_FAILED(CallJava(Bridge(), &IMvJavaCpp::CallObjectMethod, Handle(), kGetParent, NoArguments(),
                                 parent.put()));
    if (!parent) return S_OK;
    IJAwtComponent* container = CreateJComponent(Bridge(), parent.get());
    if (!container) return E_FAIL;  // the parent handle is still ours and is deleted
    parent.release();
    *pObj = container;
    return S_OK;
}

STDMETHODIMP CJAwtComponent::GetComponentClass(BSTR* bstrName) noexcept { return GetClass(bstrName); }

STDMETHODIMP CJAwtComponent::GetBounds(POINTL* pPos, SIZE* pSize, VARIANT_BOOL* pbRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pPos || !pSize || !pbRet) return E_INVALIDARG;
    *pbRet = VARIANT_FALSE;
    const auto attachment = HoldJavaAttachment();
    UINT64 rectangle = 0;
    const HRESULT hr = CallJava(Bridge(), &IMvJavaCpp::CallObjectMethod, Handle(), kGetBounds, NoArguments(),
                                &rectangle);
    if (FAILED(hr) || rectangle == 0) {
        ::OutputDebugStringA("[CJAwtComponent::GetBounds] CallObjectMethod failed");
        return S_FALSE;
    }
    const CJObjectRef bounds(Bridge(), rectangle);  // deletes the rectangle
    pPos->x = bounds.GetX();
    pPos->y = bounds.GetY();
    pSize->cx = bounds.GetWidth();
    pSize->cy = bounds.GetHeight();
    *pbRet = VARIANT_TRUE;
    return S_OK;
}

STDMETHODIMP CJAwtComponent::GetAttribute(BSTR bstrAttrName, BSTR* pbstrVal, VARIANT_BOOL* pbRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pbstrVal || !pbRet) return E_INVALIDARG;
    *pbRet = VARIANT_FALSE;
    *pbstrVal = nullptr;
    const wchar_t* name = bstrAttrName ? bstrAttrName : L"";
    const auto attachment = HoldJavaAttachment();

    if (::lstrcmpiW(name, L"title") == 0) {
        if (IsJavaInstance(Bridge(), Handle(), L"java.awt.Frame")) {
            // A frame's title is given as read, null included.
            CJObjectRef frame(Bridge(), Handle());
            frame.GetTitle(pbstrVal);
            frame.ReleaseHandle();  // borrowed: the component keeps its handle
            *pbRet = VARIANT_TRUE;
            return S_OK;
        }
        const java_method& getter = IsJavaInstance(Bridge(), Handle(), L"java.awt.Button") ? kGetLabel : kGetText;
        return StringAttribute(Bridge(), Handle(), getter, pbstrVal, pbRet);
    }
    if (::lstrcmpiW(name, L"name") == 0) return StringAttribute(Bridge(), Handle(), kGetName, pbstrVal, pbRet);
    if (::lstrcmpiW(name, L"is_visible") == 0) {
        VARIANT_BOOL showing = VARIANT_FALSE;
        if (FAILED(CallJava(Bridge(), &IMvJavaCpp::CallBooleanMethod, Handle(), kIsShowing, NoArguments(), &showing)))
            return S_OK;
        unique_bstr text(::SysAllocString(showing == VARIANT_TRUE ? L"TRUE" : L"FALSE"));
        if (!text) return E_OUTOFMEMORY;
        *pbstrVal = text.release();
        *pbRet = VARIANT_TRUE;
        return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP CJAwtComponent::IsTextComponent(VARIANT_BOOL* pbRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pbRet) return E_INVALIDARG;
    const auto attachment = HoldJavaAttachment();
    const bool text = IsJavaInstance(Bridge(), Handle(), L"java.awt.TextComponent") ||
                      IsJavaInstance(Bridge(), Handle(), L"javax.swing.text.JTextComponent");
    *pbRet = text ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CJAwtComponent::GetValue(BSTR* pbstrVal, VARIANT_BOOL* pbRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pbstrVal || !pbRet) return E_INVALIDARG;
    *pbRet = VARIANT_FALSE;
    *pbstrVal = nullptr;
    const auto attachment = HoldJavaAttachment();
    // No class test: whatever has a public getText() answers.
    if (SUCCEEDED(CallJava(Bridge(), &IMvJavaCpp::CallStringMethod, Handle(), kGetText, NoArguments(), pbstrVal)))
        *pbRet = VARIANT_TRUE;
    return S_OK;
}

STDMETHODIMP CJAwtComponent::SetValue(BSTR pbstrVal, VARIANT_BOOL* pbRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    // An empty text is a non-null empty BSTR; null is refused.
    if (!pbstrVal || !pbRet) return E_INVALIDARG;
    *pbRet = VARIANT_FALSE;
    const auto attachment = HoldJavaAttachment();
    unique_variant args;
    MV_RETURN_IF_FAILED(MakeArgumentArray({ArgumentBstr(pbstrVal)}, args));
    const HRESULT hr = CallJava(Bridge(), &IMvJavaCpp::CallVoidMethod, Handle(), kSetText, args.get());
    *pbRet = SUCCEEDED(hr) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CJAwtComponent::DoClick() noexcept {
    if (!HasJavaObject()) return E_FAIL;
    const auto attachment = HoldJavaAttachment();
    scoped_java_handle hook(Bridge());
    Bridge()->GetMorvaneAWTHook(hook.put());
    if (!hook) return E_FAIL;

    unique_variant args;
    MV_RETURN_IF_FAILED(MakeArgumentArray({ArgumentHandle(Handle())}, args));
    // The hook clicks on the event dispatch thread and answers 1 clicked, 0 not clickable,
    // -1 failed.
    LONG answer = 0;
    if (FAILED(CallJava(Bridge(), &IMvJavaCpp::CallStaticIntMethod, hook.get(), kClickComponent, args.get(),
                        &answer)))
        ::OutputDebugStringA("calling static member clickComponent failed");
    hook.reset();
    return ClickAnswerToResult(answer);
}

}  // namespace mv
