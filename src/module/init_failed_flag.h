#pragma once
// Process-wide mark that a record of the module could not be built while it loaded (a
// critical section that could not be initialised). The DLL entry point then refuses the load.

namespace mv {

void MarkModuleInitFailed() noexcept;
bool ModuleInitFailed() noexcept;

}  // namespace mv
