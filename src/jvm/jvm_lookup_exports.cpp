// Lookup of published JVMs. The Running Object Table side is not built yet: every lookup
// finds nothing.

#include "jvm/jvm_lookup_exports.h"

extern "C" IMvJavaCpp* __cdecl GetJVMFromPid(DWORD /*pid*/) { return nullptr; }

extern "C" IMvJavaCpp* __cdecl GetRunningJVMAndPid(DWORD* pidOut) {
    if (pidOut) *pidOut = 0;
    return nullptr;
}

extern "C" IMvJavaCpp* __cdecl GetRunningJVM() { return GetRunningJVMAndPid(nullptr); }
