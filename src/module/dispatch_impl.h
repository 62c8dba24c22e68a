#pragma once
// dispatch_impl<Interface>: the IDispatch members of a dual interface, answered from the
// interface's type-information record. A class derives from dispatch_impl<IItsInterface>
// instead of from the interface and lists IDispatch in its interface table as the same pointer;
// a class that declares the four members itself forwards them to the Dispatch* functions.

#include <windows.h>
#include <oaidl.h>

#include "module/type_info_records.h"

namespace mv {

// IDispatch::GetTypeInfoCount of every dual interface: one type information.
inline HRESULT DispatchTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

template <typename Interface>
HRESULT DispatchGetTypeInfo(UINT /*index: there is only one*/, LCID lcid, ITypeInfo** info) noexcept {
    return TypeInfoRecord<Interface>().GetTypeInfo(lcid, info);
}

template <typename Interface>
HRESULT DispatchGetIDsOfNames(LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) noexcept {
    return TypeInfoRecord<Interface>().GetIDsOfNames(names, count, lcid, dispids);
}

template <typename Interface>
HRESULT DispatchInvoke(Interface* instance, DISPID dispid, LCID lcid, WORD flags, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) noexcept {
    return TypeInfoRecord<Interface>().Invoke(instance, dispid, lcid, flags, params, result, excepInfo, argErr);
}

template <typename Interface>
class dispatch_impl : public Interface {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override { return DispatchTypeInfoCount(count); }
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept override {
        return DispatchGetTypeInfo<Interface>(index, lcid, info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* dispids) noexcept override {
        return DispatchGetIDsOfNames<Interface>(names, count, lcid, dispids);
    }
    STDMETHODIMP Invoke(DISPID dispid, REFIID /*iid*/, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) noexcept override {
        return DispatchInvoke<Interface>(static_cast<Interface*>(this), dispid, lcid, flags, params, result,
                                         excepInfo, argErr);
    }

protected:
    dispatch_impl() noexcept = default;
};

}  // namespace mv
