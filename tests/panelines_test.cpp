// The schedule panes without windows: the text of entry and gap lines with
// their marks, the day facts, the caption and title, the panes' days, and
// the pane record's scrolling, hit testing, selection and type-ahead.

#include "core/scheduleheader.h"
#include "placementscenario.h"
#include "shell/model/panelines.h"
#include "shell/model/settings.h"

#include <gtest/gtest.h>

#include <functional>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

// One schedule and how its panes are shown; by default the day shown is not today.
struct Panes : testing::Scenario {
    Panes()
    {
        display.proMode = true;
        display.liteMode = false;
        display.shading = false;
    }
    DayLines linesOf(DayNumber day, LineMoment at = {kMonday - 1, hm(12)})
    {
        return dayLines(s, day, display, at, regional);
    }
    Strings texts(DayNumber day, LineMoment at = {kMonday - 1, hm(12)})
    {
        Strings out;
        for (const PaneLine& line : linesOf(day, at).lines)
            out.push_back(line.whole());
        return out;
    }

    PaneDisplay display;
    RegionalSettings regional;
};

class PaneLinesTest : public ::testing::Test, public Panes {};

// --- the entry line ---------------------------------------------------------------------

TEST(PaneEntryLineTest, OneEntryShowsItsTimeWordsDurationAndMarks)
{
    struct Case {
        const char* name;
        std::function<void(Panes&)> setUp;
        std::string line;
        bool separator = false;
        bool timeInRed = false;
    };
    const auto deadline = [](Panes& p, const char* text, DayNumber due) {
        ItemHandle h = p.task(text, 30);
        p.s.record(h).setDeadlineDate(static_cast<std::uint16_t>(due.value()));
        p.put(h, kMonday);
    };
    const Case cases[] = {
        {"an appointment with its end time",
         [](Panes& p) { p.display.showEndTimes = true; p.put(p.appointment("Budget review", hm(9, 30), 90), kMonday); },
         " 9:30a  11:00a Budget review    (1:30) "},
        {"a floating task", [](Panes& p) { p.put(p.task("Read mail", 30), kMonday); }, " 8:00a Read mail    (:30) "},
        {"task times off", [](Panes& p) { p.display.showTaskTimes = false; p.put(p.task("Read mail", 30), kMonday); },
         "       Read mail    (:30) "},
        {"LITE: no time, no duration group for a floating item",
         [](Panes& p) { p.display.proMode = false; p.put(p.task("Read mail", 30), kMonday); }, "       Read mail    "},
        {"a held time", [](Panes& p) { p.put(p.task("Held", 30, ItemFlag::fHeldTime), kMonday); },
         "  hold Held    (:30) "},
        {"an on-hold memo: no duration group", [](Panes& p) { p.put(p.task("Held", 0, ItemFlag::fOnHold), kMonday); },
         "  memo Held    "},
        {"due today", [&](Panes& p) { deadline(p, "Tax return", kMonday); }, " 8:00a Tax return    (:30)  [due today]"},
        {"overdue", [&](Panes& p) { deadline(p, "Late one", kMonday - 1); }, " 8:00a Late one    (:30)  [overdue]"},
        {"the conflict lens: how far it runs past its latest end", [](Panes& p) {
             p.display.showConflictLens = true;
             ItemHandle h = p.task("Long job", 120);
             p.s.record(h).setLatestEnd(static_cast<std::int16_t>(hm(9).value()));
             p.put(h, kMonday);
         }, " 8:00a Long job    (2:00) (1:00)", false, true},
        {"a bar description is a separator only", [](Panes& p) { p.put(p.appointment("Bar", hm(9), 30), kMonday); },
         " ", true},
        {"a protected schedule shows its refusal",
         [](Panes& p) { p.display.protectedSchedule = true; p.put(p.appointment("private", hm(9), 30), kMonday); },
         std::string(" ") + kProtectedScheduleText},
    };
    for (const Case& c : cases) {
        Panes p;
        c.setUp(p);
        DayLines lines = p.linesOf(kMonday);
        ASSERT_FALSE(lines.lines.empty()) << c.name;
        EXPECT_EQ(lines.lines.front().whole(), c.line) << c.name;
        EXPECT_EQ(lines.lines.front().text.separator, c.separator) << c.name;
        EXPECT_EQ(lines.lines.front().text.timeInRed, c.timeInRed) << c.name;
    }
}

