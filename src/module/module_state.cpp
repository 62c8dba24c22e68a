#include "module/module_state.h"

#include "MvJavaJniComRot_h.h"
#include "module/class_table.h"

namespace mv {
namespace {

// Members are built in declaration order and destroyed in reverse: that order is the
// module's load and unload order.
struct ModuleRecords {
    ModuleInstanceRecord instance;
    ComModuleRecord com{instance.ModuleInstance(), ModuleClassTable()};
    CComServerModule server{com, LIBID_MvJavaJniComRotLib};
};

// Built by the C runtime before DllMain sees the process attach, destroyed after it sees
// the detach.
ModuleRecords g_records;

}  // namespace

ModuleInstanceRecord& InstanceRecord() noexcept { return g_records.instance; }
ComModuleRecord& ComModule() noexcept { return g_records.com; }
CComServerModule& ServerModule() noexcept { return g_records.server; }

}  // namespace mv
