#include "storage/archive.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/description.h"
#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "platform/messages.h"
#include "storage/datafileset.h"
#include "storage/historylog.h"

#include <algorithm>
#include <cstdio>

namespace zk {

const char* const kArchiveMissingText = "Archive file %s is missing! Restore from most recent backup.";
const char* const kCreateEmptyArchiveText = "Do you want to create a new (empty) archive %s?";
const char* const kCannotOpenArchiveText = "Unable to open archive file %s";
const char* const kInvalidPastDateText = "Invalid past date header info on %s. Do you want it cleaned-up?";
const char* const kDeletePastDateItemsText =
    "Do you want it cleaned up by having all items on this past date deleted?";
const char* const kArchiveMismatchText = "Data mismatch detected in Archive file on %s";
const char* const kNewerArchiveText = "Archive file %s is newer version. Run newer version of program.";
const char* const kDamagedArchiveText = "Archive file %s damaged";
const char* const kNotArchiveText = "Not a valid archive file %s";
const char* const kArchiveConversionText =
    "Beginning automatic archive file conversion to new format for particular year. ";
const char* const kArchiveConversionFailedText = "Unable to convert archive file %s";
const char* const kMergeArchiveQuestionText = "Do you want to merge in data from timedata.mrg for %s";
const char* const kMergeArchiveEmptyText = "Timedata.mrg contains no data for that date.";
const char* const kMergeArchiveName = "timedata.mrg";

namespace {

constexpr std::uint16_t kNoArchiveData = 0x1;
constexpr int kFirstHistoryYear = 1993;
constexpr int kMissingMessages = 3;

int dayOfYear(DayNumber day)
{
    CivilDate c = civilDate(day);
    return day - dayOf(1, 1, c.year) + 1;
}

std::string withText(const char* format, const std::string& text)
{
    int n = std::snprintf(nullptr, 0, format, text.c_str());
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, format, text.c_str());
    return out;
}

std::string dateText(const Schedule& s, DayNumber day) { return s.formatDate ? s.formatDate(day) : fixedDate(day); }

// Only the EZ mode itself: an unknown mode still shows and keeps past days.
bool isEzMode(const Schedule& s) { return s.header.interfaceMode() == InterfaceMode::ez; }

void fillItem(Schedule& s, ItemHandle h, const ArchivedEntry& e, DayNumber day)
{
    ItemRecord& r = s.record(h);
    r.setBeginTime(static_cast<std::int16_t>(e.start < 0 ? -e.start : e.start));
    r.setDuration(e.duration);
    r.setFlags(e.flags);
    r.setRefNo(e.refNo);
    r.setProjectId(e.projectId);
    r.setRecur(e.recur);
    r.setStatus(e.status);
    r.setCreatedDay(e.createdDay);
    r.setCreatedTime(e.createdTime);
    r.setCaseNo(e.caseNo);
    r.setDoneExpense(e.doneExpense);
    r.setMileage(e.mileage);
    r.setDay(static_cast<std::uint16_t>(day.value()));
    s.setDescription(h, e.description);
}

} // namespace

ArchivedEntry archivedEntryOf(const Schedule& s, const DayEntry& entry)
{
    const ItemRecord& r = s.record(entry.item);
    ArchivedEntry e;
    e.start = entry.start;
    e.duration = r.duration();
    e.flags = static_cast<std::uint16_t>(r.flags() & archive::kArchivedFlags);
    e.refNo = static_cast<std::uint16_t>(r.refNo());
    e.projectId = static_cast<std::uint16_t>(r.projectId());
    if (r.has(ItemFlag::fException)) {
        e.flags |= archive::kFormerException;
        if (ItemHandle definition = s.recurrences.definitionOf(entry.item))
            e.recur = static_cast<std::uint16_t>(s.record(definition).id());
    } else if (r.has(ItemFlag::fPastException)) {
        e.recur = static_cast<std::uint16_t>(r.recur());
    }
    e.status = r.status();
    e.createdDay = r.createdDay();
    e.createdTime = r.createdTime();
    e.caseNo = r.caseNo();
    e.doneExpense = r.doneExpense();
    e.mileage = r.mileage();
    e.description = s.storedDescription(entry.item);
    return e;
}

