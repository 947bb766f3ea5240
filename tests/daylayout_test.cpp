// The layout of a day, the limits it works within (earliest begin, latest
// end, earliest day), the gap tests of insertion and free minutes.

#include "engine/daylayout.h"
#include "engine/gaptests.h"
#include "engine/plistorder.h"
#include "engine/timelimits.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

class DayLayoutTest : public ::testing::Test, public testing::Scenario {
protected:
    Strings laidOut(DayNumber day, const PlacementContext& context)
    {
        EXPECT_TRUE(layoutDay(s, day, context));
        return layout(day);
    }
};

// --- the running end --------------------------------------------------------------

TEST_F(DayLayoutTest, FloatingEntriesFillTheTimeBetweenAppointmentsInListOrder)
{
    put(task("plan", 60), kMonday);
    put(appointment("dentist", hm(9), 60), kMonday);
    put(task("report", 90), kMonday);
    put(appointment("lunch", hm(12), 60), kMonday);
    put(task("mail", 30), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()),
              (Strings{"plan@08:00/60", "dentist@09:00/60", "report@10:00/90", "lunch@12:00/60", "mail@13:00/30"}));
}

TEST_F(DayLayoutTest, AnAppointmentOverrunByTheEntryBeforeItIsConflicting)
{
    put(appointment("call", hm(9), 90), kMonday);
    put(appointment("visit", hm(10), 30), kMonday);
    put(task("tidy", 30), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"call@09:00/90", "visit@!10:00/30", "tidy@10:30/30"}));
}

TEST_F(DayLayoutTest, EarliestBeginHoldsAFloatingEntryBackUntilItsTime)
{
    put(appointment("standup", hm(10), 60), kMonday);
    ItemHandle h = task("review", 30);
    s.record(h).setEarliestBegin(hm(13).value());
    put(h, kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"standup@10:00/60", "review@13:00/30"}));
    // On today at 14:00 it starts at the current minute.
    EXPECT_EQ(laidOut(kMonday, at(kMonday, hm(14))), (Strings{"standup@!10:00/60", "review@14:00/30"}));
}

TEST_F(DayLayoutTest, AnEntryThatCannotEndByItsLatestEndIsConflicting)
{
    put(appointment("meeting", hm(8), 120), kMonday);
    ItemHandle h = task("errand", 60);
    s.record(h).setLatestEnd(hm(10, 30).value());
    put(h, kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"meeting@08:00/120", "errand@!10:00/60"}));
    s.record(h).setLatestEnd(hm(11).value());
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"meeting@08:00/120", "errand@10:00/60"}));
}

TEST_F(DayLayoutTest, OnTodayPastAppointmentsConflictUnlessDoneAndNothingFloatsPastTheWindow)
{
    put(appointment("early call", hm(9), 30), kMonday);
    put(item("signed lease", 30, ItemFlag::fDone, hm(10)), kMonday);
    put(task("later", 30), kMonday);
    EXPECT_EQ(laidOut(kMonday, at(kMonday, hm(11))),
              (Strings{"early call@!09:00/30", "signed lease@10:00/30", "later@11:00/30"}));
    // Today later than the window's end leaves floating entries conflicting.
    EXPECT_EQ(laidOut(kMonday, at(kMonday, hm(20))),
              (Strings{"early call@!09:00/30", "signed lease@10:00/30", "later@!20:00/30"}));
}

TEST_F(DayLayoutTest, OnHoldEntriesTakeNoTime)
{
    put(task("first", 30), kMonday);
    put(task("waiting", 45, ItemFlag::fOnHold), kMonday);
    put(task("second", 30), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"first@08:00/30", "waiting@-/45", "second@08:30/30"}));
}

TEST_F(DayLayoutTest, StartedEntriesStayWhereTheyRun)
{
    ItemHandle running = item("running", 60, ItemFlag::fStarted | ItemFlag::fFloating);
    put(task("before", 30), kMonday);
    put(running, kMonday);
    s.days.editEntries(kMonday, [](std::vector<DayEntry>& e) { e[1].start = hm(9).value(); });
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"before@08:00/30", "running@09:00/60"}));
    s.record(running).setBeginTime(hm(8, 15).value());
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"before@08:00/30", "running@!08:15/60"}));
}

TEST_F(DayLayoutTest, OnTodayOnlyTheFirstPieceOfAStartedSplitItemRuns)
{
    ItemHandle split = item("essay", 120, ItemFlag::fStarted | ItemFlag::fSplit | ItemFlag::fFloating, hm(9));
    put(split, kMonday, 60);
    put(task("call", 30), kMonday);
    put(split, kMonday, 60);
    EXPECT_EQ(laidOut(kMonday, at(kMonday, hm(9, 30))), (Strings{"essay@09:00/60", "call@10:00/30", "essay@10:30/60"}));
    // On another day every piece of a started item counts as started.
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"essay@09:00/60", "call@10:00/30", "essay@!09:00/60"}));
}

