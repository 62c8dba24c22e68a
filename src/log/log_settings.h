#pragma once
// The log's settings, read from HKEY_LOCAL_MACHINE afresh on every call (a changed value
// takes effect at the next line), and the two names derived from the process itself.
// Missing keys or values, wrong types and access failures all give the defaults silently.

#include <windows.h>

#include <string>

namespace mv {

// "ObsLogLevel_Temp" (Temp key) when present, even when 0; otherwise "LogLevel"
// (DeploymentOptions), default 0. A line of level N is written when N <= this value.
DWORD GetLogLevel() noexcept;

// "LogObfuscationEnabled" (Temp key), default 0. Callers compare with exactly 1.
DWORD IsLogObfuscationEnabled() noexcept;

// "LogFileSize" in KiB (default 1024) times 1024, in unsigned 32-bit arithmetic: values of
// 4194304 KiB and more wrap.
DWORD GetLogFileSizeLimit() noexcept;

// "LogFileCount": rotated files kept, default 1.
DWORD GetLogFileCount() noexcept;

// "LogPath" (default "c:\") without trailing slashes and backslashes; may be empty.
std::wstring GetLogDirectory();

// File name of the process's executable (not of this module) without its directory, however
// long the path (MAX_PATH or more); empty when the path cannot be found.
std::wstring GetProcessImageName();

// Bits of TrimCharacters' mode.
enum TrimMode : unsigned {
    kTrimLeading = 1,
    kTrimTrailing = 2,
};

// Removes the leading (kTrimLeading) and/or trailing (kTrimTrailing) characters of `text`
// that belong to `characterSet`. A text made only of such characters becomes empty.
std::wstring TrimCharacters(const std::wstring& text, unsigned mode, const wchar_t* characterSet);

}  // namespace mv
