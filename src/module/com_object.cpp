#include "module/com_object.h"

namespace mv {

HRESULT TableQueryInterface(void* self, const interface_entry* table, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
        auto* unknown = static_cast<IUnknown*>(table[0].cast(self));
        unknown->AddRef();
        *out = unknown;
        return S_OK;
    }
    for (const interface_entry* row = table; row->iid; ++row) {
        if (*row->iid != iid) continue;
        if (row->inner) {
            IUnknown* inner = row->inner(self);
            return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
        }
        auto* itf = static_cast<IUnknown*>(row->cast(self));
        itf->AddRef();
        *out = itf;
        return S_OK;
    }
    return E_NOINTERFACE;
}

}  // namespace mv
