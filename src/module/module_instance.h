#pragma once
// The module's instance handle, needed for its resources and its own file name.

#include <windows.h>

namespace mv {

void SetModuleInstance(HINSTANCE instance) noexcept;
// The DLL's handle once loaded; in a program that links mv_core statically, the program's.
HINSTANCE GetModuleInstance() noexcept;

}  // namespace mv
