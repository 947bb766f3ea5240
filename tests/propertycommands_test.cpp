// The item property commands and the placement settings through a session:
// what each does to the selected entry's item and its day, what it refuses,
// and when it asks for the workload to be balanced again.

#include "sessionsupport.h"

#include "core/recurrence.h"
#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "shell/model/propertycommands.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

// Saturday 21 October 2023, 10:00, is the session's now.
constexpr DayNumber kTomorrow = kSessionToday + 1;

class PropertyCommandsTest : public OpenSessionFixture {
protected:
    using OpenSessionFixture::add;
    ItemHandle add(NewItem item, std::uint32_t flags)
    {
        item.record.setFlag(flags, true);
        return add(std::move(item));
    }
    // Floating from the day on: postponed to it, since floating items
    // otherwise take today's free time.
    ItemHandle task(DayNumber day, const std::string& text, int minutes)
    {
        NewItem item = itemOn(day, text, 0, minutes);
        item.record.setPostponeDate(static_cast<std::uint16_t>(day.value()));
        return add(std::move(item), ItemFlag::fFloating);
    }

    DraggedEntry selected(ItemHandle h)
    {
        const DayNumber day = schedule().dayOf(h);
        return {h, day, schedule().entryOf(h, day).value_or(0)};
    }
    PropertyResult run(int command, ItemHandle h)
    {
        return runPropertyCommand(*s->session, command, selected(h), StepSize::FiveMinutes);
    }
    std::vector<ItemHandle> order(DayNumber day)
    {
        std::vector<ItemHandle> items;
        for (const DayEntry& e : schedule().findDay(day)->entries())
            items.push_back(e.item);
        return items;
    }
    TimeValue startOf(ItemHandle h, DayNumber day)
    {
        return schedule().findDay(day)->entries()[*schedule().entryOf(h, day)].startTime();
    }
};

TEST_F(PropertyCommandsTest, TheFlagCommandsChangeTheSelectedItemAndSayWhenTheWorkloadWantsBalancing)
{
    const ItemHandle report = task(kTomorrow, "Write report", 60);
    const ItemHandle call = task(kTomorrow, "Call Ann", 30);
    const ItemHandle dentist = add(itemOn(kTomorrow, "Dentist", TimeValue::fromClock(14, 0).value(), 60));
    const int seq = schedule().plist.entry(findPlistEntry(schedule(), report)).seq;

    // Floating off keeps the item on its day; on again it takes its old
    // place in its class, and the workload wants balancing.
    PropertyResult off = run(PropertyCommand::floating, report);
    EXPECT_TRUE(off.changed);
    EXPECT_FALSE(off.rebalanceRequested);
    EXPECT_FALSE(schedule().record(report).has(ItemFlag::fFloating));
    EXPECT_TRUE(schedule().entryOf(report, kTomorrow).has_value());
    PropertyResult on = run(PropertyCommand::floating, report);
    EXPECT_TRUE(on.rebalanceRequested);
    EXPECT_EQ(schedule().plist.entry(findPlistEntry(schedule(), report)).seq, seq);
    // An appointment made floating gives up its anchor.
    run(PropertyCommand::floating, dentist);
    EXPECT_TRUE(schedule().record(dentist).has(ItemFlag::fFloating));
    EXPECT_FALSE(schedule().record(dentist).has(ItemFlag::fAnchored));
    EXPECT_EQ(schedule().record(dentist).beginTime(), 0);

    // Sequence is for floating items only.
    const ItemHandle memo = add(itemOn(kTomorrow, "Parcel arrives", TimeValue::fromClock(9, 0).value(), 0));
    EXPECT_FALSE(run(PropertyCommand::sequence, memo).changed);
    EXPECT_TRUE(s->shown(kOnlyFloatingSequenceText));
    EXPECT_FALSE(schedule().record(memo).has(ItemFlag::fSequence));
    EXPECT_TRUE(run(PropertyCommand::sequence, call).rebalanceRequested);
    EXPECT_TRUE(schedule().record(call).has(ItemFlag::fSequence));
    EXPECT_TRUE(schedule().entryOf(call, kTomorrow).has_value()) << "placed again";

    run(PropertyCommand::key, call);
    EXPECT_TRUE(schedule().record(call).has(ItemFlag::fKey));
    run(PropertyCommand::hideUntilTime, call);
    EXPECT_TRUE(schedule().record(call).has(ItemFlag::fHidden));

    // Private hides the text behind its marker, and public shows it again.
    run(PropertyCommand::privateText, call);
    EXPECT_EQ(schedule().storedDescription(call), "|Call Ann");
    EXPECT_EQ(schedule().description(call), "|");
    run(PropertyCommand::privateText, call);
    EXPECT_EQ(schedule().description(call), "Call Ann");

    run(PropertyCommand::appendStamp, call);
    EXPECT_EQ(schedule().storedDescription(call), "Call Ann 10/21/23 10:00a");
    EXPECT_EQ(itemInformation(*s->session, PropertyCommand::fullDescription, call), "Call Ann 10/21/23 10:00a");
    EXPECT_EQ(itemInformation(*s->session, PropertyCommand::creationTime, call), "Created 10/21/23 10:00a");
    EXPECT_EQ(itemInformation(*s->session, PropertyCommand::timeModified, call).rfind("Modified 10/21/23 ", 0),
              0u);
    EXPECT_TRUE(schedule().dirty);
}

