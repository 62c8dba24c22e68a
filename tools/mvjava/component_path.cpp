#include "component_path.h"

namespace mvjava {

std::optional<std::vector<std::size_t>> ParseComponentPath(const std::wstring& path) {
    std::vector<std::size_t> indexes;
    std::size_t i = 0;
    if (path.empty()) return std::nullopt;
    while (i < path.size()) {
        if (path[i] != L'/') return std::nullopt;
        ++i;
        const std::size_t start = i;
        std::size_t value = 0;
        while (i < path.size() && path[i] >= L'0' && path[i] <= L'9') {
            if (i - start >= 9) return std::nullopt;  // no window or container has that many parts
            value = value * 10 + static_cast<std::size_t>(path[i] - L'0');
            ++i;
        }
        if (i == start) return std::nullopt;
        indexes.push_back(value);
    }
    return indexes;
}

std::wstring FormatComponentPath(const std::vector<std::size_t>& indexes) {
    std::wstring path;
    for (std::size_t index : indexes) path += L"/" + std::to_wstring(index);
    return path;
}

}  // namespace mvjava
