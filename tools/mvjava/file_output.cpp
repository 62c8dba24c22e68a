#include "file_output.h"

#include <windows.h>

#include <algorithm>

#include "common/win/handles.h"
#include "exit_codes.h"
#include "utf8.h"

namespace mvjava {

void WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    mv::unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw Failure(ExitCode::kFileError, "cannot create " + ToUtf8(path) + " (error " +
                                                       std::to_string(::GetLastError()) + ")");
    std::size_t written = 0;
    while (written < bytes.size()) {
        DWORD chunk = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
        if (!::WriteFile(file.get(), bytes.data() + written, wanted, &chunk, nullptr) || chunk == 0)
            throw Failure(ExitCode::kFileError, "cannot write " + ToUtf8(path) + " (error " +
                                                    std::to_string(::GetLastError()) + ")");
        written += chunk;
    }
}

std::string ReadWholeFile(const std::wstring& path) {
    mv::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw Failure(ExitCode::kFileError, "cannot open " + ToUtf8(path) + " (error " +
                                                       std::to_string(::GetLastError()) + ")");
    std::string bytes;
    char buffer[1 << 16];
    DWORD chunk = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &chunk, nullptr) && chunk > 0) bytes.append(buffer, chunk);
    return bytes;
}

}  // namespace mvjava
