#pragma once
// Writes the content of a memory registry back as a registry script that recreates it, so
// that tests and the fuzzer can check that reading, applying and removing agree.

#include <optional>
#include <string>
#include <string_view>

#include "support/memory_registry.h"

namespace mv::registry_script::memreg {

// `text` as a quoted token: in quotes, each quote doubled.
std::u16string QuoteToken(std::u16string_view text);

// One block per root that holds anything; each key with its default value, "val" items for
// its other values and a body for its subkeys; every % doubled. Null when a key name cannot stand as an item
// (a keyword, "{", "}" or "=") or a value is of a type scripts cannot write.
std::optional<std::u16string> WriteScript(const MemoryRegistry& registry);

}  // namespace mv::registry_script::memreg
