#include "storage/archivefile.h"

#include "core/bytes.h"
#include "platform/memoryfiles.h"
#include "storage/scramble.h"

#include <algorithm>
#include <cerrno>

namespace zk {

using namespace archive;

namespace {

std::uint64_t directoryOffset(int dayOfYear) { return kDirectoryAt + kSlotSize * static_cast<std::uint64_t>(dayOfYear); }
std::uint64_t freeSlotOffset(int k) { return kFreeTableAt + kSlotSize * static_cast<std::uint64_t>(k); }

bool validDayOfYear(int dayOfYear) { return dayOfYear >= 1 && dayOfYear <= kDirectorySlots; }

std::array<std::uint8_t, kSlotSize> encodeSlot(const ArchiveSlot& slot)
{
    std::array<std::uint8_t, kSlotSize> b{};
    bytes::putU32(&b[0], slot.offset);
    bytes::putU32(&b[4], slot.length);
    bytes::putU32(&b[8], slot.carried);
    scrambleUnit(b.data(), b.size());
    return b;
}

ArchiveSlot decodeSlot(std::array<std::uint8_t, kSlotSize> b)
{
    scrambleUnit(b.data(), b.size());
    return {bytes::u32(&b[0]), bytes::u32(&b[4]), bytes::u32(&b[8])};
}

std::array<std::uint8_t, kHeaderSize> encodeHeader(const ArchiveHeader& h)
{
    std::array<std::uint8_t, kHeaderSize> b{};
    bytes::putU32(&b[0], h.magic);
    bytes::putI16(&b[4], h.version);
    bytes::putU16(&b[6], h.pendingMonths);
    bytes::putI16(&b[8], h.latestDay);
    std::copy(h.rest.begin(), h.rest.end(), b.begin() + 10);
    scrambleUnit(b.data(), b.size());
    return b;
}

ArchiveHeader decodeHeader(std::array<std::uint8_t, kHeaderSize> b)
{
    scrambleUnit(b.data(), b.size());
    ArchiveHeader h;
    h.magic = bytes::u32(&b[0]);
    h.version = bytes::i16(&b[4]);
    h.pendingMonths = bytes::u16(&b[6]);
    h.latestDay = bytes::i16(&b[8]);
    std::copy(b.begin() + 10, b.end(), h.rest.begin());
    return h;
}

// Appends one unit, scrambled.
void appendUnit(std::vector<std::uint8_t>& out, const std::uint8_t* unit, std::size_t size)
{
    std::size_t at = out.size();
    out.resize(at + size);
    scrambleInto(out.data() + at, unit, size);
}

ArchiveStatus fromErrno(int e, ArchiveStatus otherwise) { return e == ENODATA ? ArchiveStatus::Damaged : otherwise; }

} // namespace

bool ArchiveSlot::validWithin(std::uint64_t fileSize) const
{
    std::uint64_t end = static_cast<std::uint64_t>(offset) + length;
    return length >= 1 && offset >= kFirstBlockAt && end <= kLargestFile && end <= fileSize;
}

std::uint32_t archivedDayLength(std::span<const ArchivedEntry> entries)
{
    std::uint32_t length = 2;
    for (const ArchivedEntry& e : entries)
        length += static_cast<std::uint32_t>(kEntryFixedSize + kTrailerSize + e.description.size());
    return length;
}

// --- blocks ------------------------------------------------------------------------

std::vector<std::uint8_t> encodeDayBlock(std::span<const ArchivedEntry> entries)
{
    std::vector<std::uint8_t> out;
    out.reserve(archivedDayLength(entries));
    std::uint8_t count[2];
    bytes::putI16(count, static_cast<std::int16_t>(entries.size()));
    appendUnit(out, count, sizeof count);
    std::vector<std::uint8_t> variable;
    for (const ArchivedEntry& e : entries) {
        // Descriptions are limited before they get here; a longer one would
        // make the day unreadable, so the file never holds one.
        std::size_t textSize = std::min(e.description.size(), kLargestDescription);
        std::uint8_t fixed[kEntryFixedSize] = {};
        bytes::putI16(&fixed[0], e.start);
        bytes::putU16(&fixed[2], e.duration);
        bytes::putU16(&fixed[4], static_cast<std::uint16_t>(e.flags & (kArchivedFlags | kFormerException)));
        bytes::putU16(&fixed[6], e.refNo);
        bytes::putU16(&fixed[8], static_cast<std::uint16_t>(textSize + kTrailerSize));
        bytes::putU16(&fixed[10], e.projectId);
        bytes::putU16(&fixed[12], e.recur);
        bytes::putU8(&fixed[14], e.status);
        bytes::putI16(&fixed[15], e.createdDay);
        bytes::putI16(&fixed[17], e.createdTime);
        bytes::putU8(&fixed[22], static_cast<std::uint8_t>(kTrailerSize));
        appendUnit(out, fixed, sizeof fixed);

        variable.assign(textSize + kTrailerSize, 0);
        std::copy_n(e.description.begin(), textSize, variable.begin());
        std::uint8_t* trailer = variable.data() + textSize;
        bytes::putU32(trailer, e.caseNo);
        bytes::putF32(trailer + 4, e.doneExpense);
        bytes::putI16(trailer + 8, e.mileage);
        appendUnit(out, variable.data(), variable.size());
    }
    return out;
}

ArchivedDay decodeDayBlock(std::span<const std::uint8_t> block)
{
    ArchivedDay day;
    day.hasBlock = true;
    auto bad = [&day] {
        day.status = ArchiveStatus::BadEntry;
        return day;
    };
    if (block.size() < 2)
        return bad();
    std::uint8_t count[2];
    scrambleInto(count, block.data(), 2);
    int n = bytes::i16(count);
    // Every entry takes at least its fixed part: a count the block cannot
    // hold is damage, and it never sizes anything.
    if (n < 0 || static_cast<std::size_t>(n) > (block.size() - 2) / kEntryFixedSize)
        return bad();
    day.entries.reserve(static_cast<std::size_t>(n));
    std::size_t at = 2;
    std::vector<std::uint8_t> variable;
    for (int i = 0; i < n; ++i) {
        if (block.size() - at < kEntryFixedSize)
            return bad();
        std::uint8_t fixed[kEntryFixedSize];
        scrambleInto(fixed, block.data() + at, kEntryFixedSize);
        at += kEntryFixedSize;
        std::size_t trailerSize = bytes::u8(&fixed[22]);
        std::size_t variableSize = bytes::u16(&fixed[8]);
        if (trailerSize != 0 && (trailerSize < kTrailerSize || trailerSize > kLargestTrailer))
            return bad();
        if (variableSize < trailerSize || variableSize > kLargestDescription + trailerSize)
            return bad();
        if (block.size() - at < variableSize)
            return bad();
        variable.resize(variableSize);
        scrambleInto(variable.data(), block.data() + at, variableSize);
        at += variableSize;

        ArchivedEntry e;
        e.start = bytes::i16(&fixed[0]);
        e.duration = bytes::u16(&fixed[2]);
        e.flags = bytes::u16(&fixed[4]);
        e.refNo = bytes::u16(&fixed[6]);
        e.projectId = bytes::u16(&fixed[10]);
        e.recur = bytes::u16(&fixed[12]);
        e.status = bytes::u8(&fixed[14]);
        e.createdDay = bytes::i16(&fixed[15]);
        e.createdTime = bytes::i16(&fixed[17]);
        std::size_t textSize = variableSize - trailerSize;
        e.description.assign(reinterpret_cast<const char*>(variable.data()), textSize);
        e.hasTrailer = trailerSize != 0;
        if (e.hasTrailer) {
            const std::uint8_t* trailer = variable.data() + textSize;
            e.caseNo = bytes::u32(trailer);
            e.doneExpense = bytes::f32(trailer + 4);
            e.mileage = bytes::i16(trailer + 8);
        }
        day.entries.push_back(std::move(e));
    }
    return day;
}

// --- the file ----------------------------------------------------------------------

std::unique_ptr<ArchiveFile> ArchiveFile::open(RandomAccessFiles& files, const std::filesystem::path& path, Mode mode,
                                               ArchiveStatus& status)
{
    int error = 0;
    bool exists = files.exists(path);
    if (!exists && mode != Mode::UpdateOrCreate) {
        status = ArchiveStatus::Missing;
        return nullptr;
    }
    if (!exists) {
        // Made whole under another name and renamed into place, so that an
        // interruption never leaves an archive too short to be read.
        std::filesystem::path fresh = path;
        fresh += ".tmp";
        if (files.exists(fresh))
            files.remove(fresh);
        auto file = files.open(fresh, FileAccess::Create, error);
        if (!file) {
            status = ArchiveStatus::CannotOpen;
            return nullptr;
        }
        ArchiveHeader header;
        std::vector<std::uint8_t> start;
        start.reserve(kFirstBlockAt);
        auto headerBytes = encodeHeader(header);
        start.insert(start.end(), headerBytes.begin(), headerBytes.end());
        auto zero = encodeSlot({});
        for (int i = 0; i < kDirectorySlots + kFreeSlots; ++i)
            start.insert(start.end(), zero.begin(), zero.end());
        bool written = file->writeAt(0, start) == 0 && file->sync() == 0;
        file.reset();
        if (!written || files.rename(fresh, path) != 0 || files.syncFolder(path.parent_path()) != 0) {
            status = ArchiveStatus::WriteFailed;
            return nullptr;
        }
    }
    auto file = files.open(path, mode == Mode::Read ? FileAccess::Read : FileAccess::ReadWrite, error);
    if (!file) {
        status = ArchiveStatus::CannotOpen;
        return nullptr;
    }
    std::unique_ptr<ArchiveFile> archive(new ArchiveFile(std::move(file)));
    status = archive->readHeader();
    if (status != ArchiveStatus::Ok)
        return nullptr;
    return archive;
}

std::uint64_t ArchiveFile::fileSize() { return file_->size().value_or(0); }

ArchiveStatus ArchiveFile::readHeader()
{
    std::array<std::uint8_t, kHeaderSize> b{};
    if (int e = file_->readAt(0, b))
        return e == ENODATA ? ArchiveStatus::NotArchive : ArchiveStatus::ReadFailed;
    header_ = decodeHeader(b);
    if (header_.magic == kOlderMagic)
        return ArchiveStatus::OlderFormat;
    if (header_.magic != kMagic)
        return ArchiveStatus::NotArchive;
    if (header_.version >= 2 && header_.version <= 9)
        return ArchiveStatus::NewerVersion;
    if (header_.version < 0 || header_.version > 9)
        return ArchiveStatus::Damaged;
    // The tables must be whole before any slot is believed.
    if (fileSize() < kFirstBlockAt)
        return ArchiveStatus::Damaged;
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::writeHeader()
{
    auto b = encodeHeader(header_);
    if (file_->writeAt(0, b) != 0 || file_->sync() != 0)
        return ArchiveStatus::WriteFailed;
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::readSlotAt(std::uint64_t at, ArchiveSlot& slot)
{
    std::array<std::uint8_t, kSlotSize> b{};
    if (int e = file_->readAt(at, b))
        return fromErrno(e, ArchiveStatus::ReadFailed);
    slot = decodeSlot(b);
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::writeSlotAt(std::uint64_t at, const ArchiveSlot& slot)
{
    auto b = encodeSlot(slot);
    if (file_->writeAt(at, b) != 0 || file_->sync() != 0)
        return ArchiveStatus::WriteFailed;
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::readSlot(int dayOfYear, ArchiveSlot& slot)
{
    if (!validDayOfYear(dayOfYear))
        return ArchiveStatus::InvalidSlot;
    return readSlotAt(directoryOffset(dayOfYear), slot);
}

ArchiveStatus ArchiveFile::readFreeSlot(int k, ArchiveSlot& slot)
{
    if (k < 1 || k >= kFreeSlots)
        return ArchiveStatus::InvalidSlot;
    return readSlotAt(freeSlotOffset(k), slot);
}

ArchivedDay ArchiveFile::readDay(int dayOfYear)
{
    ArchivedDay day;
    ArchiveSlot slot;
    day.status = readSlot(dayOfYear, slot);
    if (day.status != ArchiveStatus::Ok || slot.empty())
        return day;
    if (!slot.validWithin(fileSize())) {
        day.status = ArchiveStatus::InvalidSlot;
        return day;
    }
    // Only the day's own block is read, never the rest of the year.
    std::vector<std::uint8_t> block(slot.length);
    if (int e = file_->readAt(slot.offset, block)) {
        day.status = fromErrno(e, ArchiveStatus::ReadFailed);
        return day;
    }
    return decodeDayBlock(block);
}

// Best fit from the free-space table, else the end of the file. A block
// taken from the table leaves it (flushed) before anything is written into
// it: an interruption then loses the space, never a day that uses it.
ArchiveStatus ArchiveFile::takeBlock(std::uint32_t needed, ArchiveSlot& block)
{
    std::uint64_t size = fileSize();
    int best = 0;
    ArchiveSlot bestSlot;
    for (int k = 1; k < kFreeSlots; ++k) {
        ArchiveSlot s;
        if (ArchiveStatus st = readFreeSlot(k, s); st != ArchiveStatus::Ok)
            return st;
        if (s.length < needed || !s.validWithin(size))
            continue;
        if (best == 0 || s.length < bestSlot.length) {
            best = k;
            bestSlot = s;
        }
    }
    if (best != 0) {
        if (ArchiveStatus st = writeSlotAt(freeSlotOffset(best), {}); st != ArchiveStatus::Ok)
            return st;
        block = bestSlot;
        return ArchiveStatus::Ok;
    }
    std::uint64_t end = std::max<std::uint64_t>(size, kFirstBlockAt);
    if (end + needed > kLargestFile)
        return ArchiveStatus::TooLarge;
    block = {static_cast<std::uint32_t>(end), needed, 0};
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::giveBack(const ArchiveSlot& block)
{
    int target = 0;
    ArchiveSlot smallest;
    for (int k = 1; k < kFreeSlots; ++k) {
        ArchiveSlot s;
        if (ArchiveStatus st = readFreeSlot(k, s); st != ArchiveStatus::Ok)
            return st;
        if (s.length == 0) {
            target = k;
            break;
        }
        if (target == 0 || s.length < smallest.length) {
            target = k;
            smallest = s;
        }
    }
    // A full table keeps the larger blocks: a block smaller than all of
    // them is simply lost.
    if (smallest.length != 0 && smallest.length >= block.length)
        return ArchiveStatus::Ok;
    return writeSlotAt(freeSlotOffset(target), {block.offset, block.length, block.carried});
}

ArchiveStatus ArchiveFile::writeDay(int dayOfYear, std::span<const ArchivedEntry> entries)
{
    ArchiveSlot old;
    if (ArchiveStatus st = readSlot(dayOfYear, old); st != ArchiveStatus::Ok)
        return st;
    bool oldValid = !old.empty() && old.validWithin(fileSize());
    if (entries.empty())
        return clearSlot(dayOfYear);

    std::vector<std::uint8_t> bytes = encodeDayBlock(entries);
    ArchiveSlot block;
    if (ArchiveStatus st = takeBlock(static_cast<std::uint32_t>(bytes.size()), block); st != ArchiveStatus::Ok)
        return st;
    block.carried = old.carried;
    if (file_->writeAt(block.offset, bytes) != 0 || file_->sync() != 0)
        return ArchiveStatus::WriteFailed;
    if (ArchiveStatus st = writeSlotAt(directoryOffset(dayOfYear), block); st != ArchiveStatus::Ok)
        return st;
    if (oldValid)
        return giveBack(old);
    return ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::clearSlot(int dayOfYear)
{
    ArchiveSlot old;
    if (ArchiveStatus st = readSlot(dayOfYear, old); st != ArchiveStatus::Ok)
        return st;
    if (old.empty())
        return ArchiveStatus::Ok;
    bool oldValid = old.validWithin(fileSize());
    if (ArchiveStatus st = writeSlotAt(directoryOffset(dayOfYear), {}); st != ArchiveStatus::Ok)
        return st;
    return oldValid ? giveBack(old) : ArchiveStatus::Ok;
}

ArchiveStatus ArchiveFile::setPendingMonths(std::uint16_t months)
{
    if (header_.pendingMonths == months)
        return ArchiveStatus::Ok;
    header_.pendingMonths = months;
    return writeHeader();
}

ArchiveStatus ArchiveFile::noteWritten(int month, std::int16_t day)
{
    std::uint16_t months = header_.pendingMonths;
    if (month >= 1 && month <= 12)
        months = static_cast<std::uint16_t>(months | (1u << (month - 1)));
    if (months == header_.pendingMonths && day <= header_.latestDay)
        return ArchiveStatus::Ok;
    header_.pendingMonths = months;
    header_.latestDay = std::max(header_.latestDay, day);
    return writeHeader();
}

std::size_t readArchiveBytes(std::span<const std::uint8_t> bytes)
{
    MemoryFiles files;
    files.put("archive", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    ArchiveStatus status;
    auto file = ArchiveFile::open(files, "archive", ArchiveFile::Mode::Read, status);
    if (!file)
        return 0;
    std::size_t entries = 0;
    for (int day = 1; day <= kDirectorySlots; ++day)
        entries += file->readDay(day).entries.size();
    return entries;
}

} // namespace zk
