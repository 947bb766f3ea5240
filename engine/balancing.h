#pragma once
// Workload balancing: every floating item is taken off its days and placed
// again, in priority list order, on the earliest day that still has room.
// Room is a day's free minutes less the free reserve the user keeps clear
// (today's reserve shrinks with the part of the day that is left), and no
// floating item goes to the keep-clear dates.
//
// A run (balanceWorkload):
//  1. chooses its mode: full when forced, or when no full run has been made
//     today and the clock is past 1:39; else quick;
//  2. quick: the entries on today of items beyond the first 200 of the list
//     are placed again first (today's free time shrinks as the day goes);
//     then the first 200 items are taken off their days. Full: every
//     floating item is taken off every day;
//  3. places the items taken off, in list order, with prerequisites and
//     sequences binding (PlacementContext::balancing). Started and done
//     items and the excluded item (the user's selection) stay where they
//     are;
//  4. an item that still has no day is put back on the day it had, so it
//     is never lost, and reported;
//  5. a full run records today as the last balance day; today is laid out.
//
// The caller decides whether a run may start (change access, busy marks,
// undone items of past days), holds the schedule for the whole run (the
// background-work lock), and clears the rebalance request afterwards.
//
// The settings live in the schedule header; files from older programs are
// read as they are, and values outside their ranges are clamped where
// they are used.

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/placementcontext.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zk {

class Schedule;
class ScheduleHeader;

extern const char* const kZeroDayLengthText;
extern const char* const kNotScheduledSuffix;  // " was not scheduled!"

// --- settings --------------------------------------------------------------------------

// Header offsets of the balancing settings (i16 each).
namespace BalanceHeader {
inline constexpr std::size_t todayReserveAt = 502;
inline constexpr std::size_t futureReserveAt = 504;
inline constexpr std::size_t lastBalanceDayAt = 506;
inline constexpr std::size_t marvalHorizonAt = 508;
} // namespace BalanceHeader

inline constexpr int kMaxFreeReserve = 1380;
inline constexpr int kMinSplitLimit = 720;

struct BalanceSettings {
    int todayReserve = 0;   // minutes, 0..1380
    int futureReserve = 0;  // minutes, 0..1380
    DayNumber keepClearFirst;
    DayNumber keepClearLast;
    int minSplitMinutes = 15;  // 1..720
    DayNumber lastBalanceDay;
    int marvalHorizonMonths = 0;
};

// The settings as the header holds them, clamped to their ranges.
BalanceSettings balanceSettings(const ScheduleHeader& header);
void storeBalanceSettings(ScheduleHeader& header, const BalanceSettings& settings);

// Whether no floating item may go to the day: with only the last date set,
// every day up to it; with only the first, that day; with both, the days
// between them.
bool dayIsKeptClear(const ScheduleHeader& header, DayNumber day);

// Minutes to keep free on the day. On today the reserve is scaled by the
// part of the day window still ahead; a window of no length gives 0.
int reserveOfDay(const Schedule& schedule, DayNumber day, const PlacementContext& context);
bool dayWindowIsEmpty(const Schedule& schedule);

// --- the run -----------------------------------------------------------------------------

enum class BalanceMode { Full, Quick };

inline constexpr std::size_t kQuickRunItems = 200;

BalanceMode chooseBalanceMode(const Schedule& schedule, const PlacementContext& context, bool forced);

struct BalanceOptions {
    bool forced = false;  // the Balance Workload command: always a full run
    ItemHandle excluded;  // stays where it is
    // Before each item of the list is handled: its number (from 1), the
    // number of items the run handles, and the item.
    std::function<void(std::size_t number, std::size_t count, ItemHandle item)> progress;
};

struct UnscheduledItem {
    ItemHandle item;
    DayNumber keptOn;  // the day it was put back on
};

struct BalanceOutcome {
    BalanceMode mode = BalanceMode::Full;
    int placed = 0;
    // Items the run left without a day (each put back on its old day).
    std::vector<UnscheduledItem> unscheduled;
    // Items that found no day with room before their deadline or horizon
    // and went to that last day, overbooked.
    std::vector<ItemHandle> overbooked;
    bool zeroDayWindow = false;
};

BalanceOutcome balanceWorkload(Schedule& schedule, const PlacementContext& context, const BalanceOptions& options = {});

// "<description> was not scheduled!"
std::string notScheduledText(const Schedule& schedule, ItemHandle item);

} // namespace zk
