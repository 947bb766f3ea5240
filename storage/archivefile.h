#pragma once
// The yearly archive of past days, "timedata.xYY" (YY = the year modulo
// 100), and the merge archive "timedata.mrg" of the same layout. A day that
// is over and finished leaves the data file for its year's archive; a view
// that needs it reads it back, and a changed past day is written back.
//
// File layout (all integers little-endian; every row one I/O unit,
// scrambled on its own as the data file's units are):
//
//  off    size  content
//    0     100  header
//  100 + 12n 12 directory slot of day-of-year n, n = 1..366
//  4492+12k 12  free-space slot k, k = 1..99 (k = 0: see below)
//  5692  rest   day blocks
//
// Header (100 bytes, one unit):
//    0  u32  magic 6424 (6274: an archive of the older format)
//    4  i16  version: 1 when written; 0 and 1 readable, 2..9 a newer
//            program's, above 9 damage
//    6  u16  pending-log months: bit m-1 set when month m's history log
//            must be rebuilt
//    8  i16  the latest day written into this archive
//   10  90   0, carried through
//
// Slot (12 bytes, one unit): u32 block offset, u32 length reserved, u32 a
// value carried with the block. Offset 0 and length 0: no block. A slot is
// valid when length >= 1, offset >= 5692, and offset + length lies within
// both the file and 9999999.
//
// Day block (at the slot's offset, within its length): i16 entry count (one
// unit), then the entries. Each entry is a 23-byte fixed part (one unit)
// followed by its variable part (one unit: the description, no NUL, then
// the trailer):
//    0  i16  the day entry's start (negative: conflicting)
//    2  u16  duration
//    4  u16  flags & 0x139E; 0x4 also for a former recurring exception
//    6  u16  refNo (low 16 bits)
//    8  u16  variable part length (description + trailer)
//   10  u16  projectId (low 16 bits)
//   12  u16  recur: the definition's id of a former exception (low 16 bits)
//   14  u8   status
//   15  i16  createdDay
//   17  i16  createdTime
//   19  3    0
//   22  u8   trailer size: 54, or 0 for no trailer (readable: 54..300)
// Trailer (54 bytes written): u32 caseNo, f32 doneExpense, i16 mileage,
// 44 bytes 0. A day's reserved length is 2 + sum(77 + description length),
// which is exactly what its entries take.
//
// Directory slot 366 (31 December of a leap year) lies at 4492, where the
// free-space table's slot 0 would be. Free-space slot 0 is never read or
// written, so neither table overwrites the other; files whose slot 0 was
// used as free space keep their bytes and lose only that free block.
//
// Crash safety: an archive is changed in an order that leaves every day
// readable after an interruption at any point. A changed day always goes to
// a block no slot points at (a free block is first taken off the free-space
// table, an appended one lies past every block), that block is flushed, and
// only then its directory slot is written and flushed; the old block returns
// to the free-space table last. An interruption leaks space at worst.
// Nothing read is trusted: every count, length and offset is checked
// against the block and the file before it sizes a buffer or a loop.

#include "platform/randomaccessfile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zk {

namespace archive {
inline constexpr std::uint32_t kMagic = 6424;
inline constexpr std::uint32_t kOlderMagic = 6274;
inline constexpr std::int16_t kVersion = 1;
inline constexpr std::size_t kHeaderSize = 100;
inline constexpr std::size_t kSlotSize = 12;
inline constexpr int kDirectorySlots = 366;
inline constexpr int kFreeSlots = 100;
inline constexpr std::uint64_t kDirectoryAt = 100;  // slot n at kDirectoryAt + 12 n
inline constexpr std::uint64_t kFreeTableAt = 4492;
inline constexpr std::uint64_t kFirstBlockAt = 5692;
inline constexpr std::uint64_t kLargestFile = 9999999;
inline constexpr std::size_t kEntryFixedSize = 23;
inline constexpr std::size_t kTrailerSize = 54;
inline constexpr std::size_t kLargestTrailer = 300;
inline constexpr std::size_t kLargestDescription = 1000;
inline constexpr std::uint16_t kArchivedFlags = 0x139E;
inline constexpr std::uint16_t kFormerException = 0x4;
} // namespace archive

struct ArchiveSlot {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t carried = 0;

    bool empty() const { return offset == 0 && length == 0; }
    bool validWithin(std::uint64_t fileSize) const;
};

