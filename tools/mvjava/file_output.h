#pragma once
// Writing a whole file (the SVG snapshot); throws Failure (kFileError) when it cannot.

#include <string>
#include <string_view>

namespace mvjava {

void WriteWholeFile(const std::wstring& path, std::string_view bytes);

}  // namespace mvjava
