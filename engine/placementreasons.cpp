#include "engine/placementreasons.h"

#include "core/schedule.h"
#include "engine/balancing.h"
#include "engine/daylayout.h"
#include "engine/gaptests.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/timelimits.h"

#include <algorithm>

namespace zk {

const char* causeName(EarliestCause cause)
{
    switch (cause) {
    case EarliestCause::Today: return "today";
    case EarliestCause::Postpone: return "postpone";
    case EarliestCause::Prerequisite: return "prerequisite";
    case EarliestCause::Sequence: return "sequence";
    }
    return "today";
}

const char* skipReasonName(SkipReason reason)
{
    switch (reason) {
    case SkipReason::Past: return "past";
    case SkipReason::KeptClear: return "kept-clear";
    case SkipReason::Weekday: return "weekday";
    case SkipReason::Capacity: return "capacity";
    case SkipReason::NoGap: return "no-gap";
    case SkipReason::HasRoom: return "has-room";
    }
    return "no-gap";
}

namespace {

// The first day and what set it; a later cause wins a tie, being the more
// telling one.
void findEarliest(Schedule& schedule, ItemHandle item, const PlacementContext& context, PlacementReasons& out)
{
    const ItemRecord& r = schedule.record(item);
    out.earliest = context.today;
    out.earliestBy = EarliestCause::Today;
    auto consider = [&](DayNumber day, EarliestCause cause) {
        if (!day.isNone() && day >= out.earliest) {
            out.earliest = day;
            out.earliestBy = cause;
        }
    };
    if (r.postponeDate() != 0)
        consider(DayNumber(r.postponeDate()), EarliestCause::Postpone);
    if (r.prereqId() != 0)
        if ((out.prerequisite = schedule.findItemById(r.prereqId())))
            consider(schedule.dayOf(out.prerequisite) + r.lagDays(), EarliestCause::Prerequisite);
    if (r.has(ItemFlag::fSequence))
        if ((out.aheadInSequence = itemAheadInPlist(schedule, item)))
            consider(schedule.dayOf(out.aheadInSequence), EarliestCause::Sequence);
}

// Whether a walk of the day, as placing the item would make it, finds a gap.
bool hasGap(Schedule& schedule, ItemHandle item, DayNumber day, const PlacementContext& context)
{
    const DayEntry entry{item, 0, schedule.record(item).duration()};
    PlaceTests tests(schedule, day, entry, context);
    int furthest = 0;
    for (std::size_t at = 0; at < tests.places(); ++at) {
        int answer = tests.floatingGap(at, furthest);
        if (answer != 0)
            return answer > 0;
    }
    return false;
}

void findSkippedDays(Schedule& schedule, ItemHandle item, const PlacementContext& context, PlacementReasons& out)
{
    const ItemRecord& r = schedule.record(item);
    DayNumber first = std::min(out.earliest, out.day);
    if (first < context.today) {
        DayNumber through = std::min(out.day, context.today) - 1;
        if (first <= through)
            out.skipped.push_back({first, through, SkipReason::Past});
        first = context.today;
    }
    Placement placement(schedule, context);
    placement.run().reserve = [&schedule, context](DayNumber day) { return reserveOfDay(schedule, day, context); };
    const int need = minimumPiece(schedule, r);
    for (DayNumber day = first; day < out.day && out.skipped.size() < kMostSkippedDays; ++day) {
        SkippedDay skipped{day, day};
        if (dayIsKeptClear(schedule.header, day))
            skipped.reason = SkipReason::KeptClear;
        else if (r.weekdayMask() != 0 && (r.weekdayMask() & (1u << day.weekday())) == 0)
            skipped.reason = SkipReason::Weekday;
        else if (!openDayForDisplay(schedule, day, context))
            skipped.reason = SkipReason::NoGap;
        else if (r.duration() > 0 && placement.capacity(day) < need) {
            skipped.reason = SkipReason::Capacity;
            skipped.capacity = placement.capacity(day);
            skipped.need = need;
        } else if (hasGap(schedule, item, day, context)) {
            skipped.reason = SkipReason::HasRoom;
        }
        out.skipped.push_back(skipped);
    }
}

// What the item's entries on its day overlap: for an anchored item the
// anchored items it meets, for any other the entries its placement runs
// into.
void findConflicts(Schedule& schedule, ItemHandle item, PlacementReasons& out)
{
    const ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::fAnchored)) {
        out.conflicts = conflictsOnDay(schedule, item, out.day);
        return;
    }
    const DayRecord* record = schedule.findDay(out.day);
    if (!record)
        return;
    for (const DayEntry& mine : record->entries()) {
        if (mine.item != item || mine.placedMinutes == 0 || r.has(ItemFlag::fOnHold))
            continue;
        out.conflicting = out.conflicting || mine.conflicting();
        int begin = mine.startTime().value();
        int end = begin + mine.placedMinutes;
        for (const DayEntry& other : record->entries()) {
            if (other.item == item || other.placedMinutes == 0 || schedule.record(other.item).has(ItemFlag::fOnHold))
                continue;
            int minutes = std::min(end, other.startTime().value() + other.placedMinutes)
                          - std::max(begin, other.startTime().value());
            if (minutes > 0)
                out.conflicts.push_back({out.day, item, other.item, minutes});
        }
    }
}

} // namespace

PlacementReasons explainPlacement(Schedule& schedule, ItemHandle item, const PlacementContext& context)
{
    PlacementReasons out;
    const ItemRecord& r = schedule.record(item);
    out.floating = r.has(ItemFlag::fFloating);
    std::vector<DayNumber> days = schedule.days.daysOf(item);
    if (!days.empty()) {
        out.day = days.front();
        const DayRecord* record = openDayForDisplay(schedule, out.day, context);
        if (std::optional<std::size_t> at = schedule.entryOf(item, out.day)) {
            out.start = record->entries()[*at].startTime();
            out.conflicting = record->entries()[*at].conflicting();
        }
    }
    findEarliest(schedule, item, context, out);
    if (r.deadlineDate() != 0)
        out.latest = DayNumber(r.deadlineDate());
    if (out.floating && !out.day.isNone())
        findSkippedDays(schedule, item, context, out);
    if (!out.day.isNone())
        findConflicts(schedule, item, out);
    return out;
}

} // namespace zk
