#include "engine/timelimits.h"

#include "core/schedule.h"
#include "engine/placementcontext.h"
#include "engine/plistorder.h"

#include <algorithm>
#include <cstdio>

namespace zk {

const char* const kFloatingPrerequisiteText =
    "Prerequisites must be anchored items. A non-anchored item was detected as the prerequisite for %s "
    "and this prereq has been cleared.";

namespace {

bool endsAtBegin(const ItemRecord& r) { return r.has(ItemFlag::endsAtBegin); }
bool isFloatingListed(const ItemRecord& r) { return r.has(ItemFlag::fFloating); }

// The prerequisite, or no item once a floating one has been unlinked.
ItemHandle prerequisiteOf(Schedule& schedule, ItemHandle item)
{
    ItemRecord& r = schedule.record(item);
    ItemHandle prereq = schedule.findItemById(r.prereqId());
    if (!prereq || !isFloatingListed(schedule.record(prereq)))
        return prereq;
    r.setPrereqId(0);
    schedule.dirty = true;
    char text[1400];
    std::snprintf(text, sizeof text, kFloatingPrerequisiteText, schedule.titleOf(item).c_str());
    schedule.report(text);
    return kNoItem;
}

int prerequisiteBound(Schedule& schedule, ItemHandle item, DayNumber day)
{
    ItemHandle prereq = prerequisiteOf(schedule, item);
    if (!prereq)
        return 0;
    const ItemRecord& r = schedule.record(item);
    DayNumber prereqDay = schedule.dayOf(prereq);
    if (prereqDay + r.lagDays() != day)
        return 0;
    // The lag counts from where the prerequisite ends on its own day.
    std::optional<TimeValue> end = endOnDay(schedule, prereq, prereqDay);
    return end ? end->value() + r.lagMinutes() : 0;
}

int sequenceBound(const Schedule& schedule, ItemHandle item, DayNumber day)
{
    ItemHandle ahead = itemAheadInPlist(schedule, item);
    if (!ahead || schedule.dayOf(ahead) != day)
        return 0;
    std::optional<TimeValue> end = endOnDay(schedule, ahead, day);
    return end ? end->value() : 0;
}

} // namespace

TimeValue latestEndOn(const Schedule& schedule, ItemHandle item, DayNumber day)
{
    const ItemRecord& r = schedule.record(item);
    if (endsAtBegin(r))
        return TimeValue(r.beginTime() + r.duration());
    int dayEnd = schedule.dayEnd().value();
    int end = r.latestEndField() != 0 ? std::min<int>(r.latestEndField(), dayEnd) : dayEnd;
    if (day.value() == r.deadlineDate() && r.deadlineTime() != 0 && r.deadlineTime() <= end)
        end = r.deadlineTime();
    return TimeValue(end);
}

TimeValue earliestBeginOn(Schedule& schedule, ItemHandle item, DayNumber day, const PlacementContext& context)
{
    const ItemRecord& r = schedule.record(item);
    if (endsAtBegin(r))
        return TimeValue(r.beginTime());
    int begin = std::max(r.earliestBegin() != 0 ? r.earliestBegin() : 1,
                         schedule.dayStart().value() != 0 ? schedule.dayStart().value() : 1);
    bool bound = context.balancing && isFloatingListed(r);
    if (bound && r.prereqId() != 0)
        begin = std::max(begin, prerequisiteBound(schedule, item, day));
    if (r.postponeDate() != 0 && day.value() == r.postponeDate())
        begin = std::max<int>(begin, r.postponeTime());
    if (bound && r.has(ItemFlag::fSequence))
        begin = std::max(begin, sequenceBound(schedule, item, day));
    if (r.has(ItemFlag::fOffHours) && !day.isWeekend())
        begin = std::max(begin, schedule.header.bizEnd().value());
    return TimeValue(begin);
}

DayNumber earliestDay(const Schedule& schedule, ItemHandle item, const PlacementContext& context)
{
    const ItemRecord& r = schedule.record(item);
    DayNumber first = r.postponeDate() != 0 ? DayNumber(r.postponeDate()) : context.today;
    if (r.prereqId() != 0)
        if (ItemHandle prereq = schedule.findItemById(r.prereqId()))
            first = std::max(first, schedule.dayOf(prereq) + r.lagDays());
    if (r.has(ItemFlag::fSequence))
        if (ItemHandle ahead = itemAheadInPlist(schedule, item))
            first = std::max(first, schedule.dayOf(ahead));
    return first;
}

int minimumPiece(const Schedule& schedule, const ItemRecord& r)
{
    int minSplit = schedule.header.minSplitMinutes();
    return r.has(ItemFlag::fSplit) && minSplit < r.duration() ? minSplit : r.duration();
}

std::optional<TimeValue> endOnDay(const Schedule& schedule, ItemHandle item, DayNumber day)
{
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return std::nullopt;
    std::optional<TimeValue> end;
    for (const DayEntry& e : record->entries())
        if (e.item == item) {
            TimeValue here = e.startTime() + e.placedMinutes;
            if (!end || here > *end)
                end = here;
        }
    return end;
}

} // namespace zk
