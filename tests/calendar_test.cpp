#include "core/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace zk {
namespace {

using namespace std::chrono;

constexpr sys_days kDayZero = sys_days{1979y / December / 31};

year_month_day reference(int d) { return year_month_day{kDayZero + days{d}}; }

CivilDate civilOf(const year_month_day& ymd)
{
    return CivilDate{int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))};
}

DayNumber day(int y, unsigned m, unsigned d)
{
    return DayNumber(static_cast<int>((sys_days{year{y} / month{m} / d} - kDayZero).count()));
}

// ---- day numbers and civil dates -------------------------------------------

TEST(DayNumberConversion, MatchesTheGregorianCalendarBothWaysOverEveryUsableDay)
{
    // Also the days before the usable range and up to 2099, which archived
    // data and stored 16-bit fields can hold.
    for (int d = 1; d <= 43829; ++d) {
        const year_month_day ymd = reference(d);
        const CivilDate expected = civilOf(ymd);
        ASSERT_EQ(civilDate(DayNumber(d)), expected) << "day " << d;
        ASSERT_EQ(dayOf(expected.month, expected.day, expected.year).value(), d) << "day " << d;
    }
}

TEST(DayNumberConversion, FallsBackToTheGregorianCalendarOutsideItsOwnYears)
{
    for (int d : {0, -1, -365, -29220, 43830, 100000}) {
        const CivilDate c = civilOf(reference(d));
        EXPECT_EQ(civilDate(DayNumber(d)), c) << d;
        EXPECT_EQ(dayOf(c.month, c.day, c.year).value(), d) << d;
    }
    EXPECT_EQ(dayOf(3, 1, 2100) - dayOf(2, 28, 2100), 1); // 2100 is no leap year
}

TEST(DayNumberConversion, KnownDays)
{
    EXPECT_EQ(civilDate(DayNumber(1)), (CivilDate{1980, 1, 1}));
    EXPECT_EQ(DayNumber(1).weekday(), 2); // a Tuesday
    EXPECT_EQ(civilDate(DayNumber(366)), (CivilDate{1980, 12, 31}));
    EXPECT_EQ(civilDate(DayNumber(11305)), (CivilDate{2010, 12, 13}));
    EXPECT_EQ(civilDate(DayNumber(2300)), (CivilDate{1986, 4, 18}));
    EXPECT_EQ(civilDate(DayNumber(32508)), (CivilDate{2068, 12, 31}));
}

TEST(DayNumberConversion, ShortYearsAndCarriedMonths)
{
    EXPECT_EQ(dayOf(1, 1, 80).value(), 1);
    EXPECT_EQ(dayOf(12, 13, 10).value(), 11305);
    EXPECT_EQ(dayOf(1, 1, 69), dayOf(1, 1, 2069));
    EXPECT_EQ(dayOf(1, 1, 70), dayOf(1, 1, 1970));
    EXPECT_EQ(dayOf(1, 1, 199), dayOf(1, 1, 2099));
    EXPECT_EQ(dayOf(13, 1, 2023), dayOf(1, 1, 2024));
    EXPECT_EQ(dayOf(0, 1, 2024), dayOf(12, 1, 2023));
    EXPECT_EQ(dayOf(2, 30, 2023), dayOf(3, 2, 2023)); // no validation: the days run on
}

TEST(DayNumberConversion, EachThreadKeepsItsOwnLastConversion)
{
    auto convert = [](int first, int step, bool* ok) {
        for (int i = 0; i < 20000; ++i) {
            const int d = first + (i * step) % 30000;
            if (civilDate(DayNumber(d)) != civilOf(reference(d)))
                *ok = false;
        }
    };
    bool ok1 = true, ok2 = true;
    std::thread a(convert, 2300, 7, &ok1);
    std::thread b(convert, 2301, 13, &ok2);
    a.join();
    b.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
}

TEST(Calendar, LeapYearsAndMonthLengths)
{
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(2100));
    EXPECT_FALSE(isLeapYear(2023));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_EQ(monthLength(2, 2024), 29);
    EXPECT_EQ(monthLength(2, 2023), 28);
    EXPECT_EQ(monthLength(2, 2000), 29);
    EXPECT_EQ(monthLength(12, 2023), 31);
    EXPECT_EQ(monthLength(4, 2023), 30);
    EXPECT_EQ(monthLength(0, 2023), 0);
    EXPECT_EQ(monthLength(13, 2023), 0);
}

// ---- days, months and weeks ------------------------------------------------

