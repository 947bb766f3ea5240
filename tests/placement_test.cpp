// Placement as a user meets it: floating tasks filling the gaps between
// appointments in priority order, limits and deadlines, split items,
// prerequisites, moving and re-placing entries (sequences are met in the
// balancing tests).

#include "engine/daylayout.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/roomindex.h"
#include "platform/messages.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using testing::PlacementScenario;
using Strings = std::vector<std::string>;
using Days = std::vector<DayNumber>;

void setDeadline(Schedule& s, ItemHandle h, DayNumber day)
{
    s.record(h).setDeadlineDate(static_cast<std::uint16_t>(day.value()));
}

class PlacementTest : public ::testing::Test, public PlacementScenario {};

// --- filling days ------------------------------------------------------------------

TEST_F(PlacementTest, AMorningOfAppointmentsFillsWithTasksInPriorityOrder)
{
    s.header.setDayEnd(hm(13));
    putAll(kMonday, {appointment("dentist", hm(9), 60), appointment("call", hm(10, 30), 30),
                     appointment("lunch", hm(12), 60)});
    placeAll({task("plan", 60), task("mail", 30), task("report", 45), task("budget", 30), task("filing", 90)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"plan@08:00/60", "dentist@09:00/60", "mail@10:00/30", "call@10:30/30",
                                        "report@11:00/45", "lunch@12:00/60"}));
    EXPECT_EQ(layout(kMonday + 1), (Strings{"budget@08:00/30", "filing@08:30/90"}));
}

// One task placed from Monday on: the day its limits give it and how that
// day reads.
TEST(PlacementLimitsTest, ATasksLimitsChooseItsDay)
{
    auto deadline = [](int days) {
        return [days](ItemRecord& r) { r.setDeadlineDate(static_cast<std::uint16_t>((kMonday + days).value())); };
    };
    struct Case {
        const char* name;
        int duration;
        std::uint32_t flags;
        int filledDays;                         // from Monday, by one appointment each
        std::pair<TimeValue, int> mondayBusy;   // an appointment on Monday, if any
        std::function<void(ItemRecord&)> limit;
        int day;
        Strings layout;
    };
    const Case cases[] = {
        {"earliest begin and latest end", 45, 0, 0, {hm(14), 30},
         [](ItemRecord& r) { r.setEarliestBegin(hm(14).value()); r.setLatestEnd(hm(15).value()); }, 1, {"t@14:00/45"}},
        {"fits nowhere: on the horizon, conflicting", 60, 0, 0, {},
         [](ItemRecord& r) { r.setEarliestBegin(hm(17, 30).value()); }, 180, {"t@!17:30/60"}},
        {"no room before the deadline: on the deadline day", 120, 0, 4, {}, deadline(2), 2,
         {"busy@08:00/600", "t@!18:00/120"}},
        {"overdue: today, full or not", 30, 0, 1, {}, deadline(-3), 0, {"busy@08:00/600", "t@!18:00/30"}},
        {"a whole task takes no part of a gap", 50, 0, 0, {hm(8, 45), 555}, nullptr, 1, {"t@08:00/50"}},
        {"weekday mask", 30, 0, 1, {}, [](ItemRecord& r) { r.setWeekdayMask(1u << 1); }, 7, {"t@08:00/30"}},
        {"off hours: the evening", 60, ItemFlag::fOffHours, 0, {}, nullptr, 0, {"t@17:00/60"}},
        {"off hours: too long for an evening, Saturday", 90, ItemFlag::fOffHours, 0, {}, nullptr, 5, {"t@08:00/90"}},
        {"on hold: the end of a day with room there", 30, ItemFlag::fOnHold, 0, {hm(8), 540}, nullptr, 0,
         {"busy@08:00/540", "t@-/30"}},
        {"postponed", 30, 0, 0, {},
         [](ItemRecord& r) { r.setPostponeDate(static_cast<std::uint16_t>((kMonday + 2).value())); }, 2, {"t@08:00/30"}},
    };
    for (const Case& c : cases) {
        PlacementScenario t;
        for (int d = 0; d < c.filledDays; ++d)
            t.fill(kMonday + d);
        if (c.mondayBusy.second)
            t.put(t.appointment("busy", c.mondayBusy.first, c.mondayBusy.second), kMonday);
        ItemHandle h = t.task("t", c.duration, c.flags);
        if (c.limit)
            c.limit(t.s.record(h));
        t.placeAll({h}, t.monday());
        EXPECT_EQ(t.daysOf(h), Days{kMonday + c.day}) << c.name;
        EXPECT_EQ(t.layout(kMonday + c.day), c.layout) << c.name;
    }
}