ScheduleArchive::ScheduleArchive(RandomAccessFiles& files, Messages& messages, std::filesystem::path dataFile,
                                 RegionalSettings regional)
    : files_(files), messages_(messages), dataFile_(std::move(dataFile)), folder_(dataFile_.parent_path()),
      regional_(std::move(regional))
{
}

std::filesystem::path ScheduleArchive::archivePath(int year) const
{
    char extension[8];
    std::snprintf(extension, sizeof extension, ".x%02d", ((year % 100) + 100) % 100);
    std::filesystem::path p = dataFile_;
    return p.replace_extension(extension);
}

std::filesystem::path ScheduleArchive::mergeArchivePath() const { return folder_ / kMergeArchiveName; }

void ScheduleArchive::attach(Schedule& schedule)
{
    schedule.readPastDay = [this, &schedule](DayNumber day) { readPastDay(schedule, day); };
    schedule.writePastDay = [this, &schedule](DayNumber day) { writePastDay(schedule, day); };
}

// --- opening -----------------------------------------------------------------------

std::unique_ptr<ArchiveFile> ScheduleArchive::openArchive(const std::filesystem::path& path, ArchiveFile::Mode mode,
                                                          ArchiveStatus& status, Opening opening)
{
    auto file = ArchiveFile::open(files_, path, mode, status);
    // A read-only folder or medium still lets past days be looked at.
    if (!file && status == ArchiveStatus::CannotOpen && mode == ArchiveFile::Mode::Update)
        file = ArchiveFile::open(files_, path, ArchiveFile::Mode::Read, status);
    if (file || opening == Opening::Quiet)
        return file;
    switch (status) {
    case ArchiveStatus::Missing: break;
    case ArchiveStatus::OlderFormat:
        // What the older layout held is not known well enough to convert it
        // safely; the file is left as it is for a program that can.
        messages_.information(kArchiveConversionText);
        messages_.error(textWithPath(kArchiveConversionFailedText, path));
        break;
    case ArchiveStatus::NewerVersion: messages_.error(textWithPath(kNewerArchiveText, path)); break;
    case ArchiveStatus::Damaged: messages_.error(textWithPath(kDamagedArchiveText, path)); break;
    case ArchiveStatus::NotArchive: messages_.error(textWithPath(kNotArchiveText, path)); break;
    default: messages_.error(textWithPath(kCannotOpenArchiveText, path)); break;
    }
    return nullptr;
}

// --- reading -----------------------------------------------------------------------

bool ScheduleArchive::readPastDay(Schedule& s, DayNumber day)
{
    if (!s.findDay(day) || isEzMode(s))
        return false;
    bool read = readArchivedDay(s, day);
    readAs_[day.value()] = fingerprint(s, day);
    return read;
}

