#include "module/registry_script/registry_script_processor.h"

#include <cwchar>
#include <string_view>
#include <vector>

#include "common/com/error.h"
#include "common/win/loaded_module.h"
#include "module/registry_script/script_result.h"
#include "module/registry_script/script_runner.h"
#include "module/registry_script/win_registry_editor.h"

namespace mv {
namespace {

namespace rs = registry_script;

static_assert(rs::kSyntaxError == DISP_E_EXCEPTION && rs::kFail == E_FAIL &&
              rs::kOutOfMemory == E_OUTOFMEMORY && rs::kInvalidArgument == E_INVALIDARG);

std::u16string_view AsScriptText(LPCOLESTR text) noexcept {
    return {reinterpret_cast<const char16_t*>(text), std::wcslen(text)};
}

// The last system error as an HRESULT; E_FAIL when the system reported none.
HRESULT HresultFromLastError() noexcept {
    const DWORD error = ::GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace

HRESULT CRegistryScriptProcessor::QueryInterface(REFIID /*iid*/, void** object) {
    if (object != nullptr) *object = nullptr;
    return E_NOTIMPL;
}

HRESULT CRegistryScriptProcessor::AddReplacement(LPCOLESTR name, LPCOLESTR value) {
    if (name == nullptr || value == nullptr) return E_INVALIDARG;
    return m_replacements.Add(AsScriptText(name), AsScriptText(value));
}

HRESULT CRegistryScriptProcessor::ClearReplacements() {
    m_replacements.Clear();
    return S_OK;
}

HRESULT CRegistryScriptProcessor::ResourceRegister(LPCOLESTR modulePath, UINT resourceId,
                                                   LPCOLESTR resourceType) noexcept {
    return RunResource(modulePath, resourceId, resourceType, true);
}

HRESULT CRegistryScriptProcessor::ResourceUnregister(LPCOLESTR modulePath, UINT resourceId,
                                                     LPCOLESTR resourceType) noexcept {
    return RunResource(modulePath, resourceId, resourceType, false);
}

HRESULT CRegistryScriptProcessor::RegisterBuffer(LPCOLESTR script, BOOL registering) noexcept {
    if (script == nullptr) return E_INVALIDARG;
    rs::WinRegistryEditor registry;
    return rs::RegisterBuffer(AsScriptText(script), m_replacements, registering != FALSE, registry);
}

HRESULT CRegistryScriptProcessor::RunResource(LPCOLESTR modulePath, UINT resourceId, LPCOLESTR resourceType,
                                              bool registering) noexcept {
    return guard_hresult([&]() -> HRESULT {
        if (modulePath == nullptr || resourceType == nullptr) return E_INVALIDARG;
        const unique_hmodule module(::LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!module) return HresultFromLastError();

        const HRSRC found = ::FindResourceW(module.get(), MAKEINTRESOURCEW(resourceId), resourceType);
        if (found == nullptr) return HresultFromLastError();
        const HGLOBAL loaded = ::LoadResource(module.get(), found);
        if (loaded == nullptr) return HresultFromLastError();
        const DWORD size = ::SizeofResource(module.get(), found);
        if (size == 0) return HresultFromLastError();
        const auto* bytes = static_cast<const char*>(::LockResource(loaded));
        if (bytes == nullptr) return HresultFromLastError();

        // Twice the size in bytes plus 2: every byte becomes at most one unit, then a NUL.
        std::vector<wchar_t> text(static_cast<std::size_t>(size) + 1, L'\0');
        const int units = ::MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(size), text.data(),
                                                static_cast<int>(size));
        if (units == 0) return HresultFromLastError();
        text[static_cast<std::size_t>(units)] = L'\0';

        return RegisterBuffer(text.data(), registering ? TRUE : FALSE);
    });
}

}  // namespace mv
