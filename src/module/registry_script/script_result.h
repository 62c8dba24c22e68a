#pragma once
// Results of the registry script language as plain 32-bit HRESULT values, so that the
// language builds and is tested without the Windows headers. The Windows layer checks that
// they equal the SDK's constants.

#include <cstdint>

namespace mv::registry_script {

using ScriptResult = std::int32_t;

inline constexpr ScriptResult kOk = 0;
// Every syntax error, and an unknown placeholder (DISP_E_EXCEPTION).
inline constexpr ScriptResult kSyntaxError = static_cast<ScriptResult>(0x80020009u);
// An over-long placeholder name or an odd number of binary digits (E_FAIL).
inline constexpr ScriptResult kFail = static_cast<ScriptResult>(0x80004005u);
inline constexpr ScriptResult kOutOfMemory = static_cast<ScriptResult>(0x8007000Eu);
inline constexpr ScriptResult kInvalidArgument = static_cast<ScriptResult>(0x80070057u);

constexpr bool Failed(ScriptResult result) noexcept { return result < 0; }

// Win32 error codes the language gives a meaning to.
using Win32Error = std::uint32_t;
inline constexpr Win32Error kErrorSuccess = 0;
inline constexpr Win32Error kErrorFileNotFound = 2;
inline constexpr Win32Error kErrorInvalidParameter = 87;
inline constexpr Win32Error kErrorMoreData = 234;
inline constexpr Win32Error kErrorNoMoreItems = 259;

// HRESULT_FROM_WIN32.
constexpr ScriptResult HresultFromWin32(Win32Error error) noexcept {
    return error == 0 ? kOk : static_cast<ScriptResult>((error & 0xFFFFu) | 0x80070000u);
}

}  // namespace mv::registry_script

#define MV_SCRIPT_RETURN_IF_FAILED(expr)                                  \
    do {                                                                  \
        const ::mv::registry_script::ScriptResult mv_script_result_ = (expr); \
        if (::mv::registry_script::Failed(mv_script_result_)) return mv_script_result_; \
    } while (0)