TEST_F(PaneLinesTest, AShortPlacementShowsItsMinutesAndThePrintedMarks)
{
    put(appointment("busy", hm(8), 360), kMonday);
    put(task("Draft letter", 60, ItemFlag::fSplit), kMonday, 45);
    ASSERT_EQ(texts(kMonday).size(), 3u);  // appointment, task, the gap to the day's end
    EXPECT_EQ(texts(kMonday)[1], " 2:00p Draft letter    (:45/1:00) ");
    display.printing = true;
    EXPECT_EQ(texts(kMonday)[1], " 2:00p^ ~Draft letter    (:45/1:00) ");
}

TEST_F(PaneLinesTest, TodaysFirstBattingEntriesAreRankedAndOneThatCannotBeginYetIsMarked)
{
    ItemHandle late = task("After lunch", 30);
    s.record(late).setEarliestBegin(static_cast<std::int16_t>(hm(13).value()));
    put(late, kMonday);
    for (int i = 2; i <= 8; ++i)
        put(task("task " + std::to_string(i), 15), kMonday);
    const auto itemTexts = [&](TimeValue now) {
        Strings items;
        for (const PaneLine& line : linesOf(kMonday, {kMonday, now}).lines)
            if (line.kind == PaneLineKind::Item)
                items.push_back(line.text.text);
        return items;
    };
    Strings items = itemTexts(hm(9));
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[0], "1. /After lunch    (:30) ");
    EXPECT_TRUE(items[6].starts_with("7. task 7")) << items[6];
    EXPECT_TRUE(items[7].starts_with("task 8")) << items[7];
    EXPECT_EQ(itemTexts(hm(13))[0], "1. After lunch    (:30) ");
    display.printing = true;
    EXPECT_EQ(itemTexts(hm(9))[0], "1. After lunch    (:30) ");
    // Another day has no ranks.
    put(task("tomorrow", 15), kMonday + 1);
    EXPECT_TRUE(linesOf(kMonday + 1, {kMonday, hm(8)}).lines.front().text.text.starts_with("tomorrow"));
}

TEST_F(PaneLinesTest, RecurrenceAlarmAndConflictMarks)
{
    put(appointment("first", hm(9), 90), kMonday);
    ItemHandle second = appointment("second", hm(10), 30);
    s.record(second).setFlags(ItemFlag::fAnchored | ItemFlag::fAlarm | ItemFlag::fException);
    put(second, kMonday);
    DayLines lines = linesOf(kMonday);
    EXPECT_EQ(lines.lines[1].text.text, "second   -rx  -a (:30) ");
    EXPECT_TRUE(lines.lines[1].text.timeInRed) << "overrun by the appointment before it";
    EXPECT_FALSE(lines.lines[0].text.timeInRed);
}

TEST_F(PaneLinesTest, DoneItemsAreStruckOutWithABlankAfterTheTime)
{
    ItemHandle h = appointment("Called back", hm(9), 15);
    s.record(h).setFlags(ItemFlag::fAnchored | ItemFlag::fDone);
    put(h, kMonday);
    PaneLine line = linesOf(kMonday).lines.front();
    EXPECT_EQ(line.text.afterTime, " ");
    EXPECT_TRUE(line.struckOut);
    EXPECT_EQ(line.background, LineBackground::Done);
    display.noPastStrikes = true;
    line = linesOf(kMonday).lines.front();
    EXPECT_EQ(line.text.afterTime, "");
    EXPECT_FALSE(line.struckOut);
}

TEST(PaneCurrencyTest, AmountsFollowThePlacementOfTheSymbol)
{
    const Strings expected{"$150", "150$", "$ 150", "150 $"};
    for (int placement = 0; placement < 4; ++placement)
        EXPECT_EQ(currencyAmount(150, {"$", placement}), expected[placement]) << placement;
    EXPECT_EQ(currencyAmount(150, {"$", 4}), std::nullopt);
}

