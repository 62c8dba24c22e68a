#pragma once
// Self-registration: the module's REGISTRY script resources run through the registry script
// processor, and its embedded type library registered with the system.

#include <windows.h>

namespace mv {

// A %NAME% replacement given to one script run; a list of them ends with {nullptr, nullptr}.
struct RegistryReplacement {
    const wchar_t* name;
    const wchar_t* value;
};

// Runs the REGISTRY script `resourceId` of the module file in the requested direction. The
// script sees `replacements` (may be null), the module's common replacements and "Module",
// the module file's path with every single quote doubled (the script's quoting undoes it).
HRESULT UpdateRegistryFromResource(UINT resourceId, BOOL registering,
                                   const RegistryReplacement* replacements) noexcept;

// DllRegisterServer: the AppID script, each class's script in class-table order, then the
// type library. Stops at the first failure.
HRESULT RegisterServer() noexcept;
// DllUnregisterServer: each class's script in class-table order, the type library, then the
// AppID script. Stops at the first failure, leaving the later entries in place.
HRESULT UnregisterServer() noexcept;

}  // namespace mv
