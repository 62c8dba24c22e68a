// The module in a process without MvJavaJni.dll beside it (the program's folder has none; its
// working folder holds a decoy that must not be loaded): the main object attaches calling threads
// to the JVM by itself.

#include <gtest/gtest.h>
#include <windows.h>

#include "common/com/com_ptr.h"
#include "jni_server.h"
#include "jniproxy/mv_jni_proxy.h"
#include "jvm/mv_java_cpp.h"

TEST(WithoutSiblingLibrary, TheMainObjectAttachesAndDetachesByItself) {
    const mv::test::JniServer server;
    ASSERT_TRUE(server.started()) << server.error();
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    {
        mv::com_ptr<IMvJavaCpp> obj;
        ASSERT_EQ(mv::CreateMvJavaCpp(IID_IMvJavaCpp, obj.put_void()), S_OK);
        ASSERT_EQ(obj->JavaSaveRunningJVM(LONG(::GetCurrentProcessId()), reinterpret_cast<UINT64>(server.vm())), S_OK);
        MvJniProxy_ResetCounters();
        LONG version = 0;
        EXPECT_EQ(obj->GetJVMVersion(&version), S_OK);
        MvJniProxyCounters counters{};
        MvJniProxy_GetCounters(&counters);
        EXPECT_EQ(counters.attaches, 1);
        EXPECT_EQ(counters.detaches, 1);
        EXPECT_EQ(::GetModuleHandleW(L"MvJavaJni.dll"), nullptr) << "a library was loaded from the working folder";
    }
    // The decoy is on the DLL search path: a plain LoadLibrary of the name finds it.
    const HMODULE decoy = ::LoadLibraryW(L"MvJavaJni.dll");
    EXPECT_NE(decoy, nullptr);
    if (decoy) ::FreeLibrary(decoy);
    ::CoUninitialize();
}
