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
    EXPECT_EQ(layout(kMonday), (Strings{"a@08:00/30", "b@08:30/30", "c@09:00/30"}));
}

TEST_F(EntryCommandTest, DeferHourPostponesAFloatingItemByAnHourAndRefusesAFixedOne)
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

    put(appointment("fixed", hm(9), 30), kMonday + 1);
    EXPECT_FALSE(deferHour(placement, EntryRef{kMonday + 1, 0}));
    EXPECT_EQ(s.unreportedTexts(), Strings{"The Defer Hour command is only for floating items"});
}

TEST_F(EntryCommandTest, DurationAndBeginStepsChangeTheEntryWithinItsLimits)
{
    struct Case {
        const char* name;
        int duration;
        int begin;  // 0: a task
        StepCommand command;
        StepSize size;
        int wanted;  // the duration, or the begin time of an appointment
    };
    const Case cases[] = {
        {"shorter by five", 30, 0, StepCommand::ShorterDuration, StepSize::FiveMinutes, 25},
        {"below 11 minutes by one", 10, 0, StepCommand::ShorterDuration, StepSize::FiveMinutes, 9},
        {"up to the next five", 9, 0, StepCommand::LongerDuration, StepSize::FiveMinutes, 10},
        {"longer by five", 10, 0, StepCommand::LongerDuration, StepSize::FiveMinutes, 15},
        {"not past the day by five", 1438, 0, StepCommand::LongerDuration, StepSize::FiveMinutes, 1438},
        {"to the last minute by one", 1438, 0, StepCommand::LongerDuration, StepSize::OneMinute, 1439},
        {"earlier by five", 30, hm(9).value(), StepCommand::EarlierBegin, StepSize::FiveMinutes, hm(8, 55).value()},
        {"later by one", 30, hm(8, 55).value(), StepCommand::LaterBegin, StepSize::OneMinute, hm(8, 56).value()},
        {"not below the step", 30, 7, StepCommand::EarlierBegin, StepSize::FiveMinutes, 7},
    };
    DayNumber day = kMonday;
    for (const Case& c : cases) {
        ItemHandle h = c.begin ? appointment(c.name, TimeValue(c.begin), c.duration) : task(c.name, c.duration);
        put(h, ++day);
        Placement placement(s, monday());
        placement.layoutDay(day);
        StepResult r = stepEntry(placement, EntryRef{day, 0}, c.command, c.size);
        if (c.begin == 0) {
            EXPECT_TRUE(r.rebalanceRequested) << c.name << ": a floating item's change moves others";
        }
        EXPECT_EQ(c.begin ? s.record(h).beginTime() : s.record(h).duration(), c.wanted) << c.name;
        EXPECT_EQ(c.begin ? entries(day)[0].start : entries(day)[0].placedMinutes, c.wanted) << c.name;
    }
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
