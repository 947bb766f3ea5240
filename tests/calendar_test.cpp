#include "core/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

namespace zk {
namespace {

using namespace std::chrono;

constexpr sys_days kDayZero = sys_days{1979y / December / 31};

CivilDate reference(int d)
{
    const year_month_day ymd{kDayZero + days{d}};
    return CivilDate{int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))};
}

DayNumber day(int y, unsigned m, unsigned d)
{
    return DayNumber(static_cast<int>((sys_days{year{y} / month{m} / d} - kDayZero).count()));
}

// ---- day numbers and civil dates -------------------------------------------

TEST(DayNumberConversion, MatchesTheGregorianCalendarBothWays)
{
    // Every usable day, and all else a 16-bit field can hold up to 2099.
    for (int d = 1; d <= 43829; ++d) {
        const CivilDate c = reference(d);
        ASSERT_EQ(civilDate(DayNumber(d)), c) << "day " << d;
        ASSERT_EQ(dayOf(c.month, c.day, c.year).value(), d) << "day " << d;
    }
    for (int d : {0, -1, -29220, 43830, 100000}) { // beyond the schedule's own formulas
        EXPECT_EQ(civilDate(DayNumber(d)), reference(d)) << d;
        EXPECT_EQ(dayOf(reference(d).month, reference(d).day, reference(d).year).value(), d) << d;
    }
}

TEST(DayNumberConversion, ShortYearsAndCarriedMonths)
{
    EXPECT_EQ(DayNumber(1).weekday(), 2); // 1 January 1980, a Tuesday
    EXPECT_EQ(dayOf(12, 13, 10).value(), 11305);
    EXPECT_EQ(dayOf(1, 1, 69), dayOf(1, 1, 2069));
    EXPECT_EQ(dayOf(1, 1, 70), dayOf(1, 1, 1970));
    EXPECT_EQ(dayOf(1, 1, 199), dayOf(1, 1, 2099));
    EXPECT_EQ(dayOf(13, 1, 2023), dayOf(1, 1, 2024));
    EXPECT_EQ(dayOf(0, 1, 2024), dayOf(12, 1, 2023));
    EXPECT_EQ(dayOf(2, 30, 2023), dayOf(3, 2, 2023)); // no validation: the days run on
    EXPECT_EQ(dayOf(3, 1, 2100) - dayOf(2, 28, 2100), 1);
}

TEST(DayNumberConversion, EachThreadKeepsItsOwnLastConversion)
{
    auto convert = [](int first, int step, bool* ok) {
        for (int i = 0; i < 20000; ++i) {
            const int d = first + (i * step) % 30000;
            *ok = *ok && civilDate(DayNumber(d)) == reference(d);
        }
    };
    bool ok1 = true, ok2 = true;
    std::thread a(convert, 2300, 7, &ok1), b(convert, 2301, 13, &ok2);
    a.join();
    b.join();
    EXPECT_TRUE(ok1 && ok2);
}

TEST(Calendar, LeapYearsAndMonthLengths)
{
    EXPECT_TRUE(isLeapYear(2000) && isLeapYear(2024));
    EXPECT_FALSE(isLeapYear(2100) || isLeapYear(2023) || isLeapYear(1900));
    for (auto [month, year, length] : {std::tuple{2, 2024, 29}, {2, 2023, 28}, {4, 2023, 30}, {13, 2023, 0}})
        EXPECT_EQ(monthLength(month, year), length) << month << "/" << year;
}

// ---- days, months and weeks ------------------------------------------------

TEST(Calendar, MonthArithmetic)
{
    EXPECT_EQ(addMonths(day(2024, 1, 31), 1), day(2024, 2, 29));
    EXPECT_EQ(addMonths(day(2023, 1, 31), 1), day(2023, 2, 28));
    EXPECT_EQ(addMonths(day(2023, 12, 15), 1), day(2024, 1, 15));
    EXPECT_EQ(addMonths(day(2024, 3, 31), -13), day(2023, 2, 28));
    EXPECT_EQ(addYears(day(2024, 2, 29), 1), day(2025, 2, 28));
    EXPECT_EQ(monthsBetween(day(2024, 1, 31), day(2024, 2, 1)), 1);
    EXPECT_EQ(monthsBetween(day(2024, 2, 28), day(2023, 11, 1)), -3);
    EXPECT_EQ(nthWeekdayOfMonth(1, 1, 1, 2024), day(2024, 1, 1));  // the 1st itself
    EXPECT_EQ(nthWeekdayOfMonth(5, 3, 1, 24), day(2024, 1, 31));
}

TEST(Calendar, WeekdaysBusinessDaysAndWeekStarts)
{
    const DayNumber friday = day(2024, 1, 19);
    EXPECT_EQ(nextBusinessDay(friday), day(2024, 1, 22));
    EXPECT_EQ(previousBusinessDay(day(2024, 1, 22)), friday);
    const DayNumber wednesday = day(2024, 1, 17);
    EXPECT_EQ(nextWeekdayAfter(wednesday, 5), day(2024, 1, 19)); // later this week
    EXPECT_EQ(nextWeekdayAfter(wednesday, 3), day(2024, 1, 24)); // the same weekday: a week on
    EXPECT_EQ(nextWeekdayAfter(wednesday, 1), day(2024, 1, 22)); // earlier: next week
    const DayNumber sunday = day(2024, 1, 21);
    EXPECT_EQ(startOfWeek(sunday, false), sunday);
    EXPECT_EQ(startOfWeek(sunday, true), day(2024, 1, 15));
    EXPECT_EQ(startOfWeek(day(2024, 1, 20), false), day(2024, 1, 14));
    EXPECT_EQ(planningDay(wednesday, TimeValue::fromClock(16, 59)), wednesday);
    EXPECT_EQ(planningDay(wednesday, TimeValue::fromClock(17, 0)), wednesday + 1);
}

