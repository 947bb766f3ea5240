// Placement as a user meets it: floating tasks filling the gaps between
// appointments in priority order, deadlines, split items, weekday masks,
// prerequisites and sequences, today's clock, moving and re-placing
// entries.

#include "engine/daylayout.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/roomindex.h"
#include "platform/messages.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

class PlacementTest : public ::testing::Test, public testing::PlacementScenario {};

// --- filling days ------------------------------------------------------------------

TEST_F(PlacementTest, AMorningOfAppointmentsFillsWithTasksInPriorityOrder)
{
    s.header.setDayEnd(hm(13));
    put(appointment("dentist", hm(9), 60), kMonday);
    put(appointment("call", hm(10, 30), 30), kMonday);
    put(appointment("lunch", hm(12), 60), kMonday);
    placeAll({task("plan", 60), task("mail", 30), task("report", 45), task("budget", 30), task("filing", 90)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"plan@08:00/60", "dentist@09:00/60", "mail@10:00/30", "call@10:30/30",
                                        "report@11:00/45", "lunch@12:00/60"}));
    EXPECT_EQ(layout(kMonday + 1), (Strings{"budget@08:00/30", "filing@08:30/90"}));
}

TEST_F(PlacementTest, EarliestBeginAndLatestEndChooseTheDay)
{
    put(appointment("review", hm(14), 30), kMonday);
    ItemHandle h = task("call back", 45);
    s.record(h).setEarliestBegin(hm(14).value());
    s.record(h).setLatestEnd(hm(15).value());
    placeAll({h}, monday());
    EXPECT_EQ(daysOf(h), std::vector<DayNumber>{kMonday + 1});
    EXPECT_EQ(layout(kMonday + 1), (Strings{"call back@14:00/45"}));
}

TEST_F(PlacementTest, ATaskThatFitsNowhereLandsOnTheHorizonConflicting)
{
    ItemHandle h = task("never fits", 60);
    s.record(h).setEarliestBegin(hm(17, 30).value());
    placeAll({h}, monday());
    ASSERT_EQ(daysOf(h), std::vector<DayNumber>{kMonday + 180});
    EXPECT_EQ(layout(kMonday + 180), (Strings{"never fits@!17:30/60"}));
}

TEST_F(PlacementTest, ADeadlineWithNoRoomBeforeItLandsOnTheDeadlineDayAndAPastOneOnToday)
{
    for (int d = 0; d < 4; ++d)
        fill(kMonday + d);
    ItemHandle h = task("tax return", 120);
    s.record(h).setDeadlineDate(static_cast<std::uint16_t>((kMonday + 2).value()));
    placeAll({h}, monday());
    ASSERT_EQ(daysOf(h), std::vector<DayNumber>{kMonday + 2});
    EXPECT_EQ(layout(kMonday + 2), (Strings{"busy@08:00/600", "tax return@!18:00/120"}));
    // An overdue task goes to today, full or not.
    ItemHandle overdue = task("overdue", 30);
    s.record(overdue).setDeadlineDate(static_cast<std::uint16_t>((kMonday - 3).value()));
    placeAll({overdue}, monday());
    EXPECT_EQ(daysOf(overdue), std::vector<DayNumber>{kMonday});
}

TEST_F(PlacementTest, ASplitItemIsPlacedInPiecesOnConsecutiveDays)
{
    s.header.setMinSplitMinutes(60);
    for (int d = 0; d < 4; ++d)
        put(appointment("busy", hm(10), 480), kMonday + d);
    ItemHandle h = task("thesis", 300, ItemFlag::fSplit);
    placeAll({h}, monday());
    EXPECT_EQ(daysOf(h), (std::vector<DayNumber>{kMonday, kMonday + 1, kMonday + 2}));
    EXPECT_EQ(s.minutesOf(h, kMonday), 120);
    EXPECT_EQ(s.minutesOf(h, kMonday + 1), 120);
    EXPECT_EQ(s.minutesOf(h, kMonday + 2), 60);
    EXPECT_EQ(layout(kMonday + 2), (Strings{"thesis@08:00/60", "busy@10:00/480"}));
}

