#pragma once
// When a recurring definition occurs: the occurrence test of its rule and
// the searches over days built on it.
//
// Contract:
// - A rule's start day 0 means today and its end day 0 means no end (the
//   last usable day). The engine reads no clock: callers pass today.
// - ruleOccursOn() is pure and ignores the suspended bit. A rule without a
//   period bit is read as daily from today, every day.
// - The functions on a definition item read its stored rule. A suspended
//   definition never occurs. A stored rule without a period bit is repaired
//   first (made daily, start today, interval 1), with kNoTypeFlagsText, and
//   the schedule is marked changed.
// - The searches look no earlier than max(start day, first non-past day)
//   and no later than the end day, and step month by month: months that
//   cannot hold an occurrence (excluded, or off the interval) are skipped
//   without looking at their days. A call costs at most a few dozen tests
//   per month of the range it covers.
// - Days are day numbers; "none" results are kNoDay.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/recurrence.h"

namespace zk {

class Schedule;

extern const char* const kNoTypeFlagsText;

// The first day of the series (today when stored as 0) and its last day.
DayNumber ruleStartDay(const RecurrenceRecord& rule, DayNumber today);
DayNumber ruleEndDay(const RecurrenceRecord& rule);

// Whether the rule occurs on the day.
bool ruleOccursOn(const RecurrenceRecord& rule, DayNumber day, DayNumber today);
// The first / last day in [from, last] on which the rule occurs, or none.
// The rule's own range bounds the search too.
DayNumber firstRuleDay(const RecurrenceRecord& rule, DayNumber from, DayNumber last, DayNumber today);
DayNumber lastRuleDay(const RecurrenceRecord& rule, DayNumber from, DayNumber last, DayNumber today);

// The first day occurrences are put on: the day after the last past day,
// or today when the schedule has no past days yet.
DayNumber firstNonPastDay(const Schedule& schedule, DayNumber today);

// 1 when the definition occurs on the day, 0 when not, -1 when the item is
// not a known definition (its title is reported).
int occursOn(Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today);

// The first day after `after` (the last day before `before`) on which the
// definition occurs, within [max(start day, first non-past day), end day];
// none when there is none.
DayNumber nextOccurrence(Schedule& schedule, ItemHandle definition, DayNumber after, DayNumber today);
DayNumber previousOccurrence(Schedule& schedule, ItemHandle definition, DayNumber before, DayNumber today);
// As above, skipping the days of the definition's exception list.
DayNumber nextStandardOccurrence(Schedule& schedule, ItemHandle definition, DayNumber after, DayNumber today);
DayNumber previousStandardOccurrence(Schedule& schedule, ItemHandle definition, DayNumber before, DayNumber today);
// The previous standard occurrence before `day`, or, when later, the day an
// exception of the definition is on now, if that lies between it and `day`.
DayNumber latestOccurrenceBefore(Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today);
// The days from the start day up to and including `upTo` on which the
// definition occurs.
int countOccurrences(Schedule& schedule, ItemHandle definition, DayNumber upTo, DayNumber today);
// (day - start day) div 7.
int weeksSinceStart(const Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today);

} // namespace zk
