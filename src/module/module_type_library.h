#pragma once
// The type library embedded in the module (TYPELIB resource 1 of the type-library instance's
// file, or a .tlb file beside it) and its registration with the system.

#include <windows.h>
#include <oaidl.h>

namespace mv {

// Loads the library without registering it; `path` receives the file actually used.
HRESULT LoadModuleTypeLibrary(BSTR* path, ITypeLib** library) noexcept;

// Registers the library under its file's path, with that file's folder as help directory, and
// records the path under the neutral locale as well (see neutral_locale_path.h).
HRESULT RegisterTypeLibrary() noexcept;
// Removes exactly the registration (LIBID, version, locale, system kind) the library declares,
// and the path recorded under the neutral locale.
HRESULT UnregisterTypeLibrary() noexcept;

}  // namespace mv
