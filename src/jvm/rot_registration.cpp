// Publishing the main object in the Running Object Table under its process's moniker, and
// the ready event that tells other processes it is published.

#include <objbase.h>

#include "common/com/com_ptr.h"
#include "jvm/moniker_name.h"
#include "jvm/mv_java_cpp.h"
#include "log/null_dacl_security_attributes.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::JavaAddToROT() noexcept {
    critical_section_lock lock(m_csLock);
    if (m_dwRotCookie != 0) return E_FAIL;
    return guard_hresult([&]() -> HRESULT {
        std::wstring name;
        BuildMonikerName(name, ::GetCurrentProcessId());
        com_ptr<IRunningObjectTable> table;
        MV_RETURN_IF_FAILED(::GetRunningObjectTable(0, table.put()));
        com_ptr<IMoniker> moniker;
        MV_RETURN_IF_FAILED(::CreateItemMoniker(L"", name.c_str(), moniker.put()));
        com_ptr<IUnknown> self;
        MV_RETURN_IF_FAILED(QueryInterface(IID_IUnknown, self.put_void()));
        const HRESULT hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, self.get(), moniker.get(),
                                           &m_dwRotCookie);
        if (SUCCEEDED(hr)) CreateReadyEvent();
        return hr;
    });
}

STDMETHODIMP CMvJavaCpp::JavaRemoveFromROT() noexcept {
    critical_section_lock lock(m_csLock);
    if (m_dwRotCookie == 0) return E_FAIL;
    com_ptr<IRunningObjectTable> table;
    MV_RETURN_IF_FAILED(::GetRunningObjectTable(0, table.put()));
    const HRESULT hr = table->Revoke(m_dwRotCookie);
    if (SUCCEEDED(hr)) m_dwRotCookie = 0;  // a refused revocation keeps the cookie for a retry
    return hr;
}

void CMvJavaCpp::CreateReadyEvent() noexcept {
    try {
        std::wstring name;
        BuildMonikerName(name, ::GetCurrentProcessId());
        NS_SECURITY_UTILS::CNullDaclSecurityAttributes security;
        // An event of that name may exist already (a process waiting for this one made it):
        // then it is opened, and set all the same.
        HANDLE event = ::CreateEventW(security.get(), TRUE, FALSE, name.c_str());
        // After a removal and a new registration the object holds only the newest handle.
        if (m_hReadyEvent) ::CloseHandle(m_hReadyEvent);
        m_hReadyEvent = event;
        if (m_hReadyEvent) ::SetEvent(m_hReadyEvent);
    } catch (...) {
        // No descriptor, no event: the registration stands.
    }
}

}  // namespace mv
