#include "module_paths.h"

namespace mvtest {

std::wstring WinePathFromUnix(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += static_cast<wchar_t>(c == '/' ? '\\' : c);
    return path;
}

std::wstring BuiltModulePath() { return WinePathFromUnix(MV_MODULE_PATH); }

std::wstring TestScriptPath(const std::string& fileName) {
    return WinePathFromUnix(std::string(MV_TEST_SCRIPTS_DIR) + "/" + fileName);
}

}  // namespace mvtest
