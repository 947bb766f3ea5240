#pragma once
// The layout of one day: the start time of every entry, computed from the
// order of the day's entries, the item fields and the clock. Layout is
// recomputed, never stored apart from the entries; every change to a day and
// every opening of a day for display lays it out again, so what is shown
// agrees with the list order, the items and the clock.
//
// Invariants after layoutDay(d), for d's entries in list order:
//  1. The first entry whose item is "First" of the day stands at the head,
//     the first whose item is "Last" at the end.
//  2. An entry's placed minutes equal its item's duration, except that a
//     piece of a split item keeps its own length (never above the duration).
//  3. An on-hold entry starts at 0 and takes no time.
//  4. A started entry starts at its begin time (at its old start when it has
//     none); a done or anchored entry at its begin time. For a started split
//     item on today only the first piece counts as started.
//  5. Every other entry starts at the running end R of the entries before it,
//     or at the current minute on today, or at the day start, whichever is
//     latest, raised to its earliest begin and capped at 2880; when even the
//     running end lies beyond 2880 it gets no time (start 0). An entry just
//     before a done one follows the running end directly.
//  6. An entry is conflicting (negative start) when it begins before R, or
//     (unless done or started) before the current minute on today, or, laid
//     into free time, when it cannot end by its latest end.
//  7. Layout walks the list once and reads nothing outside the day's
//     entries, whatever the items hold.

#include "core/daynumber.h"
#include "engine/placementcontext.h"

namespace zk {

class Clock;
class DayRecord;
class Schedule;

// Lays out the day; false when the day has no record.
bool layoutDay(Schedule& schedule, DayNumber day, const PlacementContext& context);

// Moves the "First" and "Last" entries of the day to the two ends.
void applyFirstAndLast(Schedule& schedule, DayNumber day);

// Minutes of the day window not covered by the day's entries; on today the
// window starts no earlier than now. Entries without a start (on hold, or
// pushed beyond the day) take no time; overlapping entries each count, so
// the result may be negative.
int freeMinutesOfDay(const Schedule& schedule, DayNumber day, const PlacementContext& context);

// The one way a view or a report reaches a day: the record (created when
// missing), laid out at the clock's moment. Null when the day cannot be had.
DayRecord* openDayForDisplay(Schedule& schedule, DayNumber day, const Clock& clock);
DayRecord* openDayForDisplay(Schedule& schedule, DayNumber day, const PlacementContext& context);

// Stores a start time value with the conflict sign, within the i16 field.
std::int16_t signedStart(int time, bool conflicting);

} // namespace zk
