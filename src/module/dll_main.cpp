// Entry point of MvJavaJniComRot.dll. The module's state is set up by static initialisation
// of mv_core; DllMain only remembers the module handle.

#include <windows.h>

#include "module/module_instance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        mv::SetModuleInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
