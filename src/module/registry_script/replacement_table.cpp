#include "module/registry_script/replacement_table.h"

#include <new>

#include "module/registry_script/script_names.h"

namespace mv::registry_script {

ScriptResult ReplacementTable::Add(std::u16string_view name, std::u16string_view value) noexcept {
    try {
        m_pairs.emplace_back(std::u16string(name), std::u16string(value));
        return kOk;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

const std::u16string* ReplacementTable::Find(std::u16string_view name) const noexcept {
    for (const auto& [pairName, value] : m_pairs) {
        if (EqualsIgnoringCase(pairName, name)) return &value;
    }
    return nullptr;
}

}  // namespace mv::registry_script