// A split item takes a piece of at least the minimum from each day's gaps.
TEST(PlacementSplitTest, ASplitItemIsPlacedInPiecesOfAtLeastTheMinimum)
{
    struct Case {
        const char* name;
        int minSplit;
        std::vector<std::pair<TimeValue, int>> busy;  // appointments on each busy day
        int busyDays;
        int duration;
        std::vector<int> minutes;  // per day from Monday
    };
    const Case cases[] = {
        {"a piece on each of consecutive days", 60, {{hm(10), 480}}, 3, 300, {120, 120, 60}},
        {"several gaps of one day", 30, {{hm(9), 60}, {hm(11), 420}}, 1, 150, {120, 30}},
        {"a day with less room than the minimum gets none", 60, {{hm(8, 45), 555}}, 1, 120, {0, 120}},
        {"a smaller minimum takes that room", 15, {{hm(8, 40), 560}}, 1, 60, {40, 20}},
    };
    for (const Case& c : cases) {
        PlacementScenario t;
        t.s.header.setMinSplitMinutes(static_cast<std::uint16_t>(c.minSplit));
        for (int d = 0; d < c.busyDays; ++d)
            for (auto [begin, length] : c.busy)
                t.put(t.appointment("busy", begin, length), kMonday + d);
        ItemHandle h = t.task("split", c.duration, ItemFlag::fSplit);
        t.placeAll({h}, t.monday());
        Days days;
        for (std::size_t d = 0; d < c.minutes.size(); ++d) {
            EXPECT_EQ(t.s.minutesOf(h, kMonday + static_cast<int>(d)), c.minutes[d]) << c.name << " day " << d;
            if (c.minutes[d])
                days.push_back(kMonday + static_cast<int>(d));
        }
        EXPECT_EQ(t.daysOf(h), days) << c.name;
    }
}

TEST_F(PlacementTest, APrerequisitesLagDaysHoldTheTaskBackAndItsTimeOnlyInABalancingRun)
{
    ItemHandle pour = appointment("pour concrete", hm(9), 120);
    put(pour, kMonday);
    ItemHandle strip = task("strip forms", 60);
    s.record(strip).setPrereqId(s.record(pour).id());
    s.record(strip).setLagDays(1);
    s.record(strip).setLagMinutes(60);
    placeAll({strip}, monday());
    EXPECT_EQ(layout(kMonday + 1), (Strings{"strip forms@08:00/60"}));
    PlacementContext run = monday();
    run.balancing = true;
    Placement(s, run, &messages).replaceItem(strip);
    EXPECT_EQ(layout(kMonday + 1), (Strings{"strip forms@12:00/60"}));
}

TEST_F(PlacementTest, FirstAndLastOfTheDayStayAtTheEndsAsTasksArrive)
{
    putAll(kMonday, {task("coffee", 15, ItemFlag::fFirstOfDay), task("wrap up", 15, ItemFlag::fLastOfDay)});
    placeAll({task("work", 60), task("more work", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"coffee@08:00/15", "work@08:15/60", "more work@09:15/30", "wrap up@09:45/15"}));
}

TEST_F(PlacementTest, InLiteModeEveryTaskGoesToTheEndOfTheDay)
{
    putAll(kMonday, {task("a", 30), appointment("noon", hm(12), 60)});
    s.header.setInterfaceMode(1);
    placeAll({task("b", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "noon@12:00/60", "b@13:00/30"}));
    s.header.setInterfaceMode(3);
    placeAll({task("c", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "c@08:30/30", "noon@12:00/60", "b@13:00/30"}));
}

// --- inserting and removing entries ---------------------------------------------------

TEST_F(PlacementTest, AnEntryGoesToTheGapClosestToItsBeginTimeAndAnAppointmentByItsTime)
{
    putAll(kMonday, {appointment("a", hm(9), 60), appointment("b", hm(10, 30), 90)});
    Placement placement(s, monday());
    settle(placement);
    ItemHandle wanted = item("wants eleven", 30, 0, hm(11));
    std::optional<EntryRef> ref = placement.insertEntry(LooseEntry::fresh(wanted, 30), kMonday);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->index, 1u);
    placement.insertEntry(LooseEntry::fresh(appointment("c", hm(14), 60), 60), kMonday);
    placement.insertEntry(LooseEntry::fresh(appointment("first", hm(8), 15), 15), kMonday);
    EXPECT_EQ(layout(kMonday), (Strings{"first@08:00/15", "a@09:00/60", "wants eleven@10:00/30", "b@10:30/90",
                                        "c@14:00/60"}));
}

