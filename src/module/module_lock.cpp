#include "module/module_lock.h"

namespace mv {
namespace {
volatile LONG g_lockCount = 0;
}

LONG ModuleLock() noexcept { return ::InterlockedIncrement(&g_lockCount); }
LONG ModuleUnlock() noexcept { return ::InterlockedDecrement(&g_lockCount); }
LONG ModuleLockCount() noexcept { return ::InterlockedCompareExchange(&g_lockCount, 0, 0); }

}  // namespace mv
