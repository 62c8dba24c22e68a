#pragma once
// Test programs know the build tree's files by their Unix paths (compile definitions); Wine
// shows the Unix root as drive Z:. The Linux side (JNI server, JVM) needs the way back.

#include <windows.h>

#include <string>
#include <string_view>

namespace mv::test {

inline std::wstring WindowsPathOfUnixPath(std::string_view unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += static_cast<wchar_t>(c == '/' ? '\\' : c);
    return path;
}

// The Linux path of a Windows path (Wine's drive mapping); empty when Wine cannot map it.
inline std::string UnixPathOf(const std::wstring& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = toUnix ? toUnix(windowsPath.c_str()) : nullptr;
    const std::string result = unixPath ? unixPath : "";
    if (unixPath) ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

}  // namespace mv::test