TEST_F(PlacementTest, RemovingAnEntryFreesItsMinutesAndMissingDaysOrEntriesAreRefused)
{
    putAll(kMonday, {appointment("a", hm(9), 60), task("t", 90)});
    Placement placement(s, monday());
    placement.layoutDay(kMonday);
    EXPECT_EQ(s.findDay(kMonday)->freeMinutes, 450);
    EXPECT_EQ(placement.removeEntry(EntryRef{kMonday, 1}).oldDay, kMonday);
    EXPECT_EQ(s.findDay(kMonday)->freeMinutes, 540);
    EXPECT_EQ(s.findDay(kMonday)->nTasks(), 1);
    EXPECT_THROW(placement.removeEntry(EntryRef{kMonday, 5}), InternalFault);
    EXPECT_FALSE(placement.insertEntry(LooseEntry::fresh(task("u", 30), 30), kMonday + 1));
    EXPECT_THROW(placement.insertEntry(LooseEntry::fresh(task("v", 30), 30), kNoDay), InternalFault);
}

// A zero-length entry meeting a zero gap at the end of a full day used to
// run off the end of the walk, which stopped the program.
TEST_F(PlacementTest, AZeroLengthEntryOnAFullDayGoesToTheEnd)
{
    fill(kMonday);
    Placement placement(s, monday());
    settle(placement);
    std::optional<EntryRef> ref = placement.insertEntry(LooseEntry::fresh(task("memo", 0), 0), kMonday);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->index, 1u);
}

// --- moving --------------------------------------------------------------------------

class MoveTest : public PlacementTest {
protected:
    MoveTest()
    {
        s.getDay(kMonday + 3);
        put(floating, kMonday);
        setDeadline(s, floating, kMonday + 1);
    }
    std::optional<DayNumber> move(DayNumber from, DayNumber to, const PlacementContext& context)
    {
        return Placement(s, context, &messages).moveEntryToDay(EntryRef{from, 0}, to);
    }
    ItemHandle floating = task("proposal", 60);
};

TEST_F(MoveTest, MovingPastTheDeadlineAsksToExtendItAndMovesWhateverTheAnswer)
{
    PlacementContext carrying = monday();
    carrying.carryingOver = true;
    move(kMonday, kMonday + 3, carrying);
    s.getDay(kMonday + 1);
    move(kMonday + 3, kMonday + 1, monday());
    EXPECT_TRUE(presenter.texts().empty()) << "no question during carry-over or within the deadline";

    EXPECT_EQ(move(kMonday + 1, kMonday + 3, monday()), kMonday + 3);  // answered No
    EXPECT_EQ(s.record(floating).deadlineDate(), (kMonday + 1).value());
    EXPECT_EQ(daysOf(floating), Days{kMonday + 3});

    move(kMonday + 3, kMonday + 1, monday());
    presenter.clear();
    presenter.queueAnswer(Answer::Yes);
    EXPECT_EQ(move(kMonday + 1, kMonday + 3, monday()), kMonday + 3);
    EXPECT_EQ(presenter.texts(), Strings{"What about the deadline? Do you want to extend the deadline to 3/7/24?"});
    EXPECT_EQ(s.record(floating).deadlineDate(), (kMonday + 3).value());
    EXPECT_EQ(daysOf(floating), Days{kMonday + 3});
    EXPECT_EQ(s.record(floating).dayField(), (kMonday + 3).value());
}

TEST_F(MoveTest, AFloatingItemCannotMoveToAPastDayOrADayWithoutRecord)
{
    s.getDay(kMonday - 1);
    EXPECT_FALSE(move(kMonday, kMonday - 1, monday()));
    EXPECT_FALSE(move(kMonday, kMonday + 9, monday()));
    EXPECT_EQ(daysOf(floating), Days{kMonday});
}

TEST_F(MoveTest, MovingOffTodayCancelsAnAlarmRepeat)
{
    s.record(floating).setAlarmRepeat(hm(15).value());
    s.record(floating).setDeadlineDate(0);
    move(kMonday, kMonday + 3, monday());
    EXPECT_EQ(s.record(floating).alarmRepeat(), 65535);
    EXPECT_EQ(presenter.texts(), Strings{"Alarm repeat cancelled because item removed from today."});
}

