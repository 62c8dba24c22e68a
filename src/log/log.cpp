#include "log/log.h"

#include <sstream>
#include <string>

#include "log/log_mutex.h"
#include "log/log_settings.h"
#include "log/log_writer.h"
#include "log/win_file_stream.h"

namespace mv {

void LogLine(const wchar_t* className, const wchar_t* methodName, const wchar_t* message) noexcept {
    try {
        // A disabled log costs one level read and takes no cross-process lock.
        if (kModuleLogLevel > GetLogLevel()) return;

        // The whole line - size check, rotation, purge, open, header, write, close - runs under
        // the log mutex, so that the line lands whole in exactly one file (see log_mutex.h).
        // Declared first, so it is released after the file has been closed. A writer that keeps
        // the mutex past the time limit costs this line, never the caller.
        const LogMutexLock lineLock;
        if (lineLock.timed_out()) return;
        std::wostringstream line;
        CWinFWStream file;
        if (LogBeginLine(kModuleLogLevel, line, file) != kLogLineBegun) return;

        const DWORD obfuscated = IsLogObfuscationEnabled();
        line << L'[';
        WriteWideText(line, className);
        line << L"::";
        WriteWideText(line, methodName);
        line << L"]\t";
        WriteWideText(line, message);

        if (obfuscated == 1) {
            LogWriteObfuscatedLine(file, line);
        } else {
            file << line.str() << std::endl;  // the buffer widens endl's LF into CR LF
        }
        file.Close();
    } catch (...) {
        // Diagnostics never fail the caller.
    }
}

}  // namespace mv
