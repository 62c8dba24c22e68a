#pragma once
// Fixed identities of the server: its AppID and the ids of its REGISTRY script resources
// (the numbers the resource script gives them).

#include <windows.h>

namespace mv {

inline constexpr wchar_t kAppId[] = L"{C7E05B2A-19D4-4A36-8F71-5B2D0E9C4A68}";

inline constexpr wchar_t kRegistryResourceType[] = L"REGISTRY";
inline constexpr UINT kAppIdScript = 101;      // the server's AppID entries
inline constexpr UINT kMvJavaCppScript = 102;  // the MvJavaCpp class
inline constexpr UINT kJvmFinderScript = 205;  // the JvmFinder class

}  // namespace mv
