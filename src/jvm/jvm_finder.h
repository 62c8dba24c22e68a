#pragma once
// CJvmFinder (ProgID MvJavaJniComRot.JvmFinder): lets automation clients find the main object
// that a Java process published, through the same lookup as the GetJVMFromPid export. It keeps
// no state.

#include <windows.h>

#include "MvJavaJniComRot_h.h"
#include "module/com_object.h"
#include "module/dispatch_impl.h"

namespace mv {

class CJvmFinder : public dispatch_impl<IJvmFinder>, public com_object_base {
public:
    static const interface_entry* InterfaceTable() noexcept;

    // The published object of process `ulPid` as IDispatch: E_INVALIDARG for pid 0 or a null
    // out pointer, S_FALSE with null when the process published none.
    STDMETHODIMP GetJvmFromProcess(ULONG ulPid, IDispatch** pJvm) noexcept override;

protected:
    CJvmFinder() = default;
    ~CJvmFinder() override = default;
};

}  // namespace mv
