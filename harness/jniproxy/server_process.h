#pragma once
// The one mv-jniserver of this process: starting it, knowing where it listens, stopping it.
// Its control connection stays open for the server's life; when this process ends, however it
// ends, the connection closes and the server ends with it.

#include <cstdint>
#include <string>

#include "mv_jni_proxy.h"

namespace mv::proxy {

struct ServerInfo {
    std::uint16_t port = 0;      // call listener
    jint jniVersion = 0;         // what the JVM's GetVersion answers
    std::uint32_t pid = 0;       // Linux process id
    std::uint64_t token = 0;     // shown by every call connection when it attaches
    unsigned generation = 0;     // changes at every start and stop
};

bool StartServer(const MvJniServerConfig& config, std::string& error);
bool StopServer();
// The running server; false when none runs.
bool CurrentServer(ServerInfo& info);

}  // namespace mv::proxy
