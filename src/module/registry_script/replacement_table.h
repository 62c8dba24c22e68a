#pragma once
// The (name, value) pairs that replace %NAME% placeholders, kept in the order they were
// added. Names are compared without regard to letter case; the first match wins.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "module/registry_script/script_result.h"

namespace mv::registry_script {

class ReplacementTable {
public:
    // Copies both strings; kOutOfMemory when that fails.
    ScriptResult Add(std::u16string_view name, std::u16string_view value) noexcept;
    void Clear() noexcept { m_pairs.clear(); }

    // The value of the first pair named `name`, or null.
    const std::u16string* Find(std::u16string_view name) const noexcept;

private:
    std::vector<std::pair<std::u16string, std::u16string>> m_pairs;
};

}  // namespace mv::registry_script
