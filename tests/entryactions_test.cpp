// The commands on the selected entry as the schedule window runs them
// through the session: the click that holds a placement, and a command
// refused while another session holds the schedule.

#include "sessionsupport.h"

#include "shell/model/entryactions.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

class EntryActionTest : public OpenSessionFixture {
protected:
    DraggedEntry floating(const char* text, int minutes, bool split = false)
    {
        NewItem item = itemOn(kSessionToday, text, 0, minutes);
        item.record.setFlag(ItemFlag::fFloating, true);
        item.record.setFlag(ItemFlag::fSplit, split);
        ItemHandle h = add(item);
        return {h, kSessionToday, *s->schedule().entryOf(h, kSessionToday)};
    }
    EntryActionResult run(EntryAction action, const DraggedEntry& entry)
    {
        return runEntryAction(*s->session, action, entry, kSessionToday, StepSize::FiveMinutes);
    }
};

TEST_F(EntryActionTest, AClickInTheTimeColumnHoldsThePlacementAndAgainLetsItGo)
{
    DraggedEntry report = floating("Report", 30);
    ItemRecord& r = s->schedule().record(report.item);
    r.setFlag(ItemFlag::fOnHold, true);
    EntryActionResult held = run(EntryAction::HoldTime, report);
    EXPECT_TRUE(held.changed);
    EXPECT_TRUE(held.rebalanceRequested);
    EXPECT_TRUE(s->schedule().record(report.item).has(ItemFlag::fHeldTime));
    EXPECT_FALSE(s->schedule().record(report.item).has(ItemFlag::fOnHold)) << "held is no longer on hold";
    EXPECT_TRUE(s->schedule().dirty);

    run(EntryAction::HoldTime, report);
    EXPECT_FALSE(s->schedule().record(report.item).has(ItemFlag::fHeldTime));

    DraggedEntry pieces = floating("Pieces", 60, true);
    EXPECT_FALSE(run(EntryAction::HoldTime, pieces).changed);
    EXPECT_FALSE(s->schedule().record(pieces.item).has(ItemFlag::fHeldTime));
    EXPECT_TRUE(s->shown("Split tasks cannot be put on hold"));
}

TEST_F(EntryActionTest, AStepChangesTheEntryOnlyWithChangeAccess)
{
    DraggedEntry report = floating("Report", 30);
    EXPECT_TRUE(run(EntryAction::LongerDuration, report).changed);
    EXPECT_EQ(s->schedule().record(report.item).duration(), 35);

    ASSERT_TRUE(s->session->save().ok());
    auto other = openSession();
    ASSERT_TRUE(other->session->obtainChangeAccess(std::chrono::seconds(0)));
    EntryActionResult waiting = run(EntryAction::LongerDuration, report);
    EXPECT_FALSE(waiting.changed);
    EXPECT_FALSE(waiting.item);
    EXPECT_EQ(s->schedule().record(report.item).duration(), 35) << "nothing changed";
}

} // namespace
} // namespace zk
