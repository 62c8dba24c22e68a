#include "java_windows.h"

#include <oleauto.h>

#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/safearray.h"

namespace mv::host {
namespace {

// Bounds and title of one window object; false when the bounds cannot be read.
bool DescribeWindow(IDispatch* element, JavaWindow& window) {
    if (!element) return false;
    com_ptr<IDispatch> object(element);
    com_ptr<IJAwtComponent> component = object.try_query<IJAwtComponent>();
    if (!component) return false;
    POINTL position{};
    SIZE size{};
    VARIANT_BOOL read = VARIANT_FALSE;
    if (component->GetBounds(&position, &size, &read) != S_OK || read != VARIANT_TRUE) return false;
    window.bounds = {static_cast<int>(position.x), static_cast<int>(position.y), static_cast<int>(size.cx),
                     static_cast<int>(size.cy)};
    unique_bstr name(::SysAllocString(L"title"));
    unique_bstr title;
    VARIANT_BOOL hasTitle = VARIANT_FALSE;
    if (SUCCEEDED(component->GetAttribute(name.get(), title.put(), &hasTitle)) && title)
        window.title.assign(title.view());
    return true;
}

}  // namespace

HRESULT ListJavaTopLevelWindows(IMvJavaCpp* main, std::vector<JavaWindow>& windows) {
    windows.clear();
    unique_safearray list;
    const HRESULT hr = main->GetAllTopLevelComponents(list.put());
    if (FAILED(hr)) return hr;
    if (!list) return E_FAIL;
    LONG lower = 0, upper = -1;
    if (FAILED(::SafeArrayGetLBound(list.get(), 1, &lower)) || FAILED(::SafeArrayGetUBound(list.get(), 1, &upper)))
        return E_FAIL;
    const safearray_lock lock(list.get());
    if (!lock.ok()) return lock.result();
    auto* elements = static_cast<IDispatch**>(lock.data());
    for (LONG i = 0; i <= upper - lower; ++i) {
        JavaWindow window;
        if (DescribeWindow(elements[i], window)) windows.push_back(std::move(window));
    }
    return S_OK;
}

}  // namespace mv::host
