#include "module_type_library.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "common/com/com_ptr.h"
#include "wine_path.h"

namespace contract {
namespace {

std::string ModuleUnixPath() {
    const char* chosen = std::getenv("MV_CONTRACT_MODULE");
    return chosen && *chosen ? chosen : MV_MODULE_PATH;
}

// Loads the library once for the whole run and releases it before COM is uninitialised.
class ModuleTypeLibraryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        m_comReady = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        const HRESULT hr = ::LoadTypeLibEx(ModulePath().c_str(), REGKIND_NONE, m_library.put());
        if (FAILED(hr)) {
            char code[16];
            std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
            m_error = "LoadTypeLibEx(" + ModuleUnixPath() + ", REGKIND_NONE) failed: " + code;
        }
    }
    void TearDown() override {
        m_library.reset();
        if (m_comReady) ::CoUninitialize();
    }

    ITypeLib* library() const { return m_library.get(); }
    const std::string& error() const { return m_error; }

private:
    bool m_comReady = false;
    mv::com_ptr<ITypeLib> m_library;
    std::string m_error = "the library was not loaded";
};

// gtest owns the environment; this pointer only reads it.
ModuleTypeLibraryEnvironment* const g_environment = static_cast<ModuleTypeLibraryEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ModuleTypeLibraryEnvironment));

}  // namespace

std::wstring ModulePath() { return mv::test::WindowsPathOfUnixPath(ModuleUnixPath()); }

unique_data_module MapModuleAsData() {
    return unique_data_module(::LoadLibraryExW(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

WORD ModuleMachine() {
    const unique_data_module module = MapModuleAsData();
    if (!module) return IMAGE_FILE_MACHINE_UNKNOWN;
    // A data-file module handle carries flags in its low bits; the mapping starts with the file.
    const auto* base =
        reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module.get()) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return IMAGE_FILE_MACHINE_UNKNOWN;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return IMAGE_FILE_MACHINE_UNKNOWN;
    return nt->FileHeader.Machine;
}

ITypeLib* ModuleTypeLibrary() { return g_environment->library(); }

std::string ModuleTypeLibraryError() { return g_environment->error(); }

int LibraryPointerSize() {
    ITypeLib* library = ModuleTypeLibrary();
    if (!library) return 0;
    TLIBATTR* attr = nullptr;
    if (FAILED(library->GetLibAttr(&attr))) return 0;
    const int size = attr->syskind == SYS_WIN64 ? 8 : 4;
    library->ReleaseTLibAttr(attr);
    return size;
}

}  // namespace contract