TEST(Calendar, BusinessDaysSkipWeekends)
{
    const DayNumber friday = day(2024, 1, 19);
    EXPECT_EQ(nextBusinessDay(friday), day(2024, 1, 22));
    EXPECT_EQ(nextBusinessDay(day(2024, 1, 20)), day(2024, 1, 22));
    EXPECT_EQ(nextBusinessDay(day(2024, 1, 22)), day(2024, 1, 23));
    EXPECT_EQ(previousBusinessDay(day(2024, 1, 22)), friday);
    EXPECT_EQ(previousBusinessDay(day(2024, 1, 21)), friday);
    EXPECT_TRUE(isWeekend(day(2024, 1, 20)));
    EXPECT_TRUE(isWeekend(day(2024, 1, 21)));
    EXPECT_FALSE(isWeekend(friday));
}

TEST(Calendar, AddMonthsClampsTheDayAndCarriesYears)
{
    EXPECT_EQ(addMonths(day(2024, 1, 31), 1), day(2024, 2, 29));
    EXPECT_EQ(addMonths(day(2023, 1, 31), 1), day(2023, 2, 28));
    EXPECT_EQ(addMonths(day(2023, 12, 15), 1), day(2024, 1, 15));
    EXPECT_EQ(addMonths(day(2024, 1, 15), -1), day(2023, 12, 15));
    EXPECT_EQ(addMonths(day(2024, 3, 31), -13), day(2023, 2, 28));
    EXPECT_EQ(addMonths(day(2024, 5, 5), 0), day(2024, 5, 5));
    EXPECT_EQ(addYears(day(2024, 2, 29), 1), day(2025, 2, 28));
    EXPECT_EQ(addYears(day(2024, 2, 29), -4), day(2020, 2, 29));
}

TEST(Calendar, MonthsBetweenCountsCalendarMonths)
{
    EXPECT_EQ(monthsBetween(day(2024, 1, 31), day(2024, 2, 1)), 1);
    EXPECT_EQ(monthsBetween(day(2023, 11, 1), day(2024, 2, 28)), 3);
    EXPECT_EQ(monthsBetween(day(2024, 2, 28), day(2023, 11, 1)), -3);
    EXPECT_EQ(monthsBetween(day(2024, 2, 1), day(2024, 2, 29)), 0);
}

TEST(Calendar, NthWeekdayOfMonth)
{
    EXPECT_EQ(nthWeekdayOfMonth(4, 4, 11, 2024), day(2024, 11, 28)); // fourth Thursday
    EXPECT_EQ(nthWeekdayOfMonth(1, 1, 1, 2024), day(2024, 1, 1));    // the 1st itself
    EXPECT_EQ(nthWeekdayOfMonth(1, 0, 1, 2024), day(2024, 1, 7));
    EXPECT_EQ(nthWeekdayOfMonth(5, 3, 1, 2024), day(2024, 1, 31));
    EXPECT_EQ(nthWeekdayOfMonth(2, 1, 5, 24), day(2024, 5, 13)); // short year
}

TEST(Calendar, NextWeekdayAfterToday)
{
    const DayNumber wednesday = day(2024, 1, 17);
    EXPECT_EQ(nextWeekdayAfter(wednesday, 5), day(2024, 1, 19)); // later this week
    EXPECT_EQ(nextWeekdayAfter(wednesday, 3), day(2024, 1, 24)); // the same weekday: a week on
    EXPECT_EQ(nextWeekdayAfter(wednesday, 1), day(2024, 1, 22)); // earlier: next week
    EXPECT_EQ(nextWeekdayAfter(wednesday, 4), day(2024, 1, 18));
    EXPECT_EQ(nextWeekdayAfter(wednesday, 2), day(2024, 1, 23));
}

TEST(Calendar, StartOfWeekFollowsTheWeekStart)
{
    const DayNumber sunday = day(2024, 1, 21);
    EXPECT_EQ(startOfWeek(sunday, false), sunday);
    EXPECT_EQ(startOfWeek(sunday, true), day(2024, 1, 15));
    EXPECT_EQ(startOfWeek(day(2024, 1, 20), false), day(2024, 1, 14));
    EXPECT_EQ(startOfWeek(day(2024, 1, 15), true), day(2024, 1, 15));
    EXPECT_EQ(startOfWeek(day(2024, 1, 15), false), day(2024, 1, 14));
}

