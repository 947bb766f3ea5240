#include "engine/entrycommands.h"

#include "engine/daylayout.h"
#include "engine/marvals.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "platform/fault.h"

#include <algorithm>
#include <functional>

namespace zk {

const char* const kDeferHourOnlyFloatingText = "The Defer Hour command is only for floating items";

namespace {

constexpr const char* kModule = "Betasche";
// Before 06:00 the small hours still belong to yesterday's started work.
constexpr int kEndOfSmallHours = 361;
constexpr int kLongestStepDuration = 1440;
constexpr int kLastTimeOfDay = 2880;

const DayEntry& entryAt(Schedule& schedule, EntryRef ref)
{
    const DayRecord* record = schedule.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    return record->entries()[ref.index];
}

void editEntry(Schedule& schedule, EntryRef ref, const std::function<void(DayEntry&)>& change)
{
    schedule.days.editEntries(ref.day, [&](std::vector<DayEntry>& entries) { change(entries[ref.index]); });
}

void stepDuration(Schedule& schedule, EntryRef ref, int step, bool longer)
{
    ItemRecord& r = schedule.record(entryAt(schedule, ref).item);
    int placed = entryAt(schedule, ref).placedMinutes;
    if (longer) {
        step = placed < 10 ? 1 : step;
        if (r.duration() + step <= kLongestStepDuration)
            r.setDuration(static_cast<std::uint16_t>(r.duration() + step));
        if (placed + step <= kLongestStepDuration)
            editEntry(schedule, ref, [&](DayEntry& e) { e.placedMinutes = static_cast<std::uint16_t>(placed + step); });
    } else {
        step = placed < 11 ? 1 : step;
        if (r.duration() >= step)
            r.setDuration(static_cast<std::uint16_t>(r.duration() - step));
        if (placed >= step)
            editEntry(schedule, ref, [&](DayEntry& e) { e.placedMinutes = static_cast<std::uint16_t>(placed - step); });
    }
}

// A started item runs now, so on its day the keys shift its start.
bool runsOnViewedDay(const Placement& placement, const ItemRecord& r, DayNumber day)
{
    if (!r.has(ItemFlag::fStarted) || r.has(ItemFlag::fDone | ItemFlag::fOnHold))
        return false;
    const PlacementContext& c = placement.context();
    return day == c.today || (day == c.today - 1 && c.now.value() < kEndOfSmallHours);
}

void stepBegin(Placement& placement, EntryRef ref, int step, bool later)
{
    Schedule& schedule = placement.schedule();
    const DayEntry& e = entryAt(schedule, ref);
    ItemHandle item = e.item;
    ItemRecord& r = schedule.record(item);
    int delta = later ? step : -step;
    const PlacementContext& c = placement.context();
    if (runsOnViewedDay(placement, r, ref.day)) {
        bool splitAhead = r.has(ItemFlag::fSplit) && ref.day == c.today && e.startTime() > c.now;
        if (splitAhead)
            return;
        editEntry(schedule, ref, [&](DayEntry& entry) {
            entry.start = signedStart(entry.startTime().value() + delta, entry.conflicting());
        });
        r.setBeginTime(static_cast<std::int16_t>(r.beginTime() + delta));
    } else if (r.has(ItemFlag::endsAtBegin) && !r.has(ItemFlag::fOnHold)) {
        int begin = r.beginTime() + delta;
        if (begin >= step && begin <= kLastTimeOfDay - step)
            r.setBeginTime(static_cast<std::int16_t>(begin));
    } else if (later) {
        lowerPriority(schedule, item);
    } else {
        raisePriority(schedule, item);
    }
}

} // namespace

bool deferHour(Placement& placement, EntryRef ref)
{
    Schedule& schedule = placement.schedule();
    ItemHandle item = entryAt(schedule, ref).item;
    ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::notFreelyMovable)) {
        schedule.report(kDeferHourOnlyFloatingText);
        return false;
    }
    const PlacementContext& c = placement.context();
    if (DayNumber(r.postponeDate()) > c.today)
        return true;
    if (DayNumber(r.postponeDate()) < c.today) {
        r.setPostponeDate(static_cast<std::uint16_t>(c.today.value()));
        r.setPostponeTime(0);
    }
    int now = c.now.value();
    int target = now + 60;
    if (r.postponeTime() >= target)
        target = (r.postponeTime() - now) % 60 == 0 ? r.postponeTime() + 60 : r.postponeTime();
    r.setPostponeTime(static_cast<std::int16_t>(target));
    if (r.latestEndField() != 0 && r.latestEndField() < target)
        r.setLatestEnd(static_cast<std::int16_t>(target));
    LooseEntry loose = placement.removeEntry(ref);
    placement.insertEntry(loose, ref.day);
    marvalsResort(schedule, item);
    return true;
}

