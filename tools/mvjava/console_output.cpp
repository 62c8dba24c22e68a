#include "console_output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "utf8.h"

namespace mvjava {
namespace {

// To a console: UTF-16 through WriteConsoleW (bytes would be read in the console's code page);
// anywhere else: the UTF-8 bytes.
void Write(DWORD stdHandle, std::FILE* stream, std::string_view utf8) {
    const HANDLE handle = ::GetStdHandle(stdHandle);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
        const std::wstring text = FromUtf8(utf8);
        const wchar_t* next = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const DWORD chunk = left > 16384 ? 16384 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteConsoleW(handle, next, chunk, &written, nullptr) || written == 0) break;
            next += written;
            left -= written;
        }
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

void PrepareConsoleOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void WriteOut(std::string_view utf8) { Write(STD_OUTPUT_HANDLE, stdout, utf8); }

void WriteNote(std::string_view utf8) {
    std::string line = "mvjava: ";
    line += utf8;
    line += '\n';
    Write(STD_ERROR_HANDLE, stderr, line);
}

}  // namespace mvjava
