#pragma once
// The first step of running a script: every %NAME% is replaced by the value of the pair
// named NAME, and %% by a single %.

#include <cstddef>
#include <string>
#include <string_view>

#include "module/registry_script/replacement_table.h"
#include "module/registry_script/script_result.h"

namespace mv::registry_script {

inline constexpr std::size_t kMaxPlaceholderNameLength = 31;

// Replaces the placeholders of `text` into `replaced`. A % without a closing % or a name not
// in `table` → kSyntaxError; a name longer than kMaxPlaceholderNameLength → kFail; no memory
// → kOutOfMemory. On failure `replaced` holds what was produced so far.
ScriptResult ReplacePlaceholders(std::u16string_view text, const ReplacementTable& table,
                                 std::u16string& replaced) noexcept;

}  // namespace mv::registry_script
