// The module installed in a folder whose path is longer than MAX_PATH: the main object still finds
// MvJavaJni.dll beside it (loaded from that folder, never by name from the search path).

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "jniproxy/mv_jni_proxy.h"
#include "wine_path.h"

namespace {

// \\?\<build folder>\long\aaa...\aaa... : deeper than MAX_PATH, made anew.
std::wstring MakeLongFolder() {
    std::wstring folder = L"\\\\?\\" + mv::test::WindowsPathOfUnixPath(MV_TEST_BINARY_DIR) + L"\\long";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (int level = 0; level < 3; ++level) {
        folder += L"\\" + std::wstring(100, static_cast<wchar_t>(L'a' + level));
        ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    return folder;
}

std::wstring FileOf(HMODULE module) {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

TEST(LongInstallationPath, TheSiblingLibraryIsLoadedFromTheModulesFolder) {
    const std::wstring folder = MakeLongFolder();
    ASSERT_GT(folder.size(), 300u);
    const std::wstring module = folder + L"\\MvJavaJniComRot.dll", sibling = folder + L"\\MvJavaJni.dll";
    ASSERT_TRUE(::CopyFileW(mv::test::WindowsPathOfUnixPath(MV_MODULE_PATH).c_str(), module.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(mv::test::WindowsPathOfUnixPath(MV_SIBLING_PATH).c_str(), sibling.c_str(), FALSE));
    ASSERT_EQ(::GetModuleHandleW(L"MvJavaJni.dll"), nullptr);

    char error[512] = "";
    MvJniServerConfig config{};
    JavaVM* vm = MvJniProxy_StartServer(&config, error, sizeof error);
    ASSERT_NE(vm, nullptr) << error;
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    const HMODULE loaded = ::LoadLibraryW(module.c_str());
    ASSERT_NE(loaded, nullptr) << "error " << ::GetLastError();
    {
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        const auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(::GetProcAddress(loaded, "DllGetClassObject")));
        ASSERT_NE(get, nullptr);
        mv::com_ptr<IClassFactory> factory;
        ASSERT_EQ(get(CLSID_MvJavaCpp, IID_IClassFactory, factory.put_void()), S_OK);
        mv::com_ptr<IMvJavaCpp> jvm;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IMvJavaCpp, jvm.put_void()), S_OK);
        ASSERT_EQ(jvm->JavaSaveRunningJVM(LONG(::GetCurrentProcessId()), reinterpret_cast<UINT64>(vm)), S_OK);
        LONG version = 0;
        EXPECT_EQ(jvm->GetJVMVersion(&version), S_OK);
        EXPECT_GT(version, 0);
        const HMODULE used = ::GetModuleHandleW(L"MvJavaJni.dll");
        ASSERT_NE(used, nullptr) << "the sibling library was not loaded";
        const std::wstring usedFile = FileOf(used);
        EXPECT_NE(usedFile.find(std::wstring(100, L'c') + L"\\MvJavaJni.dll"), std::wstring::npos);
    }
    ::CoUninitialize();
    MvJniProxy_StopServer();
}

}  // namespace
