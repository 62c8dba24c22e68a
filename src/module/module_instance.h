#pragma once
// ModuleInstanceRecord: the module's own instance handle, from which its registry scripts and
// type library are read. In a program that links mv_core statically it is the program's.

#include <windows.h>

namespace mv {

class ModuleInstanceRecord {
public:
    ModuleInstanceRecord() noexcept;
    ModuleInstanceRecord(const ModuleInstanceRecord&) = delete;
    ModuleInstanceRecord& operator=(const ModuleInstanceRecord&) = delete;

    HINSTANCE ModuleInstance() const noexcept { return m_hInst; }
    // The module holds its resources itself; no other module supplies them.
    HINSTANCE ResourceInstance() const noexcept { return m_hInstResource; }

private:
    HINSTANCE m_hInst;
    HINSTANCE m_hInstResource;
};

// The instance handle of the image this code is linked into, known before DllMain runs.
HINSTANCE ThisImageInstance() noexcept;

}  // namespace mv
