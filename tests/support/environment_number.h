#pragma once

#include <cstdlib>

namespace mv::test {

// The whole number in variable `name` (decimal, or hexadecimal with 0x); `fallback` when the
// variable is unset, empty or not a number.
inline unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback) {
    const char* text = std::getenv(name);
    char* end = nullptr;
    const unsigned long long value = text ? std::strtoull(text, &end, 0) : 0;
    return text && *text && *end == '\0' ? value : fallback;
}

}  // namespace mv::test
