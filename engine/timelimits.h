#pragma once
// Where on a day, and from which day on, an item may be placed.
//
// - latestEndOn: the time by which the item must end on a day: a done or
//   anchored item ends where it ends; others end by their own latest end,
//   never after the day window, and on the deadline day by the deadline time.
// - earliestBeginOn: the time before which the item may not begin: a done or
//   anchored item begins at its begin time; others no earlier than their own
//   earliest begin and the day window, the postpone time on the postpone day,
//   the end of business hours for an off-hours item on a business day and,
//   inside a balancing run, the end of a prerequisite (plus its lag) or of
//   the item ahead in a sequence when that lies on the same day.
// - earliestDay: the first day the item may go to.
//
// Times are time values (a value, not a count of minutes); every result is
// computed from the fields as they are, however odd, without a fault.

#include "core/daynumber.h"
#include "core/item.h"

#include <optional>

namespace zk {

class Schedule;
struct PlacementContext;

TimeValue latestEndOn(const Schedule& schedule, ItemHandle item, DayNumber day);
// May clear a prerequisite link that names a floating item (and say so).
TimeValue earliestBeginOn(Schedule& schedule, ItemHandle item, DayNumber day, const PlacementContext& context);
DayNumber earliestDay(const Schedule& schedule, ItemHandle item, const PlacementContext& context);

// The fewest minutes one piece of the item may have: its duration, or the
// minimum split piece for a split item when that is shorter.
int minimumPiece(const Schedule& schedule, const ItemRecord& item);

// Where the item's placements on the day end: the latest |start| + placed
// minutes of its entries there; nothing when it has none on that day.
std::optional<TimeValue> endOnDay(const Schedule& schedule, ItemHandle item, DayNumber day);

extern const char* const kFloatingPrerequisiteText;

} // namespace zk
