#pragma once
// The Java top-level windows of this process as the module's main object lists them: the title
// and screen bounds of each, in the order of the list.

#include <windows.h>

#include <string>
#include <vector>

#include "MvJavaJniComRot_h.h"
#include "native_windows.h"

namespace mv::host {

struct JavaWindow {
    std::wstring title;  // empty for a window without a title
    WindowRect bounds;
};

// Lists the windows through GetAllTopLevelComponents, then GetBounds and the "title" attribute of
// each. A window whose bounds cannot be read is left out.
HRESULT ListJavaTopLevelWindows(IMvJavaCpp* main, std::vector<JavaWindow>& windows);

}  // namespace mv::host
