// The COM entry points of the module. (The lookup exports are in jvm/.)

#include <windows.h>
#include <objbase.h>

#include "module/module_lock.h"
#include "module/module_state.h"
#include "module/registration.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) {
    return mv::ComModule().GetClassObject(clsid, iid, ppv);
}

STDAPI DllCanUnloadNow() { return mv::ModuleLockCount() > 0 ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return mv::RegisterServer(); }

STDAPI DllUnregisterServer() { return mv::UnregisterServer(); }
