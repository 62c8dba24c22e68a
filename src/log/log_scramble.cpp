#include "log/log_scramble.h"

namespace mv {

void ScrambleLogRecord(std::uint8_t* bytes, std::uint32_t length) noexcept {
    std::uint8_t state = static_cast<std::uint8_t>((length >> 8) ^ length ^ 0x96);
    for (std::uint32_t i = 0; i < length; ++i) {
        state = (state & 1) ? static_cast<std::uint8_t>(((state >> 1) ^ 0xE6) | 0x80)
                            : static_cast<std::uint8_t>(state >> 1);
        bytes[i] ^= state;
    }
}

}  // namespace mv