TEST_F(PropertyCommandsTest, EntriesMoveWithinTheirDayAndInThePriorityList)
{
    const ItemHandle first = task(kTomorrow, "First", 30);
    const ItemHandle second = task(kTomorrow, "Second", 30);
    ASSERT_EQ(order(kTomorrow), (std::vector<ItemHandle>{first, second}));

    EXPECT_TRUE(run(PropertyCommand::laterInDay, first).changed);
    EXPECT_EQ(order(kTomorrow), (std::vector<ItemHandle>{second, first}));
    EXPECT_LT(startOf(second, kTomorrow), startOf(first, kTomorrow)) << "laid out again";
    EXPECT_FALSE(run(PropertyCommand::laterInDay, first).changed) << "already last";
    EXPECT_TRUE(run(PropertyCommand::earlierInDay, first).changed);
    EXPECT_EQ(order(kTomorrow), (std::vector<ItemHandle>{first, second}));

    // Raise puts the second item first in the priority list.
    PropertyResult raised = run(PropertyCommand::raisePriority, second);
    EXPECT_TRUE(raised.rebalanceRequested);
    EXPECT_EQ(schedule().plist.entry(findPlistEntry(schedule(), second)).seq, 1);
    EXPECT_FALSE(run(PropertyCommand::raisePriority, second).changed) << "already first";
    run(PropertyCommand::lowerPriority, second);
    EXPECT_EQ(schedule().plist.entry(findPlistEntry(schedule(), second)).seq, 2);
}

TEST_F(PropertyCommandsTest, SuspendingAWeeklyItemTakesItsOccurrencesOffAndBackOn)
{
    for (DayNumber d = kSessionToday; d <= kSessionToday + 14; ++d)
        ASSERT_NE(schedule().getDay(d), nullptr);
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::weekly);
    rule.setWeekdayByte(1u << 1);  // Mondays
    rule.setInterval(1);
    NewItem item = itemOn(kSessionToday, "Team meeting", TimeValue::fromClock(9, 0).value(), 60);
    item.recurrence = rule;
    const ItemHandle meeting = add(std::move(item));
    const DayNumber monday = kSessionToday + 2;
    ASSERT_TRUE(schedule().entryOf(meeting, monday).has_value());

    EXPECT_TRUE(runPropertyCommand(*s->session, PropertyCommand::suspended, {meeting, monday, 0},
                                   StepSize::FiveMinutes).changed);
    EXPECT_FALSE(schedule().entryOf(meeting, monday).has_value());
    EXPECT_FALSE(schedule().entryOf(meeting, monday + 7).has_value());
    EXPECT_NE(schedule().recurrences.ruleOf(meeting).monthWord() & kMonthWordSuspended, 0);
    // Taken up again (it is on no day now), it is on its Mondays again.
    EXPECT_TRUE(runPropertyCommand(*s->session, PropertyCommand::suspended, {meeting, monday, 0},
                                   StepSize::FiveMinutes).changed);
    EXPECT_TRUE(schedule().entryOf(meeting, monday).has_value());
    EXPECT_TRUE(schedule().entryOf(meeting, monday + 7).has_value());

    const ItemHandle plain = add(itemOn(kTomorrow, "Plain", 0, 30));
    EXPECT_FALSE(run(PropertyCommand::suspended, plain).changed);
    EXPECT_TRUE(s->shown(kOnlyRecurringSuspendedText));
}

TEST_F(PropertyCommandsTest, TheSettingsFeedPlacement)
{
    const ItemHandle tidy = task(kTomorrow, "Tidy desk", 30);
    // A day window from 9:00 puts tomorrow's first floating item at 9:00.
    EXPECT_EQ(setDayBounds(*s->session, TimeValue::fromClock(9, 0), TimeValue::fromClock(17, 0), kNoItem,
                           kNoItem),
              "");
    EXPECT_EQ(startOf(tidy, kTomorrow), TimeValue::fromClock(9, 0));
    EXPECT_EQ(setDayBounds(*s->session, TimeValue::fromClock(9, 0), TimeValue::fromClock(17, 0), tidy, tidy),
              kSameFirstAndLastText);

    EXPECT_TRUE(setBizHours(*s->session, TimeValue::fromClock(8, 30), TimeValue::fromClock(16, 30)));
    EXPECT_EQ(schedule().header.bizStart(), TimeValue::fromClock(8, 30));
    EXPECT_FALSE(setBizHours(*s->session, TimeValue::fromClock(8, 30), TimeValue::fromClock(16, 30)))
        << "nothing changed";

    EXPECT_TRUE(setTimeValues(*s->session, {45, 6, true}));
    EXPECT_EQ(hourlyWorth(schedule().header), 45);
    EXPECT_EQ(interestRatePercent(schedule().header), 6);
    EXPECT_TRUE(marvalsOn(schedule().header));
    EXPECT_FALSE(setTimeValues(*s->session, {45, 6, true}));

    EXPECT_EQ(marvalsFactor(" 1.5 "), 1.5);
    EXPECT_FALSE(marvalsFactor("1.5x"));
    EXPECT_FALSE(marvalsFactor(""));
    schedule().record(tidy).setValue(10);
    EXPECT_TRUE(shiftMarvals(*s->session, 2));
    EXPECT_FLOAT_EQ(schedule().record(tidy).value(), 20);

    // Twenty minutes of interruption until 10:00 go into today, done.
    PropertyResult interrupted = handleInterruption(*s->session, {"Phone call", 20});
    ASSERT_TRUE(interrupted.item);
    EXPECT_EQ(interrupted.day, kSessionToday);
    const ItemRecord& call = schedule().record(interrupted.item);
    EXPECT_TRUE(call.has(ItemFlag::fDone));
    EXPECT_EQ(call.beginTime(), TimeValue::fromClock(9, 40).value());
    EXPECT_EQ(startOf(interrupted.item, kSessionToday), TimeValue::fromClock(9, 40));
}

} // namespace
} // namespace zk
