// Entry point of MvJavaJniComRot.dll. The C runtime has already built the module's records
// (static initialisation) when the process attach arrives here, and tears them down after
// the detach has been seen. A record that could not be built refuses the load.

#include <windows.h>

#include "module/init_failed_flag.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH && mv::ModuleInitFailed()) return FALSE;
    return TRUE;
}
