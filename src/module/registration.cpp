#include "module/registration.h"

#include <string>

#include "common/com/error.h"
#include "module/module_file_path.h"
#include "module/module_ids.h"
#include "module/module_state.h"
#include "module/module_type_library.h"
#include "module/registry_script/registry_script_processor.h"

namespace mv {
namespace {

const RegistryReplacement kAppIdReplacement[] = {{L"APPID", kAppId}, {nullptr, nullptr}};

// Quotes inside a quoted script token are written twice.
std::wstring DoubleSingleQuotes(const std::wstring& text) {
    std::wstring doubled;
    doubled.reserve(text.size() + 8);
    for (wchar_t c : text) {
        doubled += c;
        if (c == L'\'') doubled += c;
    }
    return doubled;
}

}  // namespace

HRESULT UpdateRegistryFromResource(UINT resourceId, BOOL registering,
                                   const RegistryReplacement* replacements) noexcept {
    return guard_hresult([&]() -> HRESULT {
        CRegistryScriptProcessor processor;
        for (const RegistryReplacement* pair = replacements; pair && pair->name; ++pair) {
            if (pair->value) MV_RETURN_IF_FAILED(processor.AddReplacement(pair->name, pair->value));
        }
        MV_RETURN_IF_FAILED(ServerModule().AddCommonReplacements(&processor));

        std::wstring modulePath;
        MV_RETURN_IF_FAILED(GetModuleFilePath(InstanceRecord().ModuleInstance(), modulePath));
        MV_RETURN_IF_FAILED(processor.AddReplacement(L"Module", DoubleSingleQuotes(modulePath).c_str()));

        return registering ? processor.ResourceRegister(modulePath.c_str(), resourceId, kRegistryResourceType)
                           : processor.ResourceUnregister(modulePath.c_str(), resourceId, kRegistryResourceType);
    });
}

// No class of the module declares component categories, so registration writes none and
// unregistration removes none.

HRESULT RegisterServer() noexcept {
    MV_RETURN_IF_FAILED(UpdateRegistryFromResource(kAppIdScript, TRUE, kAppIdReplacement));
    for (const ObjectMapEntry& entry : ComModule().Classes()) {
        MV_RETURN_IF_FAILED(entry.updateRegistry(TRUE));
    }
    return RegisterTypeLibrary();
}

HRESULT UnregisterServer() noexcept {
    for (const ObjectMapEntry& entry : ComModule().Classes()) {
        MV_RETURN_IF_FAILED(entry.updateRegistry(FALSE));
    }
    MV_RETURN_IF_FAILED(UnregisterTypeLibrary());
    return UpdateRegistryFromResource(kAppIdScript, FALSE, kAppIdReplacement);
}

}  // namespace mv