TEST_F(PlacementTest, ReplacingGathersASplitItemsPiecesButLeavesStartedItemsAndAppointmentsOnTheirDay)
{
    s.header.setMinSplitMinutes(30);
    ItemHandle split = task("long read", 240, ItemFlag::fSplit);
    put(split, kMonday + 2, 60);
    put(split, kMonday + 4, 180);
    ItemHandle running = item("running", 30, ItemFlag::fFloating | ItemFlag::fStarted);
    ItemHandle fixed = appointment("fixed", hm(9), 30);
    putAll(kMonday + 2, {running, fixed});
    Placement placement(s, monday());
    EXPECT_TRUE(placement.replaceItem(split));
    EXPECT_EQ(daysOf(split), Days{kMonday});
    EXPECT_EQ(s.minutesOf(split, kMonday), 240);
    EXPECT_FALSE(placement.replaceItem(running));
    EXPECT_TRUE(placement.replaceItem(fixed));
    EXPECT_EQ(daysOf(running), Days{kMonday + 2});
    EXPECT_EQ(daysOf(fixed), Days{kMonday + 2});
}

// --- what no item may do ------------------------------------------------------------------

TEST_F(PlacementTest, ADayMayHoldMoreThanTwoHundredEntries)
{
    fill(kMonday);
    std::vector<ItemHandle> many;
    for (int i = 0; i < 250; ++i) {
        many.push_back(task("due", 10));
        setDeadline(s, many.back(), kMonday);
    }
    placeAll(many, monday());
    EXPECT_EQ(s.findDay(kMonday)->nTasks(), 251);
    EXPECT_NO_THROW(layoutDay(s, kMonday, monday()));
}

TEST_F(PlacementTest, OddItemsAreStillPlacedOnce)
{
    ItemHandle backwards = task("backwards", 30);
    s.record(backwards).setEarliestBegin(hm(17).value());
    s.record(backwards).setLatestEnd(hm(9).value());
    ItemHandle farAway = task("far postponed", 30);
    s.record(farAway).setPostponeDate(65535);
    ItemHandle farDeadline = task("far deadline", 30);
    setDeadline(s, farDeadline, DayNumber(65000));
    ItemHandle late = item("late begin", 30, ItemFlag::fFloating, TimeValue(2880));
    std::vector<ItemHandle> odd{task("huge", 65535), task("zero", 0), late, backwards, farAway, farDeadline};
    placeAll(odd, monday());
    for (ItemHandle h : odd)
        EXPECT_EQ(daysOf(h).size(), 1u) << s.storedDescription(h);
    EXPECT_EQ(daysOf(farAway), Days{kLastUsableDay});
}

// --- the room index ---------------------------------------------------------------------

// One placement that keeps its room index across many items must place
// every item exactly where a fresh walk over every day would.
TEST(RoomIndexTest, KeepingTheIndexAcrossItemsChangesNoPlacement)
{
    // The same random month of appointments and 300 tasks, twice.
    auto build = [](testing::Scenario& t) {
        std::uint32_t seed = 777;
        auto next = [&](int n) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
        };
        t.s.header.setMinSplitMinutes(30);
        for (int d = 0; d < 40; ++d)
            for (int k = 0; k < 3; ++k)
                t.put(t.appointment("fixed", hm(8 + next(9), 15 * next(4)), 30 + 15 * next(6)), kMonday + d);
        std::vector<ItemHandle> tasks;
        for (int i = 0; i < 300; ++i) {
            ItemHandle h = t.task("task", 15 + next(226), next(5) == 0 ? ItemFlag::fSplit : 0u);
            if (next(10) == 0)
                setDeadline(t.s, h, kMonday + next(30));
            if (next(8) == 0)
                t.s.record(h).setWeekdayMask(static_cast<std::uint8_t>(1 + next(127)));
            if (next(6) == 0)
                t.s.record(h).setEarliestBegin(hm(10 + next(6)).value());
            tasks.push_back(h);
        }
        return tasks;
    };
    PlacementContext context;
    context.today = kMonday;
    context.now = hm(10);

    testing::Scenario kept;
    std::vector<ItemHandle> keptTasks = build(kept);
    {
        Placement placement(kept.s, context);
        for (ItemHandle h : keptTasks)
            placement.placeFloatingItem(h);
    }
    testing::Scenario fresh;
    PlacementRun run;
    run.lastFullDay = context.today - 1;
    run.furthestDayUsed = context.today;
    for (ItemHandle h : build(fresh)) {
        Placement placement(fresh.s, context);
        placement.run() = run;
        placement.placeFloatingItem(h);
        run = placement.run();
    }
    int daysUsed = 0;
    for (int d = 0; d < 400; ++d) {
        ASSERT_EQ(kept.layout(kMonday + d), fresh.layout(kMonday + d)) << d;
        daysUsed += kept.s.findDay(kMonday + d) && kept.s.findDay(kMonday + d)->nTasks() > 3;
    }
    EXPECT_GT(daysUsed, 40);  // the tasks spill well past the days with appointments
}

} // namespace
} // namespace zk
