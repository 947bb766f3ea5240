#pragma once
// Why an item is where it is: the first day it could go to and what set
// that day, the last day it may go to, each earlier day it did not go to
// with the reason, and what it overlaps where it lies. Read only: the
// explanation is drawn from the schedule as it stands (the capacities are
// those of the days now, with the balancing reserves).

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/conflicts.h"
#include "engine/placementcontext.h"

#include <string>
#include <vector>

namespace zk {

class Schedule;

enum class EarliestCause { Today, Postpone, Prerequisite, Sequence };
// HasRoom: the day would take the item now (a run would place it there).
enum class SkipReason { Past, KeptClear, Weekday, Capacity, NoGap, HasRoom };

const char* causeName(EarliestCause cause);
const char* skipReasonName(SkipReason reason);

struct SkippedDay {
    DayNumber day;
    DayNumber through;  // a run of past days is one line
    SkipReason reason = SkipReason::NoGap;
    int capacity = 0;  // for Capacity: the day's capacity and the item's need
    int need = 0;
};

struct PlacementReasons {
    DayNumber day;  // the first day holding an entry of the item; none
    TimeValue start;
    bool floating = false;
    bool conflicting = false;  // its entry there is marked conflicting
    DayNumber earliest;
    EarliestCause earliestBy = EarliestCause::Today;
    ItemHandle prerequisite;
    ItemHandle aheadInSequence;
    DayNumber latest;  // the deadline; none
    std::vector<SkippedDay> skipped;
    std::vector<Conflict> conflicts;  // what it overlaps on its day
};

inline constexpr int kMostSkippedDays = 400;

PlacementReasons explainPlacement(Schedule& schedule, ItemHandle item, const PlacementContext& context);

} // namespace zk
