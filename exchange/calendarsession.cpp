#include "exchange/calendarsession.h"

#include "core/schedule.h"
#include "core/statustable.h"
#include "core/text.h"
#include "core/calendar.h"
#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"
#include "exchange/calendaruids.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "worktools/model/notes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace zk {

namespace {

void applyCategories(const Schedule& s, const std::vector<std::string>& categories, const StatusTable* statuses,
                     ItemRecord& r)
{
    for (const std::string& name : categories) {
        if (statuses)
            for (int i = 1; i < static_cast<int>(kStatusCount); ++i)
                if (!statuses->label(i).empty() && compareIgnoringCase(statuses->label(i), name) == 0)
                    r.setStatus(static_cast<std::uint8_t>(i));
        for (ItemHandle project : s.projects)
            if (compareIgnoringCase(s.description(project), name) == 0)
                r.setProjectId(s.record(project).id());
    }
}

// A key per item, unique within the file: the UID for its first item, the
// UID with the day for the others.
class Keys {
public:
    std::string next(const std::string& uid, DayNumber day)
    {
        std::string key = uid;
        if (used_.count(key)) {
            const CivilDate c = civilDate(day);
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "#%04d%02d%02d", c.year, c.month, c.day);
            key += suffix;
        }
        for (int n = 2; used_.count(key); ++n)
            key = uid + "#" + std::to_string(n);
        used_.insert(key);
        return key;
    }

private:
    std::set<std::string> used_;
};

// "<id>@<prefix>.zelkon" written by this schedule names one of its items;
// "-YYYYMMDD" after it, one dated occurrence of that recurring item.
std::optional<std::uint32_t> ownId(std::string uid, const std::string& domain)
{
    if (domain.empty())
        return std::nullopt;
    const std::string tail = "@" + domain + ".zelkon";
    if (uid.size() > 9 + tail.size() && uid[uid.size() - 9] == '-' && uid.compare(uid.size() - 9 - tail.size(), tail.size(), tail) == 0)
        uid.resize(uid.size() - 9);
    if (uid.size() <= tail.size() || uid.compare(uid.size() - tail.size(), tail.size(), tail) != 0)
        return std::nullopt;
    const std::string digits = uid.substr(0, uid.size() - tail.size());
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(digits));
}

// Items without a UID get a key of their own, never stored, so that each
// added item can be found again for the work after the routine.
constexpr char kLocalKeyMark = '\x01';

class Importer {
public:
    Importer(Session& session, const CalendarImportOptions& options)
        : session_(session), options_(options), uids_(CalendarUids::load(session.settings().folder))
    {
    }

    CalendarImportOutcome run(std::vector<CalendarEntry>& entries)
    {
        std::vector<ImportItem> items;
        for (CalendarEntry& e : entries) {
            const std::size_t definition = items.size();
            items.push_back(prepare(e, e.item.day));
            if (!e.cancelled.empty())
                cancelled_[definition] = e.cancelled;
            for (CalendarEntry& moved : e.moved) {
                ties_[items.size()] = {definition, moved.replaces};
                items.push_back(prepare(moved, moved.replaces));
            }
        }
        const std::string domain = notePrefix(session_.schedule().header);
        ImportOptions options;
        options.wait = options_.wait;
        options.keys.find = [this, domain](const Schedule& s, const std::string& key) -> ItemHandle {
            for (std::uint32_t id : uids_.idsOf(key))
                if (ItemHandle h = s.findItemById(id))
                    return h;
            if (std::optional<std::uint32_t> id = ownId(key, domain))
                return s.findItemById(*id);
            return kNoItem;
        };
        options.keys.remember = [this](Schedule& s, ItemHandle h, const std::string& key) {
            handles_[indexOf_.at(key)] = h;
            if (key.front() != kLocalKeyMark)
                uids_.set(key, {s.record(h).id()});
        };
        ImportReport report = importItems(session_, std::move(items), 0, options);
        outcome_.skipped = report.skipped;
        if (report.status != ImportStatus::Imported) {
            outcome_.refusal = report.message;
            outcome_.noChangeAccess = report.status == ImportStatus::NoChangeAccess;
            return std::move(outcome_);
        }
        outcome_.items = report.items;
        for (const ImportedItem& item : report.items)
            outcome_.updated += item.updated;
        for (const auto& [index, h] : handles_)
            outcome_.added.push_back(h);
        cancelOccurrences();
        tieExceptions();
        if (!uids_.save(session_.settings().folder))
            session_.messages().error("The table of calendar UIDs (" + std::string(kCalendarUidFileName)
                                      + ") could not be written; importing the file again will add its items again.");
        return std::move(outcome_);
    }

private:
    ImportItem prepare(CalendarEntry& e, DayNumber day)
    {
        applyCategories(session_.schedule(), e.categories, options_.statuses, e.item.record);
        ImportItem in;
        in.note = std::move(e.note);
        if (e.uid.empty()) {
            in.sourceKey = std::string(1, kLocalKeyMark) + std::to_string(indexOf_.size());
        } else {
            in.sourceKey = keys_.next(e.uid, day);
            in.updateExisting = true;
        }
        indexOf_[in.sourceKey] = indexOf_.size();
        in.item = std::move(e.item);
        return in;
    }