TEST_F(PlacementTest, ASplitItemFillsSeveralGapsOfOneDay)
{
    s.header.setMinSplitMinutes(30);
    put(appointment("a", hm(9), 60), kMonday);
    put(appointment("b", hm(11), 420), kMonday);
    ItemHandle h = task("reading", 150, ItemFlag::fSplit);
    placeAll({h}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"reading@08:00/60", "a@09:00/60", "reading@10:00/60", "b@11:00/420"}));
    EXPECT_EQ(s.minutesOf(h, kMonday + 1), 30);
}

TEST_F(PlacementTest, ADayWithLessCapacityThanTheMinimumPieceGetsNoPiece)
{
    s.header.setMinSplitMinutes(60);
    put(appointment("busy", hm(8, 45), 555), kMonday);  // 45 minutes free
    ItemHandle split = task("split", 120, ItemFlag::fSplit);
    placeAll({split}, monday());
    EXPECT_EQ(daysOf(split), std::vector<DayNumber>{kMonday + 1});
    EXPECT_EQ(s.minutesOf(split, kMonday + 1), 120);

    // With a smaller minimum the same day takes a piece; a whole item of
    // 45 minutes still does not fit into 40.
    s.header.setMinSplitMinutes(15);
    put(appointment("more", hm(8, 40), 5), kMonday + 2);
    put(appointment("rest", hm(8, 45), 555), kMonday + 2);
    ItemHandle whole = task("whole", 45);
    ItemHandle small = task("small pieces", 60, ItemFlag::fSplit);
    PlacementContext wednesday = at(kMonday + 2, hm(7));
    placeAll({whole, small}, wednesday);
    EXPECT_EQ(daysOf(whole), std::vector<DayNumber>{kMonday + 3});
    EXPECT_EQ(s.minutesOf(small, kMonday + 2), 40);
    EXPECT_EQ(s.minutesOf(small, kMonday + 3), 20);
}

TEST_F(PlacementTest, AWeekdayMaskKeepsATaskToItsWeekdays)
{
    fill(kMonday);
    ItemHandle h = task("mondays only", 30);
    s.record(h).setWeekdayMask(1u << 1);
    placeAll({h}, monday());
    EXPECT_EQ(daysOf(h), std::vector<DayNumber>{kMonday + 7});
}

TEST_F(PlacementTest, APrerequisiteWithLagHoldsTheTaskBackInABalancingRun)
{
    ItemHandle pour = appointment("pour concrete", hm(9), 120);
    put(pour, kMonday);
    ItemHandle strip = task("strip forms", 60);
    s.record(strip).setPrereqId(s.record(pour).id());
    s.record(strip).setLagDays(1);
    s.record(strip).setLagMinutes(60);
    PlacementContext run = monday();
    run.balancing = true;
    Placement placement(s, run, &messages);
    settle(placement);
    placement.placeFloatingItem(strip);
    EXPECT_EQ(daysOf(strip), std::vector<DayNumber>{kMonday + 1});
    EXPECT_EQ(layout(kMonday + 1), (Strings{"strip forms@12:00/60"}));
}

TEST_F(PlacementTest, ASequenceItemFollowsTheItemAheadOfIt)
{
    ItemHandle draft = task("draft", 120);
    s.record(draft).setEarliestBegin(hm(12).value());
    ItemHandle edit = task("edit", 60, ItemFlag::fSequence);
    addToPlist(s, draft, 1, kMonday);
    addToPlist(s, edit, 2, kMonday);
    s.record(edit).setFlag(ItemFlag::fSequence, true);
    PlacementContext run = monday();
    run.balancing = true;
    placeAll({draft, edit}, run);
    EXPECT_EQ(layout(kMonday), (Strings{"draft@12:00/120", "edit@14:00/60"}));

    // Without the sequence mark the same task takes the morning.
    s.record(edit).setFlag(ItemFlag::fSequence, false);
    Placement again(s, run, &messages);
    again.replaceItem(edit);
    EXPECT_EQ(layout(kMonday), (Strings{"edit@08:00/60", "draft@12:00/120"}));
}

