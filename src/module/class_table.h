#pragma once
// The module's creatable classes, in the order that DllGetClassObject searches them and
// registration runs their scripts: JvmFinder, then MvJavaCpp.

#include "module/object_map.h"

namespace mv {

ClassTable ModuleClassTable() noexcept;

}  // namespace mv
