#include "module/com_module_record.h"

#include "module/init_failed_flag.h"

namespace mv {

ComModuleRecord::ComModuleRecord(HINSTANCE typeLibInstance, ClassTable classes) noexcept
    : m_hInstTypeLib(typeLibInstance), m_classes(classes) {
    if (!m_csObjMap.initialized()) MarkModuleInitFailed();
}

HRESULT ComModuleRecord::GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept {
    if (IsTerminated()) return E_UNEXPECTED;
    if (!out) return E_POINTER;
    *out = nullptr;

    for (ObjectMapEntry& entry : m_classes) {
        if (!entry.getClassObject || !::IsEqualCLSID(*entry.classId, clsid)) continue;
        HRESULT hr = S_OK;
        if (!entry.classObject.load(std::memory_order_acquire)) hr = CreateClassObjectOnce(entry);
        if (IUnknown* classObject = entry.classObject.load(std::memory_order_acquire)) {
            hr = classObject->QueryInterface(iid, out);
        }
        if (!*out && hr == S_OK) hr = CLASS_E_CLASSNOTAVAILABLE;
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModuleRecord::CreateClassObjectOnce(ObjectMapEntry& entry) noexcept {
    checked_critical_section_lock lock(m_csObjMap);
    if (FAILED(lock.result())) return lock.result();
    if (entry.classObject.load(std::memory_order_acquire)) return S_OK;  // another thread was first
    IUnknown* classObject = nullptr;
    const HRESULT hr = entry.getClassObject(entry.createInstance, IID_IUnknown,
                                            reinterpret_cast<void**>(&classObject));
    entry.classObject.store(classObject, std::memory_order_release);
    return hr;
}

void ComModuleRecord::Term() noexcept {
    if (m_terminated.exchange(true)) return;
    for (ObjectMapEntry& entry : m_classes) {
        if (IUnknown* classObject = entry.classObject.exchange(nullptr)) classObject->Release();
    }
    m_csObjMap.destroy();
}

}  // namespace mv
