#pragma once
// Test programs know the build tree's files by their Unix paths (compile definitions); Wine
// shows the Unix root as drive Z:.

#include <string>
#include <string_view>

namespace mv::test {

inline std::wstring WindowsPathOfUnixPath(std::string_view unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += static_cast<wchar_t>(c == '/' ? '\\' : c);
    return path;
}

}  // namespace mv::test
