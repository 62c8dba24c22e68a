#include "module/module_instance.h"

// The linker places this symbol at the start of every PE image it builds.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace mv {

HINSTANCE ThisImageInstance() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

ModuleInstanceRecord::ModuleInstanceRecord() noexcept
    : m_hInst(ThisImageInstance()), m_hInstResource(ThisImageInstance()) {}

}  // namespace mv