TEST(Calendar, PlanningDayMovesToTomorrowAtFive)
{
    const DayNumber today = day(2024, 1, 17);
    EXPECT_EQ(planningDay(today, TimeValue::fromClock(16, 59)), today);
    EXPECT_EQ(planningDay(today, TimeValue::fromClock(17, 0)), today + 1);
    EXPECT_EQ(planningDay(today, TimeValue(1471)), today + 1); // small hours of a night-owl day
}

TEST(Calendar, ClockMinuteChecks)
{
    EXPECT_TRUE(isOnTheHour(TimeValue::fromClock(9, 0)));
    EXPECT_FALSE(isOnTheHour(TimeValue::fromClock(9, 1)));
    EXPECT_TRUE(isAtMinuteOfHour(TimeValue::fromClock(9, 45), 45));
    EXPECT_FALSE(isAtMinuteOfHour(TimeValue::fromClock(9, 44), 45));
}

// ---- calendar weeks --------------------------------------------------------

// An independent statement of the three rules: week 1 is the first week
// (from its start day) that contains 1 January / lies wholly in January /
// has four or more days in January.
DayNumber referenceWeekOne(int y, bool monday, int rule)
{
    for (DayNumber start = day(y - 1, 12, 20);; ++start) {
        if (start.weekday() != (monday ? 1 : 0))
            continue;
        int inJanuary = 0;
        for (int i = 0; i < 7; ++i)
            inJanuary += civilDate(start + i).year == y && civilDate(start + i).month == 1;
        if ((rule == 0 && inJanuary > 0) || (rule == 1 && inJanuary == 7) || (rule == 2 && inJanuary >= 4))
            return start;
    }
}

int referenceWeek(DayNumber d, bool monday, int rule)
{
    const DayNumber start = startOfWeek(d, monday);
    int y = civilDate(d).year + 1;
    while (referenceWeekOne(y, monday, rule) > start)
        --y;
    return (start - referenceWeekOne(y, monday, rule)) / 7 + 1;
}

TEST(CalendarWeek, YearEndsUnderEveryRuleAndWeekStart)
{
    for (int rule = 0; rule <= 2; ++rule) {
        for (bool monday : {false, true}) {
            const WeekSettings week{monday, rule, 0};
            for (int y = 1987; y <= 2068; ++y) {
                for (DayNumber d = day(y - 1, 12, 21); d <= day(y, 1, 10); ++d)
                    ASSERT_EQ(calendarWeek(d, week), referenceWeek(d, monday, rule))
                        << "rule " << rule << " monday " << monday << " day " << d.value();
            }
        }
    }
}

TEST(CalendarWeek, NumbersRunOneByOneThroughEveryUsableDay)
{
    for (int rule = 0; rule <= 2; ++rule) {
        for (bool monday : {false, true}) {
            const WeekSettings week{monday, rule, 0};
            int previous = calendarWeek(kFirstUsableDay, week);
            for (DayNumber d = kFirstUsableDay + 1; d <= kLastUsableDay; ++d) {
                const int w = calendarWeek(d, week);
                ASSERT_GE(w, 1);
                ASSERT_LE(w, 53);
                if (d.weekday() == (monday ? 1 : 0))
                    ASSERT_TRUE(w == previous + 1 || (w == 1 && previous >= 52)) << d.value();
                else
                    ASSERT_EQ(w, previous) << d.value();
                previous = w;
            }
        }
    }
}

TEST(CalendarWeek, KnownWeeks)
{
    const WeekSettings iso{true, 2, 0};
    EXPECT_EQ(calendarWeek(day(2021, 1, 1), iso), 53); // a Friday
    EXPECT_EQ(calendarWeek(day(2021, 1, 4), iso), 1);
    EXPECT_EQ(calendarWeek(day(2024, 12, 30), iso), 1);
    EXPECT_EQ(calendarWeek(day(2016, 1, 3), iso), 53);
    const WeekSettings us{false, 0, 0};
    EXPECT_EQ(calendarWeek(day(2024, 12, 29), us), 1);
    EXPECT_EQ(calendarWeek(day(2010, 12, 13), us), 51);
    // A year starting on a Monday with Sunday weeks: the first full week is
    // 7..13 January, and 1 January still ends the year before.
    const WeekSettings fullWeeks{false, 1, 0};
    EXPECT_EQ(calendarWeek(day(2024, 1, 7), fullWeeks), 1);
    EXPECT_EQ(calendarWeek(day(2024, 1, 6), fullWeeks), 53);
    EXPECT_EQ(calendarWeek(day(2023, 12, 31), fullWeeks), 53);
}

// ---- period weeks and the 4-4-5 calendar -------------------------------------

