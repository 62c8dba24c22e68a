#pragma once
// The module's lock count (kept by CComServerModule): one for each live object, one while a
// client holds any class object and one for each unmatched LockServer(TRUE). DllCanUnloadNow
// answers S_OK only at 0.

#include <windows.h>

namespace mv {

LONG ModuleLock() noexcept;
LONG ModuleUnlock() noexcept;
LONG ModuleLockCount() noexcept;

// Holds one module lock for the life of the object that contains it.
class module_lock_holder {
public:
    module_lock_holder() noexcept { ModuleLock(); }
    ~module_lock_holder() { ModuleUnlock(); }
    module_lock_holder(const module_lock_holder&) = delete;
    module_lock_holder& operator=(const module_lock_holder&) = delete;
};

}  // namespace mv
