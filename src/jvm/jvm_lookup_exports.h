#pragma once
// Exported lookup of the published main object of a Java process. Each result carries one
// reference for the caller, or is null. C calling convention on both targets.

#include <windows.h>

struct IMvJavaCpp;

extern "C" {
IMvJavaCpp* __cdecl GetJVMFromPid(DWORD pid);
IMvJavaCpp* __cdecl GetRunningJVMAndPid(DWORD* pidOut);
IMvJavaCpp* __cdecl GetRunningJVM();
}
