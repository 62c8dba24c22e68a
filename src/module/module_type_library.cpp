#include "module/module_type_library.h"

#include <string>

#include "common/com/bstr.h"
#include "common/com/com_ptr.h"
#include "common/com/error.h"
#include "module/module_file_path.h"
#include "module/module_state.h"
#include "module/neutral_locale_path.h"

namespace mv {
namespace {

// Where the file name's extension starts (its dot), or the end when it has none.
std::wstring::size_type ExtensionStart(const std::wstring& path) {
    const auto dot = path.find_last_of(L'.');
    const auto separator = path.find_last_of(L"\\/:");
    if (dot == std::wstring::npos || (separator != std::wstring::npos && dot < separator)) return path.size();
    return dot;
}

// The path up to and including its last backslash, slash or colon.
std::wstring FolderOf(const std::wstring& path) {
    const auto separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

struct type_library_attributes {
    ITypeLib* library;
    TLIBATTR* attributes = nullptr;
    explicit type_library_attributes(ITypeLib* lib) noexcept : library(lib) {}
    ~type_library_attributes() {
        if (attributes) library->ReleaseTLibAttr(attributes);
    }
    type_library_attributes(const type_library_attributes&) = delete;
    type_library_attributes& operator=(const type_library_attributes&) = delete;
};

}  // namespace

HRESULT LoadModuleTypeLibrary(BSTR* path, ITypeLib** library) noexcept {
    if (!path || !library) return E_POINTER;
    *path = nullptr;
    *library = nullptr;
    return guard_hresult([&]() -> HRESULT {
        std::wstring file;
        MV_RETURN_IF_FAILED(GetModuleFilePath(ComModule().TypeLibInstance(), file));
        const auto extension = ExtensionStart(file);

        com_ptr<ITypeLib> loaded;
        HRESULT hr = ::LoadTypeLibEx(file.c_str(), REGKIND_NONE, loaded.put());
        if (FAILED(hr)) {
            file.replace(extension, std::wstring::npos, L".tlb");
            MV_RETURN_IF_FAILED(::LoadTypeLibEx(file.c_str(), REGKIND_NONE, loaded.put()));
        }
        unique_bstr usedPath = unique_bstr::copy_of(file);
        MV_RETURN_IF_NULL_ALLOC(usedPath.get());
        *path = usedPath.release();
        *library = loaded.detach();
        return S_OK;
    });
}

HRESULT RegisterTypeLibrary() noexcept {
    return guard_hresult([&]() -> HRESULT {
        unique_bstr path;
        com_ptr<ITypeLib> library;
        MV_RETURN_IF_FAILED(LoadModuleTypeLibrary(path.put(), library.put()));
        const std::wstring file(path.view());
        const std::wstring helpFolder = FolderOf(file);
        MV_RETURN_IF_FAILED(::RegisterTypeLib(library.get(), path.get(), const_cast<wchar_t*>(helpFolder.c_str())));
        type_library_attributes declared(library.get());
        MV_RETURN_IF_FAILED(library->GetLibAttr(&declared.attributes));
        return RecordNeutralLocalePath(*declared.attributes, file);
    });
}

HRESULT UnregisterTypeLibrary() noexcept {
    unique_bstr path;
    com_ptr<ITypeLib> library;
    MV_RETURN_IF_FAILED(LoadModuleTypeLibrary(path.put(), library.put()));
    type_library_attributes declared(library.get());
    MV_RETURN_IF_FAILED(library->GetLibAttr(&declared.attributes));
    const TLIBATTR& a = *declared.attributes;
    // First, so that the system finds only its own entries under the version and removes it.
    MV_RETURN_IF_FAILED(RemoveNeutralLocalePath(a));
    return ::UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

}  // namespace mv