TEST_F(DayLayoutTest, AnEntryJustBeforeADoneOneFollowsTheRunningEnd)
{
    put(appointment("class", hm(9), 60), kMonday);
    ItemHandle h = task("prep", 30);
    s.record(h).setEarliestBegin(hm(11).value());
    put(h, kMonday);
    put(item("filed", 30, ItemFlag::fDone, hm(12)), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"class@09:00/60", "prep@10:00/30", "filed@12:00/30"}));
}

TEST_F(DayLayoutTest, PlacedMinutesFollowTheDurationExceptForSplitPieces)
{
    ItemHandle whole = task("whole", 45);
    ItemHandle split = task("split", 90, ItemFlag::fSplit);
    put(whole, kMonday, 20);
    put(split, kMonday, 30);
    put(split, kMonday, 200);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"whole@08:00/45", "split@08:45/30", "split@09:15/90"}));
}

TEST_F(DayLayoutTest, NightOwlWindowRunsPastMidnight)
{
    s.setDayBounds(hm(22), hm(6), kNoItem, kNoItem);
    ASSERT_EQ(s.dayEnd().value(), hm(6).value() + 1440);
    put(appointment("gig", hm(23), 60), kMonday);
    put(task("mixing", 120), kMonday);
    put(task("backup", 300), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()), (Strings{"gig@23:00/60", "mixing@24:00/120", "backup@!26:00/300"}));
}

TEST_F(DayLayoutTest, ADayWithoutRecordIsNotLaidOutAndAnEntryOfAFreedItemIsAnInternalFault)
{
    EXPECT_FALSE(layoutDay(s, kMonday, at()));
    ItemHandle gone = task("gone", 30);
    put(gone, kMonday);
    s.items.free(gone);
    EXPECT_THROW(layoutDay(s, kMonday, at()), InternalFault);
    EXPECT_EQ(s.findDay(kMonday)->busyCount, 0);
}

// Whatever the items hold, the layout ends and every start fits its field.
TEST_F(DayLayoutTest, OddItemsAreLaidOutWithoutFault)
{
    put(task("huge", 65535), kMonday);
    put(appointment("at the very end", TimeValue(2880), 65535), kMonday);
    put(item("negative begin", 30, ItemFlag::fAnchored, TimeValue(-300)), kMonday);
    put(task("zero", 0), kMonday);
    ItemHandle backwards = task("begin after end", 30);
    s.record(backwards).setEarliestBegin(hm(17).value());
    s.record(backwards).setLatestEnd(hm(9).value());
    put(backwards, kMonday);
    put(task("after the day", 30), kMonday);
    EXPECT_EQ(laidOut(kMonday, at()),
              (Strings{"huge@!08:00/65535", "at the very end@!47:59/65535", "negative begin@!04:59/30", "zero@-/0",
                       "begin after end@-/30", "after the day@-/30"}));
}

TEST_F(DayLayoutTest, OpeningADayForDisplayCreatesAndLaysItOut)
{
    put(task("a", 30), kMonday);
    put(task("b", 30), kMonday);
    s.days.editEntries(kMonday, [](std::vector<DayEntry>& e) { e[1].start = 5; });
    ASSERT_NE(openDayForDisplay(s, kMonday, at()), nullptr);
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "b@08:30/30"}));
    EXPECT_NE(openDayForDisplay(s, kMonday + 1, at()), nullptr);
}

// --- free minutes -------------------------------------------------------------------

TEST_F(DayLayoutTest, FreeMinutesCountTheWindowLessWhatEntriesCover)
{
    put(appointment("before the window", hm(7), 90), kMonday);
    put(appointment("inside", hm(12), 60), kMonday);
    put(appointment("overlapping", hm(12, 30), 60), kMonday);
    put(task("held", 120, ItemFlag::fOnHold), kMonday);
    layoutDay(s, kMonday, at());
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at()), 600 - 30 - 60 - 60);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at(kMonday, hm(13))), 300 - 30);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday, at(kMonday, hm(19))), 0);
    EXPECT_EQ(freeMinutesOfDay(s, kMonday + 1, at()), 600);
}

// --- limits ------------------------------------------------------------------------

