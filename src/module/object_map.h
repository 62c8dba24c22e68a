#pragma once
// ObjectMapEntry: one row of the module's class table, describing a creatable class to
// DllGetClassObject and to self-registration. object_map_entry<T, Script>(clsid) builds the
// row of class T from its CLSID and the id of its REGISTRY script; no per-class code is needed.

#include <windows.h>
#include <objbase.h>
#include <comcat.h>

#include <atomic>
#include <iterator>

#include "module/cached_class_factory.h"
#include "module/com_object.h"
#include "module/registration.h"

namespace mv {

struct ObjectMapEntry {
    const CLSID* classId;
    // Applies (TRUE) or reverses (FALSE) the class's registry script.
    HRESULT (*updateRegistry)(BOOL registering) noexcept;
    // Creates the class object around `createInstance` and answers `iid` on it.
    HRESULT (*getClassObject)(CreatorFunction creator, REFIID iid, void** out) noexcept;
    CreatorFunction createInstance;
    // The cached class object once DllGetClassObject created it; the table owns one reference.
    std::atomic<IUnknown*> classObject;
    // Text describing the class; none for the classes of this module.
    const wchar_t* (*objectDescription)() noexcept;
    // Component categories the class implements; none for the classes of this module.
    const CATID* (*categoryMap)() noexcept;
    // Told true when the module loads and false when it unloads.
    void (*objectMain)(bool starting) noexcept;
};

namespace object_map_detail {
template <UINT RegistryScript>
HRESULT UpdateRegistryFromScript(BOOL registering) noexcept {
    return UpdateRegistryFromResource(RegistryScript, registering, nullptr);
}
inline const wchar_t* NoDescription() noexcept { return nullptr; }
inline const CATID* NoCategories() noexcept { return nullptr; }
inline void NothingToDoAtLoadOrUnload(bool /*starting*/) noexcept {}
}  // namespace object_map_detail

// The row of class T (stand-alone or aggregated through create_instance<T>, class object
// CCachedClassFactory) registered by the REGISTRY script `RegistryScript`.
template <typename T, UINT RegistryScript>
ObjectMapEntry object_map_entry(const CLSID& clsid) noexcept {
    return {&clsid,
            &object_map_detail::UpdateRegistryFromScript<RegistryScript>,
            &CCachedClassFactory::CreateClassObject,
            &create_instance<T>,
            {nullptr},
            &object_map_detail::NoDescription,
            &object_map_detail::NoCategories,
            &object_map_detail::NothingToDoAtLoadOrUnload};
}

// A view of the class table, in its fixed order.
class ClassTable {
public:
    ClassTable(ObjectMapEntry* first, ObjectMapEntry* last) noexcept : m_first(first), m_last(last) {}
    ObjectMapEntry* begin() const noexcept { return m_first; }
    ObjectMapEntry* end() const noexcept { return m_last; }

private:
    ObjectMapEntry* m_first;
    ObjectMapEntry* m_last;
};

}  // namespace mv
