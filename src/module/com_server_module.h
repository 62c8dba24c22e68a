#pragma once
// CComServerModule: the module object. It keeps the lock count that decides whether the
// module may be unloaded, the callbacks that run when it terminates (newest first), the lock
// for static data such as type-information caches, and a global interface table made on
// request. Its constructor tells each class that the module has loaded; termination, in
// reverse, tells them it unloads.

#include <windows.h>
#include <objbase.h>

#include <forward_list>
#include <utility>

#include "common/com/com_ptr.h"
#include "common/win/checked_critical_section.h"
#include "module/com_module_record.h"

namespace mv {

struct IRegistryReplacements;

class CComServerModule {
public:
    using TerminationFunction = void (*)(void* argument) noexcept;

    // A failed lock initialisation marks the module's initialisation as failed.
    CComServerModule(ComModuleRecord& comModule, const GUID& libId) noexcept;
    CComServerModule(const CComServerModule&) = delete;
    CComServerModule& operator=(const CComServerModule&) = delete;

    // The virtual operations, in slot order. Lock and Unlock answer the new count.
    virtual LONG Lock() noexcept;
    virtual LONG Unlock() noexcept;
    virtual LONG GetLockCount() noexcept;
    // The process's standard global interface table, made on first request and kept; one
    // reference for the caller.
    virtual HRESULT GetGlobalInterfaceTable(IGlobalInterfaceTable** out) noexcept;
    // The replacements every registry script of the module may use ("APPID").
    virtual HRESULT AddCommonReplacements(IRegistryReplacements* registrar) noexcept;
    // Tells every class that the module unloads, then terminates.
    virtual ~CComServerModule();

    // `function(argument)` runs when the module terminates, before earlier callbacks.
    HRESULT AddTerminationCallback(TerminationFunction function, void* argument) noexcept;

    checked_critical_section& StaticDataLock() noexcept { return m_csStaticData; }
    const GUID& LibId() const noexcept { return m_libId; }

    // Runs and discards the termination callbacks, releases the global interface table and
    // the lock. Runs once; later calls do nothing.
    void Term() noexcept;

private:
    volatile LONG m_nLockCnt = 0;
    std::forward_list<std::pair<TerminationFunction, void*>> m_termFuncs;
    checked_critical_section m_csStaticData;
    GUID m_libId;
    com_ptr<IGlobalInterfaceTable> m_pGIT;
    ComModuleRecord& m_comModule;
    bool m_terminated = false;
};

}  // namespace mv