// --- gaps and facts ----------------------------------------------------------------------------

TEST_F(PaneLinesTest, GapLinesFollowEntriesThatLeaveFreeTimeInProMode)
{
    put(appointment("Stand-up", hm(9), 30), kMonday);
    put(appointment("Lunch", hm(12), 60), kMonday);
    put(task("Report", 60), kMonday);
    EXPECT_EQ(texts(kMonday), (Strings{" 9:00a Stand-up    (:30) ", " 9:30a (2:30)", "12:00p Lunch    (1:00) ",
                                       " 1:00p Report    (1:00) ", " 2:00p (4:00)"}));
    display.proMode = false;
    EXPECT_EQ(texts(kMonday).size(), 3u) << "no gap lines outside PRO mode";
}

TEST_F(PaneLinesTest, ShortGapsHideOnRequestAndPastGapsNeverShow)
{
    put(appointment("a", hm(9), 30), kMonday);
    put(appointment("b", hm(9, 33), 30), kMonday);
    put(appointment("c", hm(17), 60), kMonday);
    display.hideGaps = true;
    EXPECT_EQ(texts(kMonday), (Strings{" 9:00a a    (:30) ", " 9:33a b    (:30) ", "10:03a (6:57)",
                                       " 5:00p c    (1:00) "}));
    EXPECT_EQ(texts(kMonday, {kMonday + 1, hm(7)}).size(), 3u) << "a past day";
    // Today: only what is still to come is free.
    EXPECT_EQ(texts(kMonday, {kMonday, hm(15)})[2], " 3:00p (2:00)");
}

TEST_F(PaneLinesTest, HiddenItemsLeaveNoLineButKeepTheirTime)
{
    ItemHandle hidden = appointment("secret", hm(9), 60);
    put(hidden, kMonday);
    put(task("after", 30), kMonday);
    DayLines lines = dayLines(s, kMonday, display, {kMonday - 1, hm(12)}, regional,
                              [&](ItemHandle h) { return h == hidden; });
    ASSERT_EQ(lines.lines.size(), 2u);
    EXPECT_EQ(lines.lines[0].whole(), "10:00a after    (:30) ");
}

TEST_F(PaneLinesTest, TheDayFactsCountTheDay)
{
    put(appointment("a", hm(9), 60), kMonday);
    ItemHandle done = appointment("b", hm(10), 30);
    s.record(done).setFlags(ItemFlag::fAnchored | ItemFlag::fDone);
    put(done, kMonday);
    put(appointment("c", hm(11), 30), kMonday);
    EXPECT_EQ(linesOf(kMonday).facts, "<+1> 3 items (2:00) 8:00 free; 0:00 conflicting");
    EXPECT_EQ(linesOf(kMonday, {kMonday, hm(7)}).facts, " 1/3 undone (2:00) 8:00 free; 0:00 conflicting");
    display.weekOfYear = true;
    EXPECT_EQ(linesOf(kMonday, {kMonday + 2, hm(7)}).facts, "<-2> wk# 10,  3 items (2:00) 2 undone");
}

TEST_F(PaneLinesTest, HolidaysAndEasterAreHighlighted)
{
    EXPECT_EQ(easterSunday(2024), kMonday + 27);        // 31 March 2024
    EXPECT_EQ(easterSunday(2025), kMonday + 27 + 385);  // 20 April 2025
    EXPECT_TRUE(linesOf(kMonday + 27).highlighted);
    EXPECT_FALSE(linesOf(kMonday).highlighted);
    ItemHandle h = appointment("Bank holiday", hm(9), 0);
    s.record(h).setKind(ItemKind::holiday);
    put(h, kMonday);
    EXPECT_TRUE(linesOf(kMonday).highlighted);
}

// --- caption and title --------------------------------------------------------------------------

