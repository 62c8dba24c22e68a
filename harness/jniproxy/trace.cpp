#include "trace.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "common/win/critical_section.h"

namespace mv::proxy {

namespace {

constexpr std::size_t kMaxLines = 200000;  // a runaway loop must not eat the machine

struct Trace {
    std::atomic<bool> enabled{true};
    critical_section lock;
    std::vector<std::string> lines;
    bool truncated = false;
};

Trace& TheTrace() {
    static Trace trace;
    return trace;
}

}  // namespace

bool TraceEnabled() { return TheTrace().enabled.load(std::memory_order_relaxed); }
void SetTraceEnabled(bool enabled) { TheTrace().enabled = enabled; }

void AddTraceLine(std::string line) {
    Trace& trace = TheTrace();
    critical_section_lock hold(trace.lock);
    if (trace.lines.size() < kMaxLines) trace.lines.push_back(std::move(line));
    else trace.truncated = true;
}

std::string TraceText() {
    Trace& trace = TheTrace();
    critical_section_lock hold(trace.lock);
    std::string text;
    for (const auto& line : trace.lines) {
        text += line;
        text += '\n';
    }
    if (trace.truncated) text += "(trace full: later calls not recorded)\n";
    return text;
}

void ClearTrace() {
    Trace& trace = TheTrace();
    critical_section_lock hold(trace.lock);
    trace.lines.clear();
    trace.truncated = false;
}

std::string TraceString(const char* text) {
    if (text == nullptr) return "null";
    return std::string("\"") + text + "\"";
}

std::string TraceReference(std::uint64_t value) {
    if (value == 0) return "null";
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace mv::proxy
