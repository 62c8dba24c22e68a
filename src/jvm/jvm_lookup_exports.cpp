// The exported lookup functions for native callers. Their only diagnostics go to the debugger.

#include "jvm/jvm_lookup_exports.h"

#include "jvm/jvm_lookup.h"

namespace {

IMvJavaCpp* HandOut(mv::com_ptr<IMvJavaCpp>& found) {
    // The caller gets its own reference; the lookup's reference goes with `found`.
    IMvJavaCpp* result = nullptr;
    found.copy_to(&result);
    return result;
}

}  // namespace

extern "C" IMvJavaCpp* __cdecl GetJVMFromPid(DWORD pid) {
    if (pid == 0) return nullptr;
    try {
        mv::com_ptr<IMvJavaCpp> found;
        if (FAILED(mv::FindJvmByPid(found, pid)))
            ::OutputDebugStringA("[GetJVMFromPid] failed to get the running jvm object");
        return HandOut(found);
    } catch (...) {
        return nullptr;
    }
}

extern "C" IMvJavaCpp* __cdecl GetRunningJVMAndPid(DWORD* pidOut) {
    try {
        mv::com_ptr<IMvJavaCpp> found;
        DWORD pid = 0;
        const HRESULT hr = mv::FindFirstRunningJvm(found, pid);
        if (pidOut) *pidOut = pid;
        if (FAILED(hr)) ::OutputDebugStringA("[GetRunningJVM] failed to get the running jvm object");
        return HandOut(found);
    } catch (...) {
        if (pidOut) *pidOut = 0;
        return nullptr;
    }
}

extern "C" IMvJavaCpp* __cdecl GetRunningJVM() {
    DWORD pid = 0;
    return GetRunningJVMAndPid(&pid);
}
