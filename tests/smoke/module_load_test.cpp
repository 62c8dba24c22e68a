// The built DLL loads under Wine and answers its entry points before anything is registered.

#include <gtest/gtest.h>
#include <windows.h>

namespace {
std::wstring ModulePath() {
    std::string p = MV_MODULE_PATH;  // a Unix path; Wine maps it through the Z: drive
    std::wstring w = L"Z:";
    for (char c : p) w += static_cast<wchar_t>(c == '/' ? '\\' : c);
    return w;
}
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
