#pragma once
#include <cstdio>

namespace mvdemo {

// Writes log lines through the module's log in both file forms, in a directory of its own,
// and reads them back. Registry settings it changes are put back afterwards.
// Returns true when every line written was read back.
bool RunLogDemo(std::FILE* out);

}  // namespace mvdemo
