#pragma once
// What the data file fuzz targets share: one fixed clock, a header parity
// that fits whatever the fuzzer made of the header, and the input as a file
// the stored-bytes index takes.

#include "core/bytes.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "storage/datafile.h"
#include "storage/scramble.h"
#include "storage/storeddatafile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace zk::fuzz {

inline const FixedClock& fuzzClock()
{
    static FixedClock clock(LocalMoment{2023, 10, 21, 10, 0, 0});
    return clock;
}

// Most mutations of a current file would stop at the header parity; giving
// every input a fitting parity lets the fuzzer reach the sections.
inline std::vector<std::uint8_t> withFittingParity(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> file(data, data + size);
    if (size < 655 || bytes::i16(&file[2]) != 26)
        return file;
    scrambleUnit(file.data() + 4, 651);
    bytes::putI16(&file[461], headerParity(file.data()));
    scrambleUnit(file.data() + 4, 651);
    return file;
}

// FNV-1a: the same input always picks the same days and items.
inline std::uint64_t hashOf(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

// The input with a fitting parity, and its index, for a file the index
// takes; nothing for one it declines. Faults throw from the first input on.
struct StoredInput {
    std::vector<std::uint8_t> file;
    std::shared_ptr<StoredDataFile> stored;
};

inline std::optional<StoredInput> storedInput(const std::uint8_t* data, std::size_t size)
{
    static ThrowingFaultHandler faults;
    static FaultHandler* previous = installFaultHandler(&faults);
    (void)previous;
    StoredInput in{withFittingParity(data, size), nullptr};
    in.stored = StoredDataFile::fromBytes(in.file);
    if (!in.stored)
        return std::nullopt;
    return in;
}

} // namespace zk::fuzz
