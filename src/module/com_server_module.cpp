#include "module/com_server_module.h"

#include "common/com/error.h"
#include "module/init_failed_flag.h"
#include "module/module_ids.h"
#include "module/registry_script/registry_script_processor.h"

namespace mv {

CComServerModule::CComServerModule(ComModuleRecord& comModule, const GUID& libId) noexcept
    : m_libId(libId), m_comModule(comModule) {
    if (!m_csStaticData.initialized()) MarkModuleInitFailed();
    for (ObjectMapEntry& entry : m_comModule.Classes()) entry.objectMain(true);
}

CComServerModule::~CComServerModule() {
    for (ObjectMapEntry& entry : m_comModule.Classes()) entry.objectMain(false);
    Term();
}

LONG CComServerModule::Lock() noexcept { return ::InterlockedIncrement(&m_nLockCnt); }

LONG CComServerModule::Unlock() noexcept { return ::InterlockedDecrement(&m_nLockCnt); }

LONG CComServerModule::GetLockCount() noexcept { return ::InterlockedCompareExchange(&m_nLockCnt, 0, 0); }

HRESULT CComServerModule::GetGlobalInterfaceTable(IGlobalInterfaceTable** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    checked_critical_section_lock lock(m_csStaticData);
    MV_RETURN_IF_FAILED(lock.result());
    if (!m_pGIT) {
        MV_RETURN_IF_FAILED(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                               IID_IGlobalInterfaceTable, m_pGIT.put_void()));
    }
    return m_pGIT.copy_to(out);
}

HRESULT CComServerModule::AddCommonReplacements(IRegistryReplacements* registrar) noexcept {
    if (!registrar) return E_INVALIDARG;
    return registrar->AddReplacement(L"APPID", kAppId);
}

HRESULT CComServerModule::AddTerminationCallback(TerminationFunction function, void* argument) noexcept {
    if (!function) return E_INVALIDARG;
    return guard_hresult([&]() -> HRESULT {
        checked_critical_section_lock lock(m_csStaticData);
        MV_RETURN_IF_FAILED(lock.result());
        m_termFuncs.emplace_front(function, argument);  // std::bad_alloc -> E_OUTOFMEMORY
        return S_OK;
    });
}

void CComServerModule::Term() noexcept {
    if (m_terminated) return;
    m_terminated = true;
    while (!m_termFuncs.empty()) {
        const auto [function, argument] = m_termFuncs.front();
        m_termFuncs.pop_front();
        function(argument);
    }
    m_pGIT.reset();
    m_csStaticData.destroy();
}

}  // namespace mv
