#include "module/type_info_cache.h"

#include <cwchar>
#include <memory>
#include <new>

#include "common/com/bstr.h"
#include "common/com/error.h"
#include "common/win/checked_critical_section.h"
#include "module/module_file_path.h"
#include "module/module_state.h"

namespace mv {

struct TypeInfoCache::NameEntry {
    unique_bstr name;  // none when the function's name could not be read
    UINT length = 0;
    DISPID memberId = DISPID_UNKNOWN;
};

struct TypeInfoCache::NameTable {
    std::unique_ptr<NameEntry[]> entries;
    int count = 0;
};

namespace {

// Releases a function description or type attributes of one ITypeInfo when the scope ends.
struct func_desc_scope {
    ITypeInfo* info;
    FUNCDESC* desc = nullptr;
    ~func_desc_scope() {
        if (desc) info->ReleaseFuncDesc(desc);
    }
};
struct type_attr_scope {
    ITypeInfo* info;
    TYPEATTR* attr = nullptr;
    ~type_attr_scope() {
        if (attr) info->ReleaseTypeAttr(attr);
    }
};

}  // namespace

HRESULT TypeInfoCache::GetTypeInfo(LCID lcid, ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    HRESULT hr = S_OK;
    if (!m_typeInfo.load(std::memory_order_acquire)) hr = EnsureTypeInfo(lcid);
    ITypeInfo* loaded = m_typeInfo.load(std::memory_order_acquire);
    if (!loaded) return FAILED(hr) ? hr : E_FAIL;
    loaded->AddRef();
    *info = loaded;
    return S_OK;
}

HRESULT TypeInfoCache::GetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) noexcept {
    HRESULT hr = S_OK;
    if (!m_typeInfo.load(std::memory_order_acquire) || !m_names.load(std::memory_order_acquire)) {
        hr = EnsureTypeInfo(lcid);
    }
    ITypeInfo* info = m_typeInfo.load(std::memory_order_acquire);
    if (!info) return FAILED(hr) ? hr : E_FAIL;
    const NameTable* table = m_names.load(std::memory_order_acquire);
    if (!table) return info->GetIDsOfNames(names, count, dispids);
    if (count < 1) return hr;
    if (!names || !dispids) return E_POINTER;

    for (UINT i = 0; i < count; ++i) {
        if (!names[i]) return E_POINTER;
        // Any name the table does not hold exactly: the type information resolves the whole
        // request (other letter case, parameter names, unknown names).
        if (!FindCachedName(*table, names[i], dispids[i])) return info->GetIDsOfNames(names, count, dispids);
    }
    return hr;
}

bool TypeInfoCache::FindCachedName(const NameTable& table, const wchar_t* name, DISPID& dispid) noexcept {
    const std::size_t length = std::wcslen(name);
    for (int i = table.count - 1; i >= 0; --i) {
        const NameEntry& entry = table.entries[static_cast<std::size_t>(i)];
        if (entry.length != length || !entry.name) continue;
        if (std::wmemcmp(entry.name.get(), name, length) == 0) {
            dispid = entry.memberId;
            return true;
        }
    }
    return false;
}

HRESULT TypeInfoCache::Invoke(void* instance, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) noexcept {
    HRESULT hr = S_OK;
    if (!m_typeInfo.load(std::memory_order_acquire) || !m_names.load(std::memory_order_acquire)) {
        hr = EnsureTypeInfo(lcid);
    }
    ITypeInfo* info = m_typeInfo.load(std::memory_order_acquire);
    if (!info) return FAILED(hr) ? hr : E_FAIL;
    // The type information calls the vtable member; its result reaches the caller unchanged.
    return info->Invoke(instance, dispid, flags, params, result, excepInfo, argErr);
}