// One archived day entry with its item, in the values the file holds.
struct ArchivedEntry {
    std::int16_t start = 0;
    std::uint16_t duration = 0;
    std::uint16_t flags = 0;
    std::uint16_t refNo = 0;
    std::uint16_t projectId = 0;
    std::uint16_t recur = 0;
    std::uint8_t status = 0;
    std::int16_t createdDay = 0;
    std::int16_t createdTime = 0;
    bool hasTrailer = true;
    std::uint32_t caseNo = 0;
    float doneExpense = 0;
    std::int16_t mileage = 0;
    std::string description;

    friend bool operator==(const ArchivedEntry&, const ArchivedEntry&) = default;
};

// The bytes a day's entries take in a block.
std::uint32_t archivedDayLength(std::span<const ArchivedEntry> entries);

enum class ArchiveStatus {
    Ok,
    Missing,       // no such file
    CannotOpen,    // it exists but cannot be opened, or cannot be created
    ReadFailed,    // a read failed (not damage: the disk said no)
    WriteFailed,   // a write or flush failed
    OlderFormat,   // magic 6274
    NewerVersion,  // version 2..9
    Damaged,       // version above 9, a file shorter than its tables
    NotArchive,    // any other magic
    InvalidSlot,   // the day's directory slot points outside the file
    BadEntry,      // an entry does not fit its block or breaks a limit
    TooLarge,      // the block would end past the largest archive
};

struct ArchiveHeader {
    std::uint32_t magic = archive::kMagic;
    std::int16_t version = archive::kVersion;
    std::uint16_t pendingMonths = 0;
    std::int16_t latestDay = 0;
    std::array<std::uint8_t, 90> rest{};
};

struct ArchivedDay {
    ArchiveStatus status = ArchiveStatus::Ok;
    bool hasBlock = false;
    std::vector<ArchivedEntry> entries;
};

class ArchiveFile {
public:
    // Opens an existing archive; with `create`, a missing one is made (the
    // header and 466 zeroed slots). Read-only opening serves reading a day
    // when the file may not be written (another session holds the schedule,
    // or the medium is read-only).
    enum class Mode { Read, Update, UpdateOrCreate };
    static std::unique_ptr<ArchiveFile> open(RandomAccessFiles& files, const std::filesystem::path& path, Mode mode,
                                             ArchiveStatus& status);

    const ArchiveHeader& header() const { return header_; }

    // 1..366.
    ArchiveStatus readSlot(int dayOfYear, ArchiveSlot& slot);
    ArchivedDay readDay(int dayOfYear);
    // Writes the day's entries into a fresh block and points its slot at
    // it; the old block is then free. An empty list clears the slot.
    ArchiveStatus writeDay(int dayOfYear, std::span<const ArchivedEntry> entries);
    ArchiveStatus clearSlot(int dayOfYear);

    // The header's pending-log months and latest day, written and flushed.
    ArchiveStatus setPendingMonths(std::uint16_t months);
    ArchiveStatus noteWritten(int month, std::int16_t day);

    // 1..99; slot 0 is never used (see the layout).
    ArchiveStatus readFreeSlot(int k, ArchiveSlot& slot);

private:
    explicit ArchiveFile(std::unique_ptr<RandomAccessFile> file) : file_(std::move(file)) {}
    ArchiveStatus readHeader();
    ArchiveStatus writeHeader();
    ArchiveStatus readSlotAt(std::uint64_t at, ArchiveSlot& slot);
    ArchiveStatus writeSlotAt(std::uint64_t at, const ArchiveSlot& slot);
    ArchiveStatus takeBlock(std::uint32_t needed, ArchiveSlot& block);
    ArchiveStatus giveBack(const ArchiveSlot& block);
    std::uint64_t fileSize();

    std::unique_ptr<RandomAccessFile> file_;
    ArchiveHeader header_;
};

// The day block's bytes as the file holds them (scrambled per unit); and
// back. Exposed for the fuzz target and the benchmarks.
std::vector<std::uint8_t> encodeDayBlock(std::span<const ArchivedEntry> entries);
ArchivedDay decodeDayBlock(std::span<const std::uint8_t> block);

// Reads every day of an archive held in memory, as a reader meeting a
// damaged file would: for the fuzz target.
std::size_t readArchiveBytes(std::span<const std::uint8_t> bytes);

} // namespace zk
