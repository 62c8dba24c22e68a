#include "jvm/jvm_finder.h"

#include "common/com/com_ptr.h"
#include "jvm/jvm_lookup_exports.h"

namespace mv {

const interface_entry* CJvmFinder::InterfaceTable() noexcept {
    static const interface_entry table[] = {
        plain_entry<CJvmFinder, IJvmFinder>(),
        plain_entry<CJvmFinder, IDispatch, IJvmFinder>(),
        end_of_table(),
    };
    return table;
}

STDMETHODIMP CJvmFinder::GetJvmFromProcess(ULONG ulPid, IDispatch** pJvm) noexcept {
    if (ulPid == 0 || !pJvm) return E_INVALIDARG;
    *pJvm = nullptr;
    com_ptr<IMvJavaCpp> jvm;
    jvm.attach(::GetJVMFromPid(ulPid));  // the export hands over one reference
    if (!jvm) return S_FALSE;
    const HRESULT hr = jvm->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(pJvm));
    return SUCCEEDED(hr) ? S_OK : hr;
}

}  // namespace mv
