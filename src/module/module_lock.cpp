#include "module/module_lock.h"

#include "module/module_state.h"

namespace mv {

LONG ModuleLock() noexcept { return ServerModule().Lock(); }
LONG ModuleUnlock() noexcept { return ServerModule().Unlock(); }
LONG ModuleLockCount() noexcept { return ServerModule().GetLockCount(); }

}  // namespace mv