TEST_F(PlacementTest, OffHoursTasksWaitForTheEveningOrTheWeekend)
{
    ItemHandle short_ = task("evening walk", 60, ItemFlag::fOffHours);
    ItemHandle long_ = task("garden", 90, ItemFlag::fOffHours);
    placeAll({short_, long_}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"evening walk@17:00/60"}));
    EXPECT_EQ(daysOf(long_), std::vector<DayNumber>{kMonday + 5});  // Saturday
    EXPECT_EQ(layout(kMonday + 5), (Strings{"garden@08:00/90"}));
}

TEST_F(PlacementTest, FirstAndLastOfTheDayStayAtTheEndsAsTasksArrive)
{
    put(task("coffee", 15, ItemFlag::fFirstOfDay), kMonday);
    put(task("wrap up", 15, ItemFlag::fLastOfDay), kMonday);
    placeAll({task("work", 60), task("more work", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"coffee@08:00/15", "work@08:15/60", "more work@09:15/30", "wrap up@09:45/15"}));
}

TEST_F(PlacementTest, TodaysTasksStartNoEarlierThanNow)
{
    put(item("breakfast", 30, ItemFlag::fDone, hm(8)), kMonday);
    put(appointment("missed call", hm(9), 30), kMonday);
    ItemHandle h = task("now task", 30);
    placeAll({h}, at(kMonday, hm(10)));
    EXPECT_EQ(layout(kMonday), (Strings{"breakfast@08:00/30", "missed call@!09:00/30", "now task@10:00/30"}));
}

TEST_F(PlacementTest, InLiteModeEveryTaskGoesToTheEndOfTheDay)
{
    put(task("a", 30), kMonday);
    put(appointment("noon", hm(12), 60), kMonday);
    s.header.setInterfaceMode(1);
    placeAll({task("b", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "noon@12:00/60", "b@13:00/30"}));
    s.header.setInterfaceMode(3);
    placeAll({task("c", 30)}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "c@08:30/30", "noon@12:00/60", "b@13:00/30"}));
}

TEST_F(PlacementTest, AnOnHoldFloatingItemTakesTheEndOfADayWithRoomThere)
{
    put(appointment("busy", hm(8), 540), kMonday);
    ItemHandle small = task("small", 30, ItemFlag::fOnHold);
    ItemHandle big = task("big", 90, ItemFlag::fOnHold);
    placeAll({small, big}, monday());
    EXPECT_EQ(layout(kMonday), (Strings{"busy@08:00/540", "small@-/30"}));
    EXPECT_EQ(layout(kMonday + 1), (Strings{"big@-/90"}));
}

TEST_F(PlacementTest, ARunKeepsDaysClearAndReservesTime)
{
    Placement placement(s, monday());
    placement.run().keptClear = [](DayNumber d) { return d == kMonday; };
    placement.run().reserve = [](DayNumber d) { return d == kMonday + 1 ? 580 : 0; };
    ItemHandle h = task("t", 30);
    placement.placeFloatingItem(h);
    EXPECT_EQ(daysOf(h), std::vector<DayNumber>{kMonday + 2});
    ItemHandle small = task("small", 20);
    placement.placeFloatingItem(small);
    EXPECT_EQ(daysOf(small), std::vector<DayNumber>{kMonday + 1});
}

// --- inserting entries ---------------------------------------------------------------

TEST_F(PlacementTest, AnEntryWithABeginTimeGoesToTheGapClosestToIt)
{
    put(appointment("a", hm(9), 60), kMonday);
    put(appointment("b", hm(10, 30), 90), kMonday);
    ItemHandle h = item("wants eleven", 30, 0, hm(11));
    Placement placement(s, monday());
    settle(placement);
    std::optional<EntryRef> ref = placement.insertEntry(LooseEntry::fresh(h, 30), kMonday);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->index, 1u);
    EXPECT_EQ(layout(kMonday), (Strings{"a@09:00/60", "wants eleven@10:00/30", "b@10:30/90"}));
}