TEST(ScheduleCaptionTest, TheStatusTextCarriesItsMarksInOrderAndTheRegionalClock)
{
    RegionalSettings regional;
    StatusFacts f;
    f.clock = clockText(14, 5, 9, regional);
    f.today = kMonday;
    EXPECT_EQ(statusText(f, regional), "2:05:09 pm - Mon 03/04/24");
    f.weekView = f.hideDoneItems = f.otherHoldsAccess = f.unsaved = f.readingMarker = f.filterOn = true;
    f.activity = StatusActivity::Autosaving;
    EXPECT_EQ(statusText(f, regional), "Week View - 2:05:09 pm - Mon 03/04/24 - Hide Done Items ! * % Autosaving... - Filter On");
    f = {};
    f.clock = "x";
    f.today = kMonday;
    f.viewAccess = false;
    f.activity = StatusActivity::Searching;
    f.searchText = "dentist";
    EXPECT_EQ(statusText(f, regional), "No View - x - Mon 03/04/24 - Searching... dentist");

    EXPECT_EQ(clockText(0, 7, 3, regional), "12:07:03 am");
    EXPECT_EQ(clockText(12, 0, 0, regional), "12:00:00 pm");
    regional.iTime = regional.iTLZero = 1;
    regional.sTime = ".";
    EXPECT_EQ(clockText(9, 7, 3, regional), "09.07.03");

    EXPECT_EQ(mainWindowTitle("Zelkon 21.00", true, "Ann"), "Zelkon 21.00 PRO - Ann");
    EXPECT_EQ(mainWindowTitle("Zelkon 21.00", false, ""), "Zelkon 21.00 LITE - (unnamed)");
}

// --- the panes' days --------------------------------------------------------------------------------

TEST(PaneDaysTest, ViewsShowTheirDaysFromTheHeaderLayout)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    ViewLayout layout = viewLayoutOf(header);
    // Monday to Friday from a Wednesday on runs into the next week.
    EXPECT_EQ(paneDays(ScheduleView::Week, kMonday + 2, layout),
              (std::vector<DayNumber>{kMonday + 2, kMonday + 3, kMonday + 4, kMonday + 7, kMonday + 8}));
    EXPECT_EQ(paneDays(ScheduleView::MultiPane, kMonday, layout).size(), 4u);
    storeViewLayout(header, {2, 0x41, 2});  // the weekend
    layout = viewLayoutOf(header);
    EXPECT_EQ(paneDays(ScheduleView::Week, kMonday, layout), (std::vector<DayNumber>{kMonday + 5, kMonday + 6}));
    EXPECT_EQ(paneDays(ScheduleView::MultiPane, kMonday, layout), (std::vector<DayNumber>{kMonday, kMonday + 1}));
    header.setU8(537, 8);  // more panes than fit: the default count
    EXPECT_EQ(viewLayoutOf(header).paneCount, 4);
    EXPECT_EQ(paneDays(ScheduleView::MultiPane, kMonday, {5, 0x3E, 9}).size(), 4u);
}

TEST(PaneDaysTest, TheWeekScrollBarCountsWeeksFromToday)
{
    WeekScroll range = weekScrollRange(kMonday);
    EXPECT_EQ(range.minimum, (2300 - kMonday.value()) / 7);
    EXPECT_EQ(range.maximum, (32508 - kMonday.value()) / 7 - 4);
    EXPECT_EQ(weekScrollPosition(kMonday - 1, kMonday), -1);
    EXPECT_EQ(weekScrollPosition(kMonday + 13, kMonday), 1);
    EXPECT_EQ(dayAtWeekScroll(3, kMonday + 2, kMonday), kMonday + 23);
}

// --- the pane record -------------------------------------------------------------------------------

class PaneRecordTest : public PaneLinesTest {
protected:
    // Three appointments with gaps between them: lines item, gap, item,
    // gap, item, gap.
    PaneRecord pane(PaneMetrics metrics = {})
    {
        put(appointment("Alpha", hm(9), 30), kMonday);
        put(appointment("beta", hm(11), 30), kMonday);
        put(appointment("Bravo", hm(13), 30), kMonday);
        PaneRecord record;
        record.setMetrics(metrics);
        record.setLines(linesOf(kMonday));
        return record;
    }
};

