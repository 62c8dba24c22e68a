#include "server_options.h"

#include <cstdlib>
#include <cstring>

namespace mv::server {

namespace {

bool ParseNumber(const char* text, unsigned long long max, unsigned long long& value) {
    if (*text == '\0') return false;
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return *end == '\0' && value <= max;
}

}  // namespace

bool ParseServerOptions(int argc, char** argv, ServerOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc) {
            error = "missing value for " + name;
            return false;
        }
        const char* value = argv[++i];
        unsigned long long number = 0;
        if (name == "--control-port") {
            if (!ParseNumber(value, 65535, number) || number == 0) {
                error = "bad --control-port";
                return false;
            }
            options.controlPort = static_cast<std::uint16_t>(number);
        } else if (name == "--token") {
            if (!ParseNumber(value, ~0ull, number)) {
                error = "bad --token";
                return false;
            }
            options.token = number;
        } else if (name == "--max-lifetime") {
            if (!ParseNumber(value, 24u * 3600u, number) || number == 0) {
                error = "bad --max-lifetime";
                return false;
            }
            options.maxLifetimeSeconds = static_cast<unsigned>(number);
        } else if (name == "--class-path") {
            options.classPath = value;
        } else if (name == "--jvm-option") {
            options.jvmOptions.emplace_back(value);
        } else if (name == "--main-class") {
            options.mainClass = value;
        } else if (name == "--main-arg") {
            options.mainArgs.emplace_back(value);
        } else if (name == "--output") {
            options.outputPath = value;
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (options.controlPort == 0) {
        error = "--control-port is required";
        return false;
    }
    return true;
}

}  // namespace mv::server
