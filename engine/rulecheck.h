#pragma once
// The checks a recurrence rule passes before the definition dialog stores
// it. checkRule() repairs what it may (an interval of 0, all months
// excluded) and refuses what it may not, each with its message:
//  1. interval 0 becomes 2 for the "Every" choices and 1 for plain Daily;
//  2. an end day before the start day (0 = today) is refused;
//  3. Nearest without weekdays or without a day of month is refused;
//  4. all twelve months excluded on a definition that is not suspended:
//     the exclusion is cleared, with its message, and the check goes on;
//  5. a rule that is not suspended and has no occurrence in its range is
//     refused.
// The result says whether the rule may be stored; on false the dialog
// stays open with what the user chose.

#include "core/daynumber.h"
#include "core/recurrence.h"

namespace zk {

class Messages;

// Which choice of the dialog the interval came from.
enum class IntervalChoice { PlainDaily, Every };

bool checkRule(RecurrenceRecord& rule, IntervalChoice choice, Messages& messages, DayNumber today);

extern const char* const kStartEndConflictText;
extern const char* const kNearestNeedsDaysText;
extern const char* const kMonthBoxesResetText;
extern const char* const kNoInstancesText;

} // namespace zk
