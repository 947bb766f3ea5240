// Reading the data file: the sections in file order, each with the repairs
// it makes. Everything is read into a fresh Schedule; any stop unwinds to
// load() and the schedule is dropped whole.

#include "storage/datafile.h"

#include "core/schedule.h"
#include "core/text.h"
#include "engine/plistcheck.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "storage/datafileformat.h"
#include "storage/recordlayout.h"
#include "storage/scramble.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zk {

namespace {

using namespace datafile;

const char* const kUnrecognizableText = "Cannot load Data File. Unrecognizable format";
const char* const kIncompatibleText = "Incompatible Datafile Format.";
const char* const kHeaderSizeText = "Header size mismatch. Check QFHEADER declaration changes";
const char* const kDescriptionTooLongText = "One or more item descriptions in data file exceed the maximum length.";
const char* const kOutOfMemoryText = "Insufficient memory to load data";
const char* const kWideReferenceText = "Datafile corruption detected when re-linking clone or drone";
const char* const kTagReferenceText = "Datafile corruption detected when linking recurring item instance.";
const char* const kInstanceCleanupText = "Data cleanup on recurring instance";
const char* const kNegativeCountText = "Cannot load Data File. A count in the file is negative.";
const char* const kPlistDamagedText = "Cannot load Data File. Too many priority list references are missing.";
const char* const kDaysOutOfSequenceText = "Cannot load Data File. Its days are out of sequence.";
const char* const kProjectTreeDamagedText = "Cannot load Data File. Its project tree names an item it does not hold.";
const char* const kSharedIdText = "Data file repaired: two items had the id %u; one now has the id %u.";
const char* const kNextItemIdText =
    "Data file repaired: the next item id was %u, not above the largest id %u in the file.";
const char* const kItemCountText = "Data file repaired: its header counted %d items, %d were read.";
const char* const kEarlyDayText = "Data file repaired: it held the day %s, before its last past day; it is kept.";
const char* const kBackupChosenText = "Cannot load Data File. The backup file is to be used instead.";

// The largest file read; far above any real schedule, it keeps a stray
// multi-gigabyte file from being read into memory.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t(1) << 30;
// Smallest day entry: a u16 reference and the start time.
constexpr std::size_t kMinEntryBytes = 4;

// Ends the load; caught in load().
struct Stop {
    LoadError error;
    std::string text;
};

[[noreturn]] void stop(LoadError error, std::string text) { throw Stop{error, std::move(text)}; }
[[noreturn]] void incomplete() { stop(LoadError::Damaged, kIncompleteFileText); }

std::string printed(const char* pattern, auto... args)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

// Reads the file unit by unit, as it was written; every unit is unscrambled
// on its own. A file is read a window at a time: held whole beside the
// schedule built from it, a large file would nearly double the peak memory
// of a load.
class UnitReader {
public:
    explicit UnitReader(std::span<const std::uint8_t> bytes) : window_(bytes), total_(bytes.size()) {}
    // The open file `fd` of `size` bytes; a read error stops the load with
    // `failurePrefix` and the system's reason.
    UnitReader(int fd, std::size_t size, std::string failurePrefix)
        : fd_(fd), total_(size), failurePrefix_(std::move(failurePrefix))
    {
    }

    void setScrambled(bool on) { scrambled_ = on; }
    std::size_t remaining() const { return total_ - position(); }
    std::size_t position() const { return windowAt_ + pos_; }
    std::size_t size() const { return total_; }

    void read(std::uint8_t* out, std::size_t n)
    {
        if (n == 0)
            return;
        if (n > remaining())
            incomplete();
        if (n > window_.size() - pos_)
            refill(n);
        if (scrambled_)
            scrambleInto(out, window_.data() + pos_, n);
        else
            std::memcpy(out, window_.data() + pos_, n);
        pos_ += n;
    }
    std::uint16_t readU16()
    {
        std::uint8_t b[2];
        read(b, 2);
        return bytes::u16(b);
    }
    std::int16_t readI16() { return static_cast<std::int16_t>(readU16()); }
    std::uint32_t readU32()
    {
        std::uint8_t b[4];
        read(b, 4);
        return bytes::u32(b);
    }