    // The series' cancelled days leave the days it was placed on.
    void cancelOccurrences()
    {
        Schedule& s = session_.schedule();
        Placement placement(s, PlacementContext::at(session_.clock()), &session_.messages());
        RecurrenceExpansion expansion(placement);
        for (const auto& [index, days] : cancelled_) {
            const auto h = handles_.find(index);
            if (h == handles_.end() || !s.items.isLive(h->second) || !s.recurrences.contains(h->second))
                continue;
            for (DayNumber day : days) {
                if (s.findDay(day))
                    if (std::optional<std::size_t> at = s.entryOf(h->second, day)) {
                        expansion.cancelOccurrence(EntryRef{day, *at});
                        continue;
                    }
                if (!s.recurrences.findEntry(h->second, day))
                    s.recurrences.addEntry(h->second, day);
            }
            s.dirty = true;
        }
    }

    // Moved instances become exceptions of their series: shown as such,
    // undone into the occurrence again, deleted with the series.
    void tieExceptions()
    {
        Schedule& s = session_.schedule();
        for (const auto& [index, tie] : ties_) {
            const auto x = handles_.find(index);
            const auto d = handles_.find(tie.first);
            if (x == handles_.end() || d == handles_.end() || !s.items.isLive(x->second)
                || !s.items.isLive(d->second) || !s.recurrences.contains(d->second))
                continue;
            ItemRecord& r = s.record(x->second);
            r.setFlag(ItemFlag::fException, true);
            r.setRecur(d->second.index);
            r.setCreatedDay(static_cast<std::int16_t>(tie.second.value()));
            s.recurrences.setEntryItem(d->second, tie.second, x->second);
            s.dirty = true;
        }
    }

    Session& session_;
    const CalendarImportOptions& options_;
    CalendarUids uids_;
    Keys keys_;
    CalendarImportOutcome outcome_;
    std::map<std::string, std::size_t> indexOf_;           // source key -> item index
    std::map<std::size_t, ItemHandle> handles_;             // item index -> added item
    std::map<std::size_t, std::vector<DayNumber>> cancelled_;  // definition index -> its cancelled days
    std::map<std::size_t, std::pair<std::size_t, DayNumber>> ties_;  // exception index -> definition, day
};

} // namespace

CalendarImportOutcome importCalendarEntries(Session& session, std::vector<CalendarEntry> entries,
                                            const CalendarImportOptions& options)
{
    Importer importer(session, options);
    return importer.run(entries);
}

std::string readCalendarFile(const std::string& path, std::string& text)
{
    std::FILE* in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!in)
        return "The file " + path + " could not be opened: " + std::strerror(errno) + ".";
    text.clear();
    char buffer[65536];
    std::size_t n;
    // One byte past the limit tells a file that is too large, without
    // reading the rest of it.
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, n);
        if (text.size() > kMaxCalendarFileBytes)
            break;
    }
    const bool failed = std::ferror(in) != 0;
    if (in != stdin)
        std::fclose(in);
    if (failed)
        return "The file " + path + " could not be read.";
    if (text.size() > kMaxCalendarFileBytes) {
        text.clear();
        return kCalendarTooLargeText;
    }
    return {};
}

CalendarFileOutcome importCalendarText(Session& session, std::string_view text, const CalendarImportOptions& options)
{
    CalendarFileOutcome out;
    CalendarReadOptions readOptions;
    readOptions.templateItem = session.schedule().templateItem;
    readOptions.today = session.clock().today();
    CalendarRead read = readICalendar(text, readOptions);
    out.notices = std::move(read.notices);
    if (!read.refusal.empty()) {
        out.refusal = read.refusal;
        return out;
    }
    out.imported = importCalendarEntries(session, std::move(read.entries), options);
    out.imported.skipped += read.skipped;
    out.refusal = out.imported.refusal;
    return out;
}

CalendarExportOptions calendarExportOptions(Session& session, const StatusTable* statuses)
{
    CalendarExportOptions options;
    options.stamp = static_cast<std::time_t>(session.clock().unixSeconds());
    options.today = session.clock().today();
    options.statuses = statuses;
    const Schedule& s = session.schedule();
    options.uidDomain = notePrefix(s.header);
    auto uids = std::make_shared<CalendarUids>(CalendarUids::load(session.settings().folder));
    options.uidOf = [uids, &session](ItemHandle h) { return uids->uidOf(session.schedule().record(h).id()); };
    const auto notes = std::make_shared<NoteFiles>(session.settings().folder, notePrefix(s.header));
    options.noteOf = [notes, &session](ItemHandle h) {
        const std::uint32_t number = session.schedule().record(h).refNo();
        if (number == 0 || notes->prefix.empty())
            return std::string();
        NoteText note = readNote(notes->note(number));
        return note.status == NoteText::Status::Loaded ? note.text : std::string();
    };
    return options;
}

std::string exportCalendarText(Session& session, const CalendarExportOptions& options)
{
    Schedule& s = session.schedule();
    if (!options.from.isNone() && !options.to.isNone())
        for (DayNumber day = options.from; day <= options.to && s.isPastDay(day); day = day + 1)
            s.getDay(day);
    return writeICalendar(s, options);
}

} // namespace zk
