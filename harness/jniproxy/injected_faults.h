#pragma once
// How a call fails when a fault is armed for it (see MvJniProxy_FailNext).

#include <cstdint>

#include "proxy_env.h"

namespace mv::proxy {

// Raises OutOfMemoryError on the server thread of `session`, as the JVM does when an allocation
// fails, and traces the failed call.
void FailWithOutOfMemory(ProxyEnv& session, std::uint32_t slot);

// A lookup name that no class, method or field has: the JVM itself fails the lookup.
constexpr const char* kMissingClassName = "mv/jniproxy/InjectedFault";
constexpr const char* kMissingMemberName = "mvInjectedFault";

}  // namespace mv::proxy
