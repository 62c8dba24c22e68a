#include "jvm/mv_java_jni_library.h"

#include <windows.h>

#include <string>

#include "module/module_file_path.h"
#include "module/module_instance.h"

namespace mv {
namespace {

constexpr wchar_t kLibraryName[] = L"MvJavaJni.dll";

// The library from this module's own folder, by its full path of any length: never from the
// current directory or the rest of the search path, where any file of that name could be planted.
// Its own imports are looked for only in that folder and the system folder, for the same reason.
HMODULE LoadFromThisModulesFolder() noexcept {
    std::wstring path;
    if (FAILED(GetSiblingFilePath(ThisImageInstance(), kLibraryName, path))) return nullptr;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
}

MvJavaJniFunctions LoadFunctions() noexcept {
    MvJavaJniFunctions f{nullptr, nullptr};
    HMODULE lib = ::GetModuleHandleW(kLibraryName);  // the agent's, when it has loaded it
    // A library we load ourselves stays loaded for the life of the process, as the agent's does.
    if (!lib) lib = LoadFromThisModulesFolder();
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