TEST(PeriodCalendar, FirstWeekStartsOnTheFirstSunday)
{
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{false, 0, 0}), day(2024, 1, 7));
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{true, 0, 0}), day(2024, 1, 8));
    EXPECT_EQ(firstPeriodWeekStart(2023, WeekSettings{false, 0, 0}), day(2023, 1, 1));
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{false, 0, 1}), day(2024, 1, 14));
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{false, 0, -1}), day(2023, 12, 31));
}

TEST(PeriodCalendar, PeriodsRunFourFourFiveWeeks)
{
    const WeekSettings week;
    const DayNumber first = firstPeriodWeekStart(2024, week);
    EXPECT_EQ(periodOfYear(first, week), 1);
    EXPECT_EQ(periodOfYear(first + 27, week), 1);
    EXPECT_EQ(periodOfYear(first + 28, week), 2);
    EXPECT_EQ(periodOfYear(first + 55, week), 2);
    EXPECT_EQ(periodOfYear(first + 56, week), 3);
    EXPECT_EQ(periodOfYear(first + 90, week), 3);
    EXPECT_EQ(periodOfYear(first + 91, week), 4);
    EXPECT_EQ(periodStart(first + 100, week), first + 91);
    EXPECT_EQ(weekOfPeriod(first + 90, week), 5);
    EXPECT_EQ(periodStart(first + 360, week), first + 329); // period 12: week 48 on
}

TEST(PeriodCalendar, DaysBeforeTheFirstWeekEndThePreviousYear)
{
    const WeekSettings week;
    const DayNumber jan2 = day(2024, 1, 2); // the first week starts on 7 January
    EXPECT_EQ(periodYear(jan2, week), 2023);
    EXPECT_EQ(periodOfYear(jan2, week), 12);
    EXPECT_EQ(periodWeek(jan2, week), 53); // 2023 began on a Sunday
    EXPECT_EQ(periodWeek(day(2023, 12, 31), week), 53);
    EXPECT_EQ(periodWeek(day(2024, 1, 7), week), 1);
    EXPECT_EQ(periodStart(jan2, week), day(2023, 1, 1) + 329);
    // Those days come before the year's first period, not after its last.
    EXPECT_EQ(periodsBetween(jan2, day(2024, 1, 7), week), 1);
    EXPECT_LT(periodIndex(jan2, week), periodIndex(day(2024, 2, 1), week));
    EXPECT_EQ(periodIndex(day(2024, 1, 7), week), (2024 - 1980) * 12 + 1);
}

TEST(PeriodCalendar, IndexesStepByOneOverEveryUsableDay)
{
    for (int adjust : {-1, 0, 1, 3}) {
        for (bool monday : {false, true}) {
            const WeekSettings week{monday, 0, adjust};
            int previous = periodIndex(kFirstUsableDay, week);
            for (DayNumber d = kFirstUsableDay; d <= kLastUsableDay; ++d) {
                const int index = periodIndex(d, week);
                ASSERT_TRUE(index == previous || index == previous + 1) << d.value();
                ASSERT_GE(periodWeek(d, week), 1);
                ASSERT_LE(periodWeek(d, week), 53);
                ASSERT_GE(weekOfPeriod(d, week), 1);
                ASSERT_LE(weekOfPeriod(d, week), 6);
                ASSERT_LE(periodStart(d, week), d);
                ASSERT_EQ(index != previous, periodStart(d, week) == d && d != kFirstUsableDay) << d.value();
                previous = index;
            }
        }
    }
}

TEST(PeriodCalendar, PeriodsBetweenAndAddPeriods)
{
    const WeekSettings week;
    const DayNumber first = firstPeriodWeekStart(2024, week);
    EXPECT_EQ(periodsBetween(first, first + 91, week), 3);
    EXPECT_EQ(periodsBetween(first + 91, first, week), 0); // the second day earlier
    EXPECT_EQ(periodsBetween(first, firstPeriodWeekStart(2025, week), week), 12);
    EXPECT_EQ(addPeriods(first + 3, 1, week), first + 31);
    EXPECT_EQ(addPeriods(first + 31, -1, week), first + 3);
    EXPECT_EQ(addPeriods(first + 3, 12, week), firstPeriodWeekStart(2025, week) + 3);
    EXPECT_EQ(addPeriods(first + 3, -1, week), periodStart(first - 1, week) + 3);
    // From the fifth week of a five-week period into a four-week one: the
    // last day of the target period, never the period after it.
    EXPECT_EQ(addPeriods(first + 56 + 30, 1, week), first + 91 + 27);
}

} // namespace
} // namespace zk
