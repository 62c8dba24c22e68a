#pragma once
// The scrambling of records in the obfuscated log form: a byte-wise XOR with a keystream
// seeded by the record's length. Applying it twice with the same length gives the original
// bytes back, so readers call the same function on the stored bytes with the stored length.

#include <cstdint>

namespace mv {

// Scrambles (or unscrambles) `length` bytes in place; `length` is also the seed.
void ScrambleLogRecord(std::uint8_t* bytes, std::uint32_t length) noexcept;

}  // namespace mv
