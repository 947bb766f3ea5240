// Workload balancing as a user meets it: the reserves kept free, the
// keep-clear dates, items placed afresh in priority order with their
// prerequisites and sequences, the quick run after the first of the day,
// and runs over bad input that must end without losing an item.

#include "engine/balancing.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;
using Days = std::vector<DayNumber>;

class BalancingTest : public ::testing::Test, public testing::PlacementScenario {
protected:
    void reserves(int today, int future)
    {
        BalanceSettings b = balanceSettings(s.header);
        b.todayReserve = today;
        b.futureReserve = future;
        storeBalanceSettings(s.header, b);
    }
    void keepClear(DayNumber first, DayNumber last)
    {
        BalanceSettings b = balanceSettings(s.header);
        b.keepClearFirst = first;
        b.keepClearLast = last;
        storeBalanceSettings(s.header, b);
    }
    BalanceOutcome balance(const PlacementContext& context, bool forced = true)
    {
        BalanceOptions options;
        options.forced = forced;
        return balanceWorkload(s, context, options);
    }
    // Every listed item lies on some day.
    void expectNoneLost()
    {
        for (PlistEntryHandle e : s.plist) {
            ItemHandle item = s.plist.entry(e).item;
            EXPECT_FALSE(s.days.daysOf(item).empty()) << s.storedDescription(item) << " has no day";
        }
    }
};

TEST_F(BalancingTest, TheReserveShrinksWithTheDayAndAnEmptyWindowKeepsNone)
{
    reserves(60, 45);
    EXPECT_EQ(reserveOfDay(s, kMonday, at(kMonday, hm(13))), 30) << "half the window left";
    EXPECT_EQ(reserveOfDay(s, kMonday, at(kMonday, hm(7))), 60) << "never more than set";
    EXPECT_EQ(reserveOfDay(s, kMonday, at(kMonday, hm(19))), 0);
    EXPECT_EQ(reserveOfDay(s, kMonday + 1, at(kMonday, hm(13))), 45);

    s.header.setDayEnd(hm(8));
    EXPECT_TRUE(dayWindowIsEmpty(s));
    EXPECT_EQ(reserveOfDay(s, kMonday, at(kMonday, hm(13))), 0);
    ItemHandle t = listed("t", 30);
    BalanceOutcome outcome = balance(at(kMonday, hm(13)));
    EXPECT_TRUE(outcome.zeroDayWindow);
    EXPECT_FALSE(daysOf(t).empty());
}

TEST_F(BalancingTest, TodaysReserveKeepsTheEndOfTheDayFree)
{
    // 13:00 with a 60 minute reserve: 30 minutes of the five hours left stay free.
    reserves(60, 0);
    ItemHandle a = listed("a", 240);
    ItemHandle b = listed("b", 40);
    balance(at(kMonday, hm(13)));
    EXPECT_EQ(daysOf(a), Days{kMonday});
    EXPECT_EQ(daysOf(b), Days{kMonday + 1}) << "only 60 minutes left, 30 of them reserved";
    EXPECT_EQ(layout(kMonday), (Strings{"a@13:00/240"}));
}

TEST_F(BalancingTest, KeptClearDaysStayEmpty)
{
    struct Case {
        int first, last;  // days from Monday; -1: not set
        std::vector<int> clear;
    };
    const Case cases[] = {{-1, -1, {}}, {-1, 2, {0, 1, 2}}, {1, -1, {1}}, {1, 3, {1, 2, 3}}};
    for (const Case& c : cases) {
        keepClear(c.first < 0 ? kNoDay : kMonday + c.first, c.last < 0 ? kNoDay : kMonday + c.last);
        for (int d = 0; d < 5; ++d) {
            bool clear = std::find(c.clear.begin(), c.clear.end(), d) != c.clear.end();
            EXPECT_EQ(dayIsKeptClear(s.header, kMonday + d), clear) << c.first << ".." << c.last << " day " << d;
        }
    }
    keepClear(kMonday, kMonday + 2);
    std::vector<ItemHandle> tasks;
    for (int i = 0; i < 12; ++i)
        tasks.push_back(listed("t" + std::to_string(i), 120));
    balance(monday());
    for (int d = 0; d <= 2; ++d)
        EXPECT_TRUE(!s.findDay(kMonday + d) || s.findDay(kMonday + d)->entries().empty()) << "day " << d;
    EXPECT_EQ(daysOf(tasks.front()), Days{kMonday + 3});
    expectNoneLost();
}

TEST_F(BalancingTest, AWholeTaskSkipsADayTooSmallWhileASplitTaskTakesAPiece)
{
    s.header.setMinSplitMinutes(15);
    // Monday has 40 minutes free.
    put(appointment("busy", hm(8, 40), 560), kMonday);
    ItemHandle whole = listed("whole", 45);
    ItemHandle split = listed("split", 60, ItemFlag::fSplit);
    balance(monday());
    EXPECT_EQ(daysOf(whole), Days{kMonday + 1});
    EXPECT_EQ(daysOf(split), (Days{kMonday, kMonday + 1}));
    EXPECT_EQ(layout(kMonday), (Strings{"split@08:00/40", "busy@08:40/560"}));
    EXPECT_EQ(layout(kMonday + 1), (Strings{"whole@08:00/45", "split@08:45/20"}));
}