TEST_F(PlacementTest, AnAppointmentIsInsertedByItsTime)
{
    put(appointment("a", hm(9), 60), kMonday);
    put(task("t", 30), kMonday);
    put(appointment("c", hm(14), 60), kMonday);
    Placement placement(s, monday());
    settle(placement);
    placement.insertEntry(LooseEntry::fresh(appointment("b", hm(11), 30), 30), kMonday);
    placement.insertEntry(LooseEntry::fresh(appointment("first", hm(8), 15), 15), kMonday);
    EXPECT_EQ(layout(kMonday), (Strings{"first@08:00/15", "a@09:00/60", "t@10:00/30", "b@11:00/30", "c@14:00/60"}));
}

TEST_F(PlacementTest, InsertingIntoADayWithoutRecordFails)
{
    Placement placement(s, monday());
    EXPECT_FALSE(placement.insertEntry(LooseEntry::fresh(task("t", 30), 30), kMonday));
    EXPECT_THROW(placement.insertEntry(LooseEntry::fresh(task("u", 30), 30), kNoDay), InternalFault);
}

TEST_F(PlacementTest, RemovingAnEntryFreesItsMinutes)
{
    put(appointment("a", hm(9), 60), kMonday);
    put(task("t", 90), kMonday);
    Placement placement(s, monday());
    placement.layoutDay(kMonday);
    EXPECT_EQ(s.findDay(kMonday)->freeMinutes, 450);
    LooseEntry loose = placement.removeEntry(EntryRef{kMonday, 1});
    EXPECT_EQ(loose.oldDay, kMonday);
    EXPECT_EQ(s.findDay(kMonday)->freeMinutes, 540);
    EXPECT_EQ(s.findDay(kMonday)->nTasks(), 1);
    EXPECT_THROW(placement.removeEntry(EntryRef{kMonday, 5}), InternalFault);
}

// --- moving --------------------------------------------------------------------------

class MoveTest : public PlacementTest {
protected:
    MoveTest()
    {
        dayFor(kMonday + 3);
        put(floating, kMonday);
        s.record(floating).setDeadlineDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    }
    ItemHandle floating = task("proposal", 60);
};

TEST_F(MoveTest, MovingPastTheDeadlineAsksToExtendItAndMovesWhateverTheAnswer)
{
    auto move = [&](DayNumber from, DayNumber to) {
        return Placement(s, monday(), &messages).moveEntryToDay(EntryRef{from, 0}, to);
    };
    PlacementContext carrying = monday();
    carrying.carryingOver = true;
    Placement(s, carrying, &messages).moveEntryToDay(EntryRef{kMonday, 0}, kMonday + 3);
    dayFor(kMonday + 1);
    move(kMonday + 3, kMonday + 1);
    EXPECT_TRUE(presenter.texts().empty()) << "no question during carry-over or within the deadline";

    EXPECT_EQ(move(kMonday + 1, kMonday + 3), kMonday + 3);  // answered No
    EXPECT_EQ(s.record(floating).deadlineDate(), (kMonday + 1).value());
    EXPECT_EQ(daysOf(floating), std::vector<DayNumber>{kMonday + 3});

    move(kMonday + 3, kMonday + 1);
    presenter.clear();
    presenter.queueAnswer(Answer::Yes);
    EXPECT_EQ(move(kMonday + 1, kMonday + 3), kMonday + 3);
    EXPECT_EQ(presenter.texts(), Strings{"What about the deadline? Do you want to extend the deadline to 3/7/24?"});
    EXPECT_EQ(s.record(floating).deadlineDate(), (kMonday + 3).value());
    EXPECT_EQ(daysOf(floating), std::vector<DayNumber>{kMonday + 3});
    EXPECT_EQ(s.record(floating).dayField(), (kMonday + 3).value());
}

