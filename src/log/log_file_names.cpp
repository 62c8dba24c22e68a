#include "log/log_file_names.h"

namespace mv {
namespace {

void AppendZeroPadded(std::wstring& text, unsigned value, std::size_t width) {
    const std::wstring digits = std::to_wstring(value);
    if (digits.size() < width) text.append(width - digits.size(), L'0');
    text += digits;
}

std::wstring InDirectory(const std::wstring& directory) {
    return directory + L"\\" + kLogFileBaseName;
}

}  // namespace

const wchar_t* LogFileExtension(DWORD obfuscationFlag) noexcept {
    return obfuscationFlag == 1 ? kObfuscatedLogExtension : kPlainLogExtension;
}

std::wstring CurrentLogFilePath(const std::wstring& directory, const wchar_t* extension) {
    return InDirectory(directory) + L"." + extension;
}

std::wstring RotatedLogFilePath(const std::wstring& directory, const std::wstring& fileStamp,
                                const wchar_t* extension) {
    return InDirectory(directory) + L"_" + fileStamp + L"." + extension;
}

std::wstring RotatedLogFilePattern(const std::wstring& directory, const wchar_t* extension) {
    return InDirectory(directory) + L"_*." + extension;
}

std::wstring FormatLogFileStamp(const SYSTEMTIME& time) {
    std::wstring stamp;
    AppendZeroPadded(stamp, time.wYear, 4);
    AppendZeroPadded(stamp, time.wMonth, 2);
    AppendZeroPadded(stamp, time.wDay, 2);
    AppendZeroPadded(stamp, time.wHour, 2);
    AppendZeroPadded(stamp, time.wMinute, 2);
    AppendZeroPadded(stamp, time.wSecond, 2);
    AppendZeroPadded(stamp, time.wMilliseconds, 3);
    return stamp;
}

std::wstring FormatLogLineStamp(const SYSTEMTIME& time) {
    std::wstring stamp;
    AppendZeroPadded(stamp, time.wYear, 4);
    stamp += L'-';
    AppendZeroPadded(stamp, time.wMonth, 2);
    stamp += L'-';
    AppendZeroPadded(stamp, time.wDay, 2);
    stamp += L' ';
    AppendZeroPadded(stamp, time.wHour, 2);
    stamp += L':';
    AppendZeroPadded(stamp, time.wMinute, 2);
    stamp += L':';
    AppendZeroPadded(stamp, time.wSecond, 2);
    stamp += L'.';
    AppendZeroPadded(stamp, time.wMilliseconds, 3);
    return stamp;
}

}  // namespace mv
