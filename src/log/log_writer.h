#pragma once
// The steps of writing one log line. A log site (see LogLine in log.h), holding a
// LogMutexLock across all of them so that the line is written whole (see log_mutex.h), and
// giving the line up when that lock timed out:
//   1. makes a std::wostringstream for the line and a fresh CWinFWStream;
//   2. calls LogBeginLine(level, line, file) and stops unless it returns 1;
//   3. appends its message to `line`;
//   4. if IsLogObfuscationEnabled() is exactly 1, calls LogWriteObfuscatedLine(file, line);
//      otherwise writes line.str() to `file` followed by std::endl (CR LF, flushed);
//   5. closes the file stream.

#include <windows.h>

#include <sstream>

#include "log/win_file_stream.h"

namespace mv {

inline constexpr int kLogLineBegun = 1;       // file open, header written into the line
inline constexpr int kLogLevelDisabled = -1;  // level above the configured level
inline constexpr int kLogFileNotOpened = -3;  // current file could not be opened

// Gates `level` against GetLogLevel(), rotates if needed, opens the current file in `file`
// (writing its byte-order mark when empty) and writes the line header into `line`:
//   "L:" level " " yyyy-MM-dd HH:mm:ss.fff " P:" pid " T:" tid [" S:" session] TAB "{" exe "}" TAB
// The session piece is left out when the process's session id is 0.
int LogBeginLine(DWORD level, std::wostringstream& line, CWinFWStream& file);

// Writes `line` as one obfuscated record: its byte length (twice its code units) as a 32-bit
// little-endian number, then its UTF-16LE bytes scrambled by ScrambleLogRecord.
void LogWriteObfuscatedLine(CWinFWStream& file, const std::wostringstream& line);

}  // namespace mv
