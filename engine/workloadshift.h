#pragma once
// The commands that change one day's load by hand:
// - lessWorkload: today's free reserve grows by 10 minutes, and the least
//   important floating item of the day (the last in the priority list) that
//   may move without passing its deadline goes to the next day it is
//   allowed on;
// - moreWorkload: today's free reserve shrinks by 10 minutes, and the first
//   item of the priority list that lies on a later day and may be placed on
//   the day comes to it;
// - optimize: today's entries are reordered pair by pair where that helps,
//   up to ten swaps: a later entry that fits a free gap before an earlier
//   one goes ahead of it, anchored entries follow their times, a fitting
//   entry gives way to a conflicting one, and an entry marked with flag bit
//   22 goes ahead of one that is not.
// Each works through a Placement, so the days it changes are laid out.

#include "core/daynumber.h"
#include "core/item.h"

#include <optional>

namespace zk {

class Placement;

inline constexpr int kReserveStep = 10;
inline constexpr int kMostOptimizeSwaps = 10;
inline constexpr std::uint32_t kOptimizeFirstFlag = 0x400000;  // flag bit 22

struct WorkloadShift {
    ItemHandle item;  // the item moved; none when nothing could move (beep)
    DayNumber from;
    DayNumber to;
};

WorkloadShift lessWorkload(Placement& placement, DayNumber day);
WorkloadShift moreWorkload(Placement& placement, DayNumber day);

// The swaps made on today's list; 0 when the list was left as it was.
int optimizeToday(Placement& placement);

} // namespace zk