StepResult stepEntry(Placement& placement, EntryRef ref, StepCommand command, StepSize size)
{
    Schedule& schedule = placement.schedule();
    ItemHandle item = entryAt(schedule, ref).item;
    int step = size == StepSize::OneMinute ? 1 : 5;
    switch (command) {
    case StepCommand::ShorterDuration:
    case StepCommand::LongerDuration:
        stepDuration(schedule, ref, step, command == StepCommand::LongerDuration);
        break;
    case StepCommand::EarlierBegin:
    case StepCommand::LaterBegin:
        stepBegin(placement, ref, step, command == StepCommand::LaterBegin);
        break;
    }
    marvalsResort(schedule, item);
    const ItemRecord& r = schedule.record(item);
    StepResult result;
    result.rebalanceRequested = r.has(ItemFlag::fFloating) && !r.has(ItemFlag::fStarted | ItemFlag::fDone);
    placement.layoutDay(ref.day);
    schedule.dirty = true;
    return result;
}

bool toggleAppointment(Placement& placement, EntryRef ref)
{
    Schedule& schedule = placement.schedule();
    const DayEntry& e = entryAt(schedule, ref);
    ItemRecord& r = schedule.record(e.item);
    if (r.has(ItemFlag::fOnHold))
        return false;
    bool anchoring = !r.has(ItemFlag::fAnchored);
    r.setFlag(ItemFlag::fAnchored, anchoring);
    if (anchoring)
        r.setBeginTime(static_cast<std::int16_t>(e.startTime().value()));
    else if (!r.has(ItemFlag::fStarted))
        r.setBeginTime(0);
    placement.layoutDay(ref.day);
    schedule.dirty = true;
    return true;
}

std::optional<EntryRef> toggleOnHold(Placement& placement, EntryRef ref, DayNumber viewedDay)
{
    Schedule& schedule = placement.schedule();
    ItemRecord& r = schedule.record(entryAt(schedule, ref).item);
    bool holding = !r.has(ItemFlag::fOnHold);
    r.setFlag(ItemFlag::fOnHold, holding);
    schedule.dirty = true;
    if (holding) {
        placement.layoutDay(ref.day);
        return ref;
    }
    LooseEntry loose = placement.removeEntry(ref);
    if (std::optional<EntryRef> placed = placement.insertEntry(loose, viewedDay))
        return placed;
    // The viewed day has no record: the entry goes back where it was.
    return placement.insertEntry(loose, ref.day);
}

std::optional<EntryRef> moveEntryWithinDay(Placement& placement, EntryRef ref, std::size_t before)
{
    Schedule& schedule = placement.schedule();
    const DayEntry& e = entryAt(schedule, ref);
    const ItemRecord& r = schedule.record(e.item);
    if (r.has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold) || r.beginTime() != 0)
        return std::nullopt;
    const auto& entries = schedule.findDay(ref.day)->entries();
    before = std::min(before, entries.size());
    if (before == ref.index || before == ref.index + 1)
        return ref;  // dropped where it stands
    ItemHandle previous = before > 0 ? entries[before - 1].item : kNoItem;
    ItemHandle next = before < entries.size() ? entries[before].item : kNoItem;
    LooseEntry loose = placement.removeEntry(ref);
    // The drop point stands in for its old place: its neighbours there, and
    // its index once it is off the list.
    loose.previousItem = previous;
    loose.nextItem = next;
    loose.oldIndex = before > ref.index ? before - 1 : before;
    // A conflicting start would send it back to the walk from the head.
    loose.entry.start = 0;
    return placement.insertEntry(loose, ref.day);
}

} // namespace zk
