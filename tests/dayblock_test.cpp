// The day block of the text export: pieces of 72 characters, item lines
// with their marks, FREE lines and the day facts.

#include "engine/daylayout.h"
#include "exchange/dayblock.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

TEST(PiecesOf72Test, LinesAreCutAtTheLastBlankWithinSeventyTwoCharacters)
{
    EXPECT_EQ(piecesOf72(""), Strings{""});
    std::string exactly72(72, 'x');
    EXPECT_EQ(piecesOf72(exactly72), Strings{exactly72});
    std::string word100(100, 'w');
    EXPECT_EQ(piecesOf72(word100), (Strings{std::string(72, 'w'), std::string(28, 'w')}));
    // 150 characters of words: three pieces, none longer than 72, no
    // character lost but the blanks at the cuts.
    std::string text;
    while (text.size() < 150)
        text += "abcdefghi ";
    text.resize(150);
    Strings pieces = piecesOf72(text);
    ASSERT_EQ(pieces.size(), 3u);
    std::string joined;
    for (const std::string& p : pieces) {
        EXPECT_LE(p.size(), 72u);
        joined += (joined.empty() ? "" : " ") + p;
    }
    EXPECT_EQ(joined, text);
    // A blank as the 73rd character is not among the first 72.
    EXPECT_EQ(piecesOf72(std::string(72, 'a') + " b"), (Strings{std::string(72, 'a'), " b"}));
    EXPECT_EQ(piecesOf72(std::string(71, 'a') + " b"), (Strings{std::string(71, 'a'), "b"}));
    // Characters count, not bytes.
    std::string e72, e8;
    for (int i = 0; i < 80; ++i)
        (i < 72 ? e72 : e8) += "\xC3\xA9";
    EXPECT_EQ(piecesOf72(e72 + e8), (Strings{e72, e8}));
}

class DayBlockTest : public ::testing::Test, public testing::Scenario {
protected:
    DayBlock shown(DayNumber day, DayNumber today = kMonday, TimeValue now = hm(7))
    {
        layoutDay(s, day, at(today, now));
        return dayBlock(s, day, DayBlockContext{today, now, RegionalSettings{}, {}});
    }
};

TEST_F(DayBlockTest, EveryGapBeforeAnEntryGetsAFreeLine)
{
    putAll(kMonday, {appointment("a", hm(10), 60), appointment("b", hm(11, 30), 30),
                     task("held", 30, ItemFlag::fOnHold)});
    DayBlock block = shown(kMonday);
    EXPECT_EQ(block.lines, (Strings{"10:00a a (1:00)", "11:00a FREE (:30)", "11:30a b (:30)", "       held (:30)"}));
    EXPECT_EQ(exportText(block), "\n\n" + block.title + "\n\n10:00a a (1:00)\n11:00a FREE (:30)\n11:30a b (:30)\n"
                                                        "       held (:30)\n");
}

TEST_F(DayBlockTest, FreeTimeCountsFromTheDayStartAndOutsidePROOnlyAppointmentsShowTheirDuration)
{
    putAll(kMonday, {task("t", 30), appointment("a", hm(10), 60)});
    EXPECT_EQ(shown(kMonday).lines, (Strings{" 8:00a t (:30)", " 8:30a FREE (1:30)", "10:00a a (1:00)"}));
    s.header.setInterfaceMode(1);
    EXPECT_EQ(shown(kMonday).lines, (Strings{" 8:00a t", " 8:30a FREE (1:30)", "10:00a a (1:00)"}));
}

TEST_F(DayBlockTest, LinesCarryTheScheduleMarks)
{
    ItemHandle due = task("due", 30);
    s.record(due).setDeadlineDate(static_cast<std::uint16_t>(kMonday.value()));
    put(due, kMonday);
    ItemHandle late = task("late", 30);
    s.record(late).setDeadlineDate(static_cast<std::uint16_t>((kMonday - 1).value()));
    put(late, kMonday);
    ItemHandle alarm = appointment("alarm", hm(12), 30);
    s.record(alarm).setFlag(ItemFlag::fAlarm, true);
    s.record(alarm).setAlarmRepeat(65535);
    put(alarm, kMonday);
    ItemHandle exception = appointment("moved", hm(13), 30);
    s.record(exception).setFlag(ItemFlag::fException, true);
    put(exception, kMonday);
    ItemHandle cash = item("rent", 0, ItemFlag::fAnchored, hm(14));
    s.record(cash).setKind(ItemKind::cashFlow);
    put(cash, kMonday);
    EXPECT_EQ(shown(kMonday).lines, (Strings{" 8:00a due (:30) [due today]", " 8:30a late (:30) [overdue]",
                                             " 9:00a FREE (3:00)", "12:00p alarm -ax (:30)", "12:30p FREE (:30)",
                                             " 1:00p moved -rx (:30)",
                                             " 1:30p FREE (:30)", " 2:00p rent (cash)"}));
}

TEST_F(DayBlockTest, ProgressShowsWhatAnEntryHadOrGot)
{
    s.header.setMinSplitMinutes(15);
    ItemHandle split = task("split", 90, ItemFlag::fSplit);
    put(split, kMonday, 60);
    ItemHandle running = item("running", 45, ItemFlag::fStarted, hm(9));
    put(running, kMonday);
    EXPECT_EQ(shown(kMonday, kMonday, hm(9, 20)).lines,
              (Strings{" 8:00a FREE (1:20)", " 9:20a split (1:00/1:30)", " 9:00a running (:20/:45)"}));
    EXPECT_EQ(shown(kMonday, kMonday, hm(8)).lines, (Strings{" 8:00a split (1:00/1:30)", " 9:00a running (*:45)"}));
}

TEST_F(DayBlockTest, TheDayFactsCountEntriesTimeAndConflicts)
{
    putAll(kMonday, {item("done", 30, ItemFlag::fDone, hm(8)), appointment("a", hm(8, 15), 60), task("t", 45)});
    // Overlapping entries each count against the free time.
    EXPECT_EQ(shown(kMonday).title, "03/04/24 Monday  1/3 undone (2:15) 7:45 free; 1:00 conflicting");
    EXPECT_EQ(shown(kMonday, kMonday - 2).title,
              "03/04/24 Monday <+2> 3 items (2:15) 7:45 free; 1:00 conflicting");
    EXPECT_EQ(shown(kMonday, kMonday + 1).title, "03/04/24 Monday <-1> 3 items (2:15) 2 undone");
    EXPECT_EQ(dayBlock(s, kMonday + 5, DayBlockContext{kMonday, hm(7), RegionalSettings{}, {}}).title,
              "03/09/24 Saturday <+5> 10:00 free; 0:00 conflicting");
}

} // namespace
} // namespace zk
