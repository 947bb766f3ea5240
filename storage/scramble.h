#pragma once
// The data file's scrambling. Every block handed to one read or write call
// (an I/O unit) is scrambled on its own: byte j of the unit (j from 0 at the
// unit's first byte) is XORed with (j mod 256), with the key 0xD2 and with
// the constant 21. Scrambling and unscrambling are the same operation, so
// reader and writer must agree on the unit boundaries.

#include <cstddef>
#include <cstdint>

namespace zk {

inline constexpr std::uint8_t kScrambleKey = 0xD2;
inline constexpr std::uint8_t kScrambleConstant = 21;

// Scrambles (or unscrambles) one I/O unit in place.
void scrambleUnit(std::uint8_t* unit, std::size_t size);

} // namespace zk