TEST_F(MoveTest, AFloatingItemCannotMoveToAPastDayOrADayWithoutRecord)
{
    dayFor(kMonday - 1);
    Placement placement(s, monday(), &messages);
    EXPECT_FALSE(placement.moveEntryToDay(EntryRef{kMonday, 0}, kMonday - 1));
    EXPECT_FALSE(placement.moveEntryToDay(EntryRef{kMonday, 0}, kMonday + 9));
    EXPECT_EQ(daysOf(floating), std::vector<DayNumber>{kMonday});
}

TEST_F(MoveTest, MovingOffTodayCancelsAnAlarmRepeat)
{
    s.record(floating).setAlarmRepeat(hm(15).value());
    s.record(floating).setDeadlineDate(0);
    Placement placement(s, monday(), &messages);
    placement.moveEntryToDay(EntryRef{kMonday, 0}, kMonday + 3);
    EXPECT_EQ(s.record(floating).alarmRepeat(), 65535);
    EXPECT_EQ(presenter.texts(), Strings{"Alarm repeat cancelled because item removed from today."});
}

// --- re-placing -------------------------------------------------------------------------

TEST_F(PlacementTest, ReplacingASplitItemGathersAllItsPieces)
{
    s.header.setMinSplitMinutes(30);
    ItemHandle h = task("long read", 240, ItemFlag::fSplit);
    put(h, kMonday + 2, 60);
    put(h, kMonday + 4, 180);
    Placement placement(s, monday());
    EXPECT_TRUE(placement.replaceItem(h));
    EXPECT_EQ(daysOf(h), std::vector<DayNumber>{kMonday});
    EXPECT_EQ(s.minutesOf(h, kMonday), 240);
    EXPECT_EQ(s.findDay(kMonday + 4)->nTasks(), 0);
}

TEST_F(PlacementTest, StartedItemsAreNotReplacedAndAppointmentsKeepTheirDay)
{
    ItemHandle running = item("running", 30, ItemFlag::fFloating | ItemFlag::fStarted);
    ItemHandle fixed = appointment("fixed", hm(9), 30);
    put(running, kMonday + 2);
    put(fixed, kMonday + 2);
    Placement placement(s, monday());
    EXPECT_FALSE(placement.replaceItem(running));
    EXPECT_TRUE(placement.replaceItem(fixed));
    EXPECT_EQ(daysOf(running), std::vector<DayNumber>{kMonday + 2});
    EXPECT_EQ(daysOf(fixed), std::vector<DayNumber>{kMonday + 2});
}

// --- what no item may do ------------------------------------------------------------------

// A zero-length entry meeting a zero gap at the end of a full day used to
// run off the end of the walk, which stopped the program.
TEST_F(PlacementTest, AZeroLengthEntryOnAFullDayGoesToTheEnd)
{
    fill(kMonday);
    ItemHandle memo = task("memo", 0);
    Placement placement(s, monday());
    settle(placement);
    std::optional<EntryRef> ref = placement.insertEntry(LooseEntry::fresh(memo, 0), kMonday);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->index, 1u);
}

TEST_F(PlacementTest, ADayMayHoldMoreThanTwoHundredEntries)
{
    fill(kMonday);
    std::vector<ItemHandle> many;
    for (int i = 0; i < 250; ++i)
        many.push_back(task("due", 10));
    for (ItemHandle h : many)
        s.record(h).setDeadlineDate(static_cast<std::uint16_t>(kMonday.value()));
    placeAll(many, monday());
    EXPECT_EQ(s.findDay(kMonday)->nTasks(), 251);
    EXPECT_NO_THROW(layoutDay(s, kMonday, monday()));
}

TEST_F(PlacementTest, OddItemsAreStillPlacedOnce)
{
    ItemHandle huge = task("huge", 65535);
    ItemHandle zero = task("zero", 0);
    ItemHandle late = item("late begin", 30, ItemFlag::fFloating, TimeValue(2880));
    ItemHandle backwards = task("backwards", 30);
    s.record(backwards).setEarliestBegin(hm(17).value());
    s.record(backwards).setLatestEnd(hm(9).value());
    ItemHandle farAway = task("far postponed", 30);
    s.record(farAway).setPostponeDate(65535);
    ItemHandle farDeadline = task("far deadline", 30);
    s.record(farDeadline).setDeadlineDate(65000);
    placeAll({huge, zero, late, backwards, farAway, farDeadline}, monday());
    for (ItemHandle h : {huge, zero, late, backwards, farAway, farDeadline})
        EXPECT_EQ(daysOf(h).size(), 1u) << s.storedDescription(h);
    EXPECT_EQ(daysOf(farAway), std::vector<DayNumber>{kLastUsableDay});
}

