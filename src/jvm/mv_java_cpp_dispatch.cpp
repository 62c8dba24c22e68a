// IDispatch of the main object: answered from the type information of IMvJavaCpp.

#include "jvm/mv_java_cpp.h"
#include "module/dispatch_impl.h"

namespace mv {

STDMETHODIMP CMvJavaCpp::GetTypeInfoCount(UINT* count) noexcept { return DispatchTypeInfoCount(count); }

STDMETHODIMP CMvJavaCpp::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) noexcept {
    return DispatchGetTypeInfo<IMvJavaCpp>(index, lcid, info);
}

STDMETHODIMP CMvJavaCpp::GetIDsOfNames(REFIID /*iid*/, LPOLESTR* names, UINT count, LCID lcid,
                                       DISPID* dispids) noexcept {
    return DispatchGetIDsOfNames<IMvJavaCpp>(names, count, lcid, dispids);
}

STDMETHODIMP CMvJavaCpp::Invoke(DISPID dispid, REFIID /*iid*/, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) noexcept {
    return DispatchInvoke<IMvJavaCpp>(this, dispid, lcid, flags, params, result, excepInfo, argErr);
}

}  // namespace mv
