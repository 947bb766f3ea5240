#include "storage/scramble.h"

namespace zk {

void scrambleUnit(std::uint8_t* unit, std::size_t size)
{
    constexpr std::uint8_t fixed = kScrambleKey ^ kScrambleConstant;
    // j mod 256 repeats every 256 bytes, which is why a writer may split a
    // long unit into 256-byte pieces and get the same bytes.
    for (std::size_t j = 0; j < size; ++j)
        unit[j] ^= static_cast<std::uint8_t>(j) ^ fixed;
}

} // namespace zk
