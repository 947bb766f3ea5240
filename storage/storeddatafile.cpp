#include "storage/storeddatafile.h"

#include "core/prioritylist.h"
#include "core/schedule.h"
#include "core/text.h"
#include "platform/filesystem.h"
#include "storage/datafileformat.h"
#include "storage/scramble.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

using namespace datafile;

constexpr std::uint32_t kRefusedFlags = ItemFlag::fSplit | ItemFlag::fSplitPiece | ItemFlag::fRecurDef
    | ItemFlag::fException;
// Far above any real schedule; a larger file is left to the whole load.
constexpr std::size_t kMaxBytes = std::size_t(1) << 30;

// Walks the stored units front to back, unscrambling only what is looked at.
class Walk {
public:
    explicit Walk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t at() const { return at_; }
    bool room(std::size_t n) const { return n <= bytes_.size() - at_; }
    bool atEnd() const { return at_ == bytes_.size(); }

    // One unit of n bytes, unscrambled into `out`; false past the end.
    [[gnu::always_inline]] bool unit(std::uint8_t* out, std::size_t n)
    {
        if (!room(n))
            return false;
        scrambleInto(out, bytes_.data() + at_, n);
        at_ += n;
        return true;
    }
    bool u32(std::uint32_t& v)
    {
        std::uint8_t b[4];
        if (!unit(b, 4))
            return false;
        v = bytes::u32(b);
        return true;
    }
    bool skip(std::size_t n)
    {
        if (!room(n))
            return false;
        at_ += n;
        return true;
    }
    // The unit of n bytes here, still scrambled.
    const std::uint8_t* here() const { return bytes_.data() + at_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// An item record and its text, as loading takes them unchanged.
struct StoredItem {
    ItemRecord record;  // the current layout: the stored bytes as they are
    std::size_t textLength = 0;
    char text[kMaxDescriptionBytes];

    std::string_view description() const { return {text, textLength}; }
};

// The record's fields that decide whether loading takes it as it is end
// before this byte: indexing unscrambles no more of it.
constexpr std::size_t kCheckedRecordBytes = 80;
static_assert(kCheckedRecordBytes >= 73 && kCheckedRecordBytes <= ItemRecord::kSize);

// Whether a unit holds only ASCII once unscrambled, 8 bytes at a time; most
// texts do, and need no closer look.
bool unscramblesToAscii(const std::uint8_t* unit, std::size_t n)
{
    const auto& pattern = detail::kScramblePattern;
    std::uint64_t high = 0;
    std::size_t j = 0;
    for (; j + 8 <= n; j += 8) {
        std::uint64_t word, key;
        std::memcpy(&word, unit + j, 8);
        std::memcpy(&key, pattern.data() + (j & 255), 8);
        high |= word ^ key;
    }
    if (j < n && n >= 8) {  // the last 8 bytes, some of them looked at again
        std::uint64_t word, key;
        std::memcpy(&word, unit + n - 8, 8);
        std::memcpy(&key, pattern.data() + ((n - 8) & 255), 8);
        high |= word ^ key;
        j = n;
    }
    for (; j < n; ++j)
        high |= unit[j] ^ pattern[j & 255];
    return (high & 0x8080808080808080ull) == 0;
}

// Reads an item as loading would; `whole` also unscrambles what only the
// partial schedule needs (the record's last bytes, an ASCII text).
bool readStoredItem(Walk& walk, StoredItem& item, bool whole)
{
    const std::uint8_t* record = walk.here();
    if (!walk.skip(ItemRecord::kSize))
        return false;
    scrambleInto(item.record.bytes().data(), record, whole ? ItemRecord::kSize : kCheckedRecordBytes);
    item.textLength = item.record.textField();
    if (item.textLength > kMaxDescriptionBytes || item.record.has(kRefusedFlags))
        return false;
    const std::uint8_t* text = walk.here();
    if (!walk.skip(item.textLength))
        return false;
    if (!whole && unscramblesToAscii(text, item.textLength))
        return true;
    scrambleInto(reinterpret_cast<std::uint8_t*>(item.text), text, item.textLength);
    // Loading converts what is not UTF-8, and the save would write that.
    return isValidUtf8(item.description());
}

std::int64_t modificationTimeOf(const struct stat& st)
{
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

} // namespace

// Mapped, not read, on a local disk: the bytes are the page cache's own,
// so nothing is copied and no fresh memory is touched for them (on a
// virtual machine fresh memory may cost more than the copy). A share gets
// a copy and the file closed at once: some servers refuse to rename over a
// file that a client holds open, and another session's save does that.
std::shared_ptr<StoredDataFile> StoredDataFile::read(const std::filesystem::path& path)
{
    auto stored = std::make_shared<StoredDataFile>();
    stored->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (stored->fd_ < 0 || ::fstat(stored->fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0
        || static_cast<std::size_t>(st.st_size) > kMaxBytes)
        return nullptr;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (!systemFileSystem().isLocalDisk(path)) {
        stored->copy_.resize(size);
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::read(stored->fd_, stored->copy_.data() + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::close(std::exchange(stored->fd_, -1));
        // A file that changed size while read is left to the whole load.
        if (done != size)
            return nullptr;
        stored->bytes_ = stored->copy_.data();
    } else {
        // Populated at once: the index looks at every page.
        void* at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, stored->fd_, 0);
        if (at == MAP_FAILED)
            return nullptr;
        stored->mapping_ = at;
        stored->bytes_ = static_cast<const std::uint8_t*>(at);
        stored->modified_ = modificationTimeOf(st);
    }
    stored->size_ = size;
    return stored->index() ? stored : nullptr;
}

bool StoredDataFile::unchanged() const
{
    struct stat st {};
    return fd_ < 0
        || (::fstat(fd_, &st) == 0 && static_cast<std::size_t>(st.st_size) == size_
            && modificationTimeOf(st) == modified_);
}

std::shared_ptr<StoredDataFile> StoredDataFile::fromBytes(std::span<const std::uint8_t> bytes)
{
    auto file = std::make_shared<StoredDataFile>();
    file->copy_.assign(bytes.begin(), bytes.end());
    file->bytes_ = file->copy_.data();
    file->size_ = file->copy_.size();
    return file->index() ? file : nullptr;
}

StoredDataFile::~StoredDataFile()
{
    if (mapping_)
        ::munmap(mapping_, size_);
    if (fd_ >= 0)
        ::close(fd_);
}

bool StoredDataFile::index()
{
    Walk walk(bytes());
    ScheduleHeader h;
    auto& hb = h.bytes();
    if (!walk.room(ScheduleHeader::kSize))
        return false;
    std::copy_n(bytes_, kPlainHeaderBytes, hb.begin());
    walk.skip(kPlainHeaderBytes);
    walk.unit(hb.data() + kPlainHeaderBytes, kScrambledHeaderBytes);
    int saveFormat = h.i16(ScheduleHeader::saveFormatAt);
    if (h.u16(ScheduleHeader::magicAt) != ScheduleHeader::kMagic || h.i16(ScheduleHeader::formatAt) != kCurrentFormat
        || headerParity(hb.data()) != h.i16(ScheduleHeader::parityAt)
        || h.u16(ScheduleHeader::headerSizeAt) != ScheduleHeader::kSize
        || h.u8(ScheduleHeader::recordSizeAt) != ItemRecord::kSize || (saveFormat != 0 && saveFormat != kCurrentFormat)
        || h.writerVersion() != kWriterProgramVersion || h.lastPastDay().value() < 4420)
        return false;
    ScheduleHeader settled = h;
    settleHeaderSettings(settled, settleLoadedHeader(settled, kCurrentFormat));
    if (settled.bytes() != h.bytes())
        return false;
    if (h.i16(ScheduleHeader::statDefinitionsAt) != 0 || h.i16(ScheduleHeader::projectCountAt) != 0
        || h.u32(ScheduleHeader::projectTreeTopAt) != 0)
        return false;

    StoredItem item;
    std::uint32_t largestId = 0;
    // Loading clears the template's text length and the save writes it so;
    // the stored template is written back as it is.
    if (!walk.unit(item.record.bytes().data(), ItemRecord::kSize) || item.record.textField() != 0)
        return false;
    undated_ = h.i16(ScheduleHeader::undatedCountAt);
    if (undated_ < 0)
        return false;
    for (int i = 0; i < undated_; ++i) {
        // The save writes only undated items to this section.
        if (!readStoredItem(walk, item, false) || item.record.dayField() != 0)
            return false;
        largestId = std::max(largestId, item.record.id());
    }

    daysBegin_ = walk.at();
    const int dayCount = h.i16(ScheduleHeader::dayRecordCountAt);
    if (dayCount < 0)
        return false;
    // The class rank of the floating item with each key; kFree: none.
    constexpr int kFree = INT32_MIN;
    std::vector<int> rankByKey;
    days_.reserve(static_cast<std::size_t>(dayCount));
    DayNumber previous = h.lastPastDay();
    for (int d = 0; d < dayCount; ++d) {
        Day day;
        day.begin = walk.at();
        std::uint8_t stored[DayRecord::kSize];
        if (!walk.unit(stored, sizeof stored))
            return false;
        day.day = DayRecord::dayIn(stored);
        day.entries = DayRecord::nTasksIn(stored);
        if (day.day <= previous || day.entries < 0)
            return false;
        previous = day.day;
        // Only the fields a day record keeps come back from a save.
        DayRecord kept(day.day);
        kept.decodeFields(stored);
        auto again = kept.encode();
        bytes::putI16(&again[6], static_cast<std::int16_t>(day.entries));
        if (!std::equal(again.begin(), again.end(), stored))
            return false;
        day.purgeCandidate = day.entries == 0 || (kept.changeCount == 0 && day.entries == kept.nRecurEntries);
        for (int e = 0; e < day.entries; ++e) {
            std::uint32_t reference = 1;
            if (!walk.u32(reference) || reference != 0 || !walk.skip(4))  // start and placed minutes
                return false;
            // An item whose own day is past is left out of the chain by
            // loading, and the header's item count repaired.
            if (!readStoredItem(walk, item, false) || item.record.dayField() == 0
                || item.record.dayField() <= h.lastPastDay().value())
                return false;
            const ItemRecord& r = item.record;
            largestId = std::max(largestId, r.id());
            if (r.has(ItemFlag::fFloating)) {
                std::uint32_t key = r.plistLink();
                if (key == 0 || key > size_ / ItemRecord::kSize)
                    return false;
                if (key >= rankByKey.size())
                    rankByKey.resize(std::max<std::size_t>(key + 1, rankByKey.size() * 2), kFree);
                if (rankByKey[key] != kFree)
                    return false;
                rankByKey[key] = letterRank(r.priorityLetter());
            }
        }
        entries_ += day.entries;
        day.end = walk.at();
        days_.push_back(day);
    }

    // The keys as the save writes them: 1..n, in class order, each one a
    // floating item's.
    plistBegin_ = walk.at();
    std::uint32_t key = 0, expected = 1;
    int lastRank = kFree;
    for (;;) {
        if (!walk.u32(key))
            return false;
        if (key == 0)
            break;
        if (key != expected++ || key >= rankByKey.size() || rankByKey[key] == kFree || rankByKey[key] < lastRank)
            return false;
        lastRank = rankByKey[key];
    }
    // No floating item's key beyond the list.
    for (std::size_t k = expected; k < rankByKey.size(); ++k)
        if (rankByKey[k] != kFree)
            return false;
    if (!walk.atEnd())
        return false;

    // What loading's own count checks would repair.
    std::uint32_t next = h.nextItemId();
    if ((next < largestId || next == UINT32_MAX) && largestId < UINT32_MAX)
        return false;
    if (h.nItems() != 0 && h.nItems() != entries_ && entries_ <= INT16_MAX)
        return false;
    return true;
}

const StoredDataFile::Day* StoredDataFile::findDay(DayNumber day) const
{
    auto it = std::lower_bound(days_.begin(), days_.end(), day, [](const Day& d, DayNumber n) { return d.day < n; });
    return it != days_.end() && it->day == day ? &*it : nullptr;
}

std::unique_ptr<Schedule> StoredDataFile::partialSchedule(const Clock* clock) const
{
    auto s = std::make_unique<Schedule>();
    s->setClock(clock);
    auto& hb = s->header.bytes();
    std::copy_n(bytes_, kPlainHeaderBytes, hb.begin());
    scrambleInto(hb.data() + kPlainHeaderBytes, bytes_ + kPlainHeaderBytes, kScrambledHeaderBytes);
    scrambleInto(s->templateItem.bytes().data(), bytes_ + ScheduleHeader::kSize, ItemRecord::kSize);
    s->templateItem.setTextField(0);
    return s;
}

bool StoredDataFile::addDays(Schedule& partial, std::span<const DayNumber> days)
{
    bool anyCandidate = std::any_of(days_.begin(), days_.end(), [](const Day& d) { return d.purgeCandidate; });
    for (DayNumber day : days)
        if (!findDay(day) && anyCandidate)
            return false;
    partial.loading = true;
    StoredItem item;
    for (DayNumber day : days) {
        covered_.push_back(day);
        const Day* stored = findDay(day);
        if (!stored || partial.days.find(day))
            continue;
        Walk walk(bytes());
        walk.skip(stored->begin);
        std::uint8_t record[DayRecord::kSize];
        walk.unit(record, sizeof record);
        std::vector<DayEntry> entries;
        for (int e = 0; e < stored->entries; ++e) {
            std::uint8_t times[2][2] = {};
            walk.skip(4);
            walk.unit(times[0], 2);
            walk.unit(times[1], 2);
            readStoredItem(walk, item, true);
            // As loading takes an item: the text length means nothing in
            // memory, and the text goes straight into the item.
            ItemRecord r = item.record;
            r.setTextField(0);
            ItemHandle h = partial.newItem();
            partial.record(h) = r;
            if (item.textLength > 0)
                std::copy_n(item.text, item.textLength, partial.items.loadedTextSpace(h, item.textLength));
            partial.addToChain(h, DayNumber(r.dayField()));
            entries.push_back(DayEntry{h, bytes::i16(times[0]), bytes::u16(times[1])});
        }
        DayRecord& r = partial.days.insert(day);
        r.decodeFields(record);
        partial.days.editEntries(day, [&](std::vector<DayEntry>& list) { list = std::move(entries); });
    }
    partial.loading = false;
    return true;
}

bool StoredDataFile::covers(std::span<const DayNumber> days) const
{
    return std::all_of(days.begin(), days.end(), [&](DayNumber day) {
        return std::find(covered_.begin(), covered_.end(), day) != covered_.end();
    });
}

} // namespace zk
