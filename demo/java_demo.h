#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

namespace mvdemo {

// Finds the JVM that process `pid` published (through the module's GetJVMFromPid export) and
// works with it across the process boundary. Returns true when every step worked.
bool RunJavaDemo(const std::wstring& modulePath, DWORD pid, std::FILE* out);

}  // namespace mvdemo
