// The commands on one selected entry: "Defer Hour", the duration and
// begin-time steps, "Appointment" and "On Hold".

#include "engine/entrycommands.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

class EntryCommandTest : public ::testing::Test, public testing::PlacementScenario {};

TEST_F(EntryCommandTest, AnEntryTakenOffHoldReturnsToItsOldPlace)
{
    put(task("a", 30), kMonday);
    put(task("b", 30), kMonday);
    put(task("c", 30), kMonday);
    Placement placement(s, monday());
    placement.layoutDay(kMonday);
    std::optional<EntryRef> held = toggleOnHold(placement, EntryRef{kMonday, 1}, kMonday);
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "b@-/30", "c@08:30/30"}));
    std::optional<EntryRef> back = toggleOnHold(placement, *held, kMonday);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->index, 1u);
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "b@08:30/30", "c@09:00/30"}));
}

TEST_F(EntryCommandTest, DeferHourPostponesAFloatingItemByAnHour)
{
    ItemHandle h = task("call", 30);
    s.record(h).setLatestEnd(hm(10, 30).value());
    put(h, kMonday);
    Placement placement(s, at(kMonday, hm(10)));
    EXPECT_TRUE(deferHour(placement, EntryRef{kMonday, 0}));
    EXPECT_EQ(s.record(h).postponeDate(), kMonday.value());
    EXPECT_EQ(s.record(h).postponeTime(), hm(11).value());
    EXPECT_EQ(s.record(h).latestEndField(), hm(11).value());
    EXPECT_TRUE(deferHour(placement, EntryRef{kMonday, 0}));
    EXPECT_EQ(s.record(h).postponeTime(), hm(12).value());  // a whole hour ahead: one more
    EXPECT_EQ(layout(kMonday), (Strings{"call@!12:00/30"}));

    // A postponement already past now + 60, not on the hour, stays.
    s.record(h).setPostponeTime(hm(12, 20).value());
    deferHour(placement, EntryRef{kMonday, 0});
    EXPECT_EQ(s.record(h).postponeTime(), hm(12, 20).value());
    // A postponement to a later day is left alone.
    s.record(h).setPostponeDate(static_cast<std::uint16_t>((kMonday + 1).value()));
    deferHour(placement, EntryRef{kMonday, 0});
    EXPECT_EQ(s.record(h).postponeTime(), hm(12, 20).value());
}

TEST_F(EntryCommandTest, DeferHourIsRefusedForFixedItems)
{
    put(appointment("fixed", hm(9), 30), kMonday);
    Placement placement(s, monday());
    EXPECT_FALSE(deferHour(placement, EntryRef{kMonday, 0}));
    EXPECT_EQ(s.unreportedTexts(), Strings{"The Defer Hour command is only for floating items"});
}

TEST_F(EntryCommandTest, DurationStepsShrinkAndGrowTheEntry)
{
    ItemHandle h = task("t", 30);
    put(h, kMonday);
    Placement placement(s, monday());
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::ShorterDuration, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).duration(), 25);
    EXPECT_EQ(entries(kMonday)[0].placedMinutes, 25);
    s.record(h).setDuration(10);
    placement.layoutDay(kMonday);
    StepResult r = stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::ShorterDuration, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).duration(), 9);  // below 11 minutes the step is one minute
    EXPECT_TRUE(r.rebalanceRequested);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LongerDuration, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).duration(), 10);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LongerDuration, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).duration(), 15);
    s.record(h).setDuration(1438);
    placement.layoutDay(kMonday);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LongerDuration, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).duration(), 1438);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LongerDuration, StepSize::OneMinute);
    EXPECT_EQ(s.record(h).duration(), 1439);
}

TEST_F(EntryCommandTest, BeginStepsMoveAnAppointmentWithinTheDay)
{
    ItemHandle h = appointment("a", hm(9), 30);
    put(h, kMonday);
    Placement placement(s, monday());
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::EarlierBegin, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).beginTime(), hm(8, 55).value());
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LaterBegin, StepSize::OneMinute);
    EXPECT_EQ(s.record(h).beginTime(), hm(8, 56).value());
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:56/30"}));
    s.record(h).setBeginTime(7);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::EarlierBegin, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).beginTime(), 7);  // not below the step
}

TEST_F(EntryCommandTest, BeginStepsMoveAStartedItemAndItsStartOnToday)
{
    ItemHandle h = item("running", 30, ItemFlag::fStarted | ItemFlag::fFloating, hm(9));
    put(h, kMonday);
    Placement placement(s, at(kMonday, hm(9, 10)));
    placement.layoutDay(kMonday);
    stepEntry(placement, EntryRef{kMonday, 0}, StepCommand::LaterBegin, StepSize::FiveMinutes);
    EXPECT_EQ(s.record(h).beginTime(), hm(9, 5).value());
    EXPECT_EQ(entries(kMonday)[0].startTime(), hm(9, 5));
}

TEST_F(EntryCommandTest, TheAppointmentToggleAnchorsWhereTheEntryLies)
{
    put(appointment("a", hm(9), 60), kMonday);
    ItemHandle h = task("t", 30);
    put(h, kMonday);
    Placement placement(s, monday());
    placement.layoutDay(kMonday);
    EXPECT_TRUE(toggleAppointment(placement, EntryRef{kMonday, 1}));
    EXPECT_TRUE(s.record(h).has(ItemFlag::fAnchored));
    EXPECT_EQ(s.record(h).beginTime(), hm(10).value());
    EXPECT_TRUE(toggleAppointment(placement, EntryRef{kMonday, 1}));
    EXPECT_EQ(s.record(h).beginTime(), 0);
    s.record(h).setFlag(ItemFlag::fOnHold, true);
    EXPECT_FALSE(toggleAppointment(placement, EntryRef{kMonday, 1}));
}
TEST_F(EntryCommandTest, BeginStepsOnAFloatingItemChangeItsPriority)
{
    ItemHandle first = task("first", 30);
    ItemHandle second = task("second", 30);
    addToPlist(s, first, 1, kMonday);
    addToPlist(s, second, 2, kMonday);
    put(first, kMonday);
    put(second, kMonday);
    Placement placement(s, monday());
    StepResult r = stepEntry(placement, EntryRef{kMonday, 1}, StepCommand::EarlierBegin, StepSize::FiveMinutes);
    EXPECT_TRUE(r.rebalanceRequested);
    EXPECT_EQ(itemAheadInPlist(s, first), second);
    stepEntry(placement, EntryRef{kMonday, 1}, StepCommand::LaterBegin, StepSize::FiveMinutes);
    EXPECT_EQ(itemAheadInPlist(s, second), first);
    EXPECT_EQ(s.record(second).beginTime(), 0);
}

} // namespace
} // namespace zk
