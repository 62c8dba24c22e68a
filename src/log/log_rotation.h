#pragma once
// Size-based rotation of the current log file and purging of old rotated files.

#include <string>

namespace mv {

// Under the log mutex: when the current file is larger than GetLogFileSizeLimit() (strictly),
// copies it to a rotated file named with the current local time, deletes it and purges old
// rotated files. Gives the current file's path in `currentPath` and returns 1. Copy and
// delete failures are ignored (the next line tries again); when the mutex cannot be had in
// time nothing is rotated.
int LogRotateIfNeeded(std::wstring& currentPath);

// Deletes the oldest rotated files (by creation time) of the current form until at most
// GetLogFileCount() remain. Rotated files of the other form are never touched.
void LogPurgeRotatedFiles();

}  // namespace mv
