#pragma once
// One call connection: a native thread attached to the JVM for exactly the connection's life.

#include <jni.h>

#include <cstdint>

#include "posix_socket.h"

namespace mv::server {

// Starts a detached thread that serves `connection` (see protocol/jni_wire.h) if it attaches
// with `token`.
void StartCallConnection(JavaVM* vm, std::uint64_t token, unique_fd connection);

}  // namespace mv::server
