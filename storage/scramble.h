#pragma once
// The data file's scrambling. Every block handed to one read or write call
// (an I/O unit) is scrambled on its own: byte j of the unit (j from 0 at the
// unit's first byte) is XORed with (j mod 256), with the key 0xD2 and with
// the constant 21. Scrambling and unscrambling are the same operation, so
// reader and writer must agree on the unit boundaries.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zk {

inline constexpr std::uint8_t kScrambleKey = 0xD2;
inline constexpr std::uint8_t kScrambleConstant = 21;

namespace detail {

// What byte j of a unit is XORed with, for j mod 256, and 16 entries more
// that start over: a piece of 16 starting anywhere in a stretch of 256 finds
// its pattern in one run.
constexpr std::array<std::uint8_t, 256 + 16> makeScramblePattern()
{
    std::array<std::uint8_t, 256 + 16> p{};
    for (std::size_t j = 0; j < p.size(); ++j)
        p[j] = static_cast<std::uint8_t>(j) ^ kScrambleKey ^ kScrambleConstant;
    return p;
}

alignas(16) inline constexpr std::array<std::uint8_t, 256 + 16> kScramblePattern = makeScramblePattern();

// Bytes [at, at + n) of a unit, n at most 16; a fixed count and a copy
// through a local, so that a whole piece is one vector operation and `in`
// may be `out`.
template <std::size_t n>
inline void scramblePiece(std::uint8_t* out, const std::uint8_t* in, std::size_t at)
{
    std::uint8_t piece[n];
    std::memcpy(piece, in + at, n);
    for (std::size_t k = 0; k < n; ++k)
        piece[k] ^= kScramblePattern[(at & 255) + k];
    std::memcpy(out + at, piece, n);
}

} // namespace detail

// Copies one I/O unit of `size` bytes from `in` to `out`, scrambled (or
// unscrambled); `in` may be `out`. Inline: most units are a few bytes of a
// size known where they are written, and a call with its loops would cost
// more than the scrambling. j mod 256 repeats every 256 bytes, which is why
// a writer may split a long unit into 256-byte pieces and get the same
// bytes.
[[gnu::always_inline]] inline void scrambleInto(std::uint8_t* out, const std::uint8_t* in, std::size_t size)
{
    std::size_t j = 0;
    for (; j + 16 <= size; j += 16)
        detail::scramblePiece<16>(out, in, j);
    // Copying, a ragged end is the unit's last 16 bytes done over: the
    // bytes done twice come out the same, and the unit's length may vary
    // without a loop over single bytes.
    if (j < size && j != 0 && out != in) {
        detail::scramblePiece<16>(out, in, size - 16);
        return;
    }
    if (j + 8 <= size) {
        detail::scramblePiece<8>(out, in, j);
        j += 8;
    }
    if (j + 4 <= size) {
        detail::scramblePiece<4>(out, in, j);
        j += 4;
    }
    for (; j < size; ++j)
        detail::scramblePiece<1>(out, in, j);
}

// Scrambles (or unscrambles) one I/O unit in place.
inline void scrambleUnit(std::uint8_t* unit, std::size_t size) { scrambleInto(unit, unit, size); }

} // namespace zk
