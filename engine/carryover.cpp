#include "engine/carryover.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "engine/done.h"
#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"

#include <optional>

namespace zk {

const char* const kCarryOverQuestionText = "Would you like to carry over all undone items to %s?";
const char* const kCarryOverProblemText =
    "A problem occurred during carry-over. You'll have to carry-over any remaining items manually.";
const char* const kUndoneReminderText =
    "Reminder: There are items on past days that have not been checked-off or rescheduled. Do you want to do "
    "that now?";

std::string carryOverQuestion()
{
    std::string text = kCarryOverQuestionText;
    return text.replace(text.find("%s"), 2, "today");
}

namespace {

// Special days, memos, events and projects mark a day; they are not work
// left undone.
bool isWork(const ItemRecord& r)
{
    std::uint16_t k = r.kind();
    return !ItemKind::isSpecialDay(k) && !ItemKind::isMultiDayEvent(k) && k != ItemKind::memo
           && k != ItemKind::project;
}

bool isUndone(const Schedule& s, const DayEntry& e)
{
    if (!s.items.isLive(e.item))
        return false;
    const ItemRecord& r = s.record(e.item);
    return !r.has(ItemFlag::fDone) && isWork(r);
}

// The first day whose entries may still change: the day after the last
// archived one, or the first day held when nothing is archived yet.
DayNumber firstOpenDay(const Schedule& s)
{
    DayNumber lastPast = s.header.lastPastDay();
    if (!lastPast.isNone())
        return lastPast + 1;
    return s.days.empty() ? kNoDay : DayNumber(s.days.begin()->first);
}

// The days from the first open one to `last`, as they are now.
std::vector<DayNumber> openDaysUpTo(const Schedule& s, DayNumber last)
{
    std::vector<DayNumber> days;
    DayNumber first = firstOpenDay(s);
    if (first.isNone())
        return days;
    for (auto it = s.days.lowerBound(first); it != s.days.end() && DayNumber(it->first) <= last; ++it)
        days.push_back(DayNumber(it->first));
    return days;
}

std::optional<EntryRef> entryOf(const Schedule& s, ItemHandle item, DayNumber day)
{
    if (std::optional<std::size_t> at = s.entryOf(item, day))
        return EntryRef{day, *at};
    return std::nullopt;
}

ItemHandle definitionOf(const Schedule& s, ItemHandle item)
{
    const ItemRecord& r = s.record(item);
    if (r.has(ItemFlag::fRecurDef))
        return item;
    if (r.has(ItemFlag::fException))
        return s.recurrences.definitionOf(item);
    return kNoItem;
}

void removeItemEntirely(Placement& placement, ItemHandle item)
{
    Schedule& s = placement.schedule();
    for (DayNumber day : s.days.daysOf(item)) {
        while (std::optional<EntryRef> at = entryOf(s, item, day))
            placement.removeEntry(*at);
        placement.layoutDay(day);
    }
    s.freeItem(item);
}

// Carries one entry; none when it stayed where it was.
std::optional<CarriedEntry> carryEntry(Placement& placement, EntryRef ref, DayNumber to)
{
    Schedule& s = placement.schedule();
    ItemHandle item = s.findDay(ref.day)->entries()[ref.index].item;
    const ItemRecord& r = s.record(item);
    CarriedEntry carried{CarriedEntry::Kind::Carried, r.id(), ref.day, to};
    ItemHandle definition = definitionOf(s, item);
    std::uint8_t option = definition ? s.recurrences.ruleOf(definition).typeByte() : 0;
    RecurrenceExpansion expansion(placement);

    if (option & RecurType::carryShift) {
        // The series goes on from the target day; the missed occurrence is
        // replaced by the series' next one.
        carried.kind = CarriedEntry::Kind::Shifted;
        carried.id = s.record(definition).id();
        expansion.setStartDay(definition, to);
        if (item != definition)
            removeItemEntirely(placement, item);
        else if (std::optional<EntryRef> left = entryOf(s, item, ref.day)) {
            placement.removeEntry(*left);
            placement.layoutDay(ref.day);
        }
        return carried;
    }
    if ((option & RecurType::carryDelete) && !r.has(ItemFlag::fMelt)) {
        carried.kind = CarriedEntry::Kind::Deleted;
        if (item == definition)
            return expansion.cancelOccurrence(ref) ? std::optional(carried) : std::nullopt;
        DayNumber occurrence(s.record(item).createdDay());
        removeItemEntirely(placement, item);
        s.recurrences.addEntry(definition, occurrence);
        return carried;
    }
    if (r.has(ItemFlag::fBizHours) && to.isWeekend())
        to = nextBusinessDay(to);
    if (!s.getDay(to) || !placement.moveEntryToDay(ref, to))
        return std::nullopt;
    carried.to = to;
    return carried;
}

} // namespace

DayNumber earliestUndonePastDay(const Schedule& schedule, DayNumber today)
{
    for (DayNumber day : openDaysUpTo(schedule, today - 1))
        for (const DayEntry& e : schedule.findDay(day)->entries())
            if (isUndone(schedule, e))
                return day;
    return kNoDay;
}

CarryOverResult carryOverUndone(Placement& placement)
{
    Schedule& s = placement.schedule();
    const DayNumber today = placement.context().today;
    CarryOverResult result;
    const bool wasCarrying = placement.context().carryingOver;
    placement.context().carryingOver = true;
    for (DayNumber day : openDaysUpTo(s, today - 1)) {
        DayRecord* record = s.findDay(day);
        if (!record)
            continue;
        ++record->busyCount;
        // Taken down first: carrying an entry changes the list it is in.
        std::vector<ItemHandle> undone;
        for (const DayEntry& e : record->entries())
            if (!s.items.isLive(e.item) || isUndone(s, e))
                undone.push_back(e.item);
        for (ItemHandle item : undone) {
            if (!s.items.isLive(item)) {
                s.report(kCarryOverProblemText);
                result.stopped = true;
                break;
            }
            if (std::optional<EntryRef> at = entryOf(s, item, day))
                if (std::optional<CarriedEntry> carried = carryEntry(placement, *at, today))
                    result.entries.push_back(*carried);
        }
        if (DayRecord* still = s.findDay(day); still && still->busyCount > 0)
            --still->busyCount;
        if (result.stopped)
            break;
    }
    placement.context().carryingOver = wasCarrying;
    if (!result.entries.empty())
        s.dirty = true;
    return result;
}

int autoDoneAppointments(Placement& placement)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    int marked = 0;
    for (DayNumber day : openDaysUpTo(s, c.today)) {
        std::vector<ItemHandle> due;
        for (const DayEntry& e : s.findDay(day)->entries()) {
            if (!s.items.isLive(e.item))
                continue;
            const ItemRecord& r = s.record(e.item);
            if (!r.has(ItemFlag::fAnchored) || r.has(ItemFlag::fDone) || !isWork(r))
                continue;
            bool ended = day < c.today
                         || (!r.has(ItemFlag::fStarted) && r.beginTime() > 0
                             && r.beginTime() + r.duration() <= c.now.value());
            if (ended)
                due.push_back(e.item);
        }
        for (ItemHandle item : due)
            if (std::optional<EntryRef> at = entryOf(s, item, day)) {
                markDone(placement, *at, DoneHow::Done);
                ++marked;
            }
    }
    return marked;
}

} // namespace zk
