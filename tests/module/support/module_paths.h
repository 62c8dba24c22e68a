#pragma once
// Where the built module and the test scripts are, as Wine's Windows paths.

#include <string>

namespace mvtest {

// A Unix path as Wine sees it through its Z: drive.
std::wstring WinePathFromUnix(const std::string& unixPath);

// This build's MvJavaJniComRot.dll.
std::wstring BuiltModulePath();

// A script of tests/scripts/.
std::wstring TestScriptPath(const std::string& fileName);

}  // namespace mvtest
