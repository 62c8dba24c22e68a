#pragma once
// The random source of the hostile-input rounds: one seeded generator, its seed and round count
// read from the environment (MV_HOSTILE_SEED, MV_HOSTILE_ROUNDS) so that a failing run can be
// repeated exactly, and the random texts the members get as names, signatures and strings.

#include <cstdint>
#include <random>
#include <string>

namespace mv::test {

struct HostileSettings {
    std::uint64_t seed;
    int rounds;
};

// The seed and round count for one suite; `defaultRounds` when MV_HOSTILE_ROUNDS is unset.
HostileSettings ReadHostileSettings(int defaultRounds);

class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed) : m_engine(seed) {}

    std::uint64_t Bits() { return m_engine(); }
    // A whole number in [low, high].
    long long Between(long long low, long long high) {
        return std::uniform_int_distribution<long long>(low, high)(m_engine);
    }
    bool Chance(int percent) { return Between(0, 99) < percent; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[static_cast<std::size_t>(Between(0, static_cast<long long>(N) - 1))];
    }

    // Text with embedded NULs, lone surrogates, characters outside the BMP and plain ASCII.
    std::wstring Text(std::size_t maxLength);
    // A name for a class, field or method: empty, very long, ASCII or Unicode junk, with slashes,
    // dots and array brackets; never the name of a class that exists.
    std::wstring JunkName();
    // A malformed or mismatched JNI signature.
    std::wstring JunkSignature();

private:
    wchar_t Unit();
    std::mt19937_64 m_engine;
};

}  // namespace mv::test
