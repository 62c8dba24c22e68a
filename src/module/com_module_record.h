#pragma once
// ComModuleRecord: the class table and its class objects. DllGetClassObject creates a class's
// class object on first demand (serialised by the record's lock, with a second check inside
// it) and hands out the same object from then on; termination releases them all.

#include <windows.h>
#include <objbase.h>

#include <atomic>

#include "common/win/checked_critical_section.h"
#include "module/object_map.h"

namespace mv {

class ComModuleRecord {
public:
    // A failed lock initialisation marks the module's initialisation as failed.
    ComModuleRecord(HINSTANCE typeLibInstance, ClassTable classes) noexcept;
    ~ComModuleRecord() { Term(); }
    ComModuleRecord(const ComModuleRecord&) = delete;
    ComModuleRecord& operator=(const ComModuleRecord&) = delete;

    HINSTANCE TypeLibInstance() const noexcept { return m_hInstTypeLib; }
    const ClassTable& Classes() const noexcept { return m_classes; }
    bool IsTerminated() const noexcept { return m_terminated.load(); }

    // DllGetClassObject: the class object of `clsid`, asked for `iid`.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) noexcept;

    // Releases every cached class object and the lock; afterwards no request is answered.
    // Runs once; later calls do nothing.
    void Term() noexcept;

private:
    HRESULT CreateClassObjectOnce(ObjectMapEntry& entry) noexcept;

    std::atomic<bool> m_terminated{false};
    HINSTANCE m_hInstTypeLib;
    ClassTable m_classes;
    checked_critical_section m_csObjMap;  // serialises the lazy creation of class objects
};

}  // namespace mv
