#pragma once
// The name of the JNIEnv function at a table index, for messages and traces.

#include <array>
#include <cstdint>

#include "jni_functions.h"
#include "jni_wire.h"

namespace mv::wire {

inline const char* JniFunctionName(std::uint32_t slot) {
    static const std::array<const char*, kJniSlotCount> names = [] {
        std::array<const char*, kJniSlotCount> table{};
#define MV_JNI_NAME_ENTRY(kind, name) table[MV_JNI_SLOT(name)] = #name;
        MV_JNI_FUNCTIONS(MV_JNI_NAME_ENTRY)
#undef MV_JNI_NAME_ENTRY
        return table;
    }();
    return slot < kJniSlotCount && names[slot] != nullptr ? names[slot] : "(no JNI function)";
}

}  // namespace mv::wire
