// The component members of the main object: a component object for a handle, all top-level
// Java windows, and the Java window behind a native window handle (by the same rectangle or, where
// none has it, by the device rectangle of a window on a scaled display).

#include <windows.h>

#include <optional>
#include <vector>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "awt/java_handle.h"
#include "awt/native_windows.h"
#include "awt/top_level_windows.h"
#include "awt/scaled_rectangle.h"
#include "awt/window_bounds_reader.h"
#include "awt/window_scale_reader.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "jvm/mv_java_cpp.h"
#include "log/log.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::MakeJComponentFromHandle(UINT64 hObj, IDispatch** pRet) noexcept {
    if (hObj == 0 || !pRet) return E_INVALIDARG;
    *pRet = nullptr;
    const bridge_call call;  // the client's handle stays in use until the component has its own
    if (!call.Admits(HandleToJObject(hObj))) return E_INVALIDARG;
    const auto attachment = HoldAttachment();
    // The component gets a reference of its own; the caller's stays the caller's.
    UINT64 own = 0;
    NewGlobalRef(hObj, &own);
    if (own == 0) return E_FAIL;
    IJAwtComponent* component = CreateJComponent(this, own);
    if (!component) {
        DeleteJavaObject(own);
        return S_FALSE;
    }
    *pRet = component;
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::GetAllTopLevelComponents(SAFEARRAY** pRet) noexcept {
    if (!pRet) return E_INVALIDARG;
    *pRet = nullptr;
    const auto attachment = HoldAttachment();
    java_handle_list windows(this);
    MV_RETURN_IF_FAILED(GetTopLevelWindowHandles(this, windows));
    unique_safearray components = NewDispatchArray(static_cast<ULONG>(windows.size()));
    if (!components) {
        ::OutputDebugStringA("[CMvJavaCpp::GetAllTopLevelComponents]\t allocating safe array failed");
        return E_OUTOFMEMORY;
    }
    for (std::size_t i = 0; i < windows.size(); ++i) {
        com_ptr<IJAwtComponent> component;
        component.attach(CreateJComponent(this, windows.at(i)));
        if (!component) continue;  // its handle is deleted with the list
        windows.take(i);
        PutDispatchElement(components.get(), static_cast<LONG>(i), component.get());
    }
    *pRet = components.release();
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::GetComponentFromHwnd(ULONG hHwnd, GetHWNDResultInfo* pInfo, IDispatch** ppRet) noexcept {
    if (hHwnd == 0 || !pInfo || !ppRet) {
        LogLine(L"CMvJavaCpp", L"GetComponentFromHwnd", L"Invalid argument(s)");
        return E_INVALIDARG;
    }
    *ppRet = nullptr;
    const HWND window = FindTopLevelWindow(hHwnd);
    if (!window) {
        *pInfo = NoMatch;
        return S_FALSE;
    }
    *pInfo = CannotMatch;
    RECT rect{};
    if (!::GetWindowRect(window, &rect)) return S_FALSE;

    const auto attachment = HoldAttachment();
    return guard_hresult([&]() -> HRESULT {
        java_handle_list windows(this);
        const HRESULT hr = GetTopLevelWindowHandles(this, windows);
        if (FAILED(hr)) {
            ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] getting top level components failed");
            return hr;
        }
        if (windows.empty()) return S_OK;  // no Java window to compare with: CannotMatch

        std::size_t matches = 0, first = 0;
        std::vector<std::optional<java_bounds>> read(windows.size());
        const window_bounds_reader reader(attachment.env());
        for (std::size_t i = 0; i < windows.size(); ++i) {
            java_bounds bounds{};
            if (!reader.Read(windows.at(i), bounds)) continue;
            read[i] = bounds;
            if (!SameRectangle(rect, bounds)) continue;
            if (matches++ == 0) first = i;
        }
        // Only where no rectangle is the same: a scaled display, the native window in device pixels.
        if (matches == 0) {
            const window_scale_reader scales(attachment.env());
            for (std::size_t i = 0; i < windows.size(); ++i) {
                window_scale scale;
                if (!read[i] || !scales.Read(windows.at(i), scale) || !scale.scaled() ||
                    !SameDeviceRectangle(rect, DeviceRectangles(*read[i], scale)))
                    continue;
                if (matches++ == 0) first = i;
            }
        }
        if (matches == 0) {
            *pInfo = NoMatch;
            return S_FALSE;
        }
        // Every other window's handle, matching or not, is deleted with the list.
        IJAwtComponent* component = CreateJComponent(this, windows.at(first));
        if (!component) return E_OUTOFMEMORY;
        windows.take(first);
        *ppRet = component;
        *pInfo = matches == 1 ? ResultOK : ResultAmbiguous;
        return S_OK;
    });
}

}  // namespace mv