TEST_F(BalancingTest, ARunPlacesEverythingAfreshInPriorityOrderAroundAppointments)
{
    putAll(kMonday, {appointment("standup", hm(9), 30), appointment("lunch", hm(12), 60)});
    ItemHandle late = listed("late", 60);
    ItemHandle report = listed("report", 90);
    ItemHandle mail = listed("mail", 30);
    // Placed by hand in the wrong order, one of them over lunch.
    put(mail, kMonday);
    put(late, kMonday + 2);
    put(report, kMonday);
    BalanceOutcome outcome = balance(monday());
    EXPECT_EQ(outcome.mode, BalanceMode::Full);
    EXPECT_EQ(outcome.placed, 3);
    EXPECT_TRUE(outcome.unscheduled.empty());
    EXPECT_EQ(layout(kMonday), (Strings{"late@08:00/60", "standup@09:00/30", "report@09:30/90", "mail@11:00/30",
                                        "lunch@12:00/60"}));
    EXPECT_TRUE(s.findDay(kMonday + 2)->entries().empty());
    EXPECT_EQ(balanceSettings(s.header).lastBalanceDay, kMonday);
    EXPECT_TRUE(s.dirty);
}

TEST_F(BalancingTest, PrerequisitesWithTheirLagAndSequencesBindInARun)
{
    ItemHandle delivery = appointment("delivery", hm(10), 60);
    put(delivery, kMonday);
    ItemHandle assemble = listed("assemble", 60);
    s.record(assemble).setPrereqId(s.itemId(delivery));
    s.record(assemble).setLagMinutes(30);
    ItemHandle paint = listed("paint", 60);
    s.record(paint).setPrereqId(s.itemId(delivery));
    s.record(paint).setLagDays(1);
    s.record(paint).setLagMinutes(0);
    ItemHandle draft = listed("draft", 60);
    s.record(draft).setEarliestBegin(static_cast<std::int16_t>(hm(14).value()));
    listed("review", 30, ItemFlag::fSequence);
    BalanceOutcome outcome = balance(monday());
    EXPECT_EQ(outcome.placed, 4);
    // assemble waits for the delivery and its half hour; review may not
    // begin before draft ends, though the whole morning is free.
    EXPECT_EQ(layout(kMonday), (Strings{"delivery@10:00/60", "assemble@11:30/60", "draft@14:00/60",
                                        "review@15:00/30"}));
    EXPECT_EQ(daysOf(paint), Days{kMonday + 1});
}

TEST_F(BalancingTest, TheSecondRunOfADayIsQuickAndHandlesTheFirst200)
{
    std::vector<ItemHandle> tasks;
    for (int i = 0; i < 230; ++i)
        tasks.push_back(listed("t" + std::to_string(i), 10));
    BalanceOptions options;
    EXPECT_EQ(balanceWorkload(s, at(kMonday, hm(9)), options).mode, BalanceMode::Full);
    EXPECT_EQ(chooseBalanceMode(s, at(kMonday, hm(9)), false), BalanceMode::Quick);
    EXPECT_EQ(chooseBalanceMode(s, at(kMonday, hm(9)), true), BalanceMode::Full);
    EXPECT_EQ(chooseBalanceMode(s, at(kMonday + 1, hm(1, 30)), false), BalanceMode::Quick) << "before 1:40";
    EXPECT_EQ(chooseBalanceMode(s, at(kMonday + 1, hm(9)), false), BalanceMode::Full);

    std::size_t seen = 0;
    options.progress = [&](std::size_t number, std::size_t count, ItemHandle) {
        seen = number;
        EXPECT_EQ(count, kQuickRunItems);
    };
    BalanceOutcome quick = balanceWorkload(s, at(kMonday, hm(9)), options);
    EXPECT_EQ(quick.mode, BalanceMode::Quick);
    EXPECT_EQ(seen, kQuickRunItems);
    EXPECT_EQ(quick.placed, 200);
    expectNoneLost();
}

TEST_F(BalancingTest, StartedDoneAndExcludedItemsKeepTheirPlaces)
{
    ItemHandle started = listed("started", 30, ItemFlag::fStarted);
    ItemHandle chosen = listed("chosen", 30);
    ItemHandle other = listed("other", 30);
    put(started, kMonday + 1);
    put(chosen, kMonday + 2);
    put(other, kMonday + 3);
    BalanceOptions options;
    options.forced = true;
    options.excluded = chosen;
    balanceWorkload(s, monday(), options);
    EXPECT_EQ(daysOf(started), Days{kMonday + 1});
    EXPECT_EQ(daysOf(chosen), Days{kMonday + 2});
    EXPECT_EQ(daysOf(other), Days{kMonday});
}

