// Fuzz target for the archive reader: no archive, however damaged, may
// crash it, hang it or make it allocate more than the file holds. Every
// day of the input is read through the directory, and the input is also
// read as a single day block.

#include "storage/archivefile.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> bytes(data, size);
    zk::readArchiveBytes(bytes);
    zk::ArchivedDay day = zk::decodeDayBlock(bytes);
    // What decodes must encode to no more than it came from.
    if (day.status == zk::ArchiveStatus::Ok && day.entries.size() > size / zk::archive::kEntryFixedSize)
        __builtin_trap();
    return 0;
}
