#include "console_output.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace mvjava {

void PrepareConsoleOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void WriteOut(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

void WriteNote(std::string_view utf8) {
    std::string line = "mvjava: ";
    line += utf8;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace mvjava
