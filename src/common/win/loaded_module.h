#pragma once
// Owner for a module loaded with LoadLibrary/LoadLibraryEx (also as a data file).

#include <windows.h>

#include "common/win/unique_resource.h"

namespace mv {
namespace traits {

struct loaded_module {
    using type = HMODULE;
    static type invalid() noexcept { return nullptr; }
    static void close(type m) noexcept { ::FreeLibrary(m); }
};

}  // namespace traits

using unique_hmodule = unique_resource<traits::loaded_module>;

}  // namespace mv
