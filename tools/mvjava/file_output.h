#pragma once
// Writing and reading a whole file (the SVG snapshot, sign-on definitions); throws Failure
// (kFileError) when it cannot.

#include <string>
#include <string_view>

namespace mvjava {

void WriteWholeFile(const std::wstring& path, std::string_view bytes);
std::string ReadWholeFile(const std::wstring& path);

}  // namespace mvjava
