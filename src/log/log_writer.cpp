#include "log/log_writer.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/win/handles.h"
#include "log/log_file_names.h"
#include "log/log_rotation.h"
#include "log/log_scramble.h"
#include "log/log_settings.h"

namespace mv {
namespace {

constexpr std::uint32_t kSessionIdUnknown = 0xFFFFFFFF;

// The process token's session id, fetched at most once per process (concurrent first lines
// may each fetch it, but only the first value is stored).
std::atomic<std::uint32_t> g_sessionId{kSessionIdUnknown};

std::uint32_t FetchSessionId() noexcept {
    unique_handle token;
    DWORD sessionId = 0;
    DWORD returned = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
        !::GetTokenInformation(token.get(), TokenSessionId, &sessionId, sizeof(sessionId),
                               &returned)) {
        return 0;
    }
    return sessionId;
}

std::uint32_t CachedSessionId() noexcept {
    std::uint32_t cached = kSessionIdUnknown;
    g_sessionId.compare_exchange_strong(cached, kSessionIdUnknown);  // a read that changes nothing
    if (cached != kSessionIdUnknown) return cached;
    std::uint32_t expected = kSessionIdUnknown;
    const std::uint32_t fetched = FetchSessionId();
    return g_sessionId.compare_exchange_strong(expected, fetched) ? fetched : expected;
}

std::wstring LineHeader(DWORD level, std::uint32_t sessionId, const std::wstring& imageName) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    std::wstring header = L"L:" + std::to_wstring(level) + L" " + FormatLogLineStamp(now) + L" P:" +
                          std::to_wstring(::GetCurrentProcessId()) + L" T:" +
                          std::to_wstring(::GetCurrentThreadId());
    if (sessionId != 0) header += L" S:" + std::to_wstring(sessionId);
    header += L"\t{" + imageName + L"}\t";
    return header;
}

}  // namespace

int LogBeginLine(DWORD level, std::wostringstream& line, CWinFWStream& file) {
    if (level > GetLogLevel()) return kLogLevelDisabled;
    const std::uint32_t sessionId = CachedSessionId();
    std::wstring path;
    LogRotateIfNeeded(path);
    const std::wstring imageName = GetProcessImageName();
    if (!file.Open(path, false)) return kLogFileNotOpened;
    file.WriteHeaderIfEmpty(path, IsLogObfuscationEnabled());
    line << LineHeader(level, sessionId, imageName);
    return kLogLineBegun;
}

void LogWriteObfuscatedLine(CWinFWStream& file, const std::wostringstream& line) {
    const std::wstring text = line.str();
    const std::uint32_t byteLength = static_cast<std::uint32_t>(text.size() * sizeof(wchar_t));
    std::vector<wchar_t> record(text.begin(), text.end());
    ScrambleLogRecord(reinterpret_cast<std::uint8_t*>(record.data()), byteLength);

    wchar_t lengthUnits[2];  // the 32-bit length, little-endian like the machine
    static_assert(sizeof(lengthUnits) == sizeof(byteLength), "length field is 32 bits");
    std::memcpy(lengthUnits, &byteLength, sizeof(byteLength));
    file.WriteRaw(lengthUnits, 2);
    file.WriteRaw(record.data(), record.size());
}

}  // namespace mv
