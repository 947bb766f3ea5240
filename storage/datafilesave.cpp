// Writing the data file: header preparation, then every section in file
// order through one buffered writer that scrambles each unit in place.

#include "storage/datafile.h"

#include "core/schedule.h"
#include "core/prioritylist.h"
#include "platform/fault.h"
#include "storage/datafileformat.h"
#include "storage/recordlayout.h"
#include "storage/scramble.h"
#include "storage/storeddatafile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <utility>

namespace zk {

namespace {

using namespace datafile;

static_assert(ItemRecord::kSize == 130, "ACT SIZE constant not current");

const char* const kNullHandleText = "null file handle";
const char* const kDiskFullText = "No space left on device. Disk is FULL";
const char* const kUnknownWriteErrorText = "Unknown write error.  errno is invalid";
const char* const kInvalidHandleText = "Invalid file handle";
const char* const kDataFileChangedText = "The data file was changed by another program after it was read.";
const char* const kSplitItemText =
    "The following item is SPLIT. You must switch off this property before saving in this back-level format";

std::string writeErrorText(int error)
{
    switch (error) {
    case ENOSPC: return kDiskFullText;
    case EBADF: return kInvalidHandleText;
    default: return kUnknownWriteErrorText;
    }
}

// Collects units in a buffer, scrambling each as it is copied in, and
// hands the buffer to the file (or to memory) when full. After the first
// failure every further write is dropped and failure() tells why.
class UnitWriter {
public:
    // Large: a save of 100,000 items is some 17 MB, and the kernel's work
    // per write call is then paid 17 times instead of 270.
    static constexpr std::size_t kBufferBytes = 1024 * 1024;

    explicit UnitWriter(int fd) : fd_(fd) {}
    explicit UnitWriter(std::vector<std::uint8_t>& memory) : memory_(&memory) {}

    void setScrambled(bool on) { scrambled_ = on; }

    // Units are at most a header or an item with its description long, far
    // below the buffer's size. Inlined everywhere: most units have a fixed
    // size, and their scrambling then comes down to a few instructions.
    [[gnu::always_inline]] void unit(const std::uint8_t* data, std::size_t n)
    {
        reserve(n);
        put(data, n);
    }
    void u16(std::uint16_t v) { unit(bytes16(v).data(), 2); }
    void u32(std::uint32_t v) { unit(bytes32(v).data(), 4); }

    // Room for the units of n bytes in all that follow with put(): one
    // check for a run of small units.
    void reserve(std::size_t n)
    {
        if (used_ + n > kBufferBytes)
            flush();
    }
    [[gnu::always_inline]] void put(const std::uint8_t* data, std::size_t n)
    {
        std::uint8_t* to = buffer_.get() + used_;
        scrambled_ ? scrambleInto(to, data, n) : void(std::memcpy(to, data, n));
        used_ += n;
    }
    void putU16(std::uint16_t v) { put(bytes16(v).data(), 2); }
    void putU32(std::uint32_t v) { put(bytes32(v).data(), 4); }
    // Bytes already as stored (scrambled), of any length: a long run goes
    // to the file straight from where it is.
    void stored(const std::uint8_t* data, std::size_t n)
    {
        if (n <= kBufferBytes - used_) {
            std::memcpy(buffer_.get() + used_, data, n);
            used_ += n;
            return;
        }
        flush();
        hand(data, n);
    }

    void flush();
    const std::string& failure() const { return failure_; }

private:
    // To the file or memory as they are.
    void hand(const std::uint8_t* data, std::size_t n);
    static std::array<std::uint8_t, 2> bytes16(std::uint16_t v)
    {
        std::array<std::uint8_t, 2> b;
        bytes::putU16(b.data(), v);
        return b;
    }
    static std::array<std::uint8_t, 4> bytes32(std::uint32_t v)
    {
        std::array<std::uint8_t, 4> b;
        bytes::putU32(b.data(), v);
        return b;
    }

