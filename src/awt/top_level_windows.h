#pragma once
// The top-level Java windows of the process, as the Java accessibility utilities' event-queue
// monitor lists them. Its debugger lines name GetComponentFromHwnd whichever member uses it.

#include <windows.h>

#include "MvJavaJniComRot_h.h"
#include "awt/java_handle.h"

namespace mv {

// Appends a handle for each top-level window, in the order of the monitor's array, to
// `handles` (which owns them). S_OK when at least one window was found, S_FALSE when the
// monitor listed none, an error when the monitor or its list could not be had.
HRESULT GetTopLevelWindowHandles(IMvJavaCpp* bridge, java_handle_list& handles) noexcept;

}  // namespace mv
