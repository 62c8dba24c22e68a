#include "fatal.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace mv::proxy {

void Fatal(const std::string& message) {
    std::string line = "JNI proxy: " + message + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    ::OutputDebugStringA(line.c_str());
    std::abort();
}

}  // namespace mv::proxy
