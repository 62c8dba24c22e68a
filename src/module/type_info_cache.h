#pragma once
// TypeInfoCache: what late binding needs for one dual interface, shared by every object
// that implements it. On first use it loads the interface's type information from the type
// library (the registered one, by LIBID and version) and a table of the interface's function
// names and DISPIDs. IDispatch calls are then answered from that type information, and a name
// spelled exactly as in the library costs one backwards scan of the table: length first, then
// the units. The module's termination releases what was loaded.
//
// Records are constant-initialised globals (see type_info_records.h): they exist before any
// code runs and need no destruction of their own.

#include <windows.h>
#include <oaidl.h>

#include <atomic>

#include "common/com/com_ptr.h"

namespace mv {

class TypeInfoCache {
public:
    // Versions 0xFFFF.0xFFFF of the module's own library mean: load it from the module's file
    // instead of the registry.
    static constexpr WORD kModuleFileVersion = 0xFFFF;

    constexpr TypeInfoCache(const IID& iid, const GUID& libId, WORD major, WORD minor) noexcept
        : m_iid(&iid), m_libId(&libId), m_major(major), m_minor(minor) {}
    TypeInfoCache(const TypeInfoCache&) = delete;
    TypeInfoCache& operator=(const TypeInfoCache&) = delete;

    // The IDispatch members of an object that implements the interface (`instance`: the
    // object's pointer of that interface).
    HRESULT GetTypeInfo(LCID lcid, ITypeInfo** info) noexcept;
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) noexcept;
    HRESULT Invoke(void* instance, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excepInfo, UINT* argErr) noexcept;

    // Loads the type information and the name table unless both are there. The result is
    // the loading's; a name table that cannot be built leaves names to the type information.
    HRESULT EnsureTypeInfo(LCID lcid) noexcept;

    // Termination callback: releases what the record holds, which loads anew if used again.
    static void ReleaseTypeInfo(void* record) noexcept;

private:
    struct NameEntry;
    struct NameTable;

    HRESULT LoadTypeLibrary(LCID lcid, com_ptr<ITypeLib>& library) const noexcept;
    HRESULT LoadTypeInfo(LCID lcid) noexcept;
    HRESULT LoadNameCache(ITypeInfo* info) noexcept;
    // The DISPID of a name spelled exactly as a function of the interface, or false.
    static bool FindCachedName(const NameTable& table, const wchar_t* name, DISPID& dispid) noexcept;

    const IID* m_iid;
    const GUID* m_libId;
    WORD m_major;
    WORD m_minor;
    std::atomic<ITypeInfo*> m_typeInfo{nullptr};  // an ITypeInfo2 when the type information has one
    std::atomic<NameTable*> m_names{nullptr};
};

}  // namespace mv
