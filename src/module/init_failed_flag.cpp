#include "module/init_failed_flag.h"

#include <atomic>

namespace mv {
namespace {
// Constant-initialised, so it is valid before any record's constructor runs.
std::atomic<bool> g_initFailed{false};
}  // namespace

void MarkModuleInitFailed() noexcept { g_initFailed.store(true); }
bool ModuleInitFailed() noexcept { return g_initFailed.load(); }

}  // namespace mv
