#pragma once
// The per-process trace of JNI calls: one line per call, "Name(arguments) -> result".

#include <cstdint>
#include <string>
#include <type_traits>

#include "protocol/jni_wire.h"

namespace mv::proxy {

bool TraceEnabled();
void SetTraceEnabled(bool enabled);
void AddTraceLine(std::string line);
std::string TraceText();
void ClearTrace();

// How one argument or result appears in a trace line.
std::string TraceString(const char* text);
std::string TraceReference(std::uint64_t value);
template <typename T>
std::string TraceValue(T value) {
    if constexpr (std::is_same_v<T, const char*>) {
        return TraceString(value);
    } else if constexpr (wire::kIsReference<T>) {
        return TraceReference(wire::ToRef(value));
    } else if constexpr (std::is_floating_point_v<T>) {
        return std::to_string(value);
    } else if constexpr (std::is_enum_v<T>) {
        return std::to_string(static_cast<int>(value));
    } else {
        return std::to_string(static_cast<long long>(value));
    }
}

// "Name(a, b)" from already formatted pieces.
template <typename... Pieces>
std::string TraceCall(const char* name, const Pieces&... pieces) {
    std::string line = name;
    line += '(';
    bool first = true;
    ((line += (first ? "" : ", "), line += pieces, first = false), ...);
    line += ')';
    return line;
}

}  // namespace mv::proxy
