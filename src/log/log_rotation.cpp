#include "log/log_rotation.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/win/handles.h"
#include "log/log_file_names.h"
#include "log/log_mutex.h"
#include "log/log_settings.h"

namespace mv {
namespace {

// How far past the current millisecond a rotation looks for a free stamp (ten seconds' worth)
// before it falls back to replacing, as a plain copy would.
constexpr int kFreeStampSteps = 10000;
constexpr ULONGLONG kOneMillisecond = 10000;  // in 100-ns units

DWORD CurrentFileSize(const std::wstring& path) noexcept {
    unique_hfile file(::CreateFileW(path.c_str(), FILE_READ_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    const DWORD size = ::GetFileSize(file.get(), nullptr);
    return size == INVALID_FILE_SIZE ? 0 : size;
}

bool NextMillisecond(SYSTEMTIME& time) noexcept {
    FILETIME asFileTime;
    if (!::SystemTimeToFileTime(&time, &asFileTime)) return false;
    ULARGE_INTEGER value;
    value.LowPart = asFileTime.dwLowDateTime;
    value.HighPart = asFileTime.dwHighDateTime;
    value.QuadPart += kOneMillisecond;
    asFileTime.dwLowDateTime = value.LowPart;
    asFileTime.dwHighDateTime = value.HighPart;
    return ::FileTimeToSystemTime(&asFileTime, &time) != FALSE;
}

// The rotated file's path: stamped with the current local time, or, when a file of that name
// exists, with the first later millisecond that is free. Under the log mutex only rotations
// make rotated files, so a taken name means a rotation earlier in this same millisecond (or a
// clock set back); copying over it would lose that file's lines. The name format is unchanged,
// the stamp stays within milliseconds of the real time, and stamps keep the rotation order.
std::wstring FreeRotatedFilePath(const std::wstring& directory, const wchar_t* extension) {
    SYSTEMTIME stamp;
    ::GetLocalTime(&stamp);
    std::wstring path = RotatedLogFilePath(directory, FormatLogFileStamp(stamp), extension);
    for (int step = 0; step < kFreeStampSteps; ++step) {
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        if (!NextMillisecond(stamp)) break;
        path = RotatedLogFilePath(directory, FormatLogFileStamp(stamp), extension);
    }
    return path;
}

struct RotatedFile {
    std::wstring name;
    ULONGLONG creationTime;
};

ULONGLONG ToUInt64(const FILETIME& time) noexcept {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

int LogRotateIfNeeded(std::wstring& currentPath) {
    const std::wstring directory = GetLogDirectory();
    const wchar_t* extension = LogFileExtension(IsLogObfuscationEnabled());
    currentPath = CurrentLogFilePath(directory, extension);

    const LogMutexLock lock;  // nests in the line's; on its own, a timed-out wait skips the rotation
    if (!lock.timed_out() && CurrentFileSize(currentPath) > GetLogFileSizeLimit()) {
        const std::wstring rotatedPath = FreeRotatedFilePath(directory, extension);
        if (::CopyFileW(currentPath.c_str(), rotatedPath.c_str(), FALSE) && !::DeleteFileW(currentPath.c_str())) {
            // The current file stays (read-only, or held by a reader that does not share delete):
            // the copy would be made again before every line and fill the disk, so withdraw it
            // and let the current file grow until it can be rotated.
            ::SetFileAttributesW(rotatedPath.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(rotatedPath.c_str());
        }
        LogPurgeRotatedFiles();
    }
    return 1;
}

void LogPurgeRotatedFiles() {
    const std::wstring directory = GetLogDirectory();
    const std::wstring pattern =
        RotatedLogFilePattern(directory, LogFileExtension(IsLogObfuscationEnabled()));

    WIN32_FIND_DATAW found;
    unique_hfind search(::FindFirstFileW(pattern.c_str(), &found));
    if (!search) return;
    std::vector<RotatedFile> files;
    do {
        files.push_back({found.cFileName, ToUInt64(found.ftCreationTime)});
    } while (::FindNextFileW(search.get(), &found));
    search.reset();

    // Oldest first; equal times fall back to the name, whose stamp orders them too.
    std::sort(files.begin(), files.end(), [](const RotatedFile& a, const RotatedFile& b) {
        return a.creationTime != b.creationTime ? a.creationTime < b.creationTime : a.name < b.name;
    });
    const std::size_t keep = GetLogFileCount();
    const std::size_t surplus = files.size() > keep ? files.size() - keep : 0;
    for (std::size_t i = 0; i < surplus; ++i) {
        ::DeleteFileW((directory + L"\\" + files[i].name).c_str());
    }
}

}  // namespace mv
