#include "jvm/jvm_lookup.h"

#include <objbase.h>

#include <memory>
#include <string>

#include "common/com/error.h"
#include "jvm/moniker_name.h"
#include "module/type_info_records.h"

namespace mv {
namespace {

// A display name allocated by COM, freed with the task allocator.
struct task_memory_free {
    void operator()(wchar_t* p) const noexcept { ::CoTaskMemFree(p); }
};
using unique_display_name = std::unique_ptr<wchar_t, task_memory_free>;

// An entry of a process that ended without withdrawing it stays in the table until COM notices
// the end, and its object then fails every call: a call that never reaches Java tells.
HRESULT CheckAnswers(com_ptr<IMvJavaCpp>& jvm) {
    VARIANT_BOOL complete = VARIANT_FALSE;
    const HRESULT hr = jvm->IsDisconnectObserverComplete(&complete);
    if (FAILED(hr)) jvm.reset();
    return hr;
}

}  // namespace

HRESULT FindJvmByPid(com_ptr<IMvJavaCpp>& out, DWORD pid) {
    out.reset();
    HoldRegisteredTypeLibrary();  // the proxies made from it in this process
    com_ptr<IRunningObjectTable> table;
    MV_RETURN_IF_FAILED(::GetRunningObjectTable(0, table.put()));
    std::wstring name;
    BuildMonikerName(name, pid);
    com_ptr<IMoniker> moniker;
    MV_RETURN_IF_FAILED(::CreateItemMoniker(L"", name.c_str(), moniker.put()));
    com_ptr<IUnknown> object;
    const HRESULT hr = table->GetObject(moniker.get(), object.put());
    if (!object) return FAILED(hr) ? hr : E_FAIL;
    MV_RETURN_IF_FAILED(object.query(out));
    return CheckAnswers(out);
}

HRESULT FindFirstRunningJvm(com_ptr<IMvJavaCpp>& out, DWORD& pid) {
    pid = 0;
    HoldRegisteredTypeLibrary();  // the proxies made from it in this process
    com_ptr<IRunningObjectTable> table;
    MV_RETURN_IF_FAILED(::GetRunningObjectTable(0, table.put()));
    com_ptr<IEnumMoniker> monikers;
    MV_RETURN_IF_FAILED(table->EnumRunning(monikers.put()));

    com_ptr<IMoniker> match;
    std::wstring matchName;
    for (;;) {
        com_ptr<IMoniker> moniker;
        MV_RETURN_IF_FAILED(monikers->Next(1, moniker.put(), nullptr));
        if (!moniker) return E_FAIL;  // the enumeration ended without a match
        com_ptr<IBindCtx> context;
        MV_RETURN_IF_FAILED(::CreateBindCtx(0, context.put()));
        wchar_t* raw = nullptr;
        MV_RETURN_IF_FAILED(moniker->GetDisplayName(context.get(), nullptr, &raw));
        const unique_display_name displayName(raw);
        std::wstring text = raw ? raw : L"";
        if (text.find(kMonikerPrefix) != std::wstring::npos) {
            match = moniker;
            matchName = std::move(text);
            break;
        }
    }
    com_ptr<IUnknown> object;
    MV_RETURN_IF_FAILED(table->GetObject(match.get(), object.put()));
    MV_RETURN_IF_FAILED(object.query(out));
    MV_RETURN_IF_FAILED(CheckAnswers(out));
    pid = static_cast<DWORD>(ParsePidFromDisplayName(matchName));
    return S_OK;
}

}  // namespace mv
