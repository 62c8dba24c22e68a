#include "published_jvm.h"

namespace mvdemo {

mv::com_ptr<IMvJavaCpp> FindPublishedJvm(const std::wstring& modulePath, DWORD pid, std::FILE* out) {
    using LookupByPid = IMvJavaCpp*(__cdecl*)(DWORD);
    // Loaded once and kept for the demo's life, as a client keeps the module it looks up with.
    static const HMODULE module = ::LoadLibraryW(modulePath.c_str());
    mv::com_ptr<IMvJavaCpp> jvm;
    if (!module) {
        std::fprintf(out, "  cannot load the module (error %lu)\n", static_cast<unsigned long>(::GetLastError()));
        return jvm;
    }
    auto byPid = reinterpret_cast<LookupByPid>(reinterpret_cast<void*>(::GetProcAddress(module, "GetJVMFromPid")));
    if (byPid) jvm.attach(byPid(pid));
    if (!jvm) std::fprintf(out, "  no JVM published by process %lu\n", static_cast<unsigned long>(pid));
    return jvm;
}

}  // namespace mvdemo
