#include "engine/workloadshift.h"

#include "core/schedule.h"
#include "engine/balancing.h"
#include "engine/daylayout.h"
#include "engine/placement.h"
#include "engine/timelimits.h"

#include <algorithm>
#include <unordered_set>

namespace zk {

namespace {

constexpr int kLookAheadDays = 366;

void stepTodaysReserve(Schedule& schedule, int minutes)
{
    BalanceSettings settings = balanceSettings(schedule.header);
    settings.todayReserve = std::clamp(settings.todayReserve + minutes, 0, kMaxFreeReserve);
    storeBalanceSettings(schedule.header, settings);
    schedule.dirty = true;
}

bool weekdayAllowed(const ItemRecord& r, DayNumber day)
{
    return r.weekdayMask() == 0 || (r.weekdayMask() & (1u << day.weekday())) != 0;
}

// Floating items that the day's layout lays into free time, and that may
// change days: not started, not done, not anchored.
bool shiftable(const ItemRecord& r)
{
    return r.has(ItemFlag::fFloating) && !r.has(ItemFlag::notFreelyMovable);
}

std::optional<EntryRef> entryOn(const Schedule& schedule, ItemHandle item, DayNumber day)
{
    if (std::optional<std::size_t> at = schedule.entryOf(item, day))
        return EntryRef{day, *at};
    return std::nullopt;
}

bool mayComeTo(const Schedule& schedule, const PlacementContext& context, ItemHandle item, DayNumber day)
{
    const ItemRecord& r = schedule.record(item);
    if (!weekdayAllowed(r, day))
        return false;
    if (r.postponeDate() != 0 && day.value() < r.postponeDate())
        return false;
    if (r.deadlineDate() != 0 && day.value() > r.deadlineDate())
        return false;
    if (day == context.today && r.latestEndField() != 0
        && latestEndOn(schedule, item, day).value() - minimumPiece(schedule, r) < context.now.value())
        return false;
    return true;
}

// The first day after `day` on which the item may go: its weekday allowed
// and not kept clear; none within a year.
DayNumber nextAllowedDay(const Schedule& schedule, ItemHandle item, DayNumber day)
{
    const ItemRecord& r = schedule.record(item);
    for (DayNumber d = day + 1; d <= day + kLookAheadDays && d <= kLastUsableDay; ++d)
        if (weekdayAllowed(r, d) && !dayIsKeptClear(schedule.header, d))
            return d;
    return kNoDay;
}

} // namespace

WorkloadShift lessWorkload(Placement& placement, DayNumber day)
{
    Schedule& schedule = placement.schedule();
    stepTodaysReserve(schedule, kReserveStep);
    const DayRecord* record = schedule.findDay(day);
    if (!record || day < placement.context().today)
        return {};
    std::unordered_set<ItemHandle, ItemHandleHash> candidates;
    for (const DayEntry& e : record->entries())
        if (shiftable(schedule.record(e.item)))
            candidates.insert(e.item);
    // The least important first: walk the list from its end.
    for (PlistEntryHandle h = schedule.plist.last(); h; h = schedule.plist.previous(h)) {
        ItemHandle item = schedule.plist.entry(h).item;
        if (!candidates.count(item))
            continue;
        DayNumber to = nextAllowedDay(schedule, item, day);
        const ItemRecord& r = schedule.record(item);
        if (to.isNone() || (r.deadlineDate() != 0 && DayNumber(r.deadlineDate()) < to) || !schedule.getDay(to))
            continue;
        std::optional<EntryRef> at = entryOn(schedule, item, day);
        if (at && placement.moveEntryToDay(*at, to))
            return {item, day, to};
    }
    return {};
}

WorkloadShift moreWorkload(Placement& placement, DayNumber day)
{
    Schedule& schedule = placement.schedule();
    stepTodaysReserve(schedule, -kReserveStep);
    if (day < placement.context().today || schedule.isPastDay(day) || !schedule.getDay(day))
        return {};
    for (PlistEntryHandle h = schedule.plist.first(); h; h = schedule.plist.next(h)) {
        ItemHandle item = schedule.plist.entry(h).item;
        if (!shiftable(schedule.record(item)))
            continue;
        std::vector<DayNumber> days = schedule.days.daysOf(item);
        if (days.empty() || days.front() <= day || !mayComeTo(schedule, placement.context(), item, day))
            continue;
        std::optional<EntryRef> at = entryOn(schedule, item, days.front());
        if (at && placement.moveEntryToDay(*at, day))
            return {item, days.front(), day};
    }
    return {};
}

// --- optimize ------------------------------------------------------------------------------

namespace {

bool staysInPlace(const ItemRecord& r)
{
    return r.has(ItemFlag::fStarted | ItemFlag::fOnHold | ItemFlag::fDone | ItemFlag::fSplit);
}

// Whether N could lie in the free time between the entries before E and
// E's start, as the layout would lay it there: from the running end (not
// before the day start, nor before now) raised to N's earliest begin, to
// E's start capped by N's latest end.
bool fitsGapBefore(Schedule& schedule, const PlacementContext& context, const std::vector<DayEntry>& entries,
                   std::size_t e, std::size_t n)
{
    const ItemRecord& nr = schedule.record(entries[n].item);
    if (nr.has(ItemFlag::fAnchored))
        return false;
    int running = std::max({1, schedule.dayStart().value(), context.now.value()});
    for (std::size_t i = 0; i < e; ++i)
        if (!schedule.record(entries[i].item).has(ItemFlag::fOnHold))
            running = std::max(running, entries[i].startTime().value() + entries[i].placedMinutes);
    int lo = std::max(running, earliestBeginOn(schedule, entries[n].item, context.today, context).value());
    int hi = std::min(entries[e].startTime().value(), latestEndOn(schedule, entries[n].item, context.today).value());
    return entries[n].placedMinutes > 0 && hi - lo >= entries[n].placedMinutes;
}

bool wantsSwap(Schedule& schedule, const PlacementContext& context, const std::vector<DayEntry>& entries, std::size_t e)
{
    std::size_t n = e + 1;
    const ItemRecord& er = schedule.record(entries[e].item);
    const ItemRecord& nr = schedule.record(entries[n].item);
    if (staysInPlace(er) || staysInPlace(nr) || er.has(ItemFlag::fFirstOfDay) || nr.has(ItemFlag::fLastOfDay))
        return false;
    if (fitsGapBefore(schedule, context, entries, e, n))
        return true;
    if (er.has(ItemFlag::fAnchored) && nr.has(ItemFlag::fAnchored) && nr.beginTime() < er.beginTime())
        return true;
    if (!entries[e].conflicting() && entries[n].conflicting())
        return true;
    return nr.has(kOptimizeFirstFlag) && !er.has(kOptimizeFirstFlag);
}

} // namespace

int optimizeToday(Placement& placement)
{
    Schedule& schedule = placement.schedule();
    const PlacementContext& context = placement.context();
    const DayNumber today = context.today;
    if (!schedule.findDay(today))
        return 0;
    placement.layoutDay(today);
    int swaps = 0;
    bool swapped = true;
    while (swapped && swaps < kMostOptimizeSwaps) {
        swapped = false;
        for (std::size_t e = 0; swaps < kMostOptimizeSwaps; ++e) {
            const std::vector<DayEntry>& entries = schedule.findDay(today)->entries();
            if (e + 1 >= entries.size())
                break;
            if (!wantsSwap(schedule, context, entries, e))
                continue;
            schedule.days.editEntries(today, [e](std::vector<DayEntry>& list) { std::swap(list[e], list[e + 1]); });
            placement.dayChanged(today);
            placement.layoutDay(today);
            ++swaps;
            swapped = true;
        }
    }
    if (swaps > 0)
        schedule.dirty = true;
    return swaps;
}

} // namespace zk
