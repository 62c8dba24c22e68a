#include "jvm/mv_java_jni_library.h"

#include <windows.h>

#include <new>
#include <string>

#include "module/module_file_path.h"
#include "module/module_instance.h"

namespace mv {
namespace {

constexpr wchar_t kLibraryName[] = L"MvJavaJni.dll";

// A path past MAX_PATH reaches the loader only in its extended form.
void ExtendLongPath(std::wstring& path) {
    if (path.size() < MAX_PATH || path.compare(0, 4, L"\\\\?\\") == 0) return;
    if (path.compare(0, 2, L"\\\\") == 0)
        path.replace(0, 2, L"\\\\?\\UNC\\");  // \\server\share -> \\?\UNC\server\share
    else
        path.insert(0, L"\\\\?\\");
}

// The library from this module's own folder, by its full path of any length: never from the
// current directory or the rest of the search path, where any file of that name could be planted.
// Its own imports are looked for only in that folder and the system folder, for the same reason.
HMODULE LoadFromThisModulesFolder() noexcept {
    std::wstring path;
    if (FAILED(GetLongModuleFilePath(ThisImageInstance(), path))) return nullptr;
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return nullptr;
    try {
        path.replace(slash + 1, std::wstring::npos, kLibraryName);
        ExtendLongPath(path);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
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
