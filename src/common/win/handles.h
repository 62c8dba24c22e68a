#pragma once
// Owners for kernel handles, files, find handles, registry keys and local-heap memory.

#include <windows.h>

#include "common/win/unique_resource.h"

namespace mv {
namespace traits {

struct kernel_handle {  // events, mutexes, processes, threads, tokens, mappings
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
struct file_handle {  // CreateFile reports failure as INVALID_HANDLE_VALUE
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};
struct find_handle {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::FindClose(h); }
};
struct registry_key {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static void close(type k) noexcept { ::RegCloseKey(k); }
};
struct local_memory {
    using type = HLOCAL;
    static type invalid() noexcept { return nullptr; }
    static void close(type p) noexcept { ::LocalFree(p); }
};

}  // namespace traits

using unique_handle = unique_resource<traits::kernel_handle>;
using unique_hfile = unique_resource<traits::file_handle>;
using unique_hfind = unique_resource<traits::find_handle>;
using unique_hkey = unique_resource<traits::registry_key>;
using unique_hlocal = unique_resource<traits::local_memory>;

}  // namespace mv
