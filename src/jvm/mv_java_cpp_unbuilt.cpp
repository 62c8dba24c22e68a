// Members of IMvJavaCpp whose subsystems are not built yet. Each answers E_NOTIMPL until its
// subsystem replaces it here.

#include "jvm/mv_java_cpp.h"

namespace mv {


STDMETHODIMP CMvJavaCpp::GetAllTopLevelComponents(SAFEARRAY ** /*pRet*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::MakeJComponentFromHandle(UINT64 /*hObj*/, IDispatch ** /*pRet*/) noexcept { return E_NOTIMPL; }
STDMETHODIMP CMvJavaCpp::GetComponentFromHwnd(ULONG /*hHwnd*/, GetHWNDResultInfo * /*pInfo*/, IDispatch ** /*ppRet*/) noexcept { return E_NOTIMPL; }

}  // namespace mv