    // Stops the load unless `count` units of at least `unitBytes` each can
    // still follow; called before a count sizes anything.
    void requireRoom(std::uint64_t count, std::uint64_t unitBytes) const
    {
        if (unitBytes != 0 && count > remaining() / unitBytes)
            incomplete();
    }

private:
    // Far above the longest unit (a description), and few reads per file.
    static constexpr std::size_t kWindowBytes = 256 * 1024;

    // Moves the unread bytes to the front and reads after them, until the
    // next n bytes are in.
    void refill(std::size_t n)
    {
        if (fd_ < 0)
            incomplete();
        if (buffer_.empty())
            buffer_.resize(std::max(kWindowBytes, n));
        std::size_t have = window_.size() - pos_;
        if (have > 0)
            std::memmove(buffer_.data(), window_.data() + pos_, have);
        windowAt_ += pos_;
        pos_ = 0;
        const std::size_t want = std::min(buffer_.size(), total_ - windowAt_);
        while (have < want) {
            ssize_t got = ::read(fd_, buffer_.data() + have, want - have);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                stop(LoadError::ReadFailed, failurePrefix_ + std::strerror(errno));
            if (got == 0) {
                total_ = windowAt_ + have;  // shrank while being read: judged as it is
                break;
            }
            have += static_cast<std::size_t>(got);
        }
        window_ = std::span<const std::uint8_t>(buffer_.data(), have);
        if (n > have)
            incomplete();
    }

    std::span<const std::uint8_t> window_;
    std::size_t windowAt_ = 0;  // the file offset of window_[0]
    std::size_t pos_ = 0;       // in window_
    int fd_ = -1;
    std::size_t total_ = 0;
    std::string failurePrefix_;
    std::vector<std::uint8_t> buffer_;
    bool scrambled_ = false;
};

// A day record as read, validated once the whole section is in.
struct StagedDay {
    std::array<std::uint8_t, DayRecord::kSize> bytes;
    DayNumber day;
    std::vector<DayEntry> entries;
};

class Loader {
public:
    Loader(UnitReader in, const LoadOptions& options)
        : in_(std::move(in)), options_(options), schedule_(std::make_unique<Schedule>())
    {
        Schedule& s = *schedule_;
        s.setClock(options.clock);
        s.setMessages(options.messages);
        if (options.formatDate)
            s.formatDate = options.formatDate;
        s.loading = true;
    }

    LoadResult load();

private:
    Schedule& s() { return *schedule_; }
    ScheduleHeader& header() { return schedule_->header; }
    bool sampleMode() const { return options_.mode == LoadMode::Sample; }

    void readVersion();
    void readHeaderRest();
    void updateOldHeader();
    void readTemplate();
    void readUndatedItems();
    void readDefinitions();
    void readProjects();
    void readDays();
    DayEntry readEntry(DayNumber day);
    ItemHandle readEntryItem(DayNumber day);
    void attachException(ItemHandle h);
    void acceptDays(std::vector<StagedDay>& staged);
    void readPlist();
    void checkLoadedPlist();
    void readProjectTree();
    void buildProjectTreeFromProjects();
    void finish();
    void giveUniqueIds();
    void checkCounters();

    ItemRecord readRecord();
    ItemHandle readItem();
    int count(std::size_t offset);
    void showProgress();
    void showStep(const char* text);

