#include "core/dateformat.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <climits>

namespace zk {
namespace {

RegionalSettings settings(int iDate, const char* sDate, int iTime = 0, int iTLZero = 0)
{
    RegionalSettings r;
    r.iDate = iDate;
    r.sDate = sDate;
    r.iTime = iTime;
    r.iTLZero = iTLZero;
    return r;
}

const RegionalSettings kUs;
const RegionalSettings k24 = settings(0, "/", 1);
const DayNumber kMarch4 = dayOf(3, 4, 2024); // a Monday
const DayNumber kDec13 = dayOf(12, 13, 2010);

TimeValue at(int h, int m) { return TimeValue::fromClock(h, m); }

// ---- dates -------------------------------------------------------------------

TEST(DateText, ByPatternAndInDateOrder)
{
    EXPECT_EQ(shortDate(kMarch4, kUs), "03/04/24");
    EXPECT_EQ(shortDate(kNoDay, kUs), "");
    EXPECT_EQ(shortDate(DayNumber(65535), kUs), "#####");
    // Month names do not fit the numeric columns; three year letters print
    // the year without reading past the pattern.
    for (auto [pattern, text] : {std::pair{"d/m/yyyy", "4/3/2024"}, {"yyyy.MM.dd", "2024.03.04"}, {"dd. mm. yy", "04. 03. 24"},
                                 {"dd-MMM-yy", "04-03-24"}, {"DD-mmm-YY", "04-03-24"}, {"m/d/yyy", "3/4/2024"}})
        EXPECT_EQ(dateByPattern(kMarch4, pattern), text) << pattern;
    EXPECT_EQ(dateByPattern(dayOf(1, 5, 2005), "m/d/y"), "1/5/5");
    EXPECT_EQ(fixedDate(kMarch4), "3/4/24");

    EXPECT_EQ(numericDate(kMarch4, settings(0, "/")), "3/04/24");
    EXPECT_EQ(numericDate(kMarch4, settings(1, ".")), "4.03.24");
    EXPECT_EQ(numericDate(dayOf(1, 2, 2005), settings(2, "-")), "05-01-02");
    EXPECT_EQ(numericDate(kNoDay, kUs), "");
    EXPECT_EQ(paddedNumericDate(kDec13, settings(1, "/")), "13/12/10");
    EXPECT_EQ(fileNameDate(kMarch4, settings(0, "/")), "03-04-24");
    EXPECT_EQ(monthDay(kMarch4, settings(1, ".")), "4.3");
    EXPECT_EQ(paddedMonthDay(kDec13, settings(1, "/")), "13/12");
}

TEST(DateText, NamesInWholeCharactersAndTheWeekdayOnlyWithinTheComingWeek)
{
    EXPECT_EQ(dayName(kMarch4, kUs), "Monday");
    EXPECT_EQ(dayName(kMarch4, kUs, NameForm::Abbreviated), "Mon");
    EXPECT_EQ(dayName(kMarch4 + 3, kUs, NameForm::OneLetter), "T");
    EXPECT_EQ(monthName(12, kUs, NameForm::Abbreviated), "Dec");
    EXPECT_EQ(monthName(13, kUs), "");
    EXPECT_EQ(dateAndWeekday(kMarch4, kUs), "03/04/24 Monday");
    RegionalSettings r;
    r.dayNames[6] = "Ŝabato";
    r.abbreviatedDayNames[6] = "Ŝa";
    r.monthNames[1] = "février";
    EXPECT_EQ(dayName(kMarch4 + 5, r, NameForm::OneLetter), "Ŝ");
    EXPECT_EQ(dayName(kMarch4 + 5, r, NameForm::ThreeLetter), "Ŝab");
    EXPECT_EQ(monthName(2, r, NameForm::ThreeLetter), "fév");

    EXPECT_EQ(dateOrWeekday(kMarch4 + 6, kMarch4, kUs), "Sunday");
    EXPECT_EQ(dateOrWeekday(kMarch4 + 7, kMarch4, kUs), "03/11/24");
    EXPECT_EQ(dateOrWeekday(kMarch4 - 1, kMarch4, kUs), "03/03/24");
    for (auto [n, text] : {std::pair{1, "1st"}, {2, "2nd"}, {3, "3rd"}, {4, "4th"}, {11, "11th"}, {12, "12th"}, {13, "13th"},
                           {21, "21st"}, {22, "22nd"}, {23, "23rd"}, {101, "101st"}, {111, "111th"}, {113, "113th"}, {0, "0th"}})
        EXPECT_EQ(ordinal(n), text);
}

// ---- times and durations -------------------------------------------------------

TEST(TimeText, StandardAlignedAndReportForms)
{
    for (auto [t, text] : {std::pair{1, "12:00a"}, {61, "1:00a"}, {720, "11:59a"}, {721, "12:00p"}, {1440, "11:59p"},
                           {1471, "12:30a"}, {2880, "11:59p"}, {0, ""}})
        EXPECT_EQ(timeText(TimeValue(t), kUs), text) << t;
    for (auto [t, text] : {std::pair{1, "0:00"}, {60, "0:59"}, {61, "1:00"}, {1440, "23:59"}, {1441, "0:00"}})
        EXPECT_EQ(timeText(TimeValue(t), k24), text) << t;
    RegionalSettings dotted = k24;
    dotted.sTime = ".";
    EXPECT_EQ(timeText(TimeValue(781), dotted), "13.00");

    EXPECT_EQ(alignedTime(at(9, 0), kUs), " 9:00a");
    EXPECT_EQ(alignedTime(at(9, 0), settings(0, "/", 0, 1)), "09:00a");
    EXPECT_EQ(alignedTime(at(0, 0), settings(0, "/", 1, 1)), "00:00");
    EXPECT_EQ(reportTime(at(0, 0), kUs), "12:00 am");
    EXPECT_EQ(reportTime(at(13, 0), kUs), "01:00 pm");
    EXPECT_EQ(reportTime(at(0, 30), k24), "00:30");
    EXPECT_EQ(nearestHourTime(at(9, 29), kUs), "9");
    EXPECT_EQ(nearestHourTime(at(9, 30), kUs), "10");
    EXPECT_EQ(nearestHourTime(at(23, 45), k24), "0:00");
    EXPECT_EQ(compactTime(at(9, 5)), "0905");
    EXPECT_EQ(nowText(kMarch4, at(14, 5), kUs), "03/04/24 2:05p");
}

TEST(DurationText, MemoClockHoursAndElapsed)
{
    for (auto [m, text] : {std::pair{0, "memo"}, {1, ":01"}, {59, ":59"}, {60, "1:00"}, {1440, "24:00"}, {-45, "-:45"},
                           {-90, "-1:30"}, {INT_MIN, "-35791394:08"}})
        EXPECT_EQ(durationText(m, kUs), text) << m;
    EXPECT_EQ(durationClock(0, kUs), ":00");
    EXPECT_EQ(parenthesised(durationText(90, kUs)), "(1:30)");
    EXPECT_EQ(durationHours(90), " 1.5");
    EXPECT_EQ(durationHours(-600), "-10.0");
    EXPECT_EQ(elapsedText(3599, kUs), ":59:59");
    EXPECT_EQ(elapsedText(-5, kUs), "-:00:05");
}

} // namespace
} // namespace zk
