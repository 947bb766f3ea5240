#include "exchange/calendarsession.h"

#include "core/schedule.h"
#include "core/statustable.h"
#include "core/text.h"
#include "engine/deletion.h"
#include "exchange/calendaruids.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "shell/model/deletecommands.h"
#include "sharing/session.h"
#include "worktools/model/notes.h"

#include <ctime>
#include <memory>
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

class Importer {
public:
    Importer(Session& session, const CalendarImportOptions& options)
        : session_(session), options_(options), uids_(CalendarUids::load(session.settings().folder))
    {
    }

    CalendarImportOutcome run(std::vector<CalendarEntry>& entries)
    {
        Schedule& s = session_.schedule();
        const std::string ownDomain = notePrefix(s.header);
        std::set<std::uint32_t> replaced;
        std::map<std::string, std::vector<std::uint32_t>> newIds;
        for (CalendarEntry& e : entries) {
            if (!e.uid.empty() && !newIds.count(e.uid)) {
                newIds[e.uid];
                const std::size_t before = replaced.size();
                for (std::uint32_t id : uids_.idsOf(e.uid))
                    if (s.findItemById(id))
                        replaced.insert(id);
                if (std::optional<std::uint32_t> id = ownId(e.uid, ownDomain); id && s.findItemById(*id))
                    replaced.insert(*id);
                if (replaced.size() != before)
                    ++outcome_.updated;
            }
            const ItemHandle h = add(e);
            if (!h)
                continue;
            if (!e.uid.empty())
                newIds[e.uid].push_back(session_.schedule().record(h).id());
            for (CalendarEntry& moved : e.moved)
                addException(h, moved);
        }
        if (!replaced.empty()) {
            Schedule& now = session_.schedule();
            Deletion deletion(now, session_.clock(), session_.messages(), [this](const std::string& title) {
                appendActivity(session_.settings().folder, kDeleteLogName,
                               activityLine(session_.clock().localNow(), session_.settings().regional, title),
                               session_.messages());
            });
            // An item added now never carries an id that is being replaced:
            // those were all live while it was added.
            deletion.deleteByIds(replaced);
        }
        for (auto& [uid, ids] : newIds)
            uids_.set(uid, std::move(ids));
        if (!uids_.save(session_.settings().folder))
            session_.messages().error("The table of calendar UIDs (" + std::string(kCalendarUidFileName)
                                      + ") could not be written; importing the file again will add its items again.");
        return std::move(outcome_);
    }

private:
    // "<id>@<prefix>.zelkon" written by this schedule names one of its items.
    static std::optional<std::uint32_t> ownId(const std::string& uid, const std::string& domain)
    {
        if (domain.empty())
            return std::nullopt;
        const std::string tail = "@" + domain + ".zelkon";
        if (uid.size() <= tail.size() || uid.compare(uid.size() - tail.size(), tail.size(), tail) != 0)
            return std::nullopt;
        const std::string digits = uid.substr(0, uid.size() - tail.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return static_cast<std::uint32_t>(std::stoul(digits));
    }

    ItemHandle add(CalendarEntry& e)
    {
        applyCategories(session_.schedule(), e.categories, options_.statuses, e.item.record);
        AddItemServices services = session_.addServices();
        const std::vector<DayNumber> cancelled = e.cancelled;
        if (!cancelled.empty()) {
            auto generate = services.generateOccurrences;
            Session& session = session_;
            // The cancelled days are listed before any occurrence is placed,
            // so none is made on them.
            services.generateOccurrences = [generate, cancelled, &session](ItemHandle definition) {
                for (DayNumber d : cancelled)
                    session.schedule().recurrences.addEntry(definition, d);
                return generate ? generate(definition) : true;
            };
        }
        const AddResult result = addItem(services, std::move(e.item));
        if (result.status != AddStatus::Added) {
            ++outcome_.skipped;
            return kNoItem;
        }
        outcome_.added.push_back(result.item);
        storeNote(result.item, e.note);
        return result.item;
    }

    void addException(ItemHandle definition, CalendarEntry& moved)
    {
        const DayNumber original = moved.replaces;
        const ItemHandle h = add(moved);
        if (!h)
            return;
        Schedule& s = session_.schedule();
        if (!s.items.isLive(definition) || !s.recurrences.contains(definition))
            return;
        // Tied to its series: shown as an exception, undone into the
        // occurrence again, deleted with the series.
        ItemRecord& r = s.record(h);
        r.setFlag(ItemFlag::fException, true);
        r.setRecur(definition.index);
        r.setCreatedDay(static_cast<std::int16_t>(original.value()));
        s.recurrences.setEntryItem(definition, original, h);
        s.dirty = true;
    }

    void storeNote(ItemHandle h, const std::string& text)
    {
        if (text.empty())
            return;
        Schedule& s = session_.schedule();
        ensureNotePrefix(s.header, static_cast<std::uint32_t>(std::time(nullptr)));
        const NoteFiles notes(session_.settings().folder, notePrefix(s.header));
        if (std::string problem = prepareNotesFolder(notes); !problem.empty()) {
            session_.messages().error(problem);
            return;
        }
        const std::uint16_t number =
            s.notesNumber(h, [&](std::uint16_t n) { return std::filesystem::exists(notes.note(n)); });
        if (number == 0)
            return;
        if (std::string failure = writeNote(notes.note(number), text, options_.scrambleNotes); !failure.empty()) {
            session_.messages().error(failure);
            return;
        }
        s.record(h).setFlag(ItemFlag::fHasNotes, true);
        s.dirty = true;
    }

    Session& session_;
    const CalendarImportOptions& options_;
    CalendarUids uids_;
    CalendarImportOutcome outcome_;
};

} // namespace

CalendarImportOutcome importCalendarEntries(Session& session, std::vector<CalendarEntry> entries,
                                            const CalendarImportOptions& options)
{
    Importer importer(session, options);
    return importer.run(entries);
}

CalendarExportOptions calendarExportOptions(Session& session, const StatusTable* statuses)
{
    CalendarExportOptions options;
    const LocalMoment now = session.clock().localNow();
    std::tm tm{};
    tm.tm_year = now.year - 1900;
    tm.tm_mon = now.month - 1;
    tm.tm_mday = now.day;
    tm.tm_hour = now.hour;
    tm.tm_min = now.minute;
    tm.tm_sec = now.second;
    tm.tm_isdst = -1;
    options.stamp = std::mktime(&tm);
    options.today = now.dayNumber();
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

} // namespace zk