    UnitReader in_;
    const LoadOptions& options_;
    std::unique_ptr<Schedule> schedule_;
    int format_ = 0;
    float fileVersion_ = 0;
    std::size_t recordSize_ = 27;
    bool packed_ = true;
    int sampleShift_ = 0;
    int lastPercent_ = -1;
    // Floating split items of the day section by id: further pieces refer
    // to the first copy.
    std::unordered_map<std::uint32_t, ItemHandle> splitItems_;
};

LoadResult Loader::load()
{
    LoadResult result;
    try {
        readVersion();
        readHeaderRest();
        updateOldHeader();
        readTemplate();
        if (hasUndatedAndTree(format_))
            readUndatedItems();
        // Nothing walks the chain until the days are in: it is sorted once.
        s().chain.beginBulkInsert();
        readDefinitions();
        if (hasProjects(format_))
            readProjects();
        readDays();
        s().chain.endBulkInsert();
        readPlist();
        checkLoadedPlist();
        readProjectTree();
        if (options_.mode == LoadMode::Normal)
            finish();
    } catch (Stop& stopped) {
        result.error = stopped.error;
        result.failureText = std::move(stopped.text);
    } catch (const std::bad_alloc&) {
        schedule_->report(kMemoryFullText);
        result.error = LoadError::OutOfMemory;
        result.failureText = kOutOfMemoryText;
    }
    result.format = format_;
    result.messages = schedule_->unreportedTexts();
    schedule_->loading = false;
    if (result.error == LoadError::None)
        result.schedule = std::move(schedule_);
    return result;
}

int Loader::count(std::size_t offset)
{
    int n = header().i16(offset);
    if (n < 0)
        stop(LoadError::Damaged, kNegativeCountText);
    return n;
}

void Loader::showProgress()
{
    if (!options_.progress || in_.size() == 0)
        return;
    int percent = static_cast<int>(in_.position() * 100 / in_.size());
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    options_.progress(printed(" - Reading Data %s", (std::to_string(percent) + "%").c_str()));
}

void Loader::showStep(const char* text)
{
    if (options_.progress)
        options_.progress(std::string(" - ") + text);
}

// --- header -------------------------------------------------------------------

void Loader::readVersion()
{
    auto& h = header().bytes();
    h.fill(0);
    in_.read(h.data(), kPlainHeaderBytes);
    if (header().u16(ScheduleHeader::magicAt) != ScheduleHeader::kMagic)
        stop(LoadError::NotDataFile, kUnrecognizableText);
    int version = header().i16(ScheduleHeader::formatAt);
    if (version >= kOldestReadFormat && version <= kCurrentFormat) {
        format_ = version;
        in_.setScrambled(true);
    } else if (version == 20 || version == 3) {
        format_ = 20;
    } else if (version > kCurrentFormat && version <= 99) {
        stop(LoadError::NotDataFile,
             printed("Datafile was created with newer version, not with version %.2f\n\n"
                    "If you want to go back to using this old version, first load the newer version and "
                    "choose File:Transfer:Save As:",
                    kProgramVersion));
    } else if (version > 9999) {
        format_ = 24;  // unscrambled
    } else {
        stop(LoadError::NotDataFile, kIncompatibleText);
    }
}

void Loader::readHeaderRest()
{
    auto& h = header().bytes();
    in_.read(h.data() + kPlainHeaderBytes, kScrambledHeaderBytes);
    if (format_ == kCurrentFormat) {
        std::int16_t computed = headerParity(h.data());
        std::int16_t stored = header().i16(ScheduleHeader::parityAt);
        if (computed != stored)
            stop(LoadError::Damaged, printed("Datafile invalid. Header parity %d instead of %d.", computed, stored));
    }
    std::uint16_t size = header().u16(ScheduleHeader::headerSizeAt);
    if (size != ScheduleHeader::kSize && size != 0)
        stop(LoadError::NotDataFile, kHeaderSizeText);
}

void Loader::updateOldHeader()
{
    fileVersion_ = settleLoadedHeader(header(), format_);
    std::uint8_t size = header().u8(ScheduleHeader::recordSizeAt);
    recordSize_ = size == 0 ? 27 : size;
    packed_ = usesPackedLayout(format_);
    if (sampleMode() && s().today())
        sampleShift_ = s().today().value() - header().u16(ScheduleHeader::lastSaveDayAt);
}

// --- items --------------------------------------------------------------------

ItemRecord Loader::readRecord()
{
    std::uint8_t stored[255];
    in_.read(stored, recordSize_);
    return decodeFileRecord(stored, recordSize_, packed_);
}

ItemHandle Loader::readItem()
{
    ItemRecord record = readRecord();
    std::uint32_t length = record.textField();
    if (length > kMaxDescriptionBytes)
        stop(LoadError::Damaged, kDescriptionTooLongText);
    record.setTextField(0);  // the handle field means nothing in memory
    // Older layouts are written with a floating item's key in the high half
    // of plistLink; matching compares the low half, so bring it down.
    if (packed_ && record.has(ItemFlag::fFloating) && (record.plistLink() & 0xFFFF) == 0)
        record.setPlistLink(record.plistLink() >> 16);

    // Sample data and a file taken over were typed by someone else: their
    // commands never run unattended here.
    if (options_.mode != LoadMode::Normal)
        record.setFlag(ItemFlag::fOwnerText, false);
    // The text goes straight into the item; a stop part way through drops
    // the whole schedule, the item with it.
    ItemHandle h = s().newItem();
    s().record(h) = record;
    if (length > 0)
        in_.read(reinterpret_cast<std::uint8_t*>(s().items.loadedTextSpace(h, length)), length);
    // Older programs wrote Windows-1252; converted, it may outgrow the limit.
    if (std::string_view text = s().storedDescription(h); !isValidUtf8(text))
        s().setDescription(h, windows1252ToUtf8(text));
    showProgress();
    return h;
}

void Loader::readTemplate()
{
    ItemRecord t = readRecord();
    t.setTextField(0);
    s().templateItem = t;
    if (!keepsDayWindowInHeader(format_)) {
        header().setDayStart(TimeValue(t.earliestBegin()));
        header().setDayEnd(TimeValue(t.latestEndField()));
        applyDayWindowDefaults(header());
    }
}

void Loader::readUndatedItems()
{
    int n = count(ScheduleHeader::undatedCountAt);
    in_.requireRoom(n, recordSize_);
    for (int i = 0; i < n; ++i)
        s().globalList.push_back(readItem());
}

void Loader::readDefinitions()
{
    int n = count(ScheduleHeader::statDefinitionsAt);
    in_.requireRoom(n, recordSize_ + RecurrenceRecord::kSize);
    std::unordered_set<std::uint32_t> definitionIds;
    for (int i = 0; i < n; ++i) {
        ItemHandle h = readItem();
        std::uint8_t stored[RecurrenceRecord::kSize];
        in_.read(stored, sizeof stored);
        RecurrenceRecord rule = RecurrenceRecord::decode(stored);
        s().recurrences.checkLoadedDefinition(h, rule);
        // Day entries name definitions by id, and a file with two of the
        // same could never be saved again: the later one gets a fresh id.
        std::uint32_t id = s().record(h).id();
        if (id != 0 && !definitionIds.insert(id).second)
            definitionIds.insert(s().reidentify(h));
        s().recurrences.add(h, rule);
        if (rule.exceptionListField() != 0) {
            in_.requireRoom(rule.exceptionCount(), kExceptionEntrySize);
            for (int e = 0; e < rule.exceptionCount(); ++e)
                s().recurrences.addEntry(h, DayNumber(in_.readI16()));
        }
        s().addToChain(h, DayNumber(kNoDayInChain));
    }
}

void Loader::readProjects()
{
    int n = count(ScheduleHeader::projectCountAt);
    in_.requireRoom(n, recordSize_);
    for (int i = 0; i < n; ++i) {
        ItemHandle h = readItem();
        ItemRecord& r = s().record(h);
        r.setFlag(ItemFlag::fPastException, false);
        if (fileVersion_ < 4.03f)
            r.setId(r.refNo());
        s().projects.push_back(h);
    }
    s().noteIdChanged();
}

// --- days ---------------------------------------------------------------------

void Loader::readDays()
{
    int n = count(ScheduleHeader::dayRecordCountAt);
    in_.requireRoom(n, DayRecord::kSize);
    std::vector<StagedDay> staged;
    staged.reserve(n);
    for (int i = 0; i < n; ++i) {
        StagedDay d;
        in_.read(d.bytes.data(), d.bytes.size());
        d.day = DayRecord::dayIn(d.bytes.data()) + sampleShift_;
        int nTasks = DayRecord::nTasksIn(d.bytes.data());
        if (nTasks < 0)
            stop(LoadError::Damaged, kNegativeCountText);
        in_.requireRoom(nTasks, kMinEntryBytes);
        d.entries.reserve(nTasks);
        for (int e = 0; e < nTasks; ++e)
            d.entries.push_back(readEntry(d.day));
        staged.push_back(std::move(d));
    }
    acceptDays(staged);
}

DayEntry Loader::readEntry(DayNumber day)
{
    bool wide = hasWideReferences(format_);
    std::uint32_t reference = wide ? in_.readU32() : in_.readU16();
    DayEntry entry;
    entry.start = in_.readI16();
    if (wide && fileVersion_ >= 4.04f)
        entry.placedMinutes = in_.readU16();
    if (reference == 0) {
        entry.item = readEntryItem(day);
        return entry;
    }
    entry.item = wide ? s().recurrences.findByItemId(reference)
                      : s().recurrences.findByRecurringId(static_cast<std::uint16_t>(reference));
    if (!entry.item) {
        s().report(wide ? kWideReferenceText : kTagReferenceText);
        incomplete();
    }
    return entry;
}

ItemHandle Loader::readEntryItem(DayNumber day)
{
    ItemHandle h = readItem();
    ItemRecord& r = s().record(h);
    if (r.dayField() == 0 || format_ <= 21 || sampleMode())
        r.setDay(static_cast<std::uint16_t>(day.value()));

    bool splitPiece = allowsSplitItems(format_) && fileVersion_ != 4.02f && r.has(ItemFlag::fFloating)
        && r.has(ItemFlag::fSplit) && r.id() != 0;
    if (splitPiece) {
        auto [at, first] = splitItems_.emplace(r.id(), h);
        // A piece is written from the very item it continues: another text
        // under the same id is a damaged record, not a piece, and merging
        // it would lose an item.
        if (!first && s().storedDescription(at->second) == s().storedDescription(h)) {
            s().freeItem(h);
            return at->second;
        }
        if (!first) {
            std::uint32_t was = r.id();
            r.setFlag(ItemFlag::fSplit, false);
            s().report(printed(kSharedIdText, static_cast<unsigned>(was),
                               static_cast<unsigned>(s().reidentify(h))));
        }
    }
    s().addToChain(h, DayNumber(r.dayField()));
    if (r.has(ItemFlag::fException))
        attachException(h);
    return h;
}

void Loader::attachException(ItemHandle h)
{
    ItemRecord& r = s().record(h);
    // Before format 25 records hold no ids: the exception names its
    // definition by the reference tag, as day entries do.
    ItemHandle definition = hasWideReferences(format_)
        ? s().recurrences.findByItemId(r.recur())
        : s().recurrences.findByRecurringId(static_cast<std::uint16_t>(r.recur()));
    if (!definition) {
        r.setFlag(ItemFlag::fException, false);
        s().report(kInstanceCleanupText);
        return;
    }
    r.setRecur(definition.index);
    s().recurrences.setEntryItem(definition, DayNumber(r.createdDay()), h);
}

void Loader::acceptDays(std::vector<StagedDay>& staged)
{
    DayNumber lastGood = kNoDay;
    for (StagedDay& d : staged) {
        Schedule::LoadedDay check = s().acceptLoadedDay(d.day, lastGood, fileVersion_);
        if (check == Schedule::LoadedDay::OutOfSequence)
            stop(LoadError::Damaged, kDaysOutOfSequenceText);
        if (check == Schedule::LoadedDay::Drop)
            continue;
        DayRecord& record = s().days.insert(d.day);
        record.decodeFields(d.bytes.data());
        s().days.editEntries(d.day, [&](std::vector<DayEntry>& entries) { entries = std::move(d.entries); });
    }
}

// --- Plist ----------------------------------------------------------------------

void Loader::readPlist()
{
    if (!hasPlist(format_))
        return;
    bool wide = hasWideReferences(format_);
    std::vector<std::uint32_t> keys;
    for (;;) {
        std::uint32_t key = wide ? in_.readU32() : in_.readU16();
        if (key == 0)
            break;
        keys.push_back(key);
    }
    // An added file's items join another schedule's list; its keys are only
    // read past.
    if (options_.mode == LoadMode::Added)
        return;
    showStep("Updating Priority List References");
    PlistKeyMatch match = wide && fileVersion_ >= 4.03f ? PlistKeyMatch::Whole : PlistKeyMatch::Low16;
    LinkedPlist linked = linkLoadedPlist(s(), keys, match);
    if (!linked.ok)
        stop(LoadError::Damaged, kPlistDamagedText);
    if (lettersNeedConversion(fileVersion_))
        convertOldLetters(s());
}

void Loader::checkLoadedPlist()
{
    if (options_.mode == LoadMode::Added)
        return;
    if (!checkPlist(s(), PlistCheckTime::StartUp))
        stop(LoadError::Refused, kBackupChosenText);
}

// --- project tree ------------------------------------------------------------------

void Loader::readProjectTree()
{
    if (!hasUndatedAndTree(format_))
        return buildProjectTreeFromProjects();
    std::uint32_t top = header().u32(ScheduleHeader::projectTreeTopAt);
    if (top == 0)
        return buildProjectTreeFromProjects();

    struct Open {
        ProjectTree::NodeId node;
        std::uint32_t childrenLeft;
    };
    std::vector<Open> open;      // the path of parents still taking children
    std::uint64_t pending = top; // records announced but not yet read
    in_.requireRoom(pending, kTreeRecordSize);
    for (std::uint32_t i = 0; i < top; ++i) {
        open.clear();
        do {
            std::uint8_t stored[kTreeRecordSize];
            in_.read(stored, sizeof stored);
            --pending;
            std::uint32_t value = bytes::u32(stored);
            ItemHandle item = s().findItemById(bytes::u32(stored + 4));
            if (!item)
                stop(LoadError::Damaged, kProjectTreeDamagedText);
            std::uint32_t children = bytes::u32(stored + 8);
            pending += children;
            in_.requireRoom(pending, kTreeRecordSize);

            ProjectTree::NodeId node;
            if (open.empty()) {
                node = s().projectTree.addTopLevel(value, item);
            } else {
                node = s().projectTree.addChild(open.back().node, value, item);
                --open.back().childrenLeft;
            }
            open.push_back({node, children});
            while (!open.empty() && open.back().childrenLeft == 0)
                open.pop_back();
        } while (!open.empty());
    }
}

void Loader::buildProjectTreeFromProjects()
{
    // Most files hold no project: the walk below would visit every item
    // for nothing.
    if (s().projects.empty())
        return;
    std::unordered_map<std::uint32_t, std::vector<ItemHandle>> members;
    for (ItemHandle h : s().chain)
        if (std::uint32_t project = s().record(h).projectId())
            members[project].push_back(h);
    for (ItemHandle project : s().projects) {
        ProjectTree::NodeId node = s().projectTree.addTopLevel(ProjectTree::kProjectNode, project);
        auto it = members.find(s().record(project).id());
        if (it == members.end())
            continue;
        for (ItemHandle member : it->second)
            s().projectTree.addChild(node, 0, member);
    }
}

// --- finishing --------------------------------------------------------------------

void Loader::finish()
{
    ScheduleHeader& h = header();
    if (fileVersion_ < 2.77f) {
        for (ItemHandle item : s().chain) {
            if (s().record(item).id() != 0)
                continue;
            std::uint16_t refNo = static_cast<std::uint16_t>(h.nextRefNo() + 1);
            h.setNextRefNo(refNo);
            s().record(item).setRefNo(refNo);
        }
    }
    if (h.lastPastDay().value() < 4420) {
        if (!s().days.empty())
            h.setLastPastDay(DayNumber(s().days.begin()->first) - 1);
        else if (s().today())
            h.setLastPastDay(s().today() - 1);
    }
    // A file holds only days after its last past day: an earlier one (a
    // damaged day number) would be dropped by the next save with its items,
    // and the priority list would name items the file no longer holds.
    if (!s().days.empty()) {
        const DayNumber first(s().days.begin()->first);
        if (first <= h.lastPastDay()) {
            s().report(printed(kEarlyDayText, s().formatDate(first).c_str()));
            h.setLastPastDay(first - 1);
        }
    }
    s().recurrences.pruneUnplaced();
    if (format_ < kCurrentFormat)
        giveUniqueIds();
    checkCounters();
    settleHeaderSettings(h, fileVersion_);
    bool shared = (h.u32(ScheduleHeader::optionWordAt) & kShareWithOldPrograms) != 0;
    if (fileVersion_ < kWriterProgramVersion && !shared && (!options_.changeAccess || options_.changeAccess()))
        s().dirty = true;
}

// The counters lie outside the parity span: a damaged byte there goes
// unnoticed unless it is compared with what was read. An id handed out
// again would make two items one for every lookup by id.
void Loader::checkCounters()
{
    ScheduleHeader& h = header();
    std::uint32_t largest = 0;
    auto note = [&](ItemHandle item) { largest = std::max(largest, s().record(item).id()); };
    // In the order of the store, not of the chain: the largest is the same,
    // and the records are read front to back instead of all over memory.
    s().items.forEach([&](ItemHandle item) {
        if (s().chain.contains(item))
            note(item);
    });
    for (ItemHandle item : s().projects)
        note(item);
    for (ItemHandle item : s().globalList)
        note(item);
    // New ids are the counter plus one: it must not be below the largest,
    // nor so large that the next one wraps to 0.
    // A counter of 0 was never kept (files built by other tools): it is
    // set without a word.
    std::uint32_t next = h.nextItemId();
    if ((next < largest || next == UINT32_MAX) && largest < UINT32_MAX) {
        h.setNextItemId(largest);
        if (next != 0)
            s().report(printed(kNextItemIdText, static_cast<unsigned>(next), static_cast<unsigned>(largest)));
    }
    const int read = static_cast<int>(s().chain.size());
    if (format_ == kCurrentFormat && h.nItems() != 0 && h.nItems() != read && read <= INT16_MAX) {
        s().report(printed(kItemCountText, static_cast<int>(h.nItems()), read));
        h.setNItems(static_cast<std::int16_t>(read));
        h.setI16(ScheduleHeader::statItemsAt, static_cast<std::int16_t>(read));
    }
}

void Loader::giveUniqueIds()
{
    std::unordered_set<std::uint32_t> seen;
    std::vector<ItemHandle> chained(s().chain.begin(), s().chain.end());
    for (ItemHandle item : chained) {
        std::uint32_t id = s().record(item).id();
        if (id == 0 || !seen.insert(id).second)
            seen.insert(s().reidentify(item));
    }
    s().noteIdChanged();
}

// --- reading the file ---------------------------------------------------------------

} // namespace

