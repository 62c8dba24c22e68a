#include "module/neutral_locale_path.h"

#include <cwchar>

#include "common/com/error.h"
#include "common/win/handles.h"

namespace mv {
namespace {

// TypeLib\{LIBID}\<major>.<minor>\0 (hexadecimal version numbers, as the system writes them).
std::wstring NeutralLocaleKey(const TLIBATTR& library) {
    wchar_t libId[40];
    ::StringFromGUID2(library.guid, libId, 40);
    wchar_t version[16];
    ::swprintf(version, 16, L"%x.%x", library.wMajorVerNum, library.wMinorVerNum);
    return std::wstring(L"TypeLib\\") + libId + L"\\" + version + L"\\0";
}

const wchar_t* SystemKindKey(SYSKIND kind) {
    switch (kind) {
        case SYS_WIN16: return L"win16";
        case SYS_WIN32: return L"win32";
        case SYS_WIN64: return L"win64";
        default: return L"mac";
    }
}

}  // namespace

HRESULT RecordNeutralLocalePath(const TLIBATTR& library, const std::wstring& path) noexcept {
    if (library.lcid == 0) return S_OK;  // the system's own registration is the neutral one
    return guard_hresult([&]() -> HRESULT {
        const std::wstring key = NeutralLocaleKey(library) + L"\\" + SystemKindKey(library.syskind);
        unique_hkey opened;
        LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, opened.put(), nullptr);
        if (status == ERROR_SUCCESS) {
            const auto bytes = static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t));
            status = ::RegSetValueExW(opened.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                                      bytes);
        }
        return HRESULT_FROM_WIN32(status);
    });
}

HRESULT RemoveNeutralLocalePath(const TLIBATTR& library) noexcept {
    if (library.lcid == 0) return S_OK;
    return guard_hresult([&]() -> HRESULT {
        const std::wstring locale = NeutralLocaleKey(library);
        const LSTATUS status =
            ::RegDeleteKeyW(HKEY_CLASSES_ROOT, (locale + L"\\" + SystemKindKey(library.syskind)).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
        // The locale key goes with its last system kind; while another kind is recorded it stays.
        ::RegDeleteKeyW(HKEY_CLASSES_ROOT, locale.c_str());
        return S_OK;
    });
}

}  // namespace mv
