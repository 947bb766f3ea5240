// What printed calendars, lists and reports hold: the weeks a range
// touches, a month's whole weeks, the chronological list's order, and the
// month's history report read from its log.

#include "core/calendar.h"
#include "placementscenario.h"
#include "lockfilesupport.h"
#include "shell/model/printeddocuments.h"
#include "storage/historylog.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;

class PrintedDocumentsTest : public ::testing::Test, public testing::Scenario {
protected:
    RegionalSettings regional;
};

TEST_F(PrintedDocumentsTest, CalendarsCoverWholeWeeks)
{
    // Wednesday to the next Tuesday touches two weeks from Sunday, two from Monday.
    const PrintRange range{kMonday + 2, kMonday + 8};
    EXPECT_EQ(printedWeekStarts(range, false), (std::vector<DayNumber>{kMonday - 1, kMonday + 6}));
    EXPECT_EQ(printedWeekStarts(range, true), (std::vector<DayNumber>{kMonday, kMonday + 7}));
    EXPECT_TRUE(printedWeekStarts({kMonday + 3, kMonday}, false).empty()) << "a reversed range prints nothing";

    put(appointment("Dentist", hm(9), 30), kMonday);
    const PrintedWeek week = printedWeek(s, kMonday - 1, PaneDisplay{}, {kMonday - 1, hm(12)}, regional);
    ASSERT_EQ(week.days.size(), 7u);
    EXPECT_EQ(week.days[1].day, kMonday);
    ASSERT_FALSE(week.days[1].lines.empty());

    MonthOptions options;
    // March 2024 begins on a Friday and ends on a Sunday: six weeks from Sunday, five from Monday.
    PrintedMonth march = printedMonth(s, kMonday, options, kMonday, regional);
    EXPECT_EQ(march.title, "March 2024");
    EXPECT_EQ(march.cells.size(), 42u);
    EXPECT_EQ(march.cells.front().day, dayOf(2, 25, 2024));
    EXPECT_EQ(march.weekdays.front(), "Sun");
    bool dentist = false;
    for (const MonthCell& cell : march.cells)
        for (const MonthLine& line : cell.lines)
            dentist = dentist || (cell.day == kMonday && line.text.find("Dentist") != std::string::npos);
    EXPECT_TRUE(dentist);
    options.weekStartsMonday = true;
    EXPECT_EQ(printedMonth(s, kMonday, options, kMonday, regional).cells.size(), 35u);
    // February 2026 fills exactly four weeks from Sunday.
    options.weekStartsMonday = false;
    const PrintedMonth february = printedMonth(s, dayOf(2, 14, 2026), options, kMonday, regional);
    EXPECT_EQ(february.cells.size(), 28u);
    EXPECT_EQ(february.cells.front().day, dayOf(2, 1, 2026));
}

TEST_F(PrintedDocumentsTest, ChronologicalListAndMonthHistory)
{
    put(appointment("Zoo visit", hm(9), 60), kMonday);
    put(appointment("Breakfast", hm(7), 30), kMonday + 1);
    put(appointment("Alarm check", hm(14), 15), kMonday);
    put(appointment("Early call", hm(6), 15), kMonday);
    const PrintedText list = printedList(s, PrintedList::Chronological, {}, {kMonday, regional}, hm(12));
    EXPECT_EQ(list.title, "Chronological List - 4 items");
    ASSERT_EQ(list.sections.size(), 1u);
    std::vector<std::string> order;
    for (const PrintedLine& line : list.sections[0].lines)
        order.push_back(line.text.substr(0, line.text.find(' ')));
    EXPECT_EQ(order, (std::vector<std::string>{"Early", "Zoo", "Alarm", "Breakfast"}));
    const PrintedText alphabetical = printedList(s, PrintedList::Alphabetical, {}, {kMonday, regional}, hm(12));
    EXPECT_EQ(alphabetical.sections[0].lines.front().text.substr(0, 5), "Alarm");

    testsupport::TempFolder folder;
    const PrintedText none = monthHistoryReport(folder.path(), kMonday, regional);
    EXPECT_EQ(none.title, "History for March 2024");
    EXPECT_NE(none.plain().find("No items were archived"), std::string::npos);
    std::ofstream(historyLogPath(folder.path(), 3, 2024), std::ios::binary)
        << "03/04/24\t09:00 am\t 60\t\tZoo visit\tFamily\t0\t0.00\t0\r\n"
        << "03/05/24\t\t 30\t00012\tCall\tline\t\t0\t0.00\t0\r\n";
    const PrintedText history = monthHistoryReport(folder.path(), kMonday, regional);
    ASSERT_EQ(history.sections.size(), 1u);
    ASSERT_EQ(history.sections[0].lines.size(), 2u);
    EXPECT_EQ(history.sections[0].lines[0].prefix, "03/04/24 09:00 am");
    EXPECT_EQ(history.sections[0].lines[0].text, "Zoo visit (60 min) [Family]");
    EXPECT_EQ(history.sections[0].lines[1].text, "Call (30 min) [line]");
}

} // namespace
} // namespace zk