TEST_F(PaneRecordTest, HitTestingFindsTheLineAndThePartUnderThePointerAndScrollingKeepsTheSelectionInSight)
{
    // Three lines to a page.
    PaneRecord record = pane({.lineHeight = 20, .timeColumnWidth = 50, .clientWidth = 300, .clientHeight = 60});
    ASSERT_EQ(record.lineCount(), 6);
    EXPECT_EQ(record.hitTest(100, 19)->line, 0);
    EXPECT_EQ(record.hitTest(100, 20)->line, 1);
    EXPECT_EQ(record.hitTest(10, 45)->part, HitPart::TimeColumn);
    EXPECT_EQ(record.hitTest(60, 45)->part, HitPart::Text);
    EXPECT_FALSE(record.hitTest(100, 60).has_value()) << "below the page";
    record.scrollTo(2);
    EXPECT_EQ(record.hitTest(100, 0)->line, 2);
    record.scrollTo(0);

    EXPECT_EQ(record.lastFirstLine(), 3);
    record.selectNext();
    record.selectNext();
    EXPECT_EQ(record.firstVisibleLine(), 2);
    record.scrollBy(10);
    EXPECT_EQ(record.firstVisibleLine(), 3);
    EXPECT_TRUE(record.pageUp());
    EXPECT_EQ(record.firstVisibleLine(), 0);
    EXPECT_EQ(record.selectedLine(), 2);
    EXPECT_TRUE(record.pageDown());
    EXPECT_EQ(record.selectedLine(), 4);
}

TEST_F(PaneRecordTest, TheSelectionMovesOverItemLinesExtendsAndFollowsItsItem)
{
    PaneRecord record = pane();
    EXPECT_EQ(record.selectedLine(), 0) << "a new day selects its first entry";
    EXPECT_TRUE(record.selectNext());
    EXPECT_TRUE(record.selectNext());
    EXPECT_EQ(record.selectedLine(), 4) << "over the gap lines";
    EXPECT_FALSE(record.selectNext());
    EXPECT_TRUE(record.selectPrevious());
    EXPECT_EQ(record.selectedLine(), 2);
    EXPECT_FALSE(record.select(1)) << "a gap line cannot be selected";

    record.select(0);
    record.select(4, SelectionExtension::Range);
    EXPECT_EQ(record.selectedLines(), (std::set<int>{0, 2, 4}));
    record.select(2, SelectionExtension::Toggle);
    EXPECT_EQ(record.selectedLines(), (std::set<int>{0, 4}));

    record.select(4);
    ItemHandle bravo = record.selectedItem();
    put(appointment("Early", hm(8), 30), kMonday);
    record.setLines(linesOf(kMonday));
    EXPECT_EQ(record.selectedItem(), bravo);
    EXPECT_EQ(record.lines()[*record.selectedLine()].description, "Bravo");
}

TEST_F(PaneRecordTest, TimespaceLinesGrowWithTheirMinutes)
{
    PaneRecord record = pane({.lineHeight = 10, .clientHeight = 1000, .timespace = true});
    // 30 minutes, then a gap of 1:30, then 30 minutes, a gap of 1:30 ...
    ASSERT_GE(record.rows().size(), 3u);
    EXPECT_EQ(record.rows()[0].height, 10);
    EXPECT_EQ(record.rows()[1].height, 30);
    EXPECT_EQ(record.rows()[2].top, 40);
    // The evening's gap is long but takes no more than its limit.
    EXPECT_EQ(record.rows().back().height, kMaxTimespaceLines * 10);
}

TEST_F(PaneRecordTest, APageOfMoreThan199LinesIsRefused)
{
    for (int i = 0; i < 150; ++i)
        put(task("t" + std::to_string(i), 1), kMonday);
    PaneRecord record;
    record.setMetrics({.lineHeight = 5, .clientHeight = 199 * 5 + 4});
    record.setLines(linesOf(kMonday));
    EXPECT_FALSE(record.tooManyLines());
    EXPECT_EQ(record.rows().size(), 151u);  // 150 tasks and the evening's gap
    record.setMetrics({.lineHeight = 5, .clientHeight = 200 * 5});
    EXPECT_TRUE(record.tooManyLines());
    EXPECT_TRUE(record.rows().empty());
}

} // namespace
} // namespace zk
