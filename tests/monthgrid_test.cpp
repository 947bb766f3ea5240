// The month view's and the pop-up calendar's grids without windows: the
// first day shown, the distance texts, the days under a point, the
// months the calendar steps to, and the utilisation colours.

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/recurrence.h"
#include "placementscenario.h"
#include "shell/model/monthgrid.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;

constexpr DayNumber kWednesday = kMonday + 2;

TEST(MonthGridTest, FirstCellIsTheStartOfTodaysWeekMovedByTheOffset)
{
    EXPECT_EQ(monthFirstDay(kWednesday, 0, false), kMonday - 1) << "the Sunday before";
    EXPECT_EQ(monthFirstDay(kWednesday, 0, true), kMonday);
    EXPECT_EQ(monthFirstDay(kWednesday, -2, true), kMonday - 14);
    EXPECT_EQ(monthFirstDay(kMonday - 1, 0, true), kMonday - 7) << "a Sunday belongs to the week before";

    const WeekOffsetRange range = monthWeekOffsets(kWednesday);
    EXPECT_GE(monthFirstDay(kWednesday, range.minimum, false), kFirstUsableDay);
    EXPECT_LE(monthFirstDay(kWednesday, range.maximum, false) + kMonthCells - 1, kLastUsableDay);
    EXPECT_EQ(clampWeekOffset(100000, kWednesday), range.maximum);
}

TEST(MonthGridTest, DistanceTextsCountDaysThenMonthsThenYears)
{
    EXPECT_EQ(daySpanText(kMonday, kMonday, false), "*");
    EXPECT_EQ(daySpanText(kMonday + 5, kMonday, false), "");
    EXPECT_EQ(daySpanText(kMonday + 5, kMonday, true), "+5");
    EXPECT_EQ(daySpanText(kMonday - 12, kMonday, true), "-12");
    EXPECT_EQ(daySpanText(kMonday + 100, kMonday, true), "+3m");
    EXPECT_EQ(daySpanText(kMonday - 100, kMonday, true), "-3m");
    EXPECT_EQ(daySpanText(addMonths(kMonday, 30), kMonday, true), "+2y");
}

TEST(MonthGridTest, DaysUnderAPointStayInTheGridAndTheUsableRange)
{
    EXPECT_EQ(gridDayAt(kMonday, 4, 700, 400, 0, 0), kMonday);
    EXPECT_EQ(gridDayAt(kMonday, 4, 700, 400, 699, 399), kMonday + 27);
    EXPECT_EQ(gridDayAt(kMonday, 4, 700, 400, 250, 150), kMonday + 7 + 2);
    EXPECT_EQ(gridDayAt(kMonday, 4, 0, 0, 0, 0), std::nullopt) << "a grid shrunk to nothing";
    EXPECT_EQ(gridDayAt(kMonday, 4, 700, 400, 700, 10), std::nullopt);
    EXPECT_EQ(gridDayAt(kFirstUsableDay - 3, 4, 700, 400, 0, 0), std::nullopt) << "refused, not wrapped";
    EXPECT_EQ(gridDayAt(kFirstUsableDay - 3, 4, 700, 400, 350, 0), kFirstUsableDay);
}

TEST(MonthGridTest, CalendarStepsByMonthsWithinTheUsableRange)
{
    const DayNumber december = dayOf(12, 1, 2024);
    EXPECT_EQ(monthMoved(december, 12), dayOf(12, 1, 2025));
    EXPECT_EQ(monthMoved(december, 1), dayOf(1, 1, 2025));
    EXPECT_EQ(monthMoved(firstOfMonth(kFirstUsableDay), -1), std::nullopt);
    EXPECT_EQ(monthMoved(firstOfMonth(kLastUsableDay), 1), std::nullopt);
    EXPECT_EQ(firstOfMonth(kWednesday), dayOf(3, 1, 2024));
    EXPECT_EQ(popUpFirstDay(dayOf(3, 1, 2024), false), dayOf(2, 25, 2024)) << "1 March 2024 is a Friday";
}

TEST(MonthGridTest, UtilisationColoursRunFromGreenThroughYellowToRed)
{
    EXPECT_EQ(utilisationColour(0), 0x00FF00u);
    EXPECT_EQ(utilisationColour(50), 0x00FFFFu);
    EXPECT_EQ(utilisationColour(75), 128u * 256 + 255);
    EXPECT_EQ(utilisationColour(120), 215u);
    EXPECT_EQ(utilisationColour(500), utilisationColour(180));
    EXPECT_EQ(utilisationColour(-5), 0u);
}

