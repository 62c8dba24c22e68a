#pragma once
// A pointer or JNI reference carried in an unsigned 64-bit automation value. The 32-bit module
// reads only the low 32 bits and hands references out sign-extended; the 64-bit module carries
// the whole value. Both rules are written for any width so that each can be tested on either
// build.

#include <cstdint>

namespace mv {

inline constexpr unsigned kPointerBits = sizeof(void*) * 8;

// The pointer value that a 64-bit carrier stands for.
template <unsigned Bits = kPointerBits>
constexpr std::uint64_t PointerFromCarrier(std::uint64_t carrier) noexcept {
    static_assert(Bits == 32 || Bits == 64, "pointers are 32 or 64 bits wide");
    return Bits == 32 ? (carrier & 0xFFFFFFFFull) : carrier;
}

// The 64-bit carrier handed out for a pointer value.
template <unsigned Bits = kPointerBits>
constexpr std::uint64_t CarrierFromPointer(std::uint64_t pointer) noexcept {
    static_assert(Bits == 32 || Bits == 64, "pointers are 32 or 64 bits wide");
    return Bits == 32 ? static_cast<std::uint64_t>(
                            static_cast<std::int64_t>(static_cast<std::int32_t>(pointer & 0xFFFFFFFFull)))
                      : pointer;
}

}  // namespace mv
