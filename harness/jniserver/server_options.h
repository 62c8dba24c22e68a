#pragma once
// Command line of the JNI server:
//   mv-jniserver --control-port N --token T [--class-path CP] [--jvm-option OPT]...
//                [--main-class NAME [--main-arg ARG]...] [--output FILE] [--max-lifetime SECONDS]
// --output receives the JVM's stdout and stderr (appended); --max-lifetime is a safety net after
// which the server ends even if nobody told it to (default 900 s).

#include <cstdint>
#include <string>
#include <vector>

namespace mv::server {

struct ServerOptions {
    std::uint16_t controlPort = 0;
    std::uint64_t token = 0;
    std::string classPath;
    std::vector<std::string> jvmOptions;
    std::string mainClass;  // dotted or slashed; empty: none
    std::vector<std::string> mainArgs;
    std::string outputPath;  // empty: keep the inherited stdout and stderr
    unsigned maxLifetimeSeconds = 900;
};

// False with a message for an unknown option, a missing value or a bad number.
bool ParseServerOptions(int argc, char** argv, ServerOptions& options, std::string& error);

}  // namespace mv::server
