#pragma once
// Calendar arithmetic on day numbers and time values: civil dates, weekdays,
// business days, months, the two week-number schemes and the 4-4-5 period
// calendar.
//
// Contract:
// - dayOf() and civilDate() use the schedule's own formulas, which are exact
//   for 1901..2099 (every day number a 16-bit field can hold); outside that
//   they fall back to the proleptic Gregorian calendar, so no input is
//   undefined. Neither validates: callers check DayNumber::isUsable().
// - Weekdays are 0 = Sunday .. 6 = Saturday.
// - Week numbers are 1..53. Period weeks and 4-4-5 periods belong to a
//   "period year" that starts on its first period week; the days of January
//   before it belong to the last period of the year before.
// - Every function is pure, except that civilDate() keeps a one-entry cache
//   per thread.

#include "core/daynumber.h"
#include "core/regional.h"

namespace zk {

struct CivilDate {
    int year = 1980;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

bool isLeapYear(int year);
// 28..31; 0 for a month outside 1..12.
int monthLength(int month, int year);

// Years below 70 mean 2000 + year, below 200 mean 1900 + year. A month
// outside 1..12 carries into the year.
DayNumber dayOf(int month, int day, int year);
CivilDate civilDate(DayNumber d);

inline int weekday(DayNumber d) { return d.weekday(); }
inline bool isWeekend(DayNumber d) { return d.isWeekend(); }
// The first business day after d / before d.
DayNumber nextBusinessDay(DayNumber d);
DayNumber previousBusinessDay(DayNumber d);

// Adds n months (negative: back), carrying years and clamping the day to the
// new month's length: 31 January + 1 month is 28 or 29 February.
DayNumber addMonths(DayNumber d, int n);
DayNumber addYears(DayNumber d, int n);
// (year2 - year1) x 12 + month2 - month1.
int monthsBetween(DayNumber from, DayNumber to);
// The n-th (1-based) weekday of a month; n of 5 may run into the next month.
DayNumber nthWeekdayOfMonth(int n, int weekday, int month, int year);
// The next day after today with that weekday: today + 1 .. today + 7.
DayNumber nextWeekdayAfter(DayNumber today, int weekday);
// The Monday (weekStartsMonday) or Sunday on or before d.
DayNumber startOfWeek(DayNumber d, bool weekStartsMonday);
// The day new work is planned for: today, or tomorrow from 17:00 on.
DayNumber planningDay(DayNumber today, TimeValue now);

// Clock helpers beside TimeValue::hour(), startOfHour() and minutesBetween().
inline bool isOnTheHour(TimeValue now) { return now.minute() == 0; }
inline bool isAtMinuteOfHour(TimeValue now, int minute) { return now.minute() == minute; }

// Calendar week (month view, week numbers shown to the user).
DayNumber firstCalendarWeekStart(int year, const WeekSettings& week);
int calendarWeek(DayNumber d, const WeekSettings& week);

// Period week and the 4-4-5 period calendar (period views).
DayNumber firstPeriodWeekStart(int year, const WeekSettings& week);
int periodYear(DayNumber d, const WeekSettings& week);
int periodWeek(DayNumber d, const WeekSettings& week);      // 1..53
int periodOfYear(DayNumber d, const WeekSettings& week);    // 1..12
DayNumber periodStart(DayNumber d, const WeekSettings& week);
int weekOfPeriod(DayNumber d, const WeekSettings& week);    // 1..6
// (period year - 1980) x 12 + period: consecutive periods differ by one.
int periodIndex(DayNumber d, const WeekSettings& week);
// Periods from one day to a later one; 0 when `to` is earlier.
int periodsBetween(DayNumber from, DayNumber to, const WeekSettings& week);
// Moves n periods, keeping the day's offset from its period start but never
// leaving the target period.
DayNumber addPeriods(DayNumber d, int n, const WeekSettings& week);

} // namespace zk
