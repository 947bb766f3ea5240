#include "engine/balancing.h"

#include "core/schedule.h"
#include "engine/placement.h"
#include "platform/fault.h"

#include <algorithm>
#include <set>

namespace zk {

const char* const kZeroDayLengthText =
    "Your day length is zero. Please choose the menu command Options, Settings, Day Bounds to correct this.";
const char* const kNotScheduledSuffix = " was not scheduled!";

namespace {

constexpr const char* kModule = "Balance";
// Before 1:40 a.m. the day has hardly begun: a quick run is enough.
constexpr int kEarliestFullRunTime = 100;

int clampedMinutes(int minutes, int limit) { return std::clamp(minutes, 0, limit); }

bool leftAlone(const ItemRecord& r) { return r.has(ItemFlag::fStarted | ItemFlag::fDone); }

// The day an item is on now: where its first entry lies, else its own day.
DayNumber currentDay(const Schedule& schedule, ItemHandle item)
{
    std::vector<DayNumber> days = schedule.days.daysOf(item);
    if (!days.empty())
        return days.front();
    DayNumber own = schedule.dayOf(item);
    return own.value() == kNoDayInChain ? kNoDay : own;
}

// Takes every entry of the item off every day; the days it was on are
// added to `touched`.
void takeOff(Placement& placement, ItemHandle item, std::set<int>& touched)
{
    Schedule& schedule = placement.schedule();
    for (DayNumber day : schedule.days.daysOf(item)) {
        while (std::optional<std::size_t> at = schedule.entryOf(item, day))
            placement.removeEntry(EntryRef{day, *at});
        touched.insert(day.value());
    }
}

} // namespace

// --- settings --------------------------------------------------------------------------

BalanceSettings balanceSettings(const ScheduleHeader& header)
{
    BalanceSettings s;
    s.todayReserve = clampedMinutes(header.i16(BalanceHeader::todayReserveAt), kMaxFreeReserve);
    s.futureReserve = clampedMinutes(header.i16(BalanceHeader::futureReserveAt), kMaxFreeReserve);
    s.keepClearFirst = DayNumber(std::max<int>(0, header.i16(ScheduleHeader::vacationStartAt)));
    s.keepClearLast = DayNumber(std::max<int>(0, header.i16(ScheduleHeader::vacationEndAt)));
    s.minSplitMinutes = std::clamp(header.minSplitMinutes(), 1, kMinSplitLimit);
    s.lastBalanceDay = DayNumber(std::max<int>(0, header.i16(BalanceHeader::lastBalanceDayAt)));
    s.marvalHorizonMonths = std::max<int>(0, header.i16(BalanceHeader::marvalHorizonAt));
    return s;
}

void storeBalanceSettings(ScheduleHeader& header, const BalanceSettings& s)
{
    auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
    header.setI16(BalanceHeader::todayReserveAt, i16(clampedMinutes(s.todayReserve, kMaxFreeReserve)));
    header.setI16(BalanceHeader::futureReserveAt, i16(clampedMinutes(s.futureReserve, kMaxFreeReserve)));
    header.setI16(ScheduleHeader::vacationStartAt, i16(s.keepClearFirst.value()));
    header.setI16(ScheduleHeader::vacationEndAt, i16(s.keepClearLast.value()));
    header.setMinSplitMinutes(std::clamp(s.minSplitMinutes, 1, kMinSplitLimit));
    header.setI16(BalanceHeader::lastBalanceDayAt, i16(s.lastBalanceDay.value()));
    header.setI16(BalanceHeader::marvalHorizonAt, i16(std::clamp(s.marvalHorizonMonths, 0, 32767)));
}

bool dayIsKeptClear(const ScheduleHeader& header, DayNumber day)
{
    int first = header.i16(ScheduleHeader::vacationStartAt);
    int last = header.i16(ScheduleHeader::vacationEndAt);
    if (first <= 0 && last <= 0)
        return false;
    if (first <= 0)
        return day.value() <= last;
    if (last <= 0)
        return day.value() == first;
    return first <= day.value() && day.value() <= last;
}

bool dayWindowIsEmpty(const Schedule& schedule) { return schedule.dayEnd().value() <= schedule.dayStart().value(); }

int reserveOfDay(const Schedule& schedule, DayNumber day, const PlacementContext& context)
{
    const ScheduleHeader& header = schedule.header;
    if (day != context.today)
        return clampedMinutes(header.i16(BalanceHeader::futureReserveAt), kMaxFreeReserve);
    int reserve = clampedMinutes(header.i16(BalanceHeader::todayReserveAt), kMaxFreeReserve);
    int end = schedule.dayEnd().value();
    int length = end - schedule.dayStart().value();
    if (length <= 0)
        return 0;
    int left = std::max(0, end - context.now.value());
    // Before the window opens the whole reserve holds, no more.
    return std::min(reserve, reserve * left / length);
}

// --- the run -----------------------------------------------------------------------------

BalanceMode chooseBalanceMode(const Schedule& schedule, const PlacementContext& context, bool forced)
{
    if (forced)
        return BalanceMode::Full;
    DayNumber last(schedule.header.i16(BalanceHeader::lastBalanceDayAt));
    if (last == context.today || context.now.value() < kEarliestFullRunTime)
        return BalanceMode::Quick;
    return BalanceMode::Full;
}

std::string notScheduledText(const Schedule& schedule, ItemHandle item)
{
    return schedule.description(item) + kNotScheduledSuffix;
}

BalanceOutcome balanceWorkload(Schedule& schedule, const PlacementContext& at, const BalanceOptions& options)
{
    BalanceOutcome outcome;
    outcome.mode = chooseBalanceMode(schedule, at, options.forced);
    outcome.zeroDayWindow = dayWindowIsEmpty(schedule);

    PlacementContext context = at;
    context.balancing = true;
    Placement placement(schedule, context);
    placement.run().reserve = [&schedule, context](DayNumber day) { return reserveOfDay(schedule, day, context); };
    placement.run().keptClear = [&schedule](DayNumber day) { return dayIsKeptClear(schedule.header, day); };
    placement.run().limitReached = [&outcome](ItemHandle item, DayNumber) { outcome.overbooked.push_back(item); };

    // The list as it stands: placing never reorders it, and a snapshot
    // keeps the walk safe whatever a placement reports meanwhile.
    std::vector<ItemHandle> order;
    order.reserve(schedule.plist.size());
    for (PlistEntryHandle h = schedule.plist.first(); h; h = schedule.plist.next(h))
        order.push_back(schedule.plist.entry(h).item);
    const bool quick = outcome.mode == BalanceMode::Quick;
    const std::size_t handled = quick ? std::min(order.size(), kQuickRunItems) : order.size();

    auto movable = [&](ItemHandle item) {
        return item != options.excluded && schedule.items.isLive(item) && !leftAlone(schedule.record(item));
    };

    if (quick) {
        // What lies beyond the items this run handles keeps its day, but
        // today's free time has shrunk since it was placed.
        for (std::size_t i = handled; i < order.size(); ++i)
            if (movable(order[i]) && schedule.entryOf(order[i], context.today))
                placement.replaceItem(order[i]);
    }

    std::vector<DayNumber> previousDay(handled);
    std::set<int> touched;
    for (std::size_t i = 0; i < handled; ++i) {
        if (!movable(order[i]))
            continue;
        previousDay[i] = currentDay(schedule, order[i]);
        takeOff(placement, order[i], touched);
    }
    // Every day from today on laid out afresh: capacities are read from the
    // starts of what stays.
    std::vector<DayNumber> days;
    for (auto it = schedule.days.lowerBound(context.today); it != schedule.days.end(); ++it)
        days.push_back(DayNumber(it->first));
    for (int day : touched)
        if (DayNumber(day) < context.today)
            days.push_back(DayNumber(day));
    for (DayNumber day : days)
        placement.layoutDay(day);

    for (std::size_t i = 0; i < handled; ++i) {
        ItemHandle item = order[i];
        if (options.progress)
            options.progress(i + 1, handled, item);
        if (!movable(item))
            continue;
        placement.placeFloatingItem(item);
        if (schedule.days.isPlaced(item)) {
            ++outcome.placed;
            continue;
        }
        // Never lost: back to the day it had (today when that has gone by).
        DayNumber back = previousDay[i];
        if (back.isNone() || back < context.today)
            back = context.today;
        if (!schedule.getDay(back))
            back = context.today;
        ZK_CHECK(schedule.getDay(back) != nullptr, kModule);
        placement.insertEntry(LooseEntry::fresh(item, schedule.record(item).duration()), back);
        outcome.unscheduled.push_back({item, back});
    }

    if (!quick)
        schedule.header.setI16(BalanceHeader::lastBalanceDayAt, static_cast<std::int16_t>(context.today.value()));
    if (schedule.findDay(context.today))
        placement.layoutDay(context.today);
    schedule.dirty = true;
    return outcome;
}

} // namespace zk