// ---- calendar weeks --------------------------------------------------------

// The three rules stated independently: week 1 is the first week that
// contains 1 January / lies wholly in January / has four days in January.
DayNumber referenceWeekOne(int y, bool monday, int rule)
{
    for (DayNumber start = day(y - 1, 12, 20);; ++start) {
        int inJanuary = 0;
        for (int i = 0; i < 7; ++i)
            inJanuary += reference((start + i).value()).year == y && reference((start + i).value()).month == 1;
        if (start.weekday() == (monday ? 1 : 0) && (rule == 0 ? inJanuary > 0 : rule == 1 ? inJanuary == 7 : inJanuary >= 4))
            return start;
    }
}

TEST(CalendarWeek, MatchesTheRulesOnEveryUsableDayUnderEveryWeekStart)
{
    for (int rule = 0; rule <= 2; ++rule) {
        for (bool monday : {false, true}) {
            const WeekSettings week{monday, rule, 0};
            std::map<int, DayNumber> weekOne;
            const auto firstWeek = [&](int y) {
                auto [at, added] = weekOne.try_emplace(y);
                if (added)
                    at->second = referenceWeekOne(y, monday, rule);
                return at->second;
            };
            for (DayNumber d = kFirstUsableDay; d <= kLastUsableDay; ++d) {
                const DayNumber start = startOfWeek(d, monday);
                const int y = reference((start + 6).value()).year;
                const int weekYear = firstWeek(y) <= start ? y : y - 1;
                ASSERT_EQ(calendarWeek(d, week), (start - firstWeek(weekYear)) / 7 + 1)
                    << "rule " << rule << " monday " << monday << " day " << d.value();
            }
        }
    }
}

// ---- period weeks and the 4-4-5 calendar -------------------------------------

TEST(PeriodCalendar, PeriodsRunFourFourFiveWeeksFromTheFirstSundayAndAddUp)
{
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{true, 0, 0}), day(2024, 1, 8));
    EXPECT_EQ(firstPeriodWeekStart(2023, WeekSettings{false, 0, 0}), day(2023, 1, 1));
    EXPECT_EQ(firstPeriodWeekStart(2024, WeekSettings{false, 0, -1}), day(2023, 12, 31));
    const WeekSettings week;
    const DayNumber first = firstPeriodWeekStart(2024, week);
    EXPECT_EQ(first, day(2024, 1, 7));
    for (auto [offset, period] : {std::pair{0, 1}, {27, 1}, {28, 2}, {55, 2}, {56, 3}, {90, 3}, {91, 4}, {328, 11}, {329, 12}, {363, 12}})
        EXPECT_EQ(periodOfYear(first + offset, week), period) << offset;
    EXPECT_EQ(periodStart(first + 100, week), first + 91);
    EXPECT_EQ(weekOfPeriod(first + 90, week), 5);

    // Days before the first week end the previous year.
    const DayNumber jan2 = day(2024, 1, 2);
    EXPECT_EQ(periodYear(jan2, week), 2023);
    EXPECT_EQ(periodOfYear(jan2, week), 12);
    EXPECT_EQ(periodWeek(jan2, week), 53); // 2023 began on a Sunday
    EXPECT_EQ(periodWeek(day(2024, 1, 7), week), 1);
    EXPECT_EQ(periodStart(jan2, week), day(2023, 1, 1) + 329);
    // They come before the year's first period, not after its last.
    EXPECT_EQ(periodsBetween(jan2, day(2024, 1, 7), week), 1);
    EXPECT_EQ(periodIndex(day(2024, 1, 7), week), (2024 - 1980) * 12 + 1);

    const DayNumber next = firstPeriodWeekStart(2025, week);
    EXPECT_EQ(periodsBetween(first + 91, first, week), 0);
    EXPECT_EQ(periodsBetween(first, next, week), 12);
    EXPECT_EQ(addPeriods(first + 3, 12, week), next + 3);
    EXPECT_EQ(addPeriods(first + 3, -1, week), periodStart(first - 1, week) + 3);
    // From the fifth week of a five-week period: the last day of the next,
    // four-week period, never the one after it.
    EXPECT_EQ(addPeriods(first + 56 + 30, 1, week), first + 91 + 27);
}

TEST(PeriodCalendar, IndexesStepByOneOverEveryUsableDay)
{
    for (int adjust : {-1, 0, 3}) {
        for (bool monday : {false, true}) {
            const WeekSettings week{monday, 0, adjust};
            int previous = periodIndex(kFirstUsableDay, week);
            for (DayNumber d = kFirstUsableDay + 1; d <= kLastUsableDay; ++d) {
                const int index = periodIndex(d, week);
                ASSERT_EQ(index, previous + (periodStart(d, week) == d)) << d.value();
                ASSERT_LE(periodWeek(d, week), 53);
                ASSERT_LE(weekOfPeriod(d, week), 6);
                previous = index;
            }
        }
    }
}

} // namespace
} // namespace zk
