#include "engine/occurrences.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "platform/fault.h"

#include <algorithm>

namespace zk {

const char* const kNoTypeFlagsText =
    "A recurring item has been detected with no type flags on (a data error). It will be made daily recurring on "
    "future days so you can notice it, and edit it.";

namespace {

constexpr const char* kModule = "Recur";
constexpr std::uint8_t kPeriodBits = RecurType::daily | RecurType::weekly | RecurType::monthly | RecurType::annually;
constexpr std::uint8_t kWeekdayBits = 0x7F;
constexpr std::uint32_t kDayOfMonthBits = 0x7FFFFFFF;  // bit k-1 = day k
constexpr std::uint32_t kGridBits = 0x0FFFFFFF;        // 4 rows of 7 weekdays

int intervalOf(const RecurrenceRecord& r) { return r.interval() > 0 ? r.interval() : 1; }

// The one period a rule follows: the first bit set, daily when none is.
std::uint8_t periodOf(const RecurrenceRecord& r)
{
    for (std::uint8_t bit : {RecurType::daily, RecurType::weekly, RecurType::monthly, RecurType::annually})
        if (r.typeByte() & bit)
            return bit;
    return RecurType::daily;
}

bool onWeekday(std::uint8_t mask, DayNumber d) { return (mask & (1u << d.weekday())) != 0; }

bool monthExcluded(const RecurrenceRecord& r, int month) { return (r.monthWord() & (1u << (month - 1))) != 0; }

// Day k of a month of `length` days is selected by its own bit, or, as the
// month's last day from the 28th on, by the bit of any later day.
bool selectedDayOfMonth(std::uint32_t bits, int k, int length)
{
    bits &= kDayOfMonthBits;
    if (bits & (1u << (k - 1)))
        return true;
    return k == length && k >= 28 && (bits >> k) != 0;
}

bool selectedDay(std::uint32_t bits, DayNumber d)
{
    CivilDate c = civilDate(d);
    return selectedDayOfMonth(bits, c.day, monthLength(c.month, c.year));
}

// Steps from d (step -1 or +1): 0 when a day on an allowed weekday comes
// first, else the number of steps to the selected day met first. An
// allowed weekday is met within seven steps, so the walk is short.
int distanceToSelected(std::uint32_t bits, std::uint8_t allowed, DayNumber d, int step)
{
    for (int i = 1; i <= 7; ++i) {
        DayNumber x = d + step * i;
        if (onWeekday(allowed, x))
            return 0;
        if (selectedDay(bits, x))
            return i;
    }
    return 0;
}

bool noAllowedWeekdayIn(std::uint8_t allowed, DayNumber from, DayNumber to)
{
    for (DayNumber x = from; x <= to; ++x)
        if (onWeekday(allowed, x))
            return false;
    return true;
}

// A selected day that falls on a weekday not allowed moves to the nearest
// allowed weekday (the earlier one on a tie), or only forward (On/After) or
// only backward (On/Before).
bool nearestHolds(const RecurrenceRecord& r, DayNumber d)
{
    std::uint8_t allowed = r.weekdayByte() & kWeekdayBits;
    std::uint32_t bits = r.dayMask();
    if (!onWeekday(allowed, d))
        return false;  // also when no weekday is allowed
    if (selectedDay(bits, d))
        return true;
    int back = distanceToSelected(bits, allowed, d, -1);
    int ahead = distanceToSelected(bits, allowed, d, +1);
    bool after = (r.optionByte() & RecurOption::onOrAfter) != 0;
    bool before = (r.optionByte() & RecurOption::onOrBefore) != 0;
    if (after && before)
        return false;
    if (after)
        return back > 0;
    if (before)
        return ahead > 0;
    if (ahead > 0) {
        DayNumber selected = d + ahead;
        if (noAllowedWeekdayIn(allowed, selected + 1, selected + ahead - 1))
            return true;
    }
    if (back > 0) {
        DayNumber selected = d - back;
        DayNumber far = d - 2 * back;
        if (!onWeekday(allowed, far) && noAllowedWeekdayIn(allowed, far + 1, selected - 1))
            return true;
    }
    return false;
}

// 4-4-5 periods counted from 1 January of each year: weeks 1-4, 5-8 and
// 9-13 of every quarter; the days after week 52 stay in the last period.
int fourFourFivePeriod(DayNumber d)
{
    CivilDate c = civilDate(d);
    int week = (d - dayOf(1, 1, c.year)) / 7;       // [0, 52]
    int quarter = std::min(week / 13, 3);           // [0, 3]
    int inQuarter = week - quarter * 13;            // [0, 13]
    int period = quarter * 3 + (inQuarter < 4 ? 0 : inQuarter < 8 ? 1 : 2);  // [0, 11]
    return (c.year - 1980) * 12 + period;
}

bool fourFourFiveOccurs(const RecurrenceRecord& r, DayNumber d, DayNumber start)
{
    if ((fourFourFivePeriod(d) - fourFourFivePeriod(start)) % intervalOf(r) != 0)
        return false;
    CivilDate c = civilDate(d);
    int q = ((d - dayOf(1, 1, c.year)) / 7 + 1) % 13;  // [0, 12]; 0 reads as 13
    if (q == 0)
        q = 13;
    int week = q <= 4 ? q : q <= 8 ? q - 4 : q <= 12 ? q - 8 : 5;  // [1, 5]
    if (week == 5)
        return onWeekday(r.weekdayByte() & kWeekdayBits, d);
    return (r.dayMask() & (1u << ((week - 1) * 7 + d.weekday()))) != 0;
}

bool weekdayOfMonthOccurs(const RecurrenceRecord& r, DayNumber d, DayNumber start)
{
    if (monthsBetween(start, d) % intervalOf(r) != 0)
        return false;
    CivilDate c = civilDate(d);
    int week = (c.day - 1) / 7 + 1;  // [1, 5]
    if (week <= 4 && (r.dayMask() & (1u << ((week - 1) * 7 + d.weekday()))) != 0)
        return true;
    return c.day > monthLength(c.month, c.year) - 7 && onWeekday(r.weekdayByte() & kWeekdayBits, d);
}

bool monthlyOccurs(const RecurrenceRecord& r, DayNumber d, DayNumber start)
{
    std::uint8_t weekdays = r.weekdayByte() & kWeekdayBits;
    if ((r.weekdayByte() & kWeekdayByteFourFourFive) && (r.dayMask() != 0 || weekdays != 0))
        return fourFourFiveOccurs(r, d, start);
    if ((r.dayMask() & kDayMaskWeekdayGrid) && ((r.dayMask() & kGridBits) != 0 || weekdays != 0))
        return weekdayOfMonthOccurs(r, d, start);
    if ((r.dayMask() & kDayOfMonthBits) != 0) {
        if (r.optionByte() & RecurOption::nearest)
            return nearestHolds(r, d) && monthsBetween(start - 7, d) % intervalOf(r) == 0;
        return monthsBetween(start, d) % intervalOf(r) == 0 && selectedDay(r.dayMask(), d);
    }
    // The start's day of month only: a month too short to hold it has no
    // occurrence, as a mask would have to say otherwise.
    return monthsBetween(start, d) % intervalOf(r) == 0 && civilDate(d).day == civilDate(start).day;
}

bool annualOccurs(const RecurrenceRecord& r, DayNumber d, DayNumber start)
{
    CivilDate c = civilDate(d);
    CivilDate s = civilDate(start);
    return c.month == s.month && c.day == s.day && (c.year - s.year) % intervalOf(r) == 0;
}

bool periodOccurs(const RecurrenceRecord& r, DayNumber d, DayNumber start)
{
    int k = intervalOf(r);
    switch (periodOf(r)) {
    case RecurType::weekly: {
        std::uint8_t mask = r.weekdayByte() & kWeekdayBits;
        int weeks = (d - start) / 7;
        if (mask != 0)
            return onWeekday(mask, d) && weeks % k == 0;
        return (d - start) % 7 == 0 && weeks % k == 0;
    }
    case RecurType::monthly: return monthlyOccurs(r, d, start);
    case RecurType::annually: return annualOccurs(r, d, start);
    default: return (d - start) % k == 0;
    }
}

// Whether a month (given by its first day) can hold an occurrence at all,
// so that the searches skip it without testing its days.
bool monthMayHold(const RecurrenceRecord& r, DayNumber monthFirst, DayNumber start)
{
    CivilDate c = civilDate(monthFirst);
    if (monthExcluded(r, c.month))
        return false;
    int k = intervalOf(r);
    switch (periodOf(r)) {
    case RecurType::annually: {
        CivilDate s = civilDate(start);
        return c.month == s.month && (c.year - s.year) % k == 0;
    }
    case RecurType::monthly:
        if (r.weekdayByte() & kWeekdayByteFourFourFive)
            return true;
        if ((r.dayMask() & kDayOfMonthBits) != 0 && (r.optionByte() & RecurOption::nearest)
            && !(r.dayMask() & kDayMaskWeekdayGrid))
            return monthsBetween(start - 7, monthFirst) % k == 0;
        return monthsBetween(start, monthFirst) % k == 0;
    default: return true;
    }
}

struct MonthSpan {
    DayNumber first;
    DayNumber last;
};

MonthSpan monthOf(DayNumber d)
{
    CivilDate c = civilDate(d);
    DayNumber first = d - (c.day - 1);
    return {first, first + (monthLength(c.month, c.year) - 1)};
}

// The range the rule can occur in within [from, last].
std::pair<DayNumber, DayNumber> searchRange(const RecurrenceRecord& r, DayNumber from, DayNumber last, DayNumber today)
{
    DayNumber lo = std::max({from, ruleStartDay(r, today), DayNumber(1)});
    DayNumber hi = std::min({last, ruleEndDay(r), kLastUsableDay});
    return {lo, hi};
}

const RecurrenceRecord* activeRule(Schedule& s, ItemHandle definition, DayNumber today);

} // namespace

DayNumber ruleStartDay(const RecurrenceRecord& rule, DayNumber today)
{
    return rule.startDay().isNone() ? today : rule.startDay();
}

DayNumber ruleEndDay(const RecurrenceRecord& rule) { return rule.endDay(); }

bool ruleOccursOn(const RecurrenceRecord& rule, DayNumber day, DayNumber today)
{
    DayNumber start = ruleStartDay(rule, today);
    if (day < start || day > ruleEndDay(rule) || day.isNone())
        return false;
    if (monthExcluded(rule, civilDate(day).month))
        return false;
    return periodOccurs(rule, day, start);
}

DayNumber firstRuleDay(const RecurrenceRecord& rule, DayNumber from, DayNumber last, DayNumber today)
{
    auto [lo, hi] = searchRange(rule, from, last, today);
    DayNumber start = ruleStartDay(rule, today);
    for (DayNumber d = lo; d <= hi;) {
        MonthSpan month = monthOf(d);
        if (monthMayHold(rule, month.first, start))
            for (DayNumber x = d; x <= std::min(month.last, hi); ++x)
                if (ruleOccursOn(rule, x, today))
                    return x;
        d = month.last + 1;
    }
    return kNoDay;
}

DayNumber lastRuleDay(const RecurrenceRecord& rule, DayNumber from, DayNumber last, DayNumber today)
{
    auto [lo, hi] = searchRange(rule, from, last, today);
    DayNumber start = ruleStartDay(rule, today);
    for (DayNumber d = hi; d >= lo;) {
        MonthSpan month = monthOf(d);
        if (monthMayHold(rule, month.first, start))
            for (DayNumber x = d; x >= std::max(month.first, lo); --x)
                if (ruleOccursOn(rule, x, today))
                    return x;
        d = month.first - 1;
    }
    return kNoDay;
}

DayNumber firstNonPastDay(const Schedule& schedule, DayNumber today)
{
    DayNumber lastPast = schedule.header.lastPastDay();
    return lastPast.isNone() ? today : lastPast + 1;
}

namespace {

// The definition's rule, repaired when it has no period; none when the
// definition is suspended.
const RecurrenceRecord* activeRule(Schedule& s, ItemHandle definition, DayNumber today)
{
    const RecurrenceRecord& stored = s.recurrences.ruleOf(definition);
    if ((stored.typeByte() & kPeriodBits) == 0) {
        s.report(kNoTypeFlagsText);
        RecurrenceRecord repaired = stored;
        repaired.setTypeByte(static_cast<std::uint8_t>(repaired.typeByte() | RecurType::daily));
        if (repaired.startDay().isNone())
            repaired.setStartDay(today);
        if (repaired.interval() == 0)
            repaired.setInterval(1);
        s.recurrences.setRule(definition, repaired);
        s.dirty = true;
    }
    const RecurrenceRecord& rule = s.recurrences.ruleOf(definition);
    return (rule.monthWord() & kMonthWordSuspended) ? nullptr : &rule;
}

DayNumber lowerBound(const Schedule& s, const RecurrenceRecord& rule, DayNumber today)
{
    return std::max(ruleStartDay(rule, today), firstNonPastDay(s, today));
}

bool listed(const Schedule& s, ItemHandle definition, DayNumber day)
{
    return s.recurrences.findEntry(definition, day).has_value();
}

} // namespace

int occursOn(Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today)
{
    ZK_CHECK(schedule.items.isLive(definition), kModule);
    if (!schedule.recurrences.contains(definition)) {
        schedule.report(schedule.titleOf(definition));
        return -1;
    }
    const RecurrenceRecord* rule = activeRule(schedule, definition, today);
    return rule && ruleOccursOn(*rule, day, today) ? 1 : 0;
}

DayNumber nextOccurrence(Schedule& schedule, ItemHandle definition, DayNumber after, DayNumber today)
{
    const RecurrenceRecord* rule = activeRule(schedule, definition, today);
    if (!rule)
        return kNoDay;
    DayNumber from = std::max(after + 1, lowerBound(schedule, *rule, today));
    return firstRuleDay(*rule, from, ruleEndDay(*rule), today);
}

DayNumber previousOccurrence(Schedule& schedule, ItemHandle definition, DayNumber before, DayNumber today)
{
    const RecurrenceRecord* rule = activeRule(schedule, definition, today);
    if (!rule)
        return kNoDay;
    return lastRuleDay(*rule, lowerBound(schedule, *rule, today), before - 1, today);
}

DayNumber nextStandardOccurrence(Schedule& schedule, ItemHandle definition, DayNumber after, DayNumber today)
{
    DayNumber d = nextOccurrence(schedule, definition, after, today);
    while (!d.isNone() && listed(schedule, definition, d))
        d = nextOccurrence(schedule, definition, d, today);
    return d;
}

DayNumber previousStandardOccurrence(Schedule& schedule, ItemHandle definition, DayNumber before, DayNumber today)
{
    DayNumber d = previousOccurrence(schedule, definition, before, today);
    while (!d.isNone() && listed(schedule, definition, d))
        d = previousOccurrence(schedule, definition, d, today);
    return d;
}

DayNumber latestOccurrenceBefore(Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today)
{
    DayNumber latest = previousStandardOccurrence(schedule, definition, day, today);
    if (const ExceptionList* list = schedule.recurrences.exceptionListOf(definition)) {
        for (const ExceptionEntry& e : *list) {
            if (!e.item || !schedule.items.isLive(e.item))
                continue;
            DayNumber now(schedule.record(e.item).dayField());
            if (now > latest && now < day)
                latest = now;
        }
    }
    return latest;
}

int countOccurrences(Schedule& schedule, ItemHandle definition, DayNumber upTo, DayNumber today)
{
    const RecurrenceRecord* rule = activeRule(schedule, definition, today);
    if (!rule)
        return 0;
    DayNumber start = ruleStartDay(*rule, today);
    auto [lo, hi] = searchRange(*rule, start, upTo, today);
    int count = 0;
    for (DayNumber d = lo; d <= hi;) {
        MonthSpan month = monthOf(d);
        if (monthMayHold(*rule, month.first, start))
            for (DayNumber x = d; x <= std::min(month.last, hi); ++x)
                count += ruleOccursOn(*rule, x, today) ? 1 : 0;
        d = month.last + 1;
    }
    return count;
}

int weeksSinceStart(const Schedule& schedule, ItemHandle definition, DayNumber day, DayNumber today)
{
    int days = day - ruleStartDay(schedule.recurrences.ruleOf(definition), today);
    return days >= 0 ? days / 7 : -((6 - days) / 7);
}

} // namespace zk
