#pragma once
// Conflict checking: whether an anchored item overlaps other anchored items.
// Overlaps are judged from the items' own begin times and durations, not
// from their day entries; floating items never conflict here (the day
// layout marks theirs), nor do items on hold.
//
// The check is split in two: collecting the overlaps (under the schedule's
// lock, fast, no questions) and telling the user about them one by one
// (without the lock). So a reload between two questions can never leave a
// walk of a day list pointing at a list that has gone.
//
// A recurring definition is checked on each of its occurrences from today
// until a year ahead; days its exception list names are skipped.

#include "core/daynumber.h"
#include "core/item.h"

#include <functional>
#include <string>
#include <vector>

namespace zk {

class Messages;
class Schedule;

extern const char* const kConflictQuestionText;   // printf form: date, other item's title
extern const char* const kConflictCheckingTitle;  // "Conflict Checking..."

inline constexpr int kConflictCheckDays = 365;

struct Conflict {
    DayNumber day;
    ItemHandle item;   // the item checked
    ItemHandle other;  // the anchored item it overlaps
    int minutes = 0;   // how long they overlap
};

// Overlapping minutes of [begin, begin + duration) of the two items; 0 when
// they only touch or do not meet.
int overlapMinutes(const ItemRecord& a, const ItemRecord& b);

// Whether the item is one the check looks at: anchored, and on a day or a
// recurring definition.
bool isCheckedForConflicts(const Schedule& schedule, ItemHandle item);

// The days the check of the item covers, in order: its own day, or the
// occurrences of a definition from today before today + 365 (exception
// days left out).
std::vector<DayNumber> conflictCheckDays(Schedule& schedule, ItemHandle item, DayNumber today);

// The overlaps of the item with the anchored items of the day, in the day's
// order. The day's record is made when missing.
std::vector<Conflict> conflictsOnDay(Schedule& schedule, ItemHandle item, DayNumber day);

// Every overlap over the days the check covers. `progress` hears each day
// before it is checked.
std::vector<Conflict> collectConflicts(Schedule& schedule, ItemHandle item, DayNumber today,
                                       const std::function<void(DayNumber)>& progress = {});

// The question for each overlap, formed while the schedule is at hand.
std::vector<std::string> conflictQuestions(const Schedule& schedule, const std::vector<Conflict>& conflicts);
// Asks them in turn ("Continue Checking?"); stops at the first No. True
// when every question was answered Yes.
bool askAboutConflicts(Messages& messages, const std::vector<std::string>& questions);

} // namespace zk
