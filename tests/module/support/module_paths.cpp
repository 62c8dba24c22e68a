#include "module_paths.h"

#include "wine_path.h"

namespace mvtest {

std::wstring WinePathFromUnix(const std::string& unixPath) { return mv::test::WindowsPathOfUnixPath(unixPath); }

std::wstring BuiltModulePath() { return WinePathFromUnix(MV_MODULE_PATH); }

std::wstring TestScriptPath(const std::string& fileName) {
    return WinePathFromUnix(std::string(MV_TEST_SCRIPTS_DIR) + "/" + fileName);
}

}  // namespace mvtest