// --- the room index ---------------------------------------------------------------------

TEST(RoomIndexTest, UnknownDaysCountAsHavingRoom)
{
    RoomIndex index;
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 60), kMonday);
    index.learn(kMonday, 0);  // not started: nothing is learnt
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 60), kMonday);
    index.start();
    index.learn(kMonday, 59);
    index.learn(kMonday + 1, 10);
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 60), kMonday + 2);
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 59), kMonday);
    index.learn(kMonday + 2, 0);
    index.learn(kMonday + 3, 60);
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 60), kMonday + 3);
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 2, 60), std::nullopt);
    index.forget(kMonday + 1);
    EXPECT_EQ(index.firstWithRoom(kMonday, kMonday + 10, 60), kMonday + 1);
    EXPECT_EQ(index.firstWithRoom(kLastUsableDay, kLastUsableDay + 5, 1), kLastUsableDay);
    EXPECT_EQ(index.firstWithRoom(kMonday + 3, kMonday + 2, 1), std::nullopt);
}

// One placement that keeps its room index across many items must place
// every item exactly where a fresh walk over every day would.
TEST(RoomIndexTest, KeepingTheIndexAcrossItemsChangesNoPlacement)
{
    std::uint32_t seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<std::uint32_t>(n));
    };
    struct Made {
        testing::Scenario scenario;
        std::vector<ItemHandle> tasks;
    };
    auto build = [&](Made& m) {
        seed = 777;
        m.scenario.s.header.setMinSplitMinutes(30);
        for (int d = 0; d < 40; ++d)
            for (int k = 0; k < 3; ++k)
                m.scenario.put(m.scenario.appointment("fixed", hm(8 + next(9), 15 * next(4)), 30 + 15 * next(6)),
                               kMonday + d);
        for (int i = 0; i < 300; ++i) {
            ItemHandle h = m.scenario.task("task", 15 + next(226), next(5) == 0 ? ItemFlag::fSplit : 0u);
            if (next(10) == 0)
                m.scenario.s.record(h).setDeadlineDate(static_cast<std::uint16_t>((kMonday + next(30)).value()));
            if (next(8) == 0)
                m.scenario.s.record(h).setWeekdayMask(static_cast<std::uint8_t>(1 + next(127)));
            if (next(6) == 0)
                m.scenario.s.record(h).setEarliestBegin(hm(10 + next(6)).value());
            m.tasks.push_back(h);
        }
    };
    PlacementContext context;
    context.today = kMonday;
    context.now = hm(10);

    Made kept;
    build(kept);
    {
        Placement placement(kept.scenario.s, context);
        for (ItemHandle h : kept.tasks)
            placement.placeFloatingItem(h);
    }
    Made fresh;
    build(fresh);
    PlacementRun run;
    run.lastFullDay = context.today - 1;
    run.furthestDayUsed = context.today;
    for (ItemHandle h : fresh.tasks) {
        Placement placement(fresh.scenario.s, context);
        placement.run() = run;
        placement.placeFloatingItem(h);
        run = placement.run();
    }
    int daysUsed = 0;
    for (int d = 0; d < 400; ++d) {
        ASSERT_EQ(kept.scenario.layout(kMonday + d), fresh.scenario.layout(kMonday + d)) << d;
        daysUsed += kept.scenario.s.findDay(kMonday + d) && kept.scenario.s.findDay(kMonday + d)->nTasks() > 3;
    }
    EXPECT_GT(daysUsed, 40);  // the tasks spill well past the days with appointments
}

} // namespace
} // namespace zk
