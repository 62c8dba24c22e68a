#pragma once
// The module under test and the type library embedded in it, loaded once for all tests without
// registering anything.
//
// The module is this build's MvJavaJniComRot.dll, or the file named by the environment variable
// MV_CONTRACT_MODULE (a Unix path, e.g. the i686 build's DLL: its library is read as data, so an
// x86_64 test program can check it too).

#include <oaidl.h>

#include <string>

#include "common/win/unique_resource.h"

namespace contract {

struct data_file_module {
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static void close(type m) noexcept { ::FreeLibrary(m); }
};
using unique_data_module = mv::unique_resource<data_file_module>;

// The module's path as Wine sees it (Z:\...).
std::wstring ModulePath();
// The module mapped as a data file: its headers and resources can be read, none of its code runs.
unique_data_module MapModuleAsData();
// The machine the module is built for (IMAGE_FILE_MACHINE_AMD64 or _I386), read from its header.
WORD ModuleMachine();

// The library loaded with LoadTypeLibEx(ModulePath(), REGKIND_NONE), or null.
ITypeLib* ModuleTypeLibrary();
// Why loading failed, for messages.
std::string ModuleTypeLibraryError();
// Bytes per vtable slot on the library's platform (4 for SYS_WIN32, 8 for SYS_WIN64), the unit of
// a type's vtable size.
int LibraryPointerSize();

}  // namespace contract
