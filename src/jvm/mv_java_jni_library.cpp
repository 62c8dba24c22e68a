#include "jvm/mv_java_jni_library.h"

#include <windows.h>

namespace mv {
namespace {

MvJavaJniFunctions LoadFunctions() noexcept {
    MvJavaJniFunctions f{nullptr, nullptr};
    HMODULE lib = ::GetModuleHandleW(L"MvJavaJni.dll");
    // A library we load ourselves stays loaded for the life of the process, as the agent's does.
    if (!lib) lib = ::LoadLibraryW(L"MvJavaJni.dll");
    if (!lib) return f;
    f.getJavaVersion = reinterpret_cast<int (*)()>(
        reinterpret_cast<void*>(::GetProcAddress(lib, "GetJavaVersion")));
    f.getJNIEnv = reinterpret_cast<JNIEnv* (*)()>(
        reinterpret_cast<void*>(::GetProcAddress(lib, "GetJNIEnv")));
    if (!f.getJavaVersion || !f.getJNIEnv) f = {nullptr, nullptr};
    return f;
}

}  // namespace

const MvJavaJniFunctions& GetMvJavaJniFunctions() noexcept {
    static const MvJavaJniFunctions functions = LoadFunctions();
    return functions;
}

}  // namespace mv
