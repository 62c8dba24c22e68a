#include "loaded_module.h"

#include "module_paths.h"

namespace mvtest {
namespace {

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

const ModuleExports& BuiltModule() {
    static const ModuleExports exports = [] {
        ModuleExports loaded;
        loaded.module = ::LoadLibraryW(BuiltModulePath().c_str());
        if (loaded.module) {
            Resolve(loaded.module, "DllGetClassObject", loaded.DllGetClassObject);
            Resolve(loaded.module, "DllCanUnloadNow", loaded.DllCanUnloadNow);
        }
        return loaded;
    }();
    return exports;
}

}  // namespace mvtest
