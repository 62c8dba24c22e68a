// IJAwtWindow: the windows a window owns, and the native window that shows a Java window,
// matched by exactly equal screen rectangles or, where none is equal, by the device rectangle of a
// window on a scaled display.

#include <windows.h>

#include <vector>

#include "awt/component_objects.h"
#include "awt/dispatch_array.h"
#include "awt/java_calls.h"
#include "awt/java_handle.h"
#include "awt/java_object_array.h"
#include "awt/native_windows.h"
#include "awt/scaled_rectangle.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "common/com/variant.h"

namespace mv {
namespace {

constexpr java_method kGetOwnedWindows{L"getOwnedWindows", L"()[Ljava/awt/Window;"};
constexpr java_method kGetConfiguration{L"getGraphicsConfiguration", L"()Ljava/awt/GraphicsConfiguration;"};
constexpr java_method kGetTransform{L"getDefaultTransform", L"()Ljava/awt/geom/AffineTransform;"};
constexpr java_method kGetScaleX{L"getScaleX", L"()D"}, kGetScaleY{L"getScaleY", L"()D"};

// The window's scale (its GraphicsConfiguration's default transform) through the bridge.
bool ReadWindowScale(IMvJavaCpp* bridge, UINT64 window, window_scale& scale) noexcept {
    scoped_java_handle configuration(bridge), transform(bridge);
    return SUCCEEDED(CallJava(bridge, &IMvJavaCpp::CallObjectMethod, window, kGetConfiguration, NoArguments(),
                              configuration.put())) && configuration &&
           SUCCEEDED(CallJava(bridge, &IMvJavaCpp::CallObjectMethod, configuration.get(), kGetTransform,
                              NoArguments(), transform.put())) && transform &&
           SUCCEEDED(CallJava(bridge, &IMvJavaCpp::CallDoubleMethod, transform.get(), kGetScaleX, NoArguments(),
                              &scale.x)) &&
           SUCCEEDED(CallJava(bridge, &IMvJavaCpp::CallDoubleMethod, transform.get(), kGetScaleY, NoArguments(),
                              &scale.y));
}

// The first native window of `candidates` that `matches` (and whether another one does too).
template <typename Matches>
HWND FirstMatch(const std::vector<HWND>& candidates, Matches&& matches, bool& ambiguous) {
    HWND first = nullptr;
    for (HWND candidate : candidates) {
        RECT rect{};
        if (!::GetWindowRect(candidate, &rect) || !matches(rect)) continue;
        if (first) {
            ambiguous = true;
            break;
        }
        first = candidate;
    }
    return first;
}

}  // namespace

STDMETHODIMP CJAwtWindow::GetOwnedWindows(SAFEARRAY** pRet) noexcept {
    if (!HasJavaObject()) return E_FAIL;
    if (!pRet) return E_INVALIDARG;
    *pRet = nullptr;
    const auto attachment = HoldJavaAttachment();
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
    const auto attachment = HoldJavaAttachment();
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

        bool ambiguous = false;
        HWND first = FirstMatch(candidates, [&](const RECT& rect) { return SameRectangle(rect, bounds); }, ambiguous);
        // Only where no rectangle is the same: a scaled display, the native window in device pixels.
        window_scale scale;
        if (!first && ReadWindowScale(Bridge(), Handle(), scale) && scale.scaled()) {
            const device_rectangles device = DeviceRectangles(bounds, scale);
            first = FirstMatch(candidates, [&](const RECT& rect) { return SameDeviceRectangle(rect, device); },
                               ambiguous);
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
