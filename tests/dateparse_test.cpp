#include "core/dateparse.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <string>

namespace zk {
namespace {

using namespace std::string_literals;

EntryContext contextOn(int y, int m, int d, TimeValue now = TimeValue::fromClock(10, 0))
{
    EntryContext c;
    c.today = dayOf(m, d, y);
    c.now = now;
    return c;
}

// Monday 15 January 2024, 10:00, month-day-year order, 12-hour clock.
class DateEntry : public ::testing::Test {
protected:
    EntryContext context = contextOn(2024, 1, 15);
    int parse(std::string_view text) const { return parseDateEntry(text, context); }
    int on(int y, int m, int d) const { return dayOf(m, d, y).value(); }
};

TEST_F(DateEntry, TodayAndTomorrow)
{
    const int today = context.today.value();
    EXPECT_EQ(parse("0"), today);
    EXPECT_EQ(parse("today"), today);
    EXPECT_EQ(parse(" Today "), today);
    EXPECT_EQ(parse("tom"), today + 1);
    EXPECT_EQ(parse("TOMORROW"), today + 1);
    EXPECT_EQ(parse("to"), kInvalidEntry);
    EXPECT_EQ(parse("tomorrows"), kInvalidEntry);
}

TEST_F(DateEntry, RelativeCounts)
{
    const int today = context.today.value();
    EXPECT_EQ(parse("3"), today + 3);
    EXPECT_EQ(parse("+3"), today + 3);
    EXPECT_EQ(parse("3d"), today + 3);
    EXPECT_EQ(parse("-3 d"), today - 3);
    EXPECT_EQ(parse("3 days"), today + 3);
    EXPECT_EQ(parse("2w"), today + 14);
    EXPECT_EQ(parse("-1 W"), today - 7);
    EXPECT_EQ(parse("1m"), on(2024, 2, 15));
    EXPECT_EQ(parse("-2y"), on(2022, 1, 15));
    EXPECT_EQ(parse("999"), today + 999);
    EXPECT_EQ(parse("1000"), kInvalidEntry);
    EXPECT_EQ(parse("-3"), kInvalidEntry); // only a positive count goes without a unit
    EXPECT_EQ(parse("3 dec"), kInvalidEntry);
    EXPECT_EQ(parse("3x"), kInvalidEntry);
}

TEST_F(DateEntry, RelativeMonthsClampTheDay)
{
    context = contextOn(2024, 1, 31);
    EXPECT_EQ(parse("1m"), on(2024, 2, 29));
}

TEST_F(DateEntry, UsableRangeBoundaries)
{
    context.today = DayNumber(2301);
    EXPECT_EQ(parse("-1d"), 2300);
    EXPECT_EQ(parse("-2d"), kInvalidEntry);
    context.today = DayNumber(32507);
    EXPECT_EQ(parse("1"), 32508);
    EXPECT_EQ(parse("2"), kInvalidEntry);
    EXPECT_EQ(parse("tom"), 32508);
    context.today = DayNumber(32508);
    EXPECT_EQ(parse("tom"), kInvalidEntry);
    EXPECT_EQ(parse("today"), 32508);
}

TEST_F(DateEntry, Weekdays)
{
    // Monday 15 January.
    EXPECT_EQ(parse("fri"), on(2024, 1, 19));
    EXPECT_EQ(parse("F"), on(2024, 1, 19));
    EXPECT_EQ(parse("Friday"), on(2024, 1, 19));
    EXPECT_EQ(parse("mon"), on(2024, 1, 22)); // today's weekday: a week on
    EXPECT_EQ(parse("M"), on(2024, 1, 22));
    EXPECT_EQ(parse("w"), on(2024, 1, 17));
    EXPECT_EQ(parse("tu"), on(2024, 1, 16));
    EXPECT_EQ(parse("th"), on(2024, 1, 18));
    EXPECT_EQ(parse("h"), on(2024, 1, 18));
    EXPECT_EQ(parse("sa"), on(2024, 1, 20));
    EXPECT_EQ(parse("su"), on(2024, 1, 21));
    EXPECT_EQ(parse("mo 2"), on(2024, 2, 5));
    EXPECT_EQ(parse("fr99"), on(2024, 1, 19) + 7 * 99);
    EXPECT_EQ(parse("s"), kInvalidEntry);
    EXPECT_EQ(parse("t"), kInvalidEntry);
    EXPECT_EQ(parse("mo 100"), kInvalidEntry);
    EXPECT_EQ(parse("monx"), kInvalidEntry);
    EXPECT_EQ(parse("fridays"), kInvalidEntry);
}

TEST_F(DateEntry, WeekdaysInTheLocaleLanguage)
{
    context.regional.dayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    EXPECT_EQ(parse("mi"), on(2024, 1, 17));
    EXPECT_EQ(parse("do"), on(2024, 1, 18));
    EXPECT_EQ(parse("sa"), on(2024, 1, 20));
    EXPECT_EQ(parse("so 1"), on(2024, 1, 28));
    context.regional.dayNames[5] = "пятница";
    EXPECT_EQ(parse("ПЯТ"), on(2024, 1, 19));
    EXPECT_EQ(parse("пят"), on(2024, 1, 19));
}

TEST_F(DateEntry, NumericDatesMonthFirst)
{
    EXPECT_EQ(parse("2/29/24"), on(2024, 2, 29));
    EXPECT_EQ(parse("2/29/2000"), on(2000, 2, 29));
    EXPECT_EQ(parse("2/29/23"), kInvalidEntry);
    EXPECT_EQ(parse("2/30"), kInvalidEntry);
    EXPECT_EQ(parse("4/31/24"), kInvalidEntry);
    EXPECT_EQ(parse("12/13/10"), 11305);
    EXPECT_EQ(parse("12-13-10"), 11305);
    EXPECT_EQ(parse("12.13.2010"), 11305);
    EXPECT_EQ(parse("12 13 10"), 11305);
    EXPECT_EQ(parse("12 / 13 / 10"), 11305);
    EXPECT_EQ(parse("12/31/68"), 32508);
    EXPECT_EQ(parse("4/18/86"), 2300);
    EXPECT_EQ(parse("4/17/86"), kInvalidEntry); // day 2299
    EXPECT_EQ(parse("1/1/2069"), kInvalidEntry);
    EXPECT_EQ(parse("1/1/69"), kInvalidEntry);
    EXPECT_EQ(parse("1/1/1979"), kInvalidEntry);
    EXPECT_EQ(parse("1/1/80"), kInvalidEntry); // a real year, but before the usable days
    EXPECT_EQ(parse("1/1/100"), kInvalidEntry);
}

TEST_F(DateEntry, NumericDatesRefuseBrokenFields)
{
    for (const char* text : {"0/5", "13/1", "3/0", "3/32", "3/", "/3/4", "3//", "3/4/5/6", "3/4x", "3a/4",
                             "1/1/99999999999999999999"})
        EXPECT_EQ(parse(text), kInvalidEntry) << text;
    EXPECT_EQ(parse("3/4/24/"), on(2024, 3, 4)); // a trailing separator is harmless
}

TEST_F(DateEntry, NumericDatesInOtherOrders)
{
    context.regional.iDate = 1;
    EXPECT_EQ(parse("13/12/10"), 11305);
    EXPECT_EQ(parse("12/13/10"), kInvalidEntry);
    EXPECT_EQ(parse("29.2.24"), on(2024, 2, 29));
    EXPECT_EQ(parse("4.3"), on(2024, 3, 4));
    context.regional.iDate = 2;
    EXPECT_EQ(parse("10/12/13"), 11305);
    EXPECT_EQ(parse("2024-02-29"), on(2024, 2, 29));
    EXPECT_EQ(parse("12/13"), kInvalidEntry); // the year leads and cannot be left out
}

TEST_F(DateEntry, MissingYearTakesTheNextOneUnlessFarAhead)
{
    EXPECT_EQ(parse("3/4"), on(2024, 3, 4));
    EXPECT_EQ(parse("1/15"), on(2024, 1, 15)); // today
    EXPECT_EQ(parse("7/14"), on(2024, 7, 14));
    EXPECT_EQ(parse("7/15"), on(2023, 7, 15)); // six months ahead: the last one
    EXPECT_EQ(parse("1/10"), on(2024, 1, 10)); // next one a year ahead: the last one
    context.itemEditorOpen = true;
    EXPECT_EQ(parse("7/15"), on(2024, 7, 15));
    EXPECT_EQ(parse("1/10"), on(2025, 1, 10));
}

TEST_F(DateEntry, MissingYearAsInTheExamples)
{
    context = contextOn(2024, 10, 1);
    EXPECT_EQ(parse("3/4"), on(2025, 3, 4));
    context = contextOn(2024, 8, 1);
    EXPECT_EQ(parse("3/4"), on(2024, 3, 4));
    context.itemEditorOpen = true;
    EXPECT_EQ(parse("3/4"), on(2025, 3, 4));
}

TEST_F(DateEntry, MissingYearInTheDoneItemDialogMeansThePast)
{
    context.doneItemDialogOpen = true;
    EXPECT_EQ(parse("3/4"), on(2023, 3, 4));
    EXPECT_EQ(parse("1/10"), on(2024, 1, 10));
    EXPECT_EQ(parse("1/15"), on(2024, 1, 15));
    context.itemEditorOpen = true; // the dialog decides, not the editor
    EXPECT_EQ(parse("3/4"), on(2023, 3, 4));
}

TEST_F(DateEntry, BadBytesAndLongTexts)
{
    EXPECT_EQ(parse(""), kInvalidEntry);
    EXPECT_EQ(parse("   "), kInvalidEntry);
    EXPECT_EQ(parse(std::string(100000, '1')), kInvalidEntry);
    EXPECT_EQ(parse(std::string(100000, '/')), kInvalidEntry);
    EXPECT_EQ(parse("today" + std::string(30, ' ') + "x"), kInvalidEntry);
    EXPECT_EQ(parse("3/4\0"s), kInvalidEntry);
    EXPECT_EQ(parse("\0 3/4"s), kInvalidEntry);
    EXPECT_EQ(parse("\xff\xfe"), kInvalidEntry);
    EXPECT_EQ(parse("\xc3"), kInvalidEntry);
    EXPECT_EQ(parse("３/４"), kInvalidEntry);
    EXPECT_EQ(parse("3/4/24/12345678901234"), kInvalidEntry); // longer than a numeric date
}

// ---- time entry --------------------------------------------------------------

class TimeEntry : public ::testing::Test {
protected:
    EntryContext context = contextOn(2024, 1, 15, TimeValue::fromClock(10, 7));
    int parse(std::string_view text) const { return parseTimeEntry(text, context); }
};

TEST_F(TimeEntry, TwelveHourClockGuessesTheHalfOfTheDay)
{
    EXPECT_EQ(parse("5:30"), 1051);
    EXPECT_EQ(parse("6"), 361);
    EXPECT_EQ(parse("12"), 721);
    EXPECT_EQ(parse("12a"), 1);
    EXPECT_EQ(parse("0530"), 331);
    EXPECT_EQ(parse("05"), 6);
    EXPECT_EQ(parse("930"), 571);
    EXPECT_EQ(parse("9:30"), 571);
    EXPECT_EQ(parse("13:00"), 781);
    EXPECT_EQ(parse("9:5"), 591);
    EXPECT_EQ(parse("9:05"), 546);
    EXPECT_EQ(parse("9:0"), 541);
    EXPECT_EQ(parse("5:59"), 1080);
    EXPECT_EQ(parse("1"), 781);
    EXPECT_EQ(parse("12:01"), 722);
    EXPECT_EQ(parse("0"), 1);
}

TEST_F(TimeEntry, Letters)
{
    EXPECT_EQ(parse("5:30 am"), 331);
    EXPECT_EQ(parse("5:30AM"), 331);
    EXPECT_EQ(parse("9p"), 1261);
    EXPECT_EQ(parse("9 PM"), 1261);
    EXPECT_EQ(parse("12:30a"), 31);
    EXPECT_EQ(parse("12:59 a"), 60);
    EXPECT_EQ(parse("12p"), 721);
    EXPECT_EQ(parse("11:59p"), 1440);
    EXPECT_EQ(parse("0a"), 1);
    EXPECT_EQ(parse("9 a m"), kInvalidEntry);
    EXPECT_EQ(parse("9m"), kInvalidEntry);
    EXPECT_EQ(parse("9pa"), kInvalidEntry);
    EXPECT_EQ(parse("am"), kInvalidEntry);
}

TEST_F(TimeEntry, HoursPastTwelveWithLettersAreRefused)
{
    EXPECT_EQ(parse("13:00a"), kInvalidEntry);
    EXPECT_EQ(parse("23a"), kInvalidEntry);
    EXPECT_EQ(parse("13p"), kInvalidEntry);
}

TEST_F(TimeEntry, TwentyFourHourClock)
{
    context.regional.iTime = 1;
    EXPECT_EQ(parse("5:30"), 331);
    EXPECT_EQ(parse("6"), 361);
    EXPECT_EQ(parse("17.45"), 1066);
    EXPECT_EQ(parse("17,45"), 1066);
    EXPECT_EQ(parse("5:30p"), 1051);
}

TEST_F(TimeEntry, EndOfDayBoundaries)
{
    EXPECT_EQ(parse("23:59"), 1440);
    EXPECT_EQ(parse("2359"), 1440);
    EXPECT_EQ(parse("24:00"), kInvalidEntry);
    EXPECT_EQ(parse("2400"), kInvalidEntry);
    EXPECT_EQ(parse("00:00"), 1);
    EXPECT_EQ(parse("0:01"), 2);
    EXPECT_EQ(parse("99999"), kInvalidEntry);
    EXPECT_EQ(parse("100000"), kInvalidEntry);
}

TEST_F(TimeEntry, NumbersThatAreNoClockTime)
{
    EXPECT_EQ(parse("25"), kInvalidEntry);
    EXPECT_EQ(parse("24"), kInvalidEntry);
    EXPECT_EQ(parse("59"), kInvalidEntry);
    EXPECT_EQ(parse("75"), kInvalidEntry); // not 1:15 p.m.
    EXPECT_EQ(parse("075"), kInvalidEntry);
    EXPECT_EQ(parse("9:75"), kInvalidEntry); // not 10:15
    EXPECT_EQ(parse("975"), kInvalidEntry);
    EXPECT_EQ(parse("9x"), kInvalidEntry);
    EXPECT_EQ(parse(":30"), kInvalidEntry);
    EXPECT_EQ(parse("9 30"), kInvalidEntry);
    EXPECT_EQ(parse("9:30:00"), kInvalidEntry);
    EXPECT_EQ(parse("-9"), kInvalidEntry);
}

TEST_F(TimeEntry, Words)
{
    EXPECT_EQ(parse("now"), context.now.value());
    EXPECT_EQ(parse(" NOW "), context.now.value());
    EXPECT_EQ(parse("Noon"), 721);
    EXPECT_EQ(parse("nowx"), kInvalidEntry);
}

TEST_F(TimeEntry, NightOwlSmallHoursBelongToTheDayEnd)
{
    // 22:00 to 06:00: the day changes at 14:00.
    context.dayStart = TimeValue(1321);
    context.dayEnd = TimeValue(1801);
    context.nightOwl = true;
    context.regional.iTime = 1;
    EXPECT_EQ(parse("2:00"), 121 + 1440);
    EXPECT_EQ(parse("23:00"), 1381);
    EXPECT_EQ(parse("13:59"), 840 + 1440);
    EXPECT_EQ(parse("14:00"), 841);
    EXPECT_EQ(parse("noon"), 721 + 1440);
}

TEST_F(TimeEntry, NightOwlAsInTheExample)
{
    // 7 a.m. to 1 a.m.: the day changes at 4 a.m.
    context.dayStart = TimeValue(421);
    context.dayEnd = TimeValue(1501);
    context.nightOwl = true;
    EXPECT_EQ(parse("0:30"), 1471);
    EXPECT_EQ(parse("3:59a"), 240 + 1440);
    EXPECT_EQ(parse("4a"), 241);
    context.now = TimeValue(1471);
    EXPECT_EQ(parse("now"), 1471);
    context.nightOwl = false;
    EXPECT_EQ(parse("now"), 31);
}

TEST_F(TimeEntry, BadBytesAndLongTexts)
{
    EXPECT_EQ(parse(""), kInvalidEntry);
    EXPECT_EQ(parse(std::string(100000, '9')), kInvalidEntry);
    EXPECT_EQ(parse("9:30" + std::string(20, ' ') + "pm"), kInvalidEntry);
    EXPECT_EQ(parse("9:30\0"s), kInvalidEntry);
    EXPECT_EQ(parse("9\xc3\xa0"), kInvalidEntry);
    EXPECT_EQ(parse("\x80"), kInvalidEntry);
}

// ---- duration entry ------------------------------------------------------------

TEST(DurationEntry, HoursMinutesAndWords)
{
    EXPECT_EQ(parseDurationEntry("2"), 120);
    EXPECT_EQ(parseDurationEntry("30"), 30);
    EXPECT_EQ(parseDurationEntry("02"), 2);
    EXPECT_EQ(parseDurationEntry("1:30"), 90);
    EXPECT_EQ(parseDurationEntry("1:3"), 90);
    EXPECT_EQ(parseDurationEntry("1:03"), 63);
    EXPECT_EQ(parseDurationEntry(":45"), 45);
    EXPECT_EQ(parseDurationEntry(":5"), 5);
    EXPECT_EQ(parseDurationEntry("130"), 90);
    EXPECT_EQ(parseDurationEntry("-3"), -180);
    EXPECT_EQ(parseDurationEntry("24"), 1440);
    EXPECT_EQ(parseDurationEntry("25"), 25);
    EXPECT_EQ(parseDurationEntry("0"), 0);
    EXPECT_EQ(parseDurationEntry("memo"), 0);
    EXPECT_EQ(parseDurationEntry("Note"), 0);
    EXPECT_EQ(parseDurationEntry("1.30"), 90);
}

TEST(DurationEntry, NegativeDurations)
{
    EXPECT_EQ(parseDurationEntry("-1:30"), -90);
    EXPECT_EQ(parseDurationEntry("-0:30"), -30);
    EXPECT_EQ(parseDurationEntry("-:01"), -1); // a minute, not "invalid"
    EXPECT_EQ(parseDurationEntry("-30"), -30);
    EXPECT_EQ(parseDurationEntry("-24:00"), -1440);
}

TEST(DurationEntry, RangeBoundaries)
{
    EXPECT_EQ(parseDurationEntry("24:00"), 1440);
    EXPECT_EQ(parseDurationEntry("24:01"), std::nullopt);
    EXPECT_EQ(parseDurationEntry(":1440"), 1440);
    EXPECT_EQ(parseDurationEntry(":1441"), std::nullopt);
    EXPECT_EQ(parseDurationEntry("2400"), 1440);
    EXPECT_EQ(parseDurationEntry("2401"), std::nullopt);
    EXPECT_EQ(parseDurationEntry("-2400"), -1440);
    EXPECT_EQ(parseDurationEntry("-2401"), std::nullopt);
    EXPECT_EQ(parseDurationEntry("-24:01"), std::nullopt);
    EXPECT_EQ(parseDurationEntry("99"), 99);
    EXPECT_EQ(parseDurationEntry("100"), 60);
}

TEST(DurationEntry, Refused)
{
    for (const char* text : {"", "-", "x", "1 30", "160", "1:60", "1:30:00", "1:30a", "--3", "3-", "memos"})
        EXPECT_EQ(parseDurationEntry(text), std::nullopt) << text;
    EXPECT_EQ(parseDurationEntry(std::string(100000, '1')), std::nullopt);
    EXPECT_EQ(parseDurationEntry("1:30\0"s), std::nullopt);
    EXPECT_EQ(parseDurationEntry("\xe2\x88\x92" "3"), std::nullopt); // a minus sign that is not "-"
}

// ---- file forms ----------------------------------------------------------------

TEST(FileForms, YearMonthDay)
{
    EXPECT_EQ(parseFileDate("2024-03-05"), dayOf(3, 5, 2024).value());
    EXPECT_EQ(parseFileDate("2024-3-5"), dayOf(3, 5, 2024).value());
    EXPECT_EQ(parseFileDate("1980-01-01"), 1);
    EXPECT_EQ(parseFileDate("10-12-13"), 11305);
    EXPECT_EQ(parseFileDate("2024-02-30"), kInvalidEntry);
    EXPECT_EQ(parseFileDate("2024-13-01"), kInvalidEntry);
    EXPECT_EQ(parseFileDate("1979-12-31"), kInvalidEntry);
    for (const char* text : {"2024/03/05", "2024-03-05x", "2024-03", "2024-03-05-1", "-2024-03-05", "2024--03-05", ""})
        EXPECT_EQ(parseFileDate(text), kInvalidEntry) << text;
}

TEST(FileForms, DayMonthNameYear)
{
    const RegionalSettings english;
    const int march5 = dayOf(3, 5, 2024).value();
    EXPECT_EQ(parseFileDateWithMonthName("05-Mar-2024", english), march5);
    EXPECT_EQ(parseFileDateWithMonthName("5-MAR-24", english), march5);
    EXPECT_EQ(parseFileDateWithMonthName("5-mar-2024", english), march5);
    EXPECT_EQ(parseFileDateWithMonthName("31-Feb-2024", english), kInvalidEntry);
    EXPECT_EQ(parseFileDateWithMonthName("5-Mrz-2024", english), kInvalidEntry);
    EXPECT_EQ(parseFileDateWithMonthName("5-March-2024", english), kInvalidEntry);
    RegionalSettings german;
    german.abbreviatedMonthNames[2] = "Mär";
    german.abbreviatedMonthNames[0] = "Jän.";
    EXPECT_EQ(parseFileDateWithMonthName("05-MÄR-2024", german), march5);
    EXPECT_EQ(parseFileDateWithMonthName("05-jän-2024", german), dayOf(1, 5, 2024).value());
    EXPECT_EQ(parseFileDateWithMonthName("05-Jän.-2024", german), dayOf(1, 5, 2024).value());
}

TEST(FileForms, TwelveHourTimes)
{
    EXPECT_EQ(parseFileTime("9:05am"), 546);
    EXPECT_EQ(parseFileTime("9:05 PM"), 1266);
    EXPECT_EQ(parseFileTime("12:30am"), 31);
    EXPECT_EQ(parseFileTime("12:30pm"), 751);
    EXPECT_EQ(parseFileTime("11:59pm"), 1440);
    for (const char* text : {"9:05", "13:00pm", "9:60am", "9:05xm", ":05am", "9:am", "9.05am", ""})
        EXPECT_EQ(parseFileTime(text), kInvalidEntry) << text;
}

} // namespace
} // namespace zk
