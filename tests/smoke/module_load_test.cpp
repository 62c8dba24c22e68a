// The built DLL loads under Wine and answers its entry points before anything is registered.

#include <gtest/gtest.h>
#include <windows.h>

#include "wine_path.h"

namespace {
std::wstring ModulePath() { return mv::test::WindowsPathOfUnixPath(MV_MODULE_PATH); }
}  // namespace

TEST(ModuleLoad, LoadsAndFindsAllExports) {
    HMODULE m = ::LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(m, nullptr) << "LoadLibrary failed: " << ::GetLastError();
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer",
                             "DllUnregisterServer", "GetJVMFromPid", "GetRunningJVM",
                             "GetRunningJVMAndPid"}) {
        EXPECT_NE(::GetProcAddress(m, name), nullptr) << name;
    }
    ::FreeLibrary(m);
}
