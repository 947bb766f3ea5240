// Changing one day's load by hand: Less Workload sends the least important
// task on, More Workload brings the most important one in, and Optimize
// reorders today where a later entry fits a gap or times disagree.

#include "engine/balancing.h"
#include "engine/workloadshift.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;
using Days = std::vector<DayNumber>;

class WorkloadShiftTest : public ::testing::Test, public testing::PlacementScenario {
protected:
    ItemHandle listedOn(const std::string& text, int duration, DayNumber day)
    {
        ItemHandle h = listed(text, duration);
        put(h, day);
        return h;
    }
    int todaysReserve() const { return balanceSettings(s.header).todayReserve; }
};

TEST_F(WorkloadShiftTest, LessWorkloadSendsTheLeastImportantTaskToTheNextAllowedDay)
{
    ItemHandle first = listedOn("first", 30, kMonday);
    ItemHandle second = listedOn("second", 30, kMonday);
    ItemHandle last = listedOn("last", 30, kMonday);
    // The last one may not pass Tuesday's deadline, and Tuesday is kept clear.
    BalanceSettings b = balanceSettings(s.header);
    b.keepClearFirst = kMonday + 1;
    storeBalanceSettings(s.header, b);
    s.record(last).setDeadlineDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    s.record(second).setWeekdayMask(static_cast<std::uint8_t>(1u << (kMonday + 3).weekday()));
    Placement placement(s, monday(), &messages);
    WorkloadShift shift = lessWorkload(placement, kMonday);
    EXPECT_EQ(shift.item, second);
    EXPECT_EQ(shift.to, kMonday + 3) << "its weekday, past the kept-clear Tuesday";
    EXPECT_EQ(daysOf(second), Days{kMonday + 3});
    EXPECT_EQ(daysOf(first), Days{kMonday});
    EXPECT_EQ(todaysReserve(), 10);
    EXPECT_TRUE(presenter.beeps() == 0 && presenter.texts().empty()) << "no deadline question";
}

TEST_F(WorkloadShiftTest, LessWorkloadOnADayWithoutTasksOnlyGrowsTheReserve)
{
    put(appointment("meeting", hm(9), 60), kMonday);
    Placement placement(s, monday(), &messages);
    settle(placement);
    EXPECT_FALSE(lessWorkload(placement, kMonday).item);
    EXPECT_FALSE(lessWorkload(placement, kMonday + 4).item) << "no day record";
    EXPECT_EQ(todaysReserve(), 20);
    EXPECT_EQ(layout(kMonday), (Strings{"meeting@09:00/60"}));
}

TEST_F(WorkloadShiftTest, MoreWorkloadBringsTheFirstTaskThatMayComeIn)
{
    BalanceSettings b = balanceSettings(s.header);
    b.todayReserve = 5;
    storeBalanceSettings(s.header, b);
    put(appointment("meeting", hm(9), 60), kMonday);
    ItemHandle postponed = listedOn("postponed", 30, kMonday + 2);
    s.record(postponed).setPostponeDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    ItemHandle earlier = listedOn("already here", 30, kMonday);
    ItemHandle next = listedOn("next", 30, kMonday + 3);
    Placement placement(s, monday(), &messages);
    WorkloadShift shift = moreWorkload(placement, kMonday);
    EXPECT_EQ(shift.item, next);
    EXPECT_EQ(shift.from, kMonday + 3);
    EXPECT_EQ(daysOf(next), Days{kMonday});
    EXPECT_EQ(daysOf(postponed), Days{kMonday + 2});
    EXPECT_EQ(daysOf(earlier), Days{kMonday});
    EXPECT_EQ(todaysReserve(), 0) << "not below 0";
    EXPECT_FALSE(moreWorkload(placement, kMonday - 3).item) << "a past day takes nothing";
}

TEST_F(WorkloadShiftTest, OptimizeFillsAGapAndPutsAppointmentsInTimeOrder)
{
    // "report" may not start before 9:00, leaving 8:00..9:00 free; "mail"
    // behind it fits there.
    ItemHandle report = task("report", 60);
    s.record(report).setEarliestBegin(static_cast<std::int16_t>(hm(9).value()));
    putAll(kMonday, {report, task("mail", 30), appointment("late call", hm(15), 30),
                     appointment("early call", hm(14), 30)});
    Placement placement(s, at(kMonday, hm(8)), &messages);
    placement.layoutDay(kMonday);
    EXPECT_EQ(optimizeToday(placement), 2);
    EXPECT_EQ(layout(kMonday), (Strings{"mail@08:00/30", "report@09:00/60", "early call@14:00/30",
                                        "late call@15:00/30"}));
    EXPECT_EQ(optimizeToday(placement), 0) << "nothing more to gain";
}

TEST_F(WorkloadShiftTest, OptimizeLeavesStartedDoneAndSplitEntriesAlone)
{
    ItemHandle done = item("done", 30, ItemFlag::fDone, hm(10));
    ItemHandle split = task("split", 60, ItemFlag::fSplit);
    s.record(split).setEarliestBegin(static_cast<std::int16_t>(hm(9).value()));
    putAll(kMonday, {split, task("small", 20), done});
    Placement placement(s, at(kMonday, hm(8)), &messages);
    placement.layoutDay(kMonday);
    Strings before = layout(kMonday);
    EXPECT_EQ(optimizeToday(placement), 0);
    EXPECT_EQ(layout(kMonday), before);
}

} // namespace
} // namespace zk
