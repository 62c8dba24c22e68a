#pragma once
// What mvjava writes: results to stdout (UTF-8 bytes as they are, "\n" line ends, so that JSON
// output compares byte for byte), notes and the one error line to stderr, each starting "mvjava: ".

#include <string>
#include <string_view>

namespace mvjava {

// Puts stdout and stderr in binary mode; called once at start.
void PrepareConsoleOutput();
void WriteOut(std::string_view utf8);
// One stderr line "mvjava: <text>".
void WriteNote(std::string_view utf8);

}  // namespace mvjava
