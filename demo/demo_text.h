#pragma once
// Small helpers the demo's parts share: printable text, BSTRs.

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "MvJavaJniComRot_h.h"
#include "common/com/bstr.h"

namespace mvdemo {

// ASCII for the console: other characters become '?'.
inline std::string Narrow(std::wstring_view w) {
    std::string s;
    for (wchar_t c : w) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

inline mv::unique_bstr Bstr(const wchar_t* text) { return mv::unique_bstr(::SysAllocString(text)); }

}  // namespace mvdemo