class MonthCellsTest : public ::testing::Test, public testing::Scenario {};

TEST_F(MonthCellsTest, CellsListTheEntriesTheOptionsAndFiltersLetThrough)
{
    ItemHandle meeting = appointment("Meeting", hm(9), 60);
    ItemHandle key = task("Key task", 30, ItemFlag::fKey);
    ItemHandle plain = task("Plain task", 30);
    putAll(kMonday, {meeting, key, plain});
    RegionalSettings regional;

    MonthOptions options;
    options.beginTimes = true;
    std::vector<MonthCell> cells = monthCells(s, kMonday - 1, options, kMonday - 1, regional);
    ASSERT_EQ(cells.size(), 28u);
    EXPECT_EQ(cells[0].weekdaySpan.back(), '*');
    const MonthCell& monday = cells[1];
    ASSERT_EQ(monday.lines.size(), 3u);
    EXPECT_EQ(monday.lines[0].text, timeText(hm(9), regional) + " Meeting");

    options.keyItemsOnly = true;
    options.appointmentsOnly = true;
    cells = monthCells(s, kMonday - 1, options, kMonday - 1, regional);
    EXPECT_EQ(cells[1].lines.size(), 2u) << "key items and appointments";
    options.cashFlowView = true;
    cells = monthCells(s, kMonday - 1, options, kMonday - 1, regional, [&](ItemHandle h) { return h == meeting; });
    ASSERT_EQ(cells[1].lines.size(), 2u) << "the cash-flow view shows all, less what the filter hides";
    EXPECT_EQ(cells[1].lines[0].item, key);

    cells = monthCells(s, kFirstUsableDay - 10, {}, kMonday, regional);
    EXPECT_FALSE(cells[0].usable);
    EXPECT_TRUE(cells[0].lines.empty());
    EXPECT_TRUE(cells[10].usable);
}

TEST_F(MonthCellsTest, BracedKeywordsAreFilledInWhatDoesNotFitIsCountedAndWeeksNumbered)
{
    ItemHandle series = item("Day {count up} of training", 30, ItemFlag::fRecurDef | ItemFlag::fAnchored, hm(7));
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::weekly);
    rule.setInterval(1);
    rule.setStartDay(kMonday - 14);
    s.recurrences.add(series, rule);
    put(series, kMonday);
    for (int i = 0; i < 5; ++i)
        put(task("Task " + std::to_string(i), 10), kMonday);
    RegionalSettings regional;

    MonthOptions options;
    options.linesPerCell = 3;
    options.weekNumbers = true;
    std::vector<MonthCell> cells = monthCells(s, kMonday - 1, options, kMonday - 1, regional);
    const MonthCell& monday = cells[1];
    ASSERT_EQ(monday.lines.size(), 3u);
    EXPECT_EQ(monday.lines[0].text, "Day 14 of training");
    EXPECT_EQ(monday.moreEntries, 3u);
    EXPECT_EQ(moreEntriesText(monday.moreEntries), "+3 more");
    EXPECT_EQ(cells[0].moreEntries, 0u);

    // Sunday 3 March 2024: week 10 counted from the week of 1 January; in
    // the period calendar (from Sunday 7 January), period week 9 is the
    // first week of the third period.
    EXPECT_EQ(cells[0].weekText, "(week 10)");
    EXPECT_TRUE(cells[1].weekText.empty()) << "only the first cell of a week";
    options.fiscalWeeks = true;
    cells = monthCells(s, kMonday - 1, options, kMonday - 1, regional);
    EXPECT_EQ(cells[0].weekText, "(09) P3:1");
    EXPECT_EQ(cells[7].weekText, "(10) P3:2");
}

TEST_F(MonthCellsTest, UtilisationIsTheScheduledShareOfTheDayWindow)
{
    EXPECT_EQ(dayUtilisation(s, kMonday), std::nullopt) << "no day record";
    put(appointment("Half the day", hm(8), 300), kMonday);
    s.days.editEntries(kMonday, [](std::vector<DayEntry>& entries) { entries[0].start = static_cast<std::int16_t>(hm(8).value()); });
    EXPECT_EQ(dayUtilisation(s, kMonday), 50);
}

} // namespace
} // namespace zk
