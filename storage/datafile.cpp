#include "storage/datafile.h"

#include "storage/datafileformat.h"

namespace zk {

const char* const kIncompleteFileText = "File being read is incomplete";

std::int16_t headerParity(const std::uint8_t* header)
{
    std::uint16_t sum = 0;  // wraps like the signed 16-bit sum it stands for
    for (std::size_t i = 0; i < datafile::kParityBytes; ++i)
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(static_cast<std::int8_t>(header[i])));
    return static_cast<std::int16_t>(sum);
}

} // namespace zk
