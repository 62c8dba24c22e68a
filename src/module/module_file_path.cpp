#include "module/module_file_path.h"

#include "common/com/error.h"

namespace mv {

HRESULT GetModuleFilePath(HINSTANCE module, std::wstring& path) noexcept {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
    if (length == 0) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
    }
    if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return guard_hresult([&]() -> HRESULT {
        path.assign(buffer, length);
        return S_OK;
    });
}

}  // namespace mv
