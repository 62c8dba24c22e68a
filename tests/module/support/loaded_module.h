#pragma once
// The built DLL loaded into the test program, and its COM entry points, called as COM calls
// them.

#include <windows.h>
#include <objbase.h>

namespace mvtest {

struct ModuleExports {
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* DllGetClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* DllCanUnloadNow)() = nullptr;
};

// Loaded once for the whole program (and kept: COM may hold its objects).
const ModuleExports& BuiltModule();

}  // namespace mvtest
