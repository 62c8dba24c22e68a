#pragma once
// BSTR arguments for calls: names, signatures and texts.

#include <string_view>

#include "common/com/bstr.h"

namespace mv::test {

// An owned BSTR of exactly `text` (embedded NULs kept); null only when memory ran out.
inline unique_bstr Bstr(std::wstring_view text) { return unique_bstr::copy_of(text); }

}  // namespace mv::test
