#pragma once
// The agent library's lines in the module's diagnostics log: "[MvJavaJni::<method>]<TAB><message>",
// written under the module's log settings (level 1 and above), like the module's own lines.

#include <string>

#include "log/log.h"

namespace mv::agent {

inline void Log(const wchar_t* method, const wchar_t* message) noexcept {
    LogLine(L"MvJavaJni", method, message);
}

inline void Log(const wchar_t* method, const std::wstring& message) noexcept {
    LogLine(L"MvJavaJni", method, message.c_str());
}

}  // namespace mv::agent
