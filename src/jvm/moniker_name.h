#pragma once
// The name under which a Java process publishes its main object: "MvJavaCOM:P" and the
// process id in decimal. It names both the Running Object Table entry (an item moniker) and
// the ready event, and the lookup builds the same name to find it.

#include <windows.h>

#include <string>

namespace mv {

inline constexpr wchar_t kMonikerPrefix[] = L"MvJavaCOM";
inline constexpr wchar_t kMonikerPidPrefix[] = L"MvJavaCOM:P";

// Appends "MvJavaCOM", ":P" and the decimal process id (signed, as "%d" writes it) to `name`.
void BuildMonikerName(std::wstring& name, DWORD processId);

// The process id in a display name: the number after the first "MvJavaCOM:P" (leading blanks
// and a sign accepted, digits up to the first non-digit), 0 when there is none.
int ParsePidFromDisplayName(const std::wstring& displayName);

}  // namespace mv