    int fd_ = -1;
    std::vector<std::uint8_t>* memory_ = nullptr;
    // Not cleared: every byte is written before it is handed on.
    std::unique_ptr<std::uint8_t[]> buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(kBufferBytes);
    std::size_t used_ = 0;
    bool scrambled_ = false;
    std::string failure_;
};

void UnitWriter::flush()
{
    hand(buffer_.get(), std::exchange(used_, 0));
}

void UnitWriter::hand(const std::uint8_t* data, std::size_t used)
{
    if (!failure_.empty() || used == 0)
        return;
    if (memory_) {
        memory_->insert(memory_->end(), data, data + used);
        return;
    }
    std::size_t done = 0;
    while (done < used) {
        ssize_t n = ::write(fd_, data + done, std::min(used - done, kBufferBytes));
        // Each piece goes to the disk as soon as it is written, while the
        // next is copied: the flush a save ends with then waits for the
        // last pieces only, not for the whole file. Not a flush itself,
        // and a descriptor that is no file (a pipe) just refuses it.
        if (n > 0)
            ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure_ = writeErrorText(errno);
            break;
        }
        if (n == 0) {
            char text[96];
            std::snprintf(text, sizeof text, "Error Writing data. Disk maybe FULL. ret code = %d", 0);
            failure_ = text;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
}

class Saver {
public:
    Saver(Schedule& schedule, int format) : s_(schedule), format_(format)
    {
        packed_ = usesPackedLayout(format);
        recordSize_ = recordSizeForFormat(format);
    }

    // The refusal text, or empty when the schedule can be written.
    std::string refusal() const;
    void write(UnitWriter& out);
    // The stored file with the days of the (partial) schedule put in.
    void writeSpliced(UnitWriter& out, const StoredDataFile& base);

private:
    std::vector<ItemHandle> undatedItems() const;
    bool isWrittenDay(DayNumber day) const { return day > s_.header.lastPastDay(); }
    void giveIdsToReferencedItems();
    bool isFoundOnReading(ItemHandle h) const;
    void selectTreeRecords();
    void gatherDefinitions();
    void numberPlistEntries();
    void gatherWrittenDays();
    // What the header counts of the file written.
    struct Counts {
        int days = 0, entries = 0, items = 0, definitions = 0, exceptions = 0;
        std::size_t undated = 0, global = 0, projects = 0;
        std::uint32_t treeRecords = 0, treeTop = 0;
    };
    Counts counts() const;
    void prepareHeader(const Counts& c);
    void writeHeader(UnitWriter& out);
    void writeTemplate(UnitWriter& out);
    void writeItem(UnitWriter& out, ItemHandle h, bool inDayEntry) { writeItem(out, h, s_.record(h), inDayEntry); }
    void writeItem(UnitWriter& out, ItemHandle h, const ItemRecord& record, bool inDayEntry);
    // A section must hold as many records as the header announces.
    void checkWritten(std::size_t written, std::size_t headerOffset) const
    {
        ZK_CHECK(static_cast<std::int16_t>(written) == s_.header.i16(headerOffset), "Paksave");
    }
    void writeDefinitions(UnitWriter& out);
    void writeDays(UnitWriter& out);
    void writeDay(UnitWriter& out, const DayRecord& day, const std::vector<ItemHandle>* items, std::size_t& next);
    void writePlist(UnitWriter& out);
    void writeProjectTree(UnitWriter& out);

    Schedule& s_;
    int format_;
    bool packed_;
    std::size_t recordSize_;
    std::vector<ItemHandle> undated_;
    // Floating items: the key that stands for their Plist entry in the file.
    // By item slot, so the lookup for each written item is one index.
    std::vector<std::uint32_t> plistKeys_;
    std::uint32_t plistKeyOf(ItemHandle h) const
    {
        if (keysInRecords_)
            return s_.record(h).plistLink();
        return h.index < plistKeys_.size() ? plistKeys_[h.index] : 0;
    }
    // Splicing: the floating items keep the keys the stored file gave them.
    bool keysInRecords_ = false;
    std::vector<ItemHandle> plistOrder_;
    struct TreeRecord {
        const ProjectTree::Node* node;
        std::uint32_t children;  // those written
    };
    std::vector<TreeRecord> treeRecords_;  // depth first
    std::uint32_t treeTop_ = 0;
    // Live definitions by item slot, so that no written record needs a
    // lookup in the definitions list.
    struct WrittenDefinition {
        ItemHandle item;
        std::uint16_t tag = 0;  // 1-based, in list order: the reference before format 25
        std::uint32_t reference = 0;  // what day entries and exceptions name it by
    };
    std::vector<WrittenDefinition> definitions_;
    // The definitions section, gathered in one walk of the definitions list
    // before the header: the exception lists are trees reached through a
    // hash, and walking them for the header's count and again for writing
    // cost more than everything else in the section.
    struct DefinitionRecord {
        ItemHandle item;
        RecurrenceRecord rule;  // as written
        std::size_t firstDay;  // in exceptionDays_
        std::size_t dayCount;
    };
    std::vector<DefinitionRecord> definitionRecords_;
    std::vector<std::uint16_t> exceptionDays_;
    int exceptionsInChain_ = 0;
    std::vector<const DayRecord*> writtenDays_;
    // The definition in the slot, when the slot holds one.
    const WrittenDefinition* definitionAt(std::uint32_t index) const
    {
        return index < definitions_.size() && definitions_[index].item ? &definitions_[index] : nullptr;
    }
    const WrittenDefinition* definitionOf(ItemHandle h) const
    {
        const WrittenDefinition* d = definitionAt(h.index);
        return d && d->item == h ? d : nullptr;
    }
    std::vector<ItemHandle> dayItems() const;
    void prefetchAhead(const std::vector<ItemHandle>& items, std::size_t next) const;
};

std::vector<ItemHandle> Saver::undatedItems() const
{
    std::vector<ItemHandle> out;
    for (ItemHandle h : s_.globalList) {
        const ItemRecord& r = s_.record(h);
        if (r.dayField() == 0 && !r.has(ItemFlag::fRecurDef))
            out.push_back(h);
    }
    return out;
}

std::string Saver::refusal() const
{
    if (allowsSplitItems(format_))
        return {};
    std::vector<ItemHandle> candidates(s_.recurrences.begin(), s_.recurrences.end());
    if (hasProjects(format_))
        candidates.insert(candidates.end(), s_.projects.begin(), s_.projects.end());
    for (const auto& [number, day] : s_.days)
        if (isWrittenDay(DayNumber(number)))
            for (const DayEntry& e : day.entries())
                candidates.push_back(e.item);
    for (ItemHandle h : candidates)
        if (s_.record(h).has(ItemFlag::fSplit))
            return std::string(kSplitItemText) + "\n" + s_.titleOf(h);
    return {};
}

void Saver::write(UnitWriter& out)
{
    undated_ = hasUndatedAndTree(format_) ? undatedItems() : std::vector<ItemHandle>{};
    if (hasUndatedAndTree(format_))
        selectTreeRecords();
    giveIdsToReferencedItems();
    gatherDefinitions();
    numberPlistEntries();
    gatherWrittenDays();
    prepareHeader(counts());
    writeHeader(out);
    writeTemplate(out);
    for (ItemHandle h : undated_)
        writeItem(out, h, false);
    checkWritten(undated_.size(), ScheduleHeader::undatedCountAt);
    writeDefinitions(out);
    checkWritten(s_.recurrences.size(), ScheduleHeader::statDefinitionsAt);
    if (hasProjects(format_)) {
        for (ItemHandle h : s_.projects)
            writeItem(out, h, false);
        checkWritten(s_.projects.size(), ScheduleHeader::projectCountAt);
    }
    writeDays(out);
    if (hasPlist(format_))
        writePlist(out);
    if (hasUndatedAndTree(format_))
        writeProjectTree(out);
    out.flush();
}

// Day entries name definitions by id, and the tree names items by id: an
// item without one could not be found again on reading.
void Saver::giveIdsToReferencedItems()
{
    if (!hasWideReferences(format_))
        return;
    for (ItemHandle h : s_.recurrences)
        s_.itemId(h);
    for (const TreeRecord& t : treeRecords_)
        s_.itemId(t.node->item);
    s_.recurrences.checkDistinctIds();
}

// Whether a reader of the file finds the item by its id: a recurring
// definition, a project, or an item the day section holds.
bool Saver::isFoundOnReading(ItemHandle h) const
{
    if (!s_.items.isLive(h))
        return false;
    if (s_.recurrences.contains(h) || std::find(s_.projects.begin(), s_.projects.end(), h) != s_.projects.end())
        return true;
    if (!s_.chain.contains(h))
        return false;
    for (DayNumber day : s_.days.daysOf(h))
        if (isWrittenDay(day))
            return true;
    return false;
}

// The tree as it is written: a node whose item the file does not hold
// (an item on no current day, say) would stop the reader, so it is left
// out with the nodes below it.
void Saver::selectTreeRecords()
{
    const ProjectTree& tree = s_.projectTree;
    auto kept = [&](ProjectTree::NodeId id) { return isFoundOnReading(tree.node(id).item); };
    auto keptChildren = [&](const ProjectTree::Node& n) {
        return static_cast<std::uint32_t>(std::count_if(n.children.begin(), n.children.end(), kept));
    };
    std::vector<ProjectTree::NodeId> stack;
    for (auto it = tree.topLevel().rbegin(); it != tree.topLevel().rend(); ++it)
        if (kept(*it))
            stack.push_back(*it);
    treeTop_ = static_cast<std::uint32_t>(stack.size());
    while (!stack.empty()) {
        const ProjectTree::Node& n = tree.node(stack.back());
        stack.pop_back();
        treeRecords_.push_back({&n, keptChildren(n)});
        for (auto it = n.children.rbegin(); it != n.children.rend(); ++it)
            if (kept(*it))
                stack.push_back(*it);
    }
}

void Saver::gatherDefinitions()
{
    // In stages, each over every definition: the lookups within a stage do
    // not wait for one another, so their cache misses overlap.
    bool wide = hasWideReferences(format_);
    std::vector<const ExceptionList*> lists;
    lists.reserve(s_.recurrences.size());
    definitionRecords_.reserve(s_.recurrences.size());
    for (ItemHandle h : s_.recurrences) {
        definitionRecords_.push_back({h, s_.recurrences.fileRecord(h), 0, 0});
        lists.push_back(s_.recurrences.exceptionListOf(h));
    }
    std::vector<ItemHandle> exceptionItems;
    constexpr std::size_t kListDistance = 4;  // lists whose first entry is requested ahead
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (i + kListDistance < lists.size() && lists[i + kListDistance] && !lists[i + kListDistance]->empty())
            __builtin_prefetch(&*lists[i + kListDistance]->begin());
        DefinitionRecord& d = definitionRecords_[i];
        d.firstDay = exceptionDays_.size();
        if (lists[i])
            for (const ExceptionEntry& e : *lists[i]) {
                exceptionDays_.push_back(static_cast<std::uint16_t>(e.day.value()));
                if (e.item)
                    exceptionItems.push_back(e.item);
            }
        d.dayCount = exceptionDays_.size() - d.firstDay;
    }
    std::uint16_t tag = 0;
    for (DefinitionRecord& d : definitionRecords_) {
        ++tag;
        if (!wide)
            d.rule.setRecurringId(tag);
        if (!s_.items.isLive(d.item))
            continue;  // writing it faults, before any reference to it
        if (d.item.index >= definitions_.size())
            definitions_.resize(d.item.index + 1);
        definitions_[d.item.index] = {d.item, tag, wide ? s_.record(d.item).id() : tag};
    }
    // Every exception item in the chain is in its definition's list, so the
    // lists give the header's count without visiting every item.
    exceptionsInChain_ = static_cast<int>(
        std::count_if(exceptionItems.begin(), exceptionItems.end(), [&](ItemHandle e) { return s_.chain.contains(e); }));
}

void Saver::numberPlistEntries()
{
    // The Plist check before a save belongs to the save sequence; a floating
    // item without an entry is written with key 0 and repaired on loading.
    // Keys are list positions: unique, and the same for the same list
    // however its entries happen to lie in memory, so a file read and
    // written again comes out byte for byte.
    std::uint32_t key = 0;
    for (PlistEntryHandle entry : s_.plist) {
        ItemHandle h = s_.plist.entry(entry).item;
        plistOrder_.push_back(h);
        if (h.index >= plistKeys_.size())
            plistKeys_.resize(h.index + 1, 0);
        plistKeys_[h.index] = ++key;
    }
}

void Saver::gatherWrittenDays()
{
    for (const auto& [number, day] : s_.days)
        if (isWrittenDay(DayNumber(number)))
            writtenDays_.push_back(&day);
}

Saver::Counts Saver::counts() const
{
    Counts c;
    c.days = static_cast<int>(writtenDays_.size());
    for (const DayRecord* day : writtenDays_)
        c.entries += day->nTasks();
    c.exceptions = exceptionsInChain_;
    c.definitions = static_cast<int>(s_.recurrences.size());
    c.items = static_cast<int>(s_.chain.size());
    c.undated = undated_.size();
    c.global = s_.globalList.size();
    c.projects = s_.projects.size();
    c.treeRecords = static_cast<std::uint32_t>(treeRecords_.size());
    c.treeTop = treeTop_;
    return c;
}

void Saver::prepareHeader(const Counts& c)
{
    ScheduleHeader& h = s_.header;
    auto i16 = [](auto v) { return static_cast<std::int16_t>(v); };  // the fields wrap

    h.setU16(ScheduleHeader::magicAt, ScheduleHeader::kMagic);
    float created = h.createdVersion();
    if (!std::isfinite(created) || created == 0.0f)
        h.setF32(ScheduleHeader::createdVersionAt, kWriterProgramVersion);
    h.setF32(ScheduleHeader::writerVersionAt, kWriterProgramVersion);
    if (DayNumber today = s_.today()) {
        if (h.u16(ScheduleHeader::startDayAt) == 0)
            h.setU16(ScheduleHeader::startDayAt, static_cast<std::uint16_t>(today.value()));
        h.setU16(ScheduleHeader::lastSaveDayAt, static_cast<std::uint16_t>(today.value()));
    }
    h.setI16(ScheduleHeader::dayRecordCountAt, i16(c.days));
    h.setI16(ScheduleHeader::definitionCountAt, i16(c.definitions));
    const std::size_t stats[] = {ScheduleHeader::statEntriesAt, ScheduleHeader::statItemsAt,
                                 ScheduleHeader::statDefinitionsAt, ScheduleHeader::statExceptionsAt};
    const int current[] = {c.entries, c.items, c.definitions, c.exceptions};
    for (int i = 0; i < 4; ++i) {
        int previous = h.i16(stats[i]);
        h.setI16(stats[i], i16(current[i]));
        h.setI16(stats[i] + 8, i16(std::max(previous, static_cast<int>(i16(current[i])))));
    }
    h.setNItems(i16(c.items));
    h.setU32(ScheduleHeader::projectTreeShownAt, c.treeRecords);
    h.setU32(ScheduleHeader::projectTreeTopAt, c.treeTop);
    h.setI16(ScheduleHeader::undatedCountAt, i16(c.undated));
    h.setI16(ScheduleHeader::globalCountAt, i16(c.global));
    h.setI16(ScheduleHeader::formatAt, i16(format_));
    h.setU8(ScheduleHeader::recordSizeAt, static_cast<std::uint8_t>(recordSize_));
    h.setI16(ScheduleHeader::projectCountAt, hasProjects(format_) ? i16(c.projects) : 0);
    if (!hasUndatedAndTree(format_)) {
        h.setI16(ScheduleHeader::undatedCountAt, 0);
        h.setU32(ScheduleHeader::projectTreeTopAt, 0);
    }
    h.setU16(kHeaderSize28A, 28);
    h.setU16(kHeaderSize28B, 28);
    h.setU16(kHeaderReserved14, 0);
    h.setU16(ScheduleHeader::headerSizeAt, static_cast<std::uint16_t>(ScheduleHeader::kSize));
    h.setI16(ScheduleHeader::parityAt, headerParity(h.bytes().data()));
}

void Saver::writeHeader(UnitWriter& out)
{
    std::array<std::uint8_t, ScheduleHeader::kSize> bytes = s_.header.bytes();
    out.setScrambled(false);
    out.unit(bytes.data(), kPlainHeaderBytes);
    out.setScrambled(true);
    out.unit(bytes.data() + kPlainHeaderBytes, kScrambledHeaderBytes);
}

void Saver::writeTemplate(UnitWriter& out)
{
    ItemRecord t = s_.templateItem;
    t.setTextField(0);
    if (!keepsDayWindowInHeader(format_)) {
        t.setEarliestBegin(static_cast<std::int16_t>(s_.dayStart().value()));
        t.setLatestEnd(static_cast<std::int16_t>(s_.dayEnd().value()));
    }
    std::uint8_t stored[ItemRecord::kSize];
    encodeFileRecord(t, packed_, recordSize_, stored);
    out.unit(stored, recordSize_);
}

void Saver::writeItem(UnitWriter& out, ItemHandle h, const ItemRecord& record, bool inDayEntry)
{
    const std::string_view text = s_.storedDescription(h);
    ItemRecord r = record;
    r.setTextField(static_cast<std::uint32_t>(text.size()));
    if (r.has(ItemFlag::fRecurDef)) {
        // The handle of the rule means nothing in a file; the tag does.
        if (const WrittenDefinition* d = definitionOf(h))
            r.setRecur(d->tag);
    } else if (r.has(ItemFlag::fException)) {
        // Records before format 25 hold no ids, so there the exception
        // names its definition by the tag its day entries use.
        const WrittenDefinition* d = definitionAt(r.recur());
        r.setRecur(d ? d->reference : 0);
    }
    if (r.has(ItemFlag::fFloating)) {
        std::uint32_t link = plistKeyOf(h);
        r.setPlistLink(hasWideReferences(format_) ? link : (link & 0xFFFF) << 16);
        if (inDayEntry && !hasPlist(format_))
            r.setFlag(ItemFlag::fFloating, false);
    }
    out.reserve(recordSize_ + text.size());
    if (packed_) {
        std::uint8_t stored[kPackedRecordSize];
        encodeFileRecord(r, packed_, recordSize_, stored);
        out.put(stored, recordSize_);
    } else if (recordSize_ == ItemRecord::kSize) {
        // Unpacked, the file form is the record's first bytes as they are:
        // scrambled straight from the record, with no copy between, and
        // for the whole record with a size known here.
        out.put(r.bytes().data(), ItemRecord::kSize);
    } else {
        out.put(r.bytes().data(), recordSize_);
    }
    if (!text.empty())
        out.put(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

void Saver::writeDefinitions(UnitWriter& out)
{
    for (const DefinitionRecord& d : definitionRecords_) {
        writeItem(out, d.item, false);
        out.unit(d.rule.bytes().data(), RecurrenceRecord::kSize);
        for (std::size_t i = 0; i < d.dayCount; ++i)
            out.u16(exceptionDays_[d.firstDay + i]);
    }
}

// The items of the written days' entries, in file order.
std::vector<ItemHandle> Saver::dayItems() const
{
    std::vector<ItemHandle> out;
    for (const DayRecord* day : writtenDays_)
        for (const DayEntry& e : day->entries())
            out.push_back(e.item);
    return out;
}

// Entries reach their items in no order the memory follows, and a cache
// miss per item would cost more than its encoding: each item's slot is
// requested well ahead of its turn, its description (whose address is in
// the slot) once the slot has had time to arrive.
void Saver::prefetchAhead(const std::vector<ItemHandle>& items, std::size_t next) const
{
    constexpr std::size_t kSlotDistance = 16, kDescriptionDistance = 8;
    if (next + kSlotDistance < items.size())
        s_.items.prefetchSlot(items[next + kSlotDistance]);
    if (next + kDescriptionDistance < items.size())
        s_.items.prefetchDescription(items[next + kDescriptionDistance]);
}

void Saver::writeDays(UnitWriter& out)
{
    std::vector<ItemHandle> items = dayItems();
    std::size_t next = 0;
    for (const DayRecord* day : writtenDays_)
        writeDay(out, *day, &items, next);
}

// `items` (when given) are the entries' items in file order, `next` the
// place of this day's first entry among them: for prefetching.
void Saver::writeDay(UnitWriter& out, const DayRecord& day, const std::vector<ItemHandle>* items, std::size_t& next)
{
    bool wide = hasWideReferences(format_);
    // The record's entry count is the length of its entries, so the
    // count and the chain written after it cannot disagree.
    auto bytes = day.encode();
    out.unit(bytes.data(), bytes.size());
    for (const DayEntry& e : day.entries()) {
        if (items)
            prefetchAhead(*items, next++);
        const ItemRecord& record = s_.record(e.item);
        const WrittenDefinition* definition = record.has(ItemFlag::fRecurDef) ? definitionOf(e.item) : nullptr;
        std::uint32_t reference = definition ? definition->reference : 0;
        out.reserve(8);
        wide ? out.putU32(reference) : out.putU16(static_cast<std::uint16_t>(reference));
        out.putU16(static_cast<std::uint16_t>(e.start));
        if (wide)
            out.putU16(e.placedMinutes);
        if (!definition)
            writeItem(out, e.item, record, true);
    }
}

// Everything but the days (and the header's counts of them) is the stored
// file's: the partial schedule holds only the header, the template and
// some days, of a file with no definitions, projects or project tree.
void Saver::writeSpliced(UnitWriter& out, const StoredDataFile& base)
{
    keysInRecords_ = true;
    gatherWrittenDays();
    Counts c;
    c.days = static_cast<int>(base.days().size());
    c.entries = base.entries();
    int loaded = 0;  // the stored items the partial schedule holds
    for (const DayRecord* day : writtenDays_) {
        c.entries += day->nTasks();
        if (const StoredDataFile::Day* stored = base.findDay(day->day())) {
            c.entries -= stored->entries;
            loaded += stored->entries;
        } else {
            ++c.days;
        }
    }
    // Every stored day entry is an item of its own (no split items).
    c.items = base.entries() + static_cast<int>(s_.chain.size()) - loaded;
    c.undated = c.global = static_cast<std::size_t>(base.undated());
    prepareHeader(c);
    writeHeader(out);

    // The stored bytes go in runs, up to each day of the schedule's.
    std::span<const std::uint8_t> stored = base.bytes();
    std::size_t run = ScheduleHeader::kSize;  // the first stored byte not yet written
    auto mine = writtenDays_.begin();
    std::size_t unused = 0;
    for (const StoredDataFile::Day& day : base.days()) {
        bool replaced = s_.days.find(day.day) != nullptr;
        if (!replaced && (mine == writtenDays_.end() || (*mine)->day() > day.day))
            continue;
        out.stored(stored.data() + run, day.begin - run);
        for (; mine != writtenDays_.end() && (*mine)->day() <= day.day; ++mine)
            writeDay(out, **mine, nullptr, unused);
        run = replaced ? day.end : day.begin;
    }
    out.stored(stored.data() + run, base.plistBegin() - run);
    for (; mine != writtenDays_.end(); ++mine)
        writeDay(out, **mine, nullptr, unused);
    out.stored(stored.data() + base.plistBegin(), stored.size() - base.plistBegin());
    out.flush();
}

void Saver::writePlist(UnitWriter& out)
{
    bool wide = hasWideReferences(format_);
    for (ItemHandle h : plistOrder_) {
        std::uint32_t key = plistKeyOf(h);
        wide ? out.u32(key) : out.u16(static_cast<std::uint16_t>(key));
    }
    wide ? out.u32(0) : out.u16(0);
}

void Saver::writeProjectTree(UnitWriter& out)
{
    for (const TreeRecord& t : treeRecords_) {
        std::uint8_t stored[kTreeRecordSize] = {};
        bytes::putU32(stored, t.node->value);
        bytes::putU32(stored + 4, s_.record(t.node->item).id());
        bytes::putU32(stored + 8, t.children);
        out.unit(stored, sizeof stored);
    }
}

int chosenFormat(const Schedule& s, const SaveOptions& options)
{
    int format = options.format != 0 ? options.format : s.header.i16(ScheduleHeader::saveFormatAt);
    if (format == 0)
        format = kCurrentFormat;
    ZK_CHECK(format >= kOldestReadFormat && format <= kCurrentFormat, "Paksave");
    return format;
}

SaveResult save(Schedule& schedule, UnitWriter& out, const SaveOptions& options)
{
    Saver saver(schedule, chosenFormat(schedule, options));
    if (std::string refused = saver.refusal(); !refused.empty())
        return SaveResult{SaveError::Refused, refused};
    saver.write(out);
    if (!out.failure().empty())
        return SaveResult{SaveError::WriteFailed, out.failure()};
    return {};
}

} // namespace

SaveResult saveDataFile(Schedule& schedule, int fd, const SaveOptions& options)
{
    if (fd < 0)
        return SaveResult{SaveError::WriteFailed, kNullHandleText};
    UnitWriter out(fd);
    return save(schedule, out, options);
}

SaveResult saveDataFile(Schedule& schedule, const std::filesystem::path& file, const SaveOptions& options)
{
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return SaveResult{SaveError::WriteFailed, std::string("Cannot create ") + file.string() + ": " + std::strerror(errno)};
    SaveResult result = saveDataFile(schedule, fd, options);
    if (::close(fd) != 0 && result)
        result = SaveResult{SaveError::WriteFailed, writeErrorText(errno)};
    return result;
}

SaveResult StoredDataFile::write(Schedule& partial, int fd) const
{
    if (fd < 0)
        return SaveResult{SaveError::WriteFailed, kNullHandleText};
    if (!unchanged())
        return SaveResult{SaveError::WriteFailed, kDataFileChangedText};
    UnitWriter out(fd);
    Saver(partial, kCurrentFormat).writeSpliced(out, *this);
    if (!out.failure().empty())
        return SaveResult{SaveError::WriteFailed, out.failure()};
    return {};
}

SaveResult StoredDataFile::write(Schedule& partial, std::vector<std::uint8_t>& bytes) const
{
    bytes.clear();
    UnitWriter out(bytes);
    Saver(partial, kCurrentFormat).writeSpliced(out, *this);
    return {};
}

SaveResult saveDataBytes(Schedule& schedule, std::vector<std::uint8_t>& out, const SaveOptions& options)
{
    out.clear();
    UnitWriter writer(out);
    return save(schedule, writer, options);
}

} // namespace zk
