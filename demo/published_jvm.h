#pragma once
// The main object that a Java process published, found through the module's GetJVMFromPid export
// as any client finds it.

#include <windows.h>

#include <cstdio>
#include <string>

#include "MvJavaJniComRot_h.h"
#include "common/com/com_ptr.h"

namespace mvdemo {

// A proxy to the main object of process `pid`; null (after saying so on `out`) when the module
// cannot be loaded or the process published none.
mv::com_ptr<IMvJavaCpp> FindPublishedJvm(const std::wstring& modulePath, DWORD pid, std::FILE* out);

}  // namespace mvdemo
