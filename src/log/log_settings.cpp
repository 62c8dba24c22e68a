#include "log/log_settings.h"

#include "log/log_registry_names.h"
#include "log/registry_reader.h"

namespace mv {
namespace {

constexpr DWORD kDefaultLogLevel = 0;
constexpr DWORD kDefaultObfuscation = 0;
constexpr DWORD kDefaultLogFileSizeKiB = 1024;
constexpr DWORD kDefaultLogFileCount = 1;
constexpr wchar_t kDefaultLogPath[] = L"c:\\";
constexpr wchar_t kPathSeparators[] = L"\\/";
// The executable's path is asked for in MAX_PATH units first and, when it does not fit, in as
// many as the longest path Windows has (32767 units and the NUL).
constexpr DWORD kImagePathUnits[] = {MAX_PATH, 32768};

DWORD ReadDeploymentOption(const wchar_t* valueName, DWORD defaultValue) noexcept {
    DWORD value = defaultValue;
    ReadRegistryDword(HKEY_LOCAL_MACHINE, kLogDeploymentOptionsKey, valueName, value, defaultValue);
    return value;
}

}  // namespace

DWORD GetLogLevel() noexcept {
    DWORD level = kDefaultLogLevel;
    if (ReadRegistryDword(HKEY_LOCAL_MACHINE, kLogTempKey, kObsLogLevelTempValue, level,
                          kDefaultLogLevel)) {
        return level;
    }
    return ReadDeploymentOption(kLogLevelValue, kDefaultLogLevel);
}

DWORD IsLogObfuscationEnabled() noexcept {
    DWORD flag = kDefaultObfuscation;
    ReadRegistryDword(HKEY_LOCAL_MACHINE, kLogTempKey, kLogObfuscationEnabledValue, flag,
                      kDefaultObfuscation);
    return flag;
}

DWORD GetLogFileSizeLimit() noexcept {
    return ReadDeploymentOption(kLogFileSizeValue, kDefaultLogFileSizeKiB) << 10;
}

DWORD GetLogFileCount() noexcept {
    return ReadDeploymentOption(kLogFileCountValue, kDefaultLogFileCount);
}

std::wstring GetLogDirectory() {
    std::wstring path;
    ReadRegistryString(HKEY_LOCAL_MACHINE, kLogDeploymentOptionsKey, kLogPathValue, path,
                       kDefaultLogPath);
    return TrimCharacters(path, kTrimTrailing, kPathSeparators);
}

std::wstring GetProcessImageName() {
    std::wstring fullPath;
    for (const DWORD units : kImagePathUnits) {
        // A path that does not fit is cut to the buffer (ending in a NUL there since Windows
        // Vista, not at all under XP or Wine) and its length is given as the buffer's.
        fullPath.assign(units, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, fullPath.data(), units);
        fullPath.resize(length < units ? length : 0);
        if (length < units) break;
    }
    const std::size_t separator = fullPath.find_last_of(kPathSeparators);
    return separator == std::wstring::npos ? fullPath : fullPath.substr(separator + 1);
}

std::wstring TrimCharacters(const std::wstring& text, unsigned mode, const wchar_t* characterSet) {
    if (characterSet == nullptr) return text;
    std::size_t first = 0;
    std::size_t last = text.size();
    if (mode & kTrimLeading) {
        first = text.find_first_not_of(characterSet);
        if (first == std::wstring::npos) return std::wstring();
    }
    if (mode & kTrimTrailing) {
        const std::size_t lastKept = text.find_last_not_of(characterSet);
        if (lastKept == std::wstring::npos) return std::wstring();
        last = lastKept + 1;
    }
    return text.substr(first, last - first);
}

}  // namespace mv
