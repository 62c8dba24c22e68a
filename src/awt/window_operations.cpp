// IJAwtWindow: the windows a window owns, and the native window that shows a Java window,
// matched by exactly equal screen rectangles.

#include <windows.h>

#include <vector>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "awt/java_calls.h"
#include "awt/java_handle.h"
#include "awt/java_object_array.h"
#include "awt/native_windows.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "common/com/variant.h"

namespace mv {
namespace {

constexpr java_method kGetOwnedWindows{L"getOwnedWindows", L"()[Ljava/awt/Window;"};

}  // namespace

STDMETHODIMP CJAwtWindow::GetOwnedWindows(SAFEARRAY** pRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pRet) return E_INVALIDARG;
    *pRet = nullptr;
    const CJavaVM attachment = HoldJavaAttachment();
    return guard_hresult([&]() -> HRESULT {
        scoped_java_handle javaArray(Bridge());
        MV_RETURN_IF_FAILED(CallJava(Bridge(), &IMvJavaCpp::CallObjectMethod, Handle(), kGetOwnedWindows,
                                     NoArguments(), javaArray.put()));
        unique_variant elements;
        MV_RETURN_IF_FAILED(Bridge()->GetJavaObjectArray(javaArray.get(), elements.put()));
        if (!HoldsArray(elements.get())) {
            ::OutputDebugStringA("[CJAwtWindow::GetOwnedWindows] java object array is empty");
            return E_FAIL;
        }
        java_handle_list windows(Bridge());
        MV_RETURN_IF_FAILED(TakeHandlesFromArray(elements.get(), windows));

        unique_safearray owned = NewDispatchArray(static_cast<ULONG>(windows.size()));
        if (!owned) return E_OUTOFMEMORY;
        // Every element of the Java array is a window: no class test.
        for (std::size_t i = 0; i < windows.size(); ++i) {
            com_ptr<IJAwtWindow> window;
            window.attach(CreateJWindow(Bridge(), windows.at(i)));
            if (!window) continue;  // its handle is deleted with the list
            windows.take(i);
            PutDispatchElement(owned.get(), static_cast<LONG>(i), window.get());
        }
        *pRet = owned.release();
        return S_OK;
    });
}

STDMETHODIMP CJAwtWindow::GetHWND(GetHWNDResultInfo* pInfo, ULONG* phHwnd) noexcept {
    if (!pInfo || !phHwnd) return E_INVALIDARG;
    *pInfo = ResultOK;
    *phHwnd = 0;
    const CJavaVM attachment = HoldJavaAttachment();
    return guard_hresult([&]() -> HRESULT {
        {
            com_ptr<IDispatch> parent;
            GetContainer(parent.put());
            if (parent) {
                *pInfo = NotATopLevelWindow;
                return S_FALSE;
            }
        }
        const std::vector<HWND> candidates = TopLevelWindowsOfThisProcess();
        if (candidates.empty()) return E_FAIL;

        POINTL position{0, 0};
        SIZE size{0, 0};
        VARIANT_BOOL read = VARIANT_FALSE;
        if (FAILED(GetBounds(&position, &size, &read)) || read != VARIANT_TRUE) {
            *pInfo = CannotMatch;
            return S_FALSE;
        }
        const java_bounds bounds{position.x, position.y, size.cx, size.cy};

        HWND first = nullptr;
        bool ambiguous = false;
        for (HWND candidate : candidates) {
            RECT rect{};
            if (!::GetWindowRect(candidate, &rect) || !SameRectangle(rect, bounds)) continue;
            if (first) {
                ambiguous = true;
                break;
            }
            first = candidate;
        }
        if (!first) {
            *pInfo = NoMatch;
            return S_FALSE;
        }
        *pInfo = ambiguous ? ResultAmbiguous : ResultOK;
        *phHwnd = WindowHandleValue(first);
        return S_OK;
    });
}

}  // namespace mv
