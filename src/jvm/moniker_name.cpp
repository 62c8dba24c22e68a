#include "jvm/moniker_name.h"

#include <cwchar>
#include <cstdlib>

namespace mv {

void BuildMonikerName(std::wstring& name, DWORD processId) {
    wchar_t digits[16] = {};  // any 32-bit value, signed
    std::swprintf(digits, 16, L"%d", static_cast<int>(processId));
    name += kMonikerPrefix;
    name += L":P";
    name += digits;
}

int ParsePidFromDisplayName(const std::wstring& displayName) {
    const std::size_t at = displayName.find(kMonikerPidPrefix);
    if (at == std::wstring::npos) return 0;
    return _wtoi(displayName.c_str() + at + (sizeof(kMonikerPidPrefix) / sizeof(wchar_t) - 1));
}

}  // namespace mv
