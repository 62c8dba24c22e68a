#pragma once
// UTF-16 (BSTR, Java strings) to UTF-8 (everything mvjava prints and writes) and back. An
// unpaired surrogate or a malformed byte sequence becomes U+FFFD, so output is always valid.

#include <string>
#include <string_view>

namespace mvjava {

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace mvjava
