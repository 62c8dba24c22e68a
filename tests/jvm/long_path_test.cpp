// The module installed in a folder whose path is longer than MAX_PATH: the main object still finds
// MvJavaJni.dll beside it (loaded from that folder, never by name from the search path).

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"
#include "jni_server.h"
#include "wine_path.h"

namespace {

TEST(LongInstallationPath, TheSiblingLibraryIsLoadedFromTheModulesFolder) {
    // \\?\<build folder>\long\aaa...\bbb...\ccc... : deeper than MAX_PATH.
    std::wstring folder = L"\\\\?\\" + mv::test::WindowsPathOfUnixPath(MV_TEST_BINARY_DIR) + L"\\long";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t letter : {L'a', L'b', L'c'})
        ::CreateDirectoryW((folder += L"\\" + std::wstring(100, letter)).c_str(), nullptr);
    const std::wstring module = folder + L"\\MvJavaJniComRot.dll", sibling = folder + L"\\MvJavaJni.dll";
    ASSERT_TRUE(::CopyFileW(mv::test::WindowsPathOfUnixPath(MV_MODULE_PATH).c_str(), module.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(mv::test::WindowsPathOfUnixPath(MV_SIBLING_PATH).c_str(), sibling.c_str(), FALSE));
    ASSERT_EQ(::GetModuleHandleW(L"MvJavaJni.dll"), nullptr);

    const mv::test::JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
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
        ASSERT_EQ(jvm->JavaSaveRunningJVM(LONG(::GetCurrentProcessId()), reinterpret_cast<UINT64>(server.vm())), S_OK);
        LONG version = 0;
        EXPECT_EQ(jvm->GetJVMVersion(&version), S_OK);
        EXPECT_GT(version, 0);
        std::wstring used(32768, L'\0');  // the loaded MvJavaJni.dll's file (none loaded: this program's)
        used.resize(::GetModuleFileNameW(::GetModuleHandleW(L"MvJavaJni.dll"), used.data(), 32768));
        EXPECT_NE(used.find(std::wstring(100, L'c') + L"\\MvJavaJni.dll"), std::wstring::npos) << "not the sibling";
    }
    ::CoUninitialize();
}

}  // namespace
