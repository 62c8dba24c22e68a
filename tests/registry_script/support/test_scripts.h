#pragma once
// The scripts the tests run, embedded in the test program as REGISTRY resources (see
// registry_script_test.rc.in): the module's three scripts and a script in 8-bit text.

#include <string>

namespace regtest {

inline constexpr unsigned kAppIdScript = 101;
inline constexpr unsigned kMvJavaCppScript = 102;
inline constexpr unsigned kJvmFinderScript = 205;
inline constexpr unsigned kAnsiTextScript = 300;

inline constexpr char16_t kAppId[] = u"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}";
inline constexpr char16_t kLibId[] = u"{9A6C4E12-3F08-4D71-B2E5-0C8F1A7D6E93}";
inline constexpr char16_t kMvJavaCppClsid[] = u"{3B9E2C41-7A15-4F0D-9C62-1E8A5D7F0B34}";
inline constexpr char16_t kJvmFinderClsid[] = u"{5D21A8F3-0C47-4B9E-A1D6-72F3E9B8C015}";

// The text of REGISTRY resource `id` of the test program, one unit per byte.
std::u16string ScriptResourceText(unsigned id);

// The test program's own path (it holds the script resources).
std::wstring TestProgramPath();

}  // namespace regtest
