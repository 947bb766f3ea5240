#include "core/calendar.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace zk {

namespace {

// Days before each month; the thirteenth entry is the length of the year.
constexpr std::array<std::array<int, 13>, 2> kDaysBeforeMonth = {{
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
}};

// The schedule's formulas count every fourth year from 1980 as a leap year,
// which holds from 1901 to 2099; 31 December 2099 is day 43829.
constexpr int kFirstExactYear = 1901;
constexpr int kLastExactYear = 2099;
constexpr int kLastExactDay = 43829;

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

int clampToInt(std::int64_t v)
{
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

const std::array<int, 13>& rowOf(int year) { return kDaysBeforeMonth[isLeapYear(year) ? 1 : 0]; }

// Days since 1 January 1970 of a proleptic Gregorian date (Howard Hinnant's
// days_from_civil), for years the schedule's formula does not cover.
std::int64_t daysFromCivil(std::int64_t y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = floorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;                              // [0, 399]
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1; // [0, 365]
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;      // [0, 146096]
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;                               // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);        // [0, 365]
    const std::int64_t mp = (5 * doy + 2) / 153;                             // [0, 11]
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);            // [1, 31]
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);               // [1, 12]
    return CivilDate{clampToInt(yoe + era * 400 + (m <= 2)), m, d};
}

// 1 January 1970 is day -3651 of the schedule: day number = Unix day - 3651.
constexpr std::int64_t kUnixDayOffset = 3651;

// Day number of a four-digit year, month 1..12 and any day count.
std::int64_t dayOfCivil(std::int64_t year, int month, std::int64_t day)
{
    if (year >= kFirstExactYear && year <= kLastExactYear)
        return floorDiv(year - 1977, 4)                        // leap days before the year
               + rowOf(static_cast<int>(year))[static_cast<size_t>(month - 1)] // [0, 335]
               + (year - 1980) * 365 + day;
    return daysFromCivil(year, month, 1) + day - 1 - kUnixDayOffset;
}

DayNumber dayFromCivil(std::int64_t year, int month, std::int64_t day) { return DayNumber(clampToInt(dayOfCivil(year, month, day))); }

CivilDate computeCivilDate(int d)
{
    if (d < 1 || d > kLastExactDay)
        return civilFromDays(std::int64_t{d} + kUnixDayOffset);
    const int k = (d - (d + 1400) / 1461 - 1) / 365;      // [0, 119] years since 1980
    const int dayOfYear = d - 365 * k - (k + 3) / 4;      // [1, 366]
    const int year = 1980 + k;
    const auto& row = rowOf(year);
    int month = 1;
    while (row[static_cast<size_t>(month)] < dayOfYear) // [1, 12]
        ++month;
    return CivilDate{year, month, dayOfYear - row[static_cast<size_t>(month - 1)]};
}

int weekStartDay(bool weekStartsMonday) { return weekStartsMonday ? 1 : 0; }

// Days from d forward to the next day with the weekday: [0, 6].
int daysUntil(DayNumber d, int weekday) { return ((weekday - d.weekday()) % 7 + 7) % 7; }

DayNumber periodStartOf(int periodYear, int period, const WeekSettings& week)
{
    const int p = period - 1;                             // [0, 11]
    // Four weeks a period, plus the fifth week of each quarter already past.
    return firstPeriodWeekStart(periodYear, week) + 7 * (4 * p + p / 3);
}

} // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int monthLength(int month, int year)
{
    if (month < 1 || month > 12)
        return 0;
    const auto& row = kDaysBeforeMonth[isLeapYear(year) ? 1 : 0];
    return row[static_cast<size_t>(month)] - row[static_cast<size_t>(month - 1)];
}

DayNumber dayOf(int month, int day, int year)
{
    std::int64_t y = year < 70 ? 2000 + std::int64_t{year} : year < 200 ? 1900 + std::int64_t{year} : year;
    const std::int64_t monthIndex = std::int64_t{month} - 1;
    y += floorDiv(monthIndex, 12);
    const int m = static_cast<int>(monthIndex - floorDiv(monthIndex, 12) * 12) + 1; // [1, 12]
    return dayFromCivil(y, m, day);
}

CivilDate civilDate(DayNumber d)
{
    // Views convert the same day over and over while painting.
    struct Entry {
        int day = 0;
        CivilDate date;
        bool valid = false;
    };
    thread_local Entry last;
    if (!last.valid || last.day != d.value())
        last = Entry{d.value(), computeCivilDate(d.value()), true};
    return last.date;
}

DayNumber nextBusinessDay(DayNumber d)
{
    do
        ++d;
    while (d.isWeekend());
    return d;
}

DayNumber previousBusinessDay(DayNumber d)
{
    do
        --d;
    while (d.isWeekend());
    return d;
}

DayNumber addMonths(DayNumber d, int n)
{
    const CivilDate c = civilDate(d);
    const std::int64_t total = std::int64_t{c.year} * 12 + (c.month - 1) + n;
    const std::int64_t year = floorDiv(total, 12);
    const int month = static_cast<int>(total - year * 12) + 1; // [1, 12]
    const int length = monthLength(month, static_cast<int>(year % 400));
    return dayFromCivil(year, month, std::min(c.day, length));
}