namespace datafile {

float settleLoadedHeader(ScheduleHeader& h, int format)
{
    // Very old programs kept two i16 program versions x 100 at 4 and 6.
    if (h.u32(ScheduleHeader::oldVersionsAt) != 0) {
        if (h.f32(ScheduleHeader::writerVersionAt) == 0.0f)
            h.setF32(ScheduleHeader::writerVersionAt, h.i16(4) / 100.0f);
        if (h.f32(ScheduleHeader::createdVersionAt) == 0.0f)
            h.setF32(ScheduleHeader::createdVersionAt, h.i16(6) / 100.0f);
        h.setU32(ScheduleHeader::oldVersionsAt, 0);
    }
    float fileVersion = h.writerVersion();
    if (std::isnan(fileVersion))
        fileVersion = 0;  // compares as the oldest program

    // A format to save in that no writer knows would stop every save.
    int saveFormat = h.i16(ScheduleHeader::saveFormatAt);
    if (format < 24 || (saveFormat != 0 && (saveFormat < kOldestReadFormat || saveFormat > kCurrentFormat)))
        h.setI16(ScheduleHeader::saveFormatAt, 0);
    if (fileVersion < 3.91f)
        h.setU8(kHeaderOldByte, 0);
    if (fileVersion < 4.02f) {
        h.setU16(kHeaderSize28A, 28);
        h.setU16(kHeaderSize28B, 28);
    }
    applyDayWindowDefaults(h);
    if (h.u8(ScheduleHeader::interestRateAt) == 0)
        h.setU8(ScheduleHeader::interestRateAt, 12);
    if (fileVersion <= 4.2f)
        h.setInterfaceMode(3);
    if (h.interfaceMode() == 0)
        h.setInterfaceMode(1);
    if (fileVersion < 6.0f) {
        h.setBizHours(TimeValue::fromClock(9, 0), TimeValue::fromClock(17, 0));
        h.setU32(ScheduleHeader::optionWordAt, h.u32(ScheduleHeader::optionWordAt) & ~kShareWithOldPrograms);
    }
    if (h.u8(kHeaderSetting456) < 1)
        h.setU8(kHeaderSetting456, 12);
    h.setMinSplitMinutes(std::clamp(h.minSplitMinutes(), 1, 720));
    int setting616 = h.i16(ScheduleHeader::setting616At);
    if (setting616 < 1 || setting616 > 120)
        h.setI16(ScheduleHeader::setting616At, 30);
    return fileVersion;
}

void settleHeaderSettings(ScheduleHeader& h, float fileVersion)
{
    // The location list of the timer worktool is not kept in this file, so
    // there is nothing to empty for a current-format file.
    for (std::size_t offset : {kHeaderSettingA, kHeaderSettingB}) {
        int v = h.i16(offset);
        if (fileVersion < 6.31f || v < 0 || v > 999)
            h.setI16(offset, 30);
    }
}

void applyDayWindowDefaults(ScheduleHeader& h)
{
    if (h.dayStart().isNone())
        h.setDayStart(TimeValue::fromClock(7, 0));
    if (h.dayEnd().isNone())
        h.setDayEnd(TimeValue::fromClock(23, 0));
}

} // namespace datafile

