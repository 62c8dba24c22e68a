#pragma once
// What mvjava writes: results to stdout, notes and the one error line to stderr, each starting
// "mvjava: ". Redirected to a file or a pipe, the output is UTF-8 bytes as they are with "\n" line
// ends (so that JSON output compares byte for byte); on a console it is written as UTF-16 through
// the console API, so that every character shows whatever the console's code page.

#include <string>
#include <string_view>

namespace mvjava {

// Puts stdout and stderr in binary mode; called once at start.
void PrepareConsoleOutput();
void WriteOut(std::string_view utf8);
// One stderr line "mvjava: <text>".
void WriteNote(std::string_view utf8);

}  // namespace mvjava
