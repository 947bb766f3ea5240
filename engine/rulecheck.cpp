#include "engine/rulecheck.h"

#include "engine/occurrences.h"
#include "platform/messages.h"

namespace zk {

const char* const kStartEndConflictText = "Start and End dates are in conflict";
const char* const kNearestNeedsDaysText =
    "For Nearest, you need to indicate desired choice of weekdays and at least one day of month.";
const char* const kMonthBoxesResetText = "Can't have no month boxes selected, They have been reset.";
const char* const kNoInstancesText =
    "Because of the your chosen start and end dates, this recurring item has no instances.";

namespace {

bool nearestLacksDays(const RecurrenceRecord& rule)
{
    if (!(rule.typeByte() & RecurType::monthly) || !(rule.optionByte() & RecurOption::nearest))
        return false;
    return (rule.weekdayByte() & 0x7F) == 0 || (rule.dayMask() & 0x7FFFFFFF) == 0;
}

} // namespace

bool checkRule(RecurrenceRecord& rule, IntervalChoice choice, Messages& messages, DayNumber today)
{
    if (rule.interval() == 0)
        rule.setInterval(choice == IntervalChoice::Every ? 2 : 1);
    DayNumber start = ruleStartDay(rule, today);
    if (rule.endDayField() != 0 && rule.endDay() < start) {
        messages.error(kStartEndConflictText);
        return false;
    }
    if (nearestLacksDays(rule)) {
        messages.error(kNearestNeedsDaysText);
        return false;
    }
    bool suspended = (rule.monthWord() & kMonthWordSuspended) != 0;
    if (suspended)
        return true;
    if ((rule.monthWord() & kMonthWordExcludedMonths) == kMonthWordExcludedMonths) {
        rule.setMonthWord(static_cast<std::uint16_t>(rule.monthWord() & ~kMonthWordExcludedMonths));
        messages.information(kMonthBoxesResetText);
    }
    if (firstRuleDay(rule, start, rule.endDay(), today).isNone()) {
        messages.error(kNoInstancesText);
        return false;
    }
    return true;
}

} // namespace zk