std::uint64_t ScheduleArchive::fingerprint(const Schedule& s, DayNumber day) const
{
    std::vector<ArchivedEntry> entries;
    if (const DayRecord* record = s.findDay(day))
        for (const DayEntry& e : record->entries())
            entries.push_back(archivedEntryOf(s, e));
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (std::uint8_t b : encodeDayBlock(entries))
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

bool ScheduleArchive::changedSinceRead(const Schedule& s, DayNumber day) const
{
    const DayRecord* record = s.findDay(day);
    if (!record)
        return false;
    if (record->dirtyPast())
        return true;
    auto it = readAs_.find(day.value());
    // A past day that was never read (made before its day became past)
    // holds what it holds: written when it has anything.
    return it == readAs_.end() ? record->nTasks() != 0 : it->second != fingerprint(s, day);
}

bool ScheduleArchive::readArchivedDay(Schedule& s, DayNumber day)
{
    DayRecord* record = s.findDay(day);
    std::filesystem::path path = archivePath(civilDate(day).year);
    if (!files_.exists(path)) {
        record->dayFlags |= kNoArchiveData;
        reportMissing(s, day, path);
        return false;
    }
    bool found = false;
    if (!readInto(s, day, path, found))
        return false;
    record = s.findDay(day);
    if (record->nTasks() != 0 || !files_.exists(mergeArchivePath()))
        return found;
    if (messages_.question(withText(kMergeArchiveQuestionText, dateText(s, day))) != Answer::Yes)
        return found;
    bool merged = false;
    readInto(s, day, mergeArchivePath(), merged);
    record = s.findDay(day);
    if (merged && record->nTasks() != 0) {
        record->dayFlags = static_cast<std::uint16_t>((record->dayFlags & ~kNoArchiveData) | DayRecord::kDirtyPast);
        return true;
    }
    record->dayFlags |= kNoArchiveData;
    messages_.information(kMergeArchiveEmptyText);
    return false;
}

// Reads the day's block from one archive into the day record.
bool ScheduleArchive::readInto(Schedule& s, DayNumber day, const std::filesystem::path& path, bool& found)
{
    found = false;
    ArchiveStatus status;
    auto file = openArchive(path, ArchiveFile::Mode::Update, status, Opening::Report);
    if (!file)
        return false;
    int n = dayOfYear(day);
    ArchivedDay read = file->readDay(n);
    if (read.status == ArchiveStatus::InvalidSlot) {
        if (messages_.question(withText(kInvalidPastDateText, dateText(s, day))) == Answer::Yes
            && messages_.question(kDeletePastDateItemsText) == Answer::Yes)
            file->clearSlot(n);
        return false;
    }
    if (read.status == ArchiveStatus::BadEntry) {
        messages_.error(withText(kArchiveMismatchText, dateText(s, day)));
        return false;
    }
    if (read.status != ArchiveStatus::Ok) {
        messages_.error(textWithPath(kCannotOpenArchiveText, path));
        return false;
    }
    DayRecord* record = s.findDay(day);
    if (!read.hasBlock) {
        record->dayFlags |= kNoArchiveData;
        return true;
    }
    for (const ArchivedEntry& e : read.entries) {
        ItemHandle h = s.newItem();
        fillItem(s, h, e, day);
        s.days.appendEntry(day, DayEntry{h, e.start, e.duration});
    }
    found = true;
    return true;
}

void ScheduleArchive::reportMissing(Schedule& s, DayNumber day, const std::filesystem::path& path)
{
    DayNumber start(s.header.u16(ScheduleHeader::startDayAt));
    if (day < start || day > s.header.lastPastDay() || missingReported_ >= kMissingMessages)
        return;
    ++missingReported_;
    messages_.error(textWithPath(kArchiveMissingText, path));
    if (missingReported_ == kMissingMessages
        && messages_.question(textWithPath(kCreateEmptyArchiveText, path)) == Answer::Yes) {
        ArchiveStatus status;
        if (!ArchiveFile::open(files_, path, ArchiveFile::Mode::UpdateOrCreate, status))
            messages_.error(textWithPath(kCannotOpenArchiveText, path));
    }
}

// --- writing -----------------------------------------------------------------------

bool ScheduleArchive::writeDayEntries(Schedule& s, DayNumber day, bool markPending, bool* replaced)
{
    const DayRecord* record = s.findDay(day);
    if (!record)
        return true;
    std::vector<ArchivedEntry> entries;
    entries.reserve(record->entries().size());
    for (const DayEntry& e : record->entries())
        entries.push_back(archivedEntryOf(s, e));
    std::filesystem::path path = archivePath(civilDate(day).year);
    ArchiveStatus status;
    auto file = openArchive(path, ArchiveFile::Mode::UpdateOrCreate, status, Opening::Report);
    if (!file)
        return false;
    ArchiveSlot slot;
    bool hadBlock = file->readSlot(dayOfYear(day), slot) == ArchiveStatus::Ok && !slot.empty();
    if (replaced)
        *replaced = hadBlock;
    // A day archived again (the data file that should have dropped it was
    // never saved) already has its history lines: its month's log is
    // rebuilt from the archive instead of getting them twice.
    markPending = markPending || hadBlock;
    // The month's pending bit goes first: should the write be cut short,
    // the log is rebuilt once too often rather than once too few.
    status = file->noteWritten(markPending ? civilDate(day).month : 0, static_cast<std::int16_t>(day.value()));
    if (status == ArchiveStatus::Ok)
        status = file->writeDay(dayOfYear(day), entries);
    if (status != ArchiveStatus::Ok) {
        messages_.error(textWithPath(kCannotOpenArchiveText, path));
        return false;
    }
    if (markPending)
        rebuildDue_ = true;
    return true;
}

bool ScheduleArchive::writePastDay(Schedule& s, DayNumber day)
{
    if (!s.findDay(day) || isEzMode(s))
        return false;
    if (!changedSinceRead(s, day))
        return true;
    if (!writeDayEntries(s, day, s.isPastDay(day)))
        return false;
    DayRecord* record = s.findDay(day);
    record->dayFlags = static_cast<std::uint16_t>(record->dayFlags & ~(DayRecord::kDirtyPast | kNoArchiveData));
    readAs_[day.value()] = fingerprint(s, day);
    return true;
}

bool ScheduleArchive::writeChangedPastDays(Schedule& s)
{
    std::vector<DayNumber> changed;
    for (const auto& [number, record] : s.days)
        if (s.isPastDay(DayNumber(number)) && changedSinceRead(s, DayNumber(number)))
            changed.emplace_back(number);
    bool ok = true;
    for (DayNumber day : changed)
        ok = writePastDay(s, day) && ok;
    return ok;
}

// --- archiving due days -----------------------------------------------------------

std::string ScheduleArchive::historyLines(const Schedule& s, DayNumber day,
                                          const std::vector<ArchivedEntry>& entries) const
{
    std::string lines;
    for (const ArchivedEntry& e : entries) {
        std::string project;
        if (e.projectId != 0)
            for (ItemHandle p : s.projects)
                if (static_cast<std::uint16_t>(s.record(p).id()) == e.projectId) {
                    project = s.description(p);
                    break;
                }
        lines += historyLine(e, day, project, regional_);
    }
    return lines;
}

bool ScheduleArchive::appendHistory(Schedule& s, DayNumber day, const std::vector<ArchivedEntry>& entries)
{
    if (entries.empty())
        return true;
    CivilDate c = civilDate(day);
    std::filesystem::path log = historyLogPath(folder_, c.month, c.year);
    HistoryLogError error = appendHistoryLines(files_, log, historyLines(s, day, entries));
    if (error == HistoryLogError::None)
        return true;
    messages_.error(historyLogErrorText(error, log));
    return false;
}

namespace {

bool isFinished(const Schedule& s, const DayRecord& record)
{
    return std::all_of(record.entries().begin(), record.entries().end(),
                       [&s](const DayEntry& e) { return s.record(e.item).has(ItemFlag::fDone); });
}

} // namespace

DayNumber firstDueDay(const Schedule& s, DayNumber today)
{
    auto it = s.days.lowerBound(s.header.lastPastDay() + 1);
    if (it == s.days.end() || it->first >= today.value() || !isFinished(s, it->second))
        return kNoDay;
    return DayNumber(it->first);
}

DueDaysResult ScheduleArchive::archiveDueDays(Schedule& s, DayNumber today, const DueDaysConditions& conditions)
{
    DueDaysResult result;
    if (isEzMode(s))
        return result;
    std::vector<DayNumber> due;
    for (auto it = s.days.lowerBound(s.header.lastPastDay() + 1); it != s.days.end() && it->first < today.value(); ++it)
        due.emplace_back(it->first);
    for (DayNumber day : due) {
        const DayRecord* record = s.findDay(day);
        if (!record)
            continue;
        bool finished = isFinished(s, *record);
        auto stop = [&](ArchivingStop why) {
            result.stop = why;
            result.stoppedAt = day;
            return result;
        };
        if (!finished)
            return stop(ArchivingStop::UndoneItem);
        if (conditions.dayIsShown && conditions.dayIsShown(day))
            return stop(ArchivingStop::Shown);
        if (conditions.changeAccess && !conditions.changeAccess())
            return stop(ArchivingStop::NoChangeAccess);

        bool replaced = false;
        if (!writeDayEntries(s, day, false, &replaced))
            return stop(ArchivingStop::Failed);
        record = s.findDay(day);
        std::vector<ArchivedEntry> entries;
        std::vector<ItemHandle> owned;
        for (const DayEntry& e : record->entries()) {
            entries.push_back(archivedEntryOf(s, e));
            if (std::find(owned.begin(), owned.end(), e.item) == owned.end())
                owned.push_back(e.item);
        }
        if (conditions.writeHistory && !replaced && !appendHistory(s, day, entries))
            return stop(ArchivingStop::Failed);

        // Only now, with the day safe in its archive, do its items leave
        // the live lists. A recurring definition stays: only its placement
        // on this day was archived.
        s.days.erase(day);
        for (ItemHandle h : owned)
            if (s.items.isLive(h) && !s.record(h).has(ItemFlag::fRecurDef) && !s.days.isPlaced(h))
                s.freeItem(h);
        s.header.setU32(ScheduleHeader::archivedCountAt,
                        s.header.u32(ScheduleHeader::archivedCountAt) + static_cast<std::uint32_t>(entries.size()));
        if (day > s.header.lastPastDay())
            s.header.setLastPastDay(day);
        s.recurrences.prunePastCancellations();
        s.dirty = true;
        result.archived.push_back({day, static_cast<int>(entries.size())});
    }
    return result;
}

// --- history logs ------------------------------------------------------------------

bool ScheduleArchive::rebuildHistoryLogs(Schedule& s, DayNumber today,
                                         const std::function<void(const std::string&)>& progress)
{
    int lastYear = civilDate(today - 1).year;
    bool ok = true;
    for (int year = kFirstHistoryYear; year <= lastYear; ++year) {
        std::filesystem::path path = archivePath(year);
        if (!files_.exists(path))
            continue;
        ArchiveStatus status;
        auto file = openArchive(path, ArchiveFile::Mode::Update, status, Opening::Report);
        if (!file) {
            ok = false;
            continue;
        }
        std::uint16_t pending = file->header().pendingMonths;
        for (int month = 1; month <= 12; ++month) {
            std::uint16_t bit = static_cast<std::uint16_t>(1u << (month - 1));
            if (!(pending & bit))
                continue;
            if (progress)
                progress("Updating Log Files");
            std::string lines;
            for (int d = 1; d <= monthLength(month, year); ++d) {
                DayNumber day = dayOf(month, d, year);
                ArchivedDay read = file->readDay(dayOfYear(day));
                if (read.status == ArchiveStatus::Ok)
                    lines += historyLines(s, day, read.entries);
            }
            std::filesystem::path log = historyLogPath(folder_, month, year);
            HistoryLogError error = rewriteHistoryLog(files_, log, lines);
            if (error != HistoryLogError::None) {
                messages_.error(historyLogErrorText(error, log));
                ok = false;
                continue;
            }
            pending = static_cast<std::uint16_t>(pending & ~bit);
        }
        if (file->setPendingMonths(pending) != ArchiveStatus::Ok)
            ok = false;
    }
    if (ok)
        rebuildDue_ = false;
    return ok;
}

DayNumber ScheduleArchive::newestArchivedDay(int fromYear)
{
    for (int year = fromYear; year >= kFirstHistoryYear; --year) {
        std::filesystem::path path = archivePath(year);
        if (!files_.exists(path))
            continue;
        ArchiveStatus status;
        if (auto file = openArchive(path, ArchiveFile::Mode::Read, status, Opening::Quiet))
            return DayNumber(file->header().latestDay);
    }
    return kNoDay;
}

} // namespace zk