DayNumber addYears(DayNumber d, int n) { return addMonths(d, clampToInt(std::int64_t{n} * 12)); }

int monthsBetween(DayNumber from, DayNumber to)
{
    const CivilDate a = civilDate(from);
    const CivilDate b = civilDate(to);
    return clampToInt((std::int64_t{b.year} - a.year) * 12 + b.month - a.month);
}

DayNumber nthWeekdayOfMonth(int n, int weekday, int month, int year)
{
    const DayNumber first = dayOf(month, 1, year);
    return first + daysUntil(first, weekday) + 7 * (n - 1);
}

DayNumber nextWeekdayAfter(DayNumber today, int weekday) { return today + 1 + daysUntil(today + 1, weekday); }

DayNumber startOfWeek(DayNumber d, bool weekStartsMonday)
{
    return d - ((d.weekday() - weekStartDay(weekStartsMonday) + 7) % 7);
}

DayNumber planningDay(DayNumber today, TimeValue now) { return now.value() >= 1021 ? today + 1 : today; }

DayNumber firstCalendarWeekStart(int year, const WeekSettings& week)
{
    const DayNumber jan1 = dayFromCivil(year, 1, 1);
    switch (week.firstWeekRule) {
    case 1: // the first week that lies wholly in January
        return jan1 + daysUntil(jan1, weekStartDay(week.weekStartsMonday));
    case 2: { // the first week with four or more days in January
        const int anchor = week.weekStartsMonday ? 4 : 3; // Thursday or Wednesday
        return startOfWeek(jan1 + daysUntil(jan1, anchor), week.weekStartsMonday);
    }
    default: // the week of 1 January
        return startOfWeek(jan1, week.weekStartsMonday);
    }
}

int calendarWeek(DayNumber d, const WeekSettings& week)
{
    const DayNumber weekStart = startOfWeek(d, week.weekStartsMonday);
    // A week belongs to the year of its last day.
    const int year = civilDate(weekStart + 6).year;
    DayNumber first = firstCalendarWeekStart(year, week);
    if (d < first) // the days before it end the previous year's last week
        first = firstCalendarWeekStart(year - 1, week);
    return (weekStart - first) / 7 + 1; // [1, 53]
}

DayNumber firstPeriodWeekStart(int year, const WeekSettings& week)
{
    const DayNumber jan1 = dayFromCivil(year, 1, 1);
    const DayNumber firstSunday = jan1 + daysUntil(jan1, 0);
    const int adjust = std::clamp(week.yearFirstWeekAdjust, -52, 52);
    return firstSunday + (week.weekStartsMonday ? 1 : 0) + 7 * adjust;
}

int periodYear(DayNumber d, const WeekSettings& week)
{
    int year = civilDate(d).year;
    // Consecutive first weeks are 52 or 53 weeks apart, so with a clamped
    // adjustment each loop runs at most twice.
    while (d < firstPeriodWeekStart(year, week))
        --year;
    while (d >= firstPeriodWeekStart(year + 1, week))
        ++year;
    return year;
}

int periodWeek(DayNumber d, const WeekSettings& week)
{
    return (d - firstPeriodWeekStart(periodYear(d, week), week)) / 7 + 1; // [1, 53]
}

int periodOfYear(DayNumber d, const WeekSettings& week)
{
    const int w = periodWeek(d, week) - 1;                    // [0, 52]
    const int quarter = w / 13;                               // [0, 4]
    const int r = w % 13;                                     // [0, 12]
    const int period = 3 * quarter + (r < 4 ? 1 : r < 8 ? 2 : 3); // [1, 13]
    return std::min(period, 12);                              // week 53 stays in period 12
}

DayNumber periodStart(DayNumber d, const WeekSettings& week)
{
    return periodStartOf(periodYear(d, week), periodOfYear(d, week), week);
}

int weekOfPeriod(DayNumber d, const WeekSettings& week) { return (d - periodStart(d, week)) / 7 + 1; }

int periodIndex(DayNumber d, const WeekSettings& week)
{
    return (periodYear(d, week) - 1980) * 12 + periodOfYear(d, week);
}

int periodsBetween(DayNumber from, DayNumber to, const WeekSettings& week)
{
    return to < from ? 0 : periodIndex(to, week) - periodIndex(from, week);
}

DayNumber addPeriods(DayNumber d, int n, const WeekSettings& week)
{
    const int offset = d - periodStart(d, week);                          // [0, 41]
    // Beyond a few thousand years there are no day numbers left to reach.
    const std::int64_t index = periodIndex(d, week) + std::int64_t{std::clamp(n, -120000, 120000)};
    const int year = static_cast<int>(1980 + floorDiv(index - 1, 12));
    const int period = static_cast<int>(index - std::int64_t{year - 1980} * 12); // [1, 12]
    const DayNumber start = periodStartOf(year, period, week);
    const DayNumber next = period == 12 ? firstPeriodWeekStart(year + 1, week) : periodStartOf(year, period + 1, week);
    return std::min(start + offset, next - 1);
}

} // namespace zk
