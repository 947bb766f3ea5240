#pragma once
// The data file's scrambling. Every block handed to one read or write call
// (an I/O unit) is scrambled on its own: byte j of the unit (j from 0 at the
// unit's first byte) is XORed with (j mod 256), with the key 0xD2 and with
// the constant 21. Scrambling and unscrambling are the same operation, so
// reader and writer must agree on the unit boundaries.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zk {

inline constexpr std::uint8_t kScrambleKey = 0xD2;
inline constexpr std::uint8_t kScrambleConstant = 21;

namespace detail {

// What byte j of a unit is XORed with, for j mod 256 in 0..255 and again
// for 256..511, so a piece from any offset below 256 can be read at once.
constexpr std::array<std::uint8_t, 512> makeScramblePattern()
{
    std::array<std::uint8_t, 512> p{};
    for (std::size_t j = 0; j < p.size(); ++j)
        p[j] = static_cast<std::uint8_t>(j) ^ kScrambleKey ^ kScrambleConstant;
    return p;
}

inline constexpr std::array<std::uint8_t, 512> kScramblePattern = makeScramblePattern();

} // namespace detail

// Scrambles (or unscrambles) one I/O unit in place. Inline: most units are
// a few bytes of a size known where they are written, and a call with its
// loops would cost more than the scrambling.
inline void scrambleUnit(std::uint8_t* unit, std::size_t size)
{
    // j mod 256 repeats every 256 bytes, which is why a writer may split a
    // long unit into 256-byte pieces and get the same bytes. Sixteen bytes
    // at a time with a fixed count, so each piece is one vector operation.
    constexpr std::size_t kPiece = 16;
    const std::uint8_t* pattern = detail::kScramblePattern.data();
    std::size_t j = 0;
    for (; j + kPiece <= size; j += kPiece)
        for (std::size_t k = 0; k < kPiece; ++k)
            unit[j + k] ^= pattern[(j & 255) + k];
    for (; j < size; ++j)
        unit[j] ^= pattern[j & 255];
}

} // namespace zk
