#pragma once
// Registry keys (under HKEY_LOCAL_MACHINE) and value names of the log settings. Held as
// constant storage so that any code, even another static initialiser, can use them.

namespace mv {

inline constexpr wchar_t kLogDeploymentOptionsKey[] = L"SOFTWARE\\MORVANE\\DeploymentOptions";
inline constexpr wchar_t kLogTempKey[] = L"SOFTWARE\\MORVANE\\Temp";

// Temp key: a temporary level that wins over "LogLevel" whenever it is present.
inline constexpr wchar_t kObsLogLevelTempValue[] = L"ObsLogLevel_Temp";
// Temp key: exactly 1 selects the obfuscated file form.
inline constexpr wchar_t kLogObfuscationEnabledValue[] = L"LogObfuscationEnabled";
// DeploymentOptions key: level, size limit in KiB, rotated files kept, directory.
inline constexpr wchar_t kLogLevelValue[] = L"LogLevel";
inline constexpr wchar_t kLogFileSizeValue[] = L"LogFileSize";
inline constexpr wchar_t kLogFileCountValue[] = L"LogFileCount";
inline constexpr wchar_t kLogPathValue[] = L"LogPath";

}  // namespace mv
