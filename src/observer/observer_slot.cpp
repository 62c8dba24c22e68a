// The slot for the agent's observer object, and the count of references handed out from it.

#include "jvm/mv_java_cpp.h"

namespace mv {

// The agent's observer interface, known by its id only.
const IID kObserverInterfaceId = {0xB4E1C7A9, 0x3D52, 0x4F86, {0x9E, 0x0B, 0x6A, 0x2F, 0x8C, 0x15, 0xD3, 0xE7}};

STDMETHODIMP CMvJavaCpp::AttachObserverObject(IDispatch* obsObject) noexcept {
    if (!obsObject) return E_INVALIDARG;
    critical_section_lock lock(m_csLock);
    if (IUnknown* old = m_pObserver) {
        m_pObserver = nullptr;
        old->Release();
    }
    return obsObject->QueryInterface(kObserverInterfaceId, reinterpret_cast<void**>(&m_pObserver));
}

STDMETHODIMP CMvJavaCpp::DetachObserverObject() noexcept {
    critical_section_lock lock(m_csLock);
    IUnknown* old = m_pObserver;
    if (!old) return E_FAIL;
    m_pObserver = nullptr;
    old->Release();
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::GetObserverObject(IDispatch** obsObject) noexcept {
    if (!obsObject) return E_POINTER;
    critical_section_lock lock(m_csLock);
    if (!m_pObserver) return E_FAIL;
    const HRESULT hr = m_pObserver->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(obsObject));
    if (SUCCEEDED(hr)) ::InterlockedIncrement(&m_lObserverRefs);
    return hr;
}

STDMETHODIMP CMvJavaCpp::ReturnObserverObject() noexcept {
    // Decrement only above 0, as one atomic step.
    LONG refs = ::InterlockedCompareExchange(&m_lObserverRefs, 0, 0);
    while (refs > 0) {
        const LONG seen = ::InterlockedCompareExchange(&m_lObserverRefs, refs - 1, refs);
        if (seen == refs) break;
        refs = seen;
    }
    return S_OK;
}

STDMETHODIMP CMvJavaCpp::IsDisconnectObserverComplete(VARIANT_BOOL* pbRet) noexcept {
    if (!pbRet) return E_INVALIDARG;
    *pbRet = VARIANT_FALSE;
    critical_section_lock lock(m_csLock);
    if (!m_pObserver && ::InterlockedCompareExchange(&m_lObserverRefs, 0, 0) == 0) *pbRet = VARIANT_TRUE;
    return S_OK;
}

}  // namespace mv
