#include "core/dateformat.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <climits>

namespace zk {
namespace {

RegionalSettings twentyFourHour()
{
    RegionalSettings r;
    r.iTime = 1;
    return r;
}

RegionalSettings withOrder(int iDate, const char* separator)
{
    RegionalSettings r;
    r.iDate = iDate;
    r.sDate = separator;
    return r;
}

const DayNumber kMarch4 = dayOf(3, 4, 2024);   // a Monday
const DayNumber kDec13 = dayOf(12, 13, 2010);  // 11305

// ---- dates by pattern ------------------------------------------------------

TEST(ShortDate, FollowsThePattern)
{
    EXPECT_EQ(shortDate(kMarch4, RegionalSettings()), "03/04/24");
    EXPECT_EQ(dateByPattern(kMarch4, "d/m/yyyy"), "4/3/2024");
    EXPECT_EQ(dateByPattern(kMarch4, "yyyy.MM.dd"), "2024.03.04");
    EXPECT_EQ(dateByPattern(kMarch4, "DD-MM-Y"), "04-03-24");
    EXPECT_EQ(dateByPattern(kDec13, "d.m.y"), "13.12.10");
    EXPECT_EQ(dateByPattern(dayOf(1, 5, 2005), "m/d/y"), "1/5/5");
    EXPECT_EQ(dateByPattern(kMarch4, "dd. mm. yy"), "04. 03. 24");
    EXPECT_EQ(fixedDate(kMarch4), "3/4/24");
    EXPECT_EQ(fixedDate(DayNumber(1)), "1/1/80");
}

TEST(ShortDate, MonthNamePatternShowsTheMonthAsANumber)
{
    EXPECT_EQ(dateByPattern(kMarch4, "dd-MMM-yy"), "04-03-24");
    EXPECT_EQ(dateByPattern(kMarch4, "DD-mmm-YY"), "04-03-24");
}

TEST(ShortDate, ThreeYearLettersAtTheEndReadNothingBeyondThePattern)
{
    EXPECT_EQ(dateByPattern(kMarch4, "m/d/yyy"), "3/4/2024");
    EXPECT_EQ(dateByPattern(kMarch4, "yyy"), "2024");
}

TEST(ShortDate, NoDateAndUnsetDay)
{
    EXPECT_EQ(shortDate(kNoDay, RegionalSettings()), "");
    EXPECT_EQ(shortDate(DayNumber(65535), RegionalSettings()), "#####");
    EXPECT_EQ(fixedDate(DayNumber(65535)), "#####");
    EXPECT_EQ(numericDate(kNoDay, RegionalSettings()), "");
}

// ---- numeric dates -----------------------------------------------------------

TEST(NumericDate, FieldsInDateOrderWithTheSeparator)
{
    EXPECT_EQ(numericDate(kMarch4, withOrder(0, "/")), "3/04/24");
    EXPECT_EQ(numericDate(kMarch4, withOrder(1, ".")), "4.03.24");
    EXPECT_EQ(numericDate(kMarch4, withOrder(2, "-")), "24-03-04");
    EXPECT_EQ(numericDate(dayOf(1, 2, 2005), withOrder(2, "-")), "05-01-02");
    EXPECT_EQ(paddedNumericDate(kMarch4, withOrder(0, "/")), "03/04/24");
    EXPECT_EQ(paddedNumericDate(kDec13, withOrder(1, "/")), "13/12/10");
}

TEST(NumericDate, FileNamesNeverHoldASlash)
{
    EXPECT_EQ(fileNameDate(kMarch4, withOrder(0, "/")), "03-04-24");
    EXPECT_EQ(fileNameDate(kMarch4, withOrder(1, ".")), "04.03.24");
}

TEST(NumericDate, MonthAndDay)
{
    EXPECT_EQ(monthDay(kMarch4, withOrder(0, "/")), "3/4");
    EXPECT_EQ(monthDay(kMarch4, withOrder(1, ".")), "4.3");
    EXPECT_EQ(monthDay(kMarch4, withOrder(2, "-")), "3-4");
    EXPECT_EQ(paddedMonthDay(kMarch4, withOrder(0, "/")), "03/04");
    EXPECT_EQ(paddedMonthDay(kDec13, withOrder(1, "/")), "13/12");
}

// ---- names -----------------------------------------------------------------

TEST(Names, DayNamesInEveryForm)
{
    const RegionalSettings r;
    EXPECT_EQ(dayName(kMarch4, r), "Monday");
    EXPECT_EQ(dayName(kMarch4, r, NameForm::Abbreviated), "Mon");
    EXPECT_EQ(dayName(kMarch4 + 3, r, NameForm::ThreeLetter), "Thu");
    EXPECT_EQ(dayName(kMarch4 + 3, r, NameForm::OneLetter), "T");
    EXPECT_EQ(weekdayName(0, r), "Sunday");
    EXPECT_EQ(weekdayName(7, r), "");
    EXPECT_EQ(dayName(kNoDay, r), "");
}

TEST(Names, LettersOfNonEnglishNamesAreWholeCharacters)
{
    RegionalSettings r;
    r.dayNames[6] = "Ŝabato";
    r.abbreviatedDayNames[6] = "Ŝa";
    r.monthNames[1] = "février";
    r.abbreviatedMonthNames[1] = "févr.";
    const DayNumber saturday = kMarch4 + 5;
    EXPECT_EQ(dayName(saturday, r, NameForm::OneLetter), "Ŝ");
    EXPECT_EQ(dayName(saturday, r, NameForm::ThreeLetter), "Ŝab");
    EXPECT_EQ(monthName(2, r, NameForm::ThreeLetter), "fév");
    EXPECT_EQ(monthName(2, r, NameForm::Abbreviated), "févr.");
}

TEST(Names, MonthNames)
{
    const RegionalSettings r;
    EXPECT_EQ(monthName(1, r), "January");
    EXPECT_EQ(monthName(12, r, NameForm::Abbreviated), "Dec");
    EXPECT_EQ(monthName(0, r), "");
    EXPECT_EQ(monthName(13, r), "");
}

TEST(Names, DateWithWeekday)
{
    const RegionalSettings r;
    EXPECT_EQ(dateAndWeekday(kMarch4, r), "03/04/24 Monday");
    EXPECT_EQ(dateAndWeekday(kMarch4, r, NameForm::Abbreviated), "03/04/24 Mon");
}

TEST(Names, WeekdayNameOnlyWithinTheComingWeek)
{
    const RegionalSettings r;
    EXPECT_EQ(dateOrWeekday(kMarch4, kMarch4, r), "Monday");
    EXPECT_EQ(dateOrWeekday(kMarch4 + 6, kMarch4, r), "Sunday");
    EXPECT_EQ(dateOrWeekday(kMarch4 + 7, kMarch4, r), "03/11/24");
    EXPECT_EQ(dateOrWeekday(kMarch4 - 1, kMarch4, r), "03/03/24");
}

TEST(Names, Ordinals)
{
    EXPECT_EQ(ordinal(1), "1st");
    EXPECT_EQ(ordinal(2), "2nd");
    EXPECT_EQ(ordinal(3), "3rd");
    EXPECT_EQ(ordinal(4), "4th");
    for (int n = 4; n <= 20; ++n)
        EXPECT_EQ(ordinal(n), std::to_string(n) + "th");
    EXPECT_EQ(ordinal(21), "21st");
    EXPECT_EQ(ordinal(22), "22nd");
    EXPECT_EQ(ordinal(23), "23rd");
    EXPECT_EQ(ordinal(31), "31st");
    EXPECT_EQ(ordinal(101), "101st");
    EXPECT_EQ(ordinal(111), "111th");
    EXPECT_EQ(ordinal(112), "112th");
    EXPECT_EQ(ordinal(113), "113th");
    EXPECT_EQ(ordinal(0), "0th");
}

// ---- times -----------------------------------------------------------------

TEST(TimeText, TwelveHourClock)
{
    const RegionalSettings r;
    EXPECT_EQ(timeText(TimeValue(1), r), "12:00a");
    EXPECT_EQ(timeText(TimeValue(61), r), "1:00a");
    EXPECT_EQ(timeText(TimeValue(720), r), "11:59a");
    EXPECT_EQ(timeText(TimeValue(721), r), "12:00p");
    EXPECT_EQ(timeText(TimeValue(1051), r), "5:30p");
    EXPECT_EQ(timeText(TimeValue(1440), r), "11:59p");
    EXPECT_EQ(timeText(kNoTime, r), "");
}

TEST(TimeText, TwentyFourHourClock)
{
    RegionalSettings r = twentyFourHour();
    EXPECT_EQ(timeText(TimeValue(1), r), "0:00");
    EXPECT_EQ(timeText(TimeValue(60), r), "0:59");
    EXPECT_EQ(timeText(TimeValue(61), r), "1:00");
    EXPECT_EQ(timeText(TimeValue(1440), r), "23:59");
    r.sTime = ".";
    EXPECT_EQ(timeText(TimeValue(781), r), "13.00");
}

TEST(TimeText, SmallHoursShowAsTheClockTime)
{
    const RegionalSettings r = twentyFourHour();
    EXPECT_EQ(timeText(TimeValue(1441), r), "0:00");
    EXPECT_EQ(timeText(TimeValue(1471), r), "0:30");
    EXPECT_EQ(timeText(kOpenLatestEnd, r), "23:59");
    EXPECT_EQ(timeText(kOpenLatestEnd, RegionalSettings()), "11:59p");
}

TEST(TimeText, AlignedForms)
{
    RegionalSettings r;
    EXPECT_EQ(alignedTime(TimeValue(541), r), " 9:00a");
    EXPECT_EQ(alignedTime(TimeValue(1381), r), "11:00p");
    r.iTLZero = 1;
    EXPECT_EQ(alignedTime(TimeValue(541), r), "09:00a");
    r = twentyFourHour();
    EXPECT_EQ(alignedTime(TimeValue(541), r), " 9:00");
    EXPECT_EQ(alignedTime(TimeValue(1381), r), "23:00");
    r.iTLZero = 1;
    EXPECT_EQ(alignedTime(TimeValue(1), r), "00:00");
    EXPECT_EQ(alignedTime(kNoTime, r), "");
}

TEST(TimeText, ReportForms)
{
    EXPECT_EQ(reportTime(TimeValue(541), RegionalSettings()), "09:00 am");
    EXPECT_EQ(reportTime(TimeValue(1), RegionalSettings()), "12:00 am");
    EXPECT_EQ(reportTime(TimeValue(781), RegionalSettings()), "01:00 pm");
    EXPECT_EQ(reportTime(TimeValue(31), twentyFourHour()), "00:30");
    EXPECT_EQ(reportTime(TimeValue(1381), twentyFourHour()), "23:00");
}

TEST(TimeText, NearestHour)
{
    EXPECT_EQ(nearestHourTime(TimeValue::fromClock(9, 29), RegionalSettings()), "9");
    EXPECT_EQ(nearestHourTime(TimeValue::fromClock(9, 30), RegionalSettings()), "10");
    EXPECT_EQ(nearestHourTime(TimeValue::fromClock(12, 10), RegionalSettings()), "12");
    EXPECT_EQ(nearestHourTime(TimeValue::fromClock(21, 40), twentyFourHour()), "22:00");
    EXPECT_EQ(nearestHourTime(TimeValue::fromClock(23, 45), twentyFourHour()), "0:00");
}

TEST(TimeText, CompactAndNow)
{
    EXPECT_EQ(compactTime(TimeValue::fromClock(9, 5)), "0905");
    EXPECT_EQ(compactTime(TimeValue::fromClock(23, 59)), "2359");
    EXPECT_EQ(compactTime(kNoTime), "");
    EXPECT_EQ(nowText(kMarch4, TimeValue::fromClock(14, 5), RegionalSettings()), "03/04/24 2:05p");
}

// ---- durations -------------------------------------------------------------

TEST(DurationText, MemoRuleAndClockForm)
{
    const RegionalSettings r;
    EXPECT_EQ(durationText(0, r), "memo");
    EXPECT_EQ(durationClock(0, r), ":00");
    EXPECT_EQ(durationText(1, r), ":01");
    EXPECT_EQ(durationText(59, r), ":59");
    EXPECT_EQ(durationText(60, r), "1:00");
    EXPECT_EQ(durationText(90, r), "1:30");
    EXPECT_EQ(durationText(1440, r), "24:00");
    EXPECT_EQ(durationText(-45, r), "-:45");
    EXPECT_EQ(durationText(-90, r), "-1:30");
    EXPECT_EQ(parenthesised(durationText(90, r)), "(1:30)");
    EXPECT_EQ(durationText(INT_MIN, r), "-35791394:08");
}

TEST(DurationText, HoursAndElapsedTime)
{
    const RegionalSettings r;
    EXPECT_EQ(durationHours(90), " 1.5");
    EXPECT_EQ(durationHours(0), " 0.0");
    EXPECT_EQ(durationHours(-600), "-10.0");
    EXPECT_EQ(elapsedText(3723, r), "1:02:03");
    EXPECT_EQ(elapsedText(3599, r), ":59:59");
    EXPECT_EQ(elapsedText(3600, r), "1:00:00");
    EXPECT_EQ(elapsedText(-5, r), "-:00:05");
}

} // namespace
} // namespace zk
