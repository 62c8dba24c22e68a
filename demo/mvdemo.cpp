// mvdemo: what MvJavaJniComRot offers today, shown from a Windows process.

#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include "common/com/com_ptr.h"
#include "java_demo.h"
#include "log_demo.h"
#include "sign_in_demo.h"
#include "typelib_printer.h"

namespace {

std::wstring ModulePath() {
    std::wstring w = L"Z:";  // a Unix path of the build tree, seen through Wine's Z: drive
    for (const char* p = MV_MODULE_PATH; *p; ++p) w += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return w;
}

bool ShowInterfaces() {
    const std::wstring path = ModulePath();
    std::printf("\n== The interface contract: the type library embedded in the module\n");
    mv::com_ptr<ITypeLib> lib;
    const HRESULT hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) {
        std::printf("LoadTypeLibEx failed: 0x%08lx\n", static_cast<unsigned long>(hr));
        return false;
    }
    return mvdemo::PrintTypeLibrary(lib.get(), 12, stdout) > 0;
}

}  // namespace

int main(int argc, char** argv) {
    // mvdemo --pid N: only the part that drives the JVM published by process N.
    if (argc == 3 && std::string(argv[1]) == "--pid") {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const bool ok = mvdemo::RunJavaDemo(ModulePath(), std::stoul(argv[2]), stdout);
        ::CoUninitialize();
        return ok ? 0 : 1;
    }
    // mvdemo --sign-in N USER PASSWORD: signs in to the sample login application of process N.
    if (argc == 5 && std::string(argv[1]) == "--sign-in") {
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const std::string user = argv[3], password = argv[4];
        const bool ok = mvdemo::RunSignInDemo(ModulePath(), std::stoul(argv[2]), {user.begin(), user.end()},
                                              {password.begin(), password.end()}, stdout);
        ::CoUninitialize();
        return ok ? 0 : 1;
    }
    std::printf("MvJavaJniComRot demo\n");
    const bool interfaces = ShowInterfaces();
    std::printf("\n== The diagnostics log: lines written by the module and read back\n");
    const bool log = mvdemo::RunLogDemo(stdout);
    std::printf("\n%s\n", interfaces && log ? "demo finished: all steps worked" : "demo FAILED");
    return interfaces && log ? 0 : 1;
}
