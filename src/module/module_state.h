#pragma once
// The module's records, built in this order when the module loads (static initialisation)
// and terminated in reverse when it unloads:
//   1. ModuleInstanceRecord - the module's instance handle;
//   2. ComModuleRecord      - the class table and its class objects;
//   3. CComServerModule     - lock count, termination callbacks, static-data lock; tells every
//                             class that the module loaded.
// Unloading tells every class that the module unloads, runs the module's termination
// callbacks and releases its global interface table, then releases the class objects.

#include "module/com_module_record.h"
#include "module/com_server_module.h"
#include "module/module_instance.h"

namespace mv {

ModuleInstanceRecord& InstanceRecord() noexcept;
ComModuleRecord& ComModule() noexcept;
CComServerModule& ServerModule() noexcept;

}  // namespace mv