TEST_F(DayLayoutTest, LatestEndIsTheEarliestOfOwnLimitDayEndAndDeadlineTime)
{
    ItemHandle h = task("t", 30);
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(18));
    s.record(h).setLatestEnd(hm(20).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(18));
    s.record(h).setLatestEnd(hm(16).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(16));
    s.record(h).setDeadlineDate(static_cast<std::uint16_t>(kMonday.value()));
    s.record(h).setDeadlineTime(hm(15).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(15));
    EXPECT_EQ(latestEndOn(s, h, kMonday - 1), hm(16));
    s.record(h).setDeadlineTime(hm(17).value());
    EXPECT_EQ(latestEndOn(s, h, kMonday), hm(16));
    ItemHandle a = appointment("a", hm(9), 45);
    EXPECT_EQ(latestEndOn(s, a, kMonday), hm(9, 45));
}

TEST_F(DayLayoutTest, EarliestBeginHonoursPostpone)
{
    ItemHandle h = task("t", 30);
    PlacementContext c = at();
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, c), hm(8));
    s.record(h).setEarliestBegin(hm(9).value());
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, c), hm(9));
    s.record(h).setPostponeDate(static_cast<std::uint16_t>(kMonday.value()));
    s.record(h).setPostponeTime(hm(14).value());
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, c), hm(14));
    EXPECT_EQ(earliestBeginOn(s, h, kMonday + 1, c), hm(9));
    ItemHandle a = appointment("a", hm(7), 45);
    EXPECT_EQ(earliestBeginOn(s, a, kMonday, c), hm(7));
}

TEST_F(DayLayoutTest, APrerequisiteBindsTheBeginOnlyInABalancingRun)
{
    ItemHandle prereq = appointment("pour concrete", hm(9), 120);
    put(prereq, kMonday);
    layoutDay(s, kMonday, at());
    ItemHandle h = task("build wall", 60);
    s.record(h).setPrereqId(s.record(prereq).id());
    s.record(h).setLagMinutes(30);
    PlacementContext run = at();
    run.balancing = true;
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, at()), hm(8));
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, run), hm(11, 30));
    s.record(h).setLagDays(1);
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, run), hm(8));
    EXPECT_EQ(earliestBeginOn(s, h, kMonday + 1, run), hm(11, 30));
    EXPECT_EQ(earliestDay(s, h, at()), kMonday + 1);
}

TEST_F(DayLayoutTest, AFloatingPrerequisiteIsClearedWithAMessage)
{
    ItemHandle prereq = task("floating prereq", 30);
    put(prereq, kMonday);
    ItemHandle h = task("dependent", 30);
    s.record(h).setPrereqId(s.record(prereq).id());
    PlacementContext run = at();
    run.balancing = true;
    EXPECT_EQ(earliestBeginOn(s, h, kMonday, run), hm(8));
    EXPECT_EQ(s.record(h).prereqId(), 0u);
    ASSERT_EQ(s.unreportedTexts().size(), 1u);
    EXPECT_EQ(s.unreportedTexts()[0],
              "Prerequisites must be anchored items. A non-anchored item was detected as the prerequisite for "
              "dependent and this prereq has been cleared.");
}

TEST_F(DayLayoutTest, EarliestDayIsTheLatestOfPostponePrerequisiteAndToday)
{
    ItemHandle prereq = appointment("order parts", hm(9), 30);
    put(prereq, kMonday + 2);
    ItemHandle h = task("assemble", 60);
    EXPECT_EQ(earliestDay(s, h, at()), kMonday - 1);
    s.record(h).setPostponeDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    EXPECT_EQ(earliestDay(s, h, at()), kMonday + 1);
    s.record(h).setPrereqId(s.record(prereq).id());
    s.record(h).setLagDays(3);
    EXPECT_EQ(earliestDay(s, h, at()), kMonday + 5);
}

// --- gap tests ---------------------------------------------------------------------

TEST_F(DayLayoutTest, KeyTimeOrderPutsAnAppointmentAmongOthersByItsTime)
{
    put(appointment("a", hm(9), 60), kMonday);
    put(appointment("b", hm(11), 60), kMonday);
    layoutDay(s, kMonday, at());
    ItemHandle h = appointment("n", hm(10), 30);
    DayEntry n{h, 0, 30};
    PlaceTests tests(s, kMonday, n, at());
    EXPECT_EQ(tests.keyTimeOrder(0), 0);
    EXPECT_EQ(tests.keyTimeOrder(1), 1);
    s.record(h).setDuration(150);
    EXPECT_EQ(tests.keyTimeOrder(1), -1);  // runs into b: here, but conflicting
    s.record(h).setBeginTime(hm(9, 30).value());
    EXPECT_EQ(tests.keyTimeOrder(1), -1);  // begins inside a
}

} // namespace
} // namespace zk