LoadResult loadDataBytes(std::span<const std::uint8_t> bytes, const LoadOptions& options)
{
    return Loader(UnitReader(bytes), options).load();
}

LoadResult loadDataFile(const std::filesystem::path& file, const LoadOptions& options)
{
    auto failed = [](LoadError error, std::string text) {
        LoadResult result;
        result.error = error;
        result.failureText = std::move(text);
        return result;
    };
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(LoadError::ReadFailed, printed("Cannot open Data File %s: %s", file.c_str(), std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxFileBytes) {
        std::string text = printed("Cannot read Data File %s: %s", file.c_str(),
                                   st.st_size > 0 ? "the file is too large" : std::strerror(errno));
        ::close(fd);
        return failed(LoadError::ReadFailed, std::move(text));
    }
    // Read once, front to back: the kernel may read far ahead.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    LoadResult result;
    try {
        UnitReader in(fd, static_cast<std::size_t>(st.st_size), printed("Cannot read Data File %s: ", file.c_str()));
        result = Loader(std::move(in), options).load();
    } catch (const std::bad_alloc&) {
        result = failed(LoadError::OutOfMemory, kOutOfMemoryText);
    }
    ::close(fd);
    std::error_code ec;
    auto time = std::filesystem::last_write_time(file, ec);
    if (!ec && result.error != LoadError::ReadFailed)
        result.loadedFileTime = time;
    return result;
}

} // namespace zk