// Nothing a user can type makes a run hang, crash or drop an item; what
// found no room is reported.
TEST_F(BalancingTest, BadInputEndsLosesNothingAndIsReported)
{
    ItemHandle anyDay = listed("mask 0", 30);
    ItemHandle zero = listed("zero", 0);
    ItemHandle huge = listed("huge", 1440);
    ItemHandle hugeSplit = listed("huge split", 5000, ItemFlag::fSplit);
    ItemHandle inverted = listed("inverted", 30);
    s.record(inverted).setEarliestBegin(static_cast<std::int16_t>(hm(16).value()));
    s.record(inverted).setLatestEnd(static_cast<std::int16_t>(hm(10).value()));
    ItemHandle first = listed("cycle a", 30);
    ItemHandle second = listed("cycle b", 30);
    s.record(first).setPrereqId(s.itemId(second));
    s.record(second).setPrereqId(s.itemId(first));
    ItemHandle backwards = listed("deadline before postpone", 30);
    s.record(backwards).setPostponeDate(static_cast<std::uint16_t>((kMonday + 5).value()));
    s.record(backwards).setDeadlineDate(static_cast<std::uint16_t>((kMonday + 2).value()));
    ItemHandle noWeekday = listed("no weekday", 30);
    s.record(noWeekday).setWeekdayMask(0x80);

    BalanceOutcome outcome = balance(monday());
    expectNoneLost();
    EXPECT_FALSE(daysOf(zero).empty());
    EXPECT_EQ(daysOf(backwards), Days{kMonday + 2}) << "the deadline holds";
    EXPECT_EQ(daysOf(anyDay), Days{kMonday});
    std::unordered_set<ItemHandle, ItemHandleHash> overbooked(outcome.overbooked.begin(), outcome.overbooked.end());
    for (ItemHandle h : {huge, inverted, noWeekday})
        EXPECT_TRUE(overbooked.count(h)) << s.storedDescription(h);
    int pieces = 0;
    for (DayNumber d : daysOf(hugeSplit))
        pieces += s.minutesOf(hugeSplit, d);
    EXPECT_EQ(pieces, 5000) << "every minute of the split item has a day";
    EXPECT_EQ(s.record(first).prereqId(), 0u) << "a floating prerequisite is cleared, with its message";
    EXPECT_EQ(s.record(second).prereqId(), 0u);
}

// Regression: an item a run could give no day vanished from the schedule
// and the next save dropped it. It now stays on the day it had.
TEST_F(BalancingTest, AnItemLeftWithoutADayStaysOnItsOldDay)
{
    ItemHandle t = listed("far off", 30);
    put(t, kMonday + 1);
    DayNumber deadline = kMonday + 3;
    s.record(t).setDeadlineDate(static_cast<std::uint16_t>(deadline.value()));
    s.record(t).setPostponeDate(static_cast<std::uint16_t>(deadline.value()));
    // The deadline's day record cannot be made.
    s.placeOccurrences = [deadline](DayNumber day) { return day != deadline; };
    BalanceOutcome outcome = balance(monday());
    ASSERT_EQ(outcome.unscheduled.size(), 1u);
    EXPECT_EQ(outcome.unscheduled[0].item, t);
    EXPECT_EQ(outcome.unscheduled[0].keptOn, kMonday + 1);
    EXPECT_EQ(daysOf(t), Days{kMonday + 1});
    EXPECT_EQ(notScheduledText(s, t), "far off was not scheduled!");
}

TEST_F(BalancingTest, SettingsAreClampedAndKeptInTheHeader)
{
    s.header.setI16(BalanceHeader::todayReserveAt, 5000);
    s.header.setI16(BalanceHeader::futureReserveAt, -3);
    EXPECT_EQ(balanceSettings(s.header).todayReserve, kMaxFreeReserve);
    EXPECT_EQ(balanceSettings(s.header).futureReserve, 0);
    BalanceSettings b;
    b.todayReserve = 90;
    b.futureReserve = 20;
    b.keepClearFirst = kMonday;
    b.keepClearLast = kMonday + 9;
    b.minSplitMinutes = 2000;
    b.lastBalanceDay = kMonday - 1;
    b.marvalHorizonMonths = 6;
    storeBalanceSettings(s.header, b);
    BalanceSettings read = balanceSettings(s.header);
    EXPECT_EQ(read.todayReserve, 90);
    EXPECT_EQ(read.futureReserve, 20);
    EXPECT_EQ(read.keepClearFirst, kMonday);
    EXPECT_EQ(read.keepClearLast, kMonday + 9);
    EXPECT_EQ(read.minSplitMinutes, kMinSplitLimit);
    EXPECT_EQ(read.lastBalanceDay, kMonday - 1);
    EXPECT_EQ(read.marvalHorizonMonths, 6);
    EXPECT_EQ(s.header.i16(ScheduleHeader::vacationStartAt), kMonday.value()) << "the vacation dates are the same";
}

} // namespace
} // namespace zk
