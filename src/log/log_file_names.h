#pragma once
// Names of the log files and the two time stamps of the log.
//
//   current file   <dir>\wk_observer.log  (plain form)   or  <dir>\wk_observer.mvl  (obfuscated)
//   rotated file   <dir>\wk_observer_<17-digit file stamp>.<extension of the current form>
//   purge pattern  <dir>\wk_observer_*.<extension of the current form>

#include <windows.h>

#include <string>

namespace mv {

inline constexpr wchar_t kLogFileBaseName[] = L"wk_observer";
inline constexpr wchar_t kPlainLogExtension[] = L"log";
inline constexpr wchar_t kObfuscatedLogExtension[] = L"mvl";

// "mvl" when the obfuscation flag is exactly 1, "log" for any other value.
const wchar_t* LogFileExtension(DWORD obfuscationFlag) noexcept;

std::wstring CurrentLogFilePath(const std::wstring& directory, const wchar_t* extension);
std::wstring RotatedLogFilePath(const std::wstring& directory, const std::wstring& fileStamp,
                                const wchar_t* extension);
std::wstring RotatedLogFilePattern(const std::wstring& directory, const wchar_t* extension);

// yyyyMMddHHmmssfff, e.g. 20091105140709045.
std::wstring FormatLogFileStamp(const SYSTEMTIME& time);
// yyyy-MM-dd HH:mm:ss.fff, e.g. 2009-11-05 14:07:09.045.
std::wstring FormatLogLineStamp(const SYSTEMTIME& time);

}  // namespace mv
