#pragma once
// Building a process's command line from separate arguments.

#include <cstddef>
#include <string>

namespace mv {

// Appends `arg` to `line` (after a blank unless `line` is empty), quoted where needed so that the
// started process's CommandLineToArgvW gives it back unchanged (quotes and backslashes included).
inline void AppendCommandLineArgument(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped; others stay as they are.
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

}  // namespace mv
