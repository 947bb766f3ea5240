#include "core/dateparse.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace zk {
namespace {

using namespace std::string_literals;

struct Case {
    std::string text;
    int expected;
};

EntryContext contextOn(int y, int m, int d, TimeValue now = TimeValue::fromClock(10, 7))
{
    EntryContext c;
    c.today = dayOf(m, d, y);
    c.now = now;
    return c;
}

int on(int y, int m, int d) { return dayOf(m, d, y).value(); }

void expectDates(const EntryContext& c, std::initializer_list<Case> cases)
{
    for (const Case& k : cases)
        EXPECT_EQ(parseDateEntry(k.text, c), k.expected) << '"' << k.text << '"';
}

void expectTimes(const EntryContext& c, std::initializer_list<Case> cases)
{
    for (const Case& k : cases)
        EXPECT_EQ(parseTimeEntry(k.text, c), k.expected) << '"' << k.text << '"';
}

// Monday 15 January 2024, 10:07; month-day-year order, 12-hour clock.
const EntryContext kMonday = contextOn(2024, 1, 15);
const int kToday = kMonday.today.value();
constexpr int kBad = kInvalidEntry;

// ---- date entry --------------------------------------------------------------

TEST(DateEntry, WordsAndRelativeCounts)
{
    expectDates(kMonday, {{"0", kToday}, {"today", kToday}, {" Today ", kToday}, {"tom", kToday + 1},
                          {"TOMORROW", kToday + 1}, {"to", kBad}, {"tomorrows", kBad}});
    expectDates(kMonday, {{"3", kToday + 3}, {"+3", kToday + 3}, {"3d", kToday + 3}, {"-3 d", kToday - 3},
                          {"3 days", kToday + 3}, {"2w", kToday + 14}, {"-1 W", kToday - 7},
                          {"1m", on(2024, 2, 15)}, {"-2y", on(2022, 1, 15)}, {"999", kToday + 999}});
    // A bare count, negative too, is days; "3 dec" is no count of days.
    expectDates(kMonday, {{"-1", kToday - 1}, {"-2w", kToday - 14}, {"-999", kToday - 999}, {"-1000", kBad},
                          {"1000", kBad}, {"+0", kBad}, {"-0", kBad}, {"3 dec", kBad}, {"3x", kBad}});
    expectDates(contextOn(2024, 1, 31), {{"1m", on(2024, 2, 29)}});
}

TEST(DateEntry, UsableRangeBoundaries)
{
    EntryContext c = kMonday;
    c.today = DayNumber(2301);
    expectDates(c, {{"-1d", 2300}, {"-2d", kBad}});
    c.today = DayNumber(32507);
    expectDates(c, {{"1", 32508}, {"2", kBad}, {"tom", 32508}});
    c.today = DayNumber(32508);
    expectDates(c, {{"tom", kBad}, {"today", 32508}});
    expectDates(kMonday, {{"4/18/86", 2300}, {"4/17/86", kBad}, {"12/31/68", 32508}, {"1/1/2069", kBad}});
}

TEST(DateEntry, WeekdaysAlsoInTheLocaleLanguage)
{
    const int friday = on(2024, 1, 19);
    expectDates(kMonday, {{"fri", friday}, {"F", friday}, {"Friday", friday}, {"mon", on(2024, 1, 22)},
                          {"M", on(2024, 1, 22)}, {"w", on(2024, 1, 17)}, {"tu", on(2024, 1, 16)},
                          {"th", on(2024, 1, 18)}, {"h", on(2024, 1, 18)}, {"sa", on(2024, 1, 20)},
                          {"su", on(2024, 1, 21)}, {"mo 2", on(2024, 2, 5)}, {"fr99", friday + 7 * 99}});
    expectDates(kMonday, {{"s", kBad}, {"t", kBad}, {"mo 100", kBad}, {"monx", kBad}, {"fridays", kBad}});
    // In the locale's language.
    EntryContext c = kMonday;
    c.regional.dayNames = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
    expectDates(c, {{"mi", on(2024, 1, 17)}, {"do", on(2024, 1, 18)}, {"so 1", on(2024, 1, 28)}});
    c.regional.dayNames[5] = "пятница";
    expectDates(c, {{"ПЯТ", on(2024, 1, 19)}, {"пят", on(2024, 1, 19)}});
}

TEST(DateEntry, NumericDates)
{
    expectDates(kMonday, {{"2/29/24", on(2024, 2, 29)}, {"2/29/2000", on(2000, 2, 29)}, {"12/13/10", 11305},
                          {"12-13-10", 11305}, {"12.13.2010", 11305}, {"12 / 13 / 10", 11305},
                          {"3/4/24/", on(2024, 3, 4)}});
    expectDates(kMonday, {{"2/29/23", kBad}, {"2/30", kBad}, {"4/31/24", kBad}, {"1/1/69", kBad},
                          {"1/1/1979", kBad}, {"1/1/80", kBad}, {"1/1/100", kBad}, {"0/5", kBad}, {"13/1", kBad},
                          {"3/0", kBad}, {"3/32", kBad}, {"3/", kBad}, {"/3/4", kBad}, {"3/4/5/6", kBad},
                          {"3/4x", kBad}, {"1/1/99999999999999999999", kBad}});
    EntryContext c = kMonday;
    c.regional.iDate = 1;
    expectDates(c, {{"13/12/10", 11305}, {"12/13/10", kBad}, {"29.2.24", on(2024, 2, 29)}, {"4.3", on(2024, 3, 4)}});
    c.regional.iDate = 2;
    // The year leads and cannot be left out.
    expectDates(c, {{"10/12/13", 11305}, {"2024-02-29", on(2024, 2, 29)}, {"12/13", kBad}});
}

TEST(DateEntry, MissingYearTakesTheNextOneUnlessFarAheadButThePastForDoneItems)
{
    EntryContext c = kMonday;
    expectDates(c, {{"3/4", on(2024, 3, 4)}, {"1/15", kToday}, {"7/14", on(2024, 7, 14)},
                    {"7/15", on(2023, 7, 15)}, {"1/10", on(2024, 1, 10)}});
    c.itemEditorOpen = true;
    expectDates(c, {{"7/15", on(2024, 7, 15)}, {"1/10", on(2025, 1, 10)}});
    expectDates(contextOn(2024, 10, 1), {{"3/4", on(2025, 3, 4)}});
    c = contextOn(2024, 8, 1);
    expectDates(c, {{"3/4", on(2024, 3, 4)}});
    c.itemEditorOpen = true;
    expectDates(c, {{"3/4", on(2025, 3, 4)}});
    c = kMonday;
    c.doneItemDialogOpen = true;
    c.itemEditorOpen = true; // the dialog decides, not the editor
    expectDates(c, {{"3/4", on(2023, 3, 4)}, {"1/10", on(2024, 1, 10)}, {"1/15", kToday}});
}

TEST(DateEntry, BadBytesAndLongTexts)
{
    expectDates(kMonday, {{"", kBad}, {"   ", kBad}, {std::string(100000, '1'), kBad}, {std::string(100000, '/'), kBad},
                          {"today" + std::string(30, ' ') + "x", kBad}, {"3/4\0"s, kBad}, {"\0 3/4"s, kBad},
                          {"\xff\xfe", kBad}, {"\xc3", kBad}, {"３/４", kBad}, {"3/4/24/12345678901234", kBad}});
}

// ---- time entry --------------------------------------------------------------

TEST(TimeEntry, TwelveHourClockGuessesTheHalfOfTheDayTwentyFourHourClockDoesNot)
{
    expectTimes(kMonday, {{"5:30", 1051}, {"6", 361}, {"12", 721}, {"12a", 1}, {"0530", 331}, {"05", 6},
                          {"930", 571}, {"9:30", 571}, {"13:00", 781}, {"9:5", 591}, {"9:05", 546}, {"9:0", 541},
                          {"5:59", 1080}, {"1", 781}, {"12:01", 722}, {"0", 1}});
    EntryContext c = kMonday;
    c.regional.iTime = 1;
    expectTimes(c, {{"5:30", 331}, {"6", 361}, {"17.45", 1066}, {"17,45", 1066}, {"5:30p", 1051}});
}

TEST(TimeEntry, LettersAndWords)
{
    expectTimes(kMonday, {{"5:30 am", 331}, {"5:30AM", 331}, {"9p", 1261}, {"9 PM", 1261}, {"12:30a", 31},
                          {"12:59 a", 60}, {"12p", 721}, {"11:59p", 1440}, {"0a", 1}});
    expectTimes(kMonday, {{"9 a m", kBad}, {"9m", kBad}, {"9pa", kBad}, {"am", kBad}});
    // An hour past twelve with letters is a slip, not a time of day.
    expectTimes(kMonday, {{"13:00a", kBad}, {"23a", kBad}, {"13p", kBad}});
    expectTimes(kMonday, {{"now", kMonday.now.value()}, {" NOW ", kMonday.now.value()}, {"Noon", 721}, {"nowx", kBad}});
}

TEST(TimeEntry, BoundariesAndNonsense)
{
    expectTimes(kMonday, {{"23:59", 1440}, {"2359", 1440}, {"24:00", kBad}, {"2400", kBad}, {"00:00", 1},
                          {"0:01", 2}, {"99999", kBad}, {"100000", kBad}});
    // Neither an hour nor hhmm; minutes past 59 are refused too.
    expectTimes(kMonday, {{"24", kBad}, {"25", kBad}, {"59", kBad}, {"75", kBad}, {"075", kBad}, {"9:75", kBad},
                          {"975", kBad}, {"9x", kBad}, {":30", kBad}, {"9 30", kBad}, {"9:30:00", kBad},
                          {"-9", kBad}});
    expectTimes(kMonday, {{"", kBad}, {std::string(100000, '9'), kBad}, {"9:30" + std::string(20, ' ') + "pm", kBad},
                          {"9:30\0"s, kBad}, {"9\xc3\xa0", kBad}, {"\x80", kBad}});
}

TEST(TimeEntry, NightOwlSmallHoursBelongToTheDayEnd)
{
    // 22:00 to 06:00: the day changes at 14:00.
    EntryContext c = kMonday;
    c.dayStart = TimeValue(1321);
    c.dayEnd = TimeValue(1801);
    c.nightOwl = true;
    c.regional.iTime = 1;
    expectTimes(c, {{"2:00", 121 + 1440}, {"23:00", 1381}, {"13:59", 840 + 1440}, {"14:00", 841}, {"noon", 2161}});
    // 7 a.m. to 1 a.m.: the day changes at 4 a.m.
    c.dayStart = TimeValue(421);
    c.dayEnd = TimeValue(1501);
    c.regional.iTime = 0;
    c.now = TimeValue(1471);
    expectTimes(c, {{"0:30", 1471}, {"3:59a", 1680}, {"4a", 241}, {"now", 1471}});
    c.nightOwl = false;
    expectTimes(c, {{"now", 31}, {"0:30", 31}});
}

// ---- duration entry ------------------------------------------------------------

TEST(DurationEntry, ValuesRangeAndRefusals)
{
    const std::string minusSign = "\xe2\x88\x92"; // not "-"
    const std::optional<int> no;
    const std::pair<std::string, std::optional<int>> cases[] = {
        {"2", 120}, {"30", 30}, {"02", 2}, {"1:30", 90}, {"1:3", 90}, {"1:03", 63}, {":45", 45}, {":5", 5},
        {"130", 90}, {"-3", -180}, {"24", 1440}, {"25", 25}, {"0", 0}, {"memo", 0}, {"Note", 0}, {"1.30", 90},
        {"99", 99}, {"100", 60}, {"-1:30", -90}, {"-0:30", -30}, {"-:01", -1}, {"-30", -30},
        {"24:00", 1440}, {":1440", 1440}, {"2400", 1440}, {"-2400", -1440}, {"-24:00", -1440},
        {"24:01", no}, {":1441", no}, {"2401", no}, {"-2401", no}, {"-24:01", no},
        {"", no}, {"-", no}, {"x", no}, {"1 30", no}, {"160", no}, {"1:60", no}, {"1:30:00", no}, {"1:30a", no},
        {"--3", no}, {"3-", no}, {"memos", no}, {std::string(100000, '1'), no}, {"1:30\0"s, no}, {minusSign + "3", no}};
    for (const auto& [text, minutes] : cases)
        EXPECT_EQ(parseDurationEntry(text), minutes) << text;
}

// ---- file forms ----------------------------------------------------------------

TEST(FileForms, YearMonthDayMonthNamesAndTwelveHourTimes)
{
    for (const Case& k : std::initializer_list<Case>{
             {"2024-3-5", on(2024, 3, 5)}, {"1980-01-01", 1}, {"10-12-13", 11305}, {"2024-02-30", kBad}, {"1979-12-31", kBad},
             {"2024/03/05", kBad}, {"2024-03-05x", kBad}, {"2024-03", kBad}, {"2024--03-05", kBad}, {"", kBad}})
        EXPECT_EQ(parseFileDate(k.text), k.expected) << k.text;
    RegionalSettings german;
    german.abbreviatedMonthNames[0] = "Jän.";
    for (const Case& k : std::initializer_list<Case>{{"05-Mar-2024", on(2024, 3, 5)}, {"5-MAR-24", on(2024, 3, 5)},
                                                     {"31-Feb-2024", kBad}, {"5-March-2024", kBad}})
        EXPECT_EQ(parseFileDateWithMonthName(k.text, RegionalSettings{}), k.expected) << k.text;
    EXPECT_EQ(parseFileDateWithMonthName("05-JÄN.-2024", german), on(2024, 1, 5));
    for (const Case& k : std::initializer_list<Case>{{"9:05 PM", 1266}, {"12:30am", 31}, {"12:30pm", 751}, {"9:05", kBad},
                                                     {"13:00pm", kBad}, {"9:60am", kBad}, {"9.05am", kBad}})
        EXPECT_EQ(parseFileTime(k.text), k.expected) << k.text;
}

} // namespace
} // namespace zk
