#include "module/module_file_path.h"

#include "common/com/error.h"

namespace mv {
namespace {

constexpr DWORD kLongestPath = 32768;  // the longest path Windows allows, with its terminator

HRESULT LastErrorOr(HRESULT fallback) noexcept {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? fallback : HRESULT_FROM_WIN32(error);
}

// A path past MAX_PATH reaches the loader only in its extended form.
void ExtendLongPath(std::wstring& path) {
    if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0) return;
    if (path.compare(0, 2, L"\\\\") == 0)
        path.replace(0, 2, L"\\\\?\\UNC\\");  // \\server\share -> \\?\UNC\server\share
    else
        path.insert(0, L"\\\\?\\");
}

}  // namespace

HRESULT GetModuleFilePath(HINSTANCE module, std::wstring& path) noexcept {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(module, buffer, MAX_PATH);
    if (length == 0) return LastErrorOr(E_FAIL);
    if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return guard_hresult([&]() -> HRESULT {
        path.assign(buffer, length);
        return S_OK;
    });
}

HRESULT GetLongModuleFilePath(HINSTANCE module, std::wstring& path) noexcept {
    return guard_hresult([&]() -> HRESULT {
        // A length that fills the buffer means the path was cut: grow and ask again.
        for (DWORD size = MAX_PATH;; size *= 2) {
            std::wstring buffer(size, L'\0');
            const DWORD length = ::GetModuleFileNameW(module, buffer.data(), size);
            if (length == 0) return LastErrorOr(E_FAIL);
            if (length < size) {
                buffer.resize(length);
                path = std::move(buffer);
                return S_OK;
            }
            if (size >= kLongestPath) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        }
    });
}

HRESULT GetSiblingFilePath(HINSTANCE module, const wchar_t* fileName, std::wstring& path) noexcept {
    std::wstring own;
    const HRESULT hr = GetLongModuleFilePath(module, own);
    if (FAILED(hr)) return hr;
    return guard_hresult([&]() -> HRESULT {
        const std::size_t slash = own.find_last_of(L"\\/");
        if (slash == std::wstring::npos) return E_FAIL;
        own.replace(slash + 1, std::wstring::npos, fileName);
        ExtendLongPath(own);
        path = std::move(own);
        return S_OK;
    });
}

}  // namespace mv
