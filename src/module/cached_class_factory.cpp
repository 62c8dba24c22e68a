#include "module/cached_class_factory.h"

#include <new>

#include "common/com/error.h"
#include "module/module_lock.h"

namespace mv {

HRESULT CCachedClassFactory::CreateClassObject(CreatorFunction creator, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* factory = new (std::nothrow) CCachedClassFactory(creator);
    MV_RETURN_IF_NULL_ALLOC(factory);
    const HRESULT hr = factory->QueryInterface(iid, out);
    if (FAILED(hr)) factory->Destroy();
    return hr;
}

const interface_entry* CCachedClassFactory::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CCachedClassFactory, IClassFactory>(),
        end_of_table(),
    };
    return table;
}

STDMETHODIMP CCachedClassFactory::QueryInterface(REFIID iid, void** out) noexcept {
    return TableQueryInterface(this, InterfaceTable(), iid, out);
}

STDMETHODIMP_(ULONG) CCachedClassFactory::AddRef() noexcept {
    critical_section_lock lock(m_csRefs);
    const LONG refs = ++m_refs;
    // The first reference beyond the class table's is a client's: it holds the module.
    if (refs == 2) ModuleLock();
    return static_cast<ULONG>(refs);
}

STDMETHODIMP_(ULONG) CCachedClassFactory::Release() noexcept {
    LONG refs = 0;
    {
        critical_section_lock lock(m_csRefs);
        refs = --m_refs;
    }
    if (refs == 0) {
        Destroy();
    } else if (refs == 1) {
        ModuleUnlock();  // only the class table's reference is left
    }
    return static_cast<ULONG>(refs);
}

STDMETHODIMP CCachedClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An aggregate must hand its outer object the non-delegating IUnknown.
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return m_creator(outer, iid, out);
}

STDMETHODIMP CCachedClassFactory::LockServer(BOOL lock) noexcept {
    if (lock) {
        ModuleLock();
    } else {
        ModuleUnlock();
    }
    return S_OK;
}

void CCachedClassFactory::Destroy() noexcept {
    m_refs = kDestroyedRefCount;
    delete this;
}

}  // namespace mv
