#pragma once
// The proxy's loud failure: a misuse or a call it cannot carry ends the process with a message.

#include <string>

namespace mv::proxy {

// Writes "JNI proxy: <message>" to stderr and the debugger, then aborts.
[[noreturn]] void Fatal(const std::string& message);

}  // namespace mv::proxy
