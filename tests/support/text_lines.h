#pragma once
// Text split into lines ("\n" ends a line; a last line without one counts).

#include <algorithm>
#include <string>
#include <vector>

namespace mv::test {

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end = 0; start < text.size(); start = end + 1) {
        end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

}  // namespace mv::test
