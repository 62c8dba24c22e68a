#pragma once
// What the log fault tests share: a log line written under the hang guard, and the text of a
// plain log file.

#include <windows.h>

#include <string>

#include "guarded_call.h"
#include "log/log.h"
#include "log_test_support.h"

namespace mv::test {

// A log line never hangs its caller: each is written on a worker thread with this limit.
inline constexpr DWORD kLogLineLimitMs = 30000;

// Writes one line of the module's level through the module's log, under the hang guard.
inline void LogUnderGuard(const std::wstring& message) {
    CallWithin(kLogLineLimitMs, [message] {
        mv::LogLine(L"CFaultTest", L"Write", message.c_str());
        return S_OK;
    });
}

// The UTF-16 text of a plain log file after its byte-order mark; empty when there is none.
inline std::wstring PlainText(const std::wstring& path) {
    if (!logtest::FileExists(path)) return {};
    const std::vector<std::uint8_t> bytes = logtest::ReadBytes(path);
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    return text;
}

inline bool Holds(const std::wstring& path, const std::wstring& message) {
    return PlainText(path).find(message) != std::wstring::npos;
}

}  // namespace mv::test