HRESULT TypeInfoCache::EnsureTypeInfo(LCID lcid) noexcept {
    if (m_typeInfo.load(std::memory_order_acquire) && m_names.load(std::memory_order_acquire)) return S_OK;

    checked_critical_section_lock lock(ServerModule().StaticDataLock());
    MV_RETURN_IF_FAILED(lock.result());
    HRESULT hr = S_OK;
    if (!m_typeInfo.load(std::memory_order_acquire)) hr = LoadTypeInfo(lcid);
    ITypeInfo* info = m_typeInfo.load(std::memory_order_acquire);
    if (info && !m_names.load(std::memory_order_acquire)) {
        // Without a table names go to the type information; the next call tries again.
        (void)LoadNameCache(info);
    }
    return hr;
}

HRESULT TypeInfoCache::LoadTypeLibrary(LCID lcid, com_ptr<ITypeLib>& library) const noexcept {
    if (::IsEqualGUID(*m_libId, ServerModule().LibId()) && m_major == kModuleFileVersion &&
        m_minor == kModuleFileVersion) {
        std::wstring path;
        if (FAILED(GetModuleFilePath(ComModule().TypeLibInstance(), path))) return E_FAIL;
        return ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    }
    return ::LoadRegTypeLib(*m_libId, m_major, m_minor, lcid, library.put());
}

// Called inside the module's static-data lock.
HRESULT TypeInfoCache::LoadTypeInfo(LCID lcid) noexcept {
    com_ptr<ITypeLib> library;
    HRESULT hr = LoadTypeLibrary(lcid, library);
    if (FAILED(hr)) return hr;

    com_ptr<ITypeInfo> info;
    hr = library->GetTypeInfoOfGuid(*m_iid, info.put());
    library.reset();
    // Whatever the lookup found (even nothing) is released when the module terminates.
    const HRESULT registered = ServerModule().AddTerminationCallback(&TypeInfoCache::ReleaseTypeInfo, this);
    if (FAILED(hr)) return hr;
    if (FAILED(registered)) return registered;  // nothing may stay loaded that unloading misses

    com_ptr<ITypeInfo2> info2 = info.try_query<ITypeInfo2>();
    ITypeInfo* kept = info2 ? static_cast<ITypeInfo*>(info2.detach()) : info.detach();
    m_typeInfo.store(kept, std::memory_order_release);
    return hr;
}

// Called inside the module's static-data lock.
HRESULT TypeInfoCache::LoadNameCache(ITypeInfo* info) noexcept {
    type_attr_scope typeAttr{info};
    if (FAILED(info->GetTypeAttr(&typeAttr.attr))) return S_OK;  // names go to the type information
    const int count = typeAttr.attr->cFuncs;
    if (count == 0) return S_OK;

    auto table = std::unique_ptr<NameTable>(new (std::nothrow) NameTable);
    MV_RETURN_IF_NULL_ALLOC(table);
    table->entries.reset(new (std::nothrow) NameEntry[static_cast<std::size_t>(count)]);
    MV_RETURN_IF_NULL_ALLOC(table->entries);
    table->count = count;

    for (int i = 0; i < count; ++i) {
        func_desc_scope function{info};
        if (FAILED(info->GetFuncDesc(static_cast<UINT>(i), &function.desc))) continue;
        NameEntry& entry = table->entries[static_cast<std::size_t>(i)];
        if (FAILED(info->GetDocumentation(function.desc->memid, entry.name.put(), nullptr, nullptr, nullptr))) {
            entry.name.reset();
            continue;
        }
        entry.length = entry.name.length();
        entry.memberId = function.desc->memid;
    }
    m_names.store(table.release(), std::memory_order_release);
    return S_OK;
}

void TypeInfoCache::ReleaseTypeInfo(void* record) noexcept {
    auto* self = static_cast<TypeInfoCache*>(record);
    if (ITypeInfo* info = self->m_typeInfo.exchange(nullptr)) info->Release();
    delete self->m_names.exchange(nullptr);
}

}  // namespace mv
