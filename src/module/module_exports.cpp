// COM entry points of the module. Class objects and registration are not built yet: the
// module loads and reports no classes.

#include <windows.h>
#include <objbase.h>

#include "module/module_instance.h"
#include "module/module_lock.h"

namespace mv {
namespace {
HINSTANCE g_instance = nullptr;
}

void SetModuleInstance(HINSTANCE instance) noexcept { g_instance = instance; }

HINSTANCE GetModuleInstance() noexcept {
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}

}  // namespace mv

STDAPI DllGetClassObject(REFCLSID /*clsid*/, REFIID /*iid*/, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return mv::ModuleLockCount() > 0 ? S_FALSE : S_OK; }

STDAPI DllRegisterServer() { return E_NOTIMPL; }

STDAPI DllUnregisterServer() { return E_NOTIMPL; }
