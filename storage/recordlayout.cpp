#include "storage/recordlayout.h"

#include "platform/fault.h"

#include <algorithm>
#include <cstring>

namespace zk {

namespace {

struct PackedField {
    std::size_t fileOffset;
    std::size_t recordOffset;
    std::size_t width;  // the low bytes of the record field that are kept
};

// The packed layout; little-endian, so "the low half" is the first bytes.
constexpr PackedField kPackedFields[] = {
    {0, 0, 2},   {2, 4, 2},   {4, 6, 2},   {6, 8, 2},   {8, 10, 2},  {10, 12, 2}, {12, 14, 2},
    {14, 16, 2}, {16, 18, 1}, {17, 19, 1}, {18, 20, 2}, {20, 46, 1}, {21, 40, 2}, {23, 50, 2},
    {25, 24, 4}, {29, 28, 2}, {31, 48, 2}, {33, 32, 2}, {35, 36, 4},
};

} // namespace

std::size_t recordSizeForFormat(int format)
{
    switch (format) {
    case 21: return 27;
    case 22: return 31;
    case 23: return 33;
    case 24: return 53;
    case 25: return 74;
    case 26: return ItemRecord::kSize;
    }
    ZK_FAULT("Pakload");
}

ItemRecord decodeFileRecord(const std::uint8_t* stored, std::size_t size, bool packed)
{
    ItemRecord r;
    auto& out = r.bytes();
    if (!packed) {
        std::memcpy(out.data(), stored, std::min(size, ItemRecord::kSize));
        return r;
    }
    // Byte by byte, so a record cut inside a field keeps the bytes it has.
    for (const PackedField& f : kPackedFields)
        for (std::size_t b = 0; b < f.width && f.fileOffset + b < size; ++b)
            out[f.recordOffset + b] = stored[f.fileOffset + b];
    return r;
}

void encodeFileRecord(const ItemRecord& record, bool packed, std::size_t size, std::uint8_t* out)
{
    const auto& in = record.bytes();
    if (!packed) {
        ZK_CHECK(size <= ItemRecord::kSize, "Paksave");
        std::memcpy(out, in.data(), size);
        return;
    }
    ZK_CHECK(size <= kPackedRecordSize, "Paksave");
    std::memset(out, 0, size);
    for (const PackedField& f : kPackedFields)
        for (std::size_t b = 0; b < f.width && f.fileOffset + b < size; ++b)
            out[f.fileOffset + b] = in[f.recordOffset + b];
}

} // namespace zk
