#pragma once
// CCachedClassFactory: the class object of every class of the module. The class table keeps
// one reference to it for the life of the module; that reference does not hold the module,
// but a client's does (the count's 1 <-> 2 transitions lock and unlock the module), so a
// client that holds a class object keeps the module loaded.

#include <windows.h>
#include <objbase.h>

#include "common/win/critical_section.h"
#include "module/com_object.h"

namespace mv {

// Creates one instance of a class, stand-alone or aggregated into `outer`, answering `iid`.
using CreatorFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out) noexcept;

class CCachedClassFactory final : public IClassFactory {
public:
    // The class-object function of the class table: a new class object around `creator`,
    // answering `iid` (destroyed again when it does not).
    static HRESULT CreateClassObject(CreatorFunction creator, REFIID iid, void** out) noexcept;

    static const interface_entry* InterfaceTable() noexcept;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) noexcept override;
    STDMETHODIMP_(ULONG) AddRef() noexcept override;
    STDMETHODIMP_(ULONG) Release() noexcept override;

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override;
    STDMETHODIMP LockServer(BOOL lock) noexcept override;

private:
    explicit CCachedClassFactory(CreatorFunction creator) noexcept : m_creator(creator) {}
    ~CCachedClassFactory() = default;
    CCachedClassFactory(const CCachedClassFactory&) = delete;
    CCachedClassFactory& operator=(const CCachedClassFactory&) = delete;

    void Destroy() noexcept;

    LONG m_refs = 0;
    CreatorFunction m_creator;
    // Makes each change of the count and its module lock transition one step.
    critical_section m_csRefs;
};

}  // namespace mv
