#pragma once
// CRegistryScriptProcessor: runs the module's registry scripts, from REGISTRY resources of a
// module file or from text, against the Windows registry. One object per use, on the stack
// of its user: its IUnknown members count no references.

#include <windows.h>
#include <objbase.h>

#include "module/registry_script/replacement_table.h"

namespace mv {

// The table of %NAME% replacements of a processor, as the module adds its common ones.
struct IRegistryReplacements : public IUnknown {
    // Copies both strings. E_INVALIDARG when either is null, E_OUTOFMEMORY when the copies
    // cannot be made.
    virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR name, LPCOLESTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
};

class CRegistryScriptProcessor final : public IRegistryReplacements {
public:
    CRegistryScriptProcessor() = default;
    CRegistryScriptProcessor(const CRegistryScriptProcessor&) = delete;
    CRegistryScriptProcessor& operator=(const CRegistryScriptProcessor&) = delete;

    // Answers E_NOTIMPL for every interface.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }

    HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR name, LPCOLESTR value) override;
    HRESULT STDMETHODCALLTYPE ClearReplacements() override;

    // Apply (register) or reverse (unregister) the script stored as resource `resourceId` of
    // type `resourceType` in the module file `modulePath` (8-bit text in the thread's ANSI
    // code page). The file is loaded as data only.
    HRESULT ResourceRegister(LPCOLESTR modulePath, UINT resourceId, LPCOLESTR resourceType) noexcept;
    HRESULT ResourceUnregister(LPCOLESTR modulePath, UINT resourceId, LPCOLESTR resourceType) noexcept;

    // Replaces the placeholders of `script` and applies (registering = TRUE) or reverses it.
    // A failing root block is rolled back when applying.
    HRESULT RegisterBuffer(LPCOLESTR script, BOOL registering) noexcept;

private:
    HRESULT RunResource(LPCOLESTR modulePath, UINT resourceId, LPCOLESTR resourceType, bool registering) noexcept;

    registry_script::ReplacementTable m_replacements;
};

}  // namespace mv
