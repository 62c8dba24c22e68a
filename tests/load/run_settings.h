#pragma once
// Sizes of the load and soak runs, from the environment (CI defaults when unset).

#include <cstdlib>
#include <string>

namespace mv::test {

inline unsigned long SettingOr(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    return end && *end == '\0' && value > 0 ? value : fallback;
}

}  // namespace mv::test
