#include "module/class_table.h"

#include <iterator>

#include "MvJavaJniComRot_h.h"
#include "jvm/jvm_finder.h"
#include "jvm/mv_java_cpp.h"
#include "module/module_ids.h"

namespace mv {

ClassTable ModuleClassTable() noexcept {
    // Built on first use, which is while the module's records are built at load.
    static ObjectMapEntry table[] = {
        object_map_entry<CJvmFinder, kJvmFinderScript>(CLSID_CJvmFinder),
        object_map_entry<CMvJavaCpp, kMvJavaCppScript>(CLSID_MvJavaCpp),
    };
    return ClassTable(std::begin(table), std::end(table));
}

}  // namespace mv
