#include "storage/scramble.h"

#include <array>
#include <cstring>

namespace zk {

namespace {

// What byte j of a unit is XORed with, for j mod 256 in 0..255 and again
// for 256..511, so eight bytes from any offset can be read at once.
constexpr std::array<std::uint8_t, 512> makePattern()
{
    std::array<std::uint8_t, 512> p{};
    for (std::size_t j = 0; j < p.size(); ++j)
        p[j] = static_cast<std::uint8_t>(j) ^ kScrambleKey ^ kScrambleConstant;
    return p;
}

constexpr std::array<std::uint8_t, 512> kPattern = makePattern();

} // namespace

void scrambleUnit(std::uint8_t* unit, std::size_t size)
{
    // j mod 256 repeats every 256 bytes, which is why a writer may split a
    // long unit into 256-byte pieces and get the same bytes.
    std::size_t j = 0;
    for (; j + 8 <= size; j += 8) {
        std::uint64_t data, mask;
        std::memcpy(&data, unit + j, 8);
        std::memcpy(&mask, kPattern.data() + (j & 255), 8);
        data ^= mask;
        std::memcpy(unit + j, &data, 8);
    }
    for (; j < size; ++j)
        unit[j] ^= kPattern[j & 255];
}

} // namespace zk
