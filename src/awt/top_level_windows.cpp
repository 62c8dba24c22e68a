#include "awt/top_level_windows.h"

#include "awt/java_calls.h"
#include "awt/java_object_array.h"
#include "common/com/bstr.h"
#include "common/com/error.h"
#include "common/com/variant.h"

namespace mv {
namespace {

constexpr wchar_t kEventQueueMonitor[] = L"com.sun.java.accessibility.util.EventQueueMonitor";
constexpr java_method kGetTopLevelWindows{L"getTopLevelWindows", L"()[Ljava/awt/Window;"};

}  // namespace

HRESULT GetTopLevelWindowHandles(IMvJavaCpp* bridge, java_handle_list& handles) noexcept {
    return guard_hresult([&]() -> HRESULT {
        scoped_java_handle monitor(bridge);
        {
            const unique_bstr className(::SysAllocString(kEventQueueMonitor));
            const HRESULT hr = className ? bridge->NewDefJavaObject(className.get(), monitor.put()) : E_OUTOFMEMORY;
            if (FAILED(hr) || !monitor) {
                ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] failed to create new EventQueuwMonitor object");
                return FAILED(hr) ? hr : E_FAIL;
            }
        }
        // A static method, called through the instance: the bridge uses the instance's class.
        scoped_java_handle windows(bridge);
        HRESULT hr = CallJava(bridge, &IMvJavaCpp::CallStaticObjectMethod, monitor.get(), kGetTopLevelWindows,
                              NoArguments(), windows.put());
        if (FAILED(hr)) {
            ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call failed");
            return hr;
        }
        ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK1");

        unique_variant array;
        hr = bridge->GetJavaObjectArray(windows.get(), array.put());
        if (FAILED(hr)) {
            ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] failed to get the array object");
            return hr;
        }
        ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK2");
        if (array.type() == VT_EMPTY) {
            ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] array is empty");
            return E_FAIL;
        }
        ::OutputDebugStringA("[CMvJavaCpp::GetComponentFromHwnd] getTopLevelWindows Call CK3");

        java_handle_list found(bridge);
        MV_RETURN_IF_FAILED(TakeHandlesFromArray(array.get(), found));
        if (found.empty()) return S_FALSE;
        handles.reserve(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) handles.add(found.take(i));
        return S_OK;
    });
}

}  // namespace mv
