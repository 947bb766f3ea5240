// Marking done: the time each done command records, undo, split pieces,
// the copies made for the rest of the work, a follow-up, a future day, and
// starting an item.

#include "engine/done.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using Strings = std::vector<std::string>;

struct DoneDay : testing::PlacementScenario {
    // Today is Monday, 10:30. "mail" was done from 8:00 to 8:45; "write", a
    // floating task of an hour, waits after it.
    PlacementContext atHalfPastTen() const { return at(kMonday, hm(10, 30)); }

    ItemHandle floating(const std::string& text, int minutes)
    {
        ItemHandle h = task(text, minutes);
        s.record(h).setPriorityLetter('A');
        addToPlist(s, h, 1, kMonday);
        return h;
    }

    void doneMail()
    {
        ItemHandle mail = item("mail", 45, ItemFlag::fDone, hm(8));
        put(mail, kMonday);
    }

    EntryRef entryOf(ItemHandle h, DayNumber day = kMonday) { return EntryRef{day, s.entryOf(h, day).value()}; }
};

class DoneTest : public ::testing::Test, public DoneDay {};

TEST_F(DoneTest, EachDoneCommandAtHalfPastTenRecordsItsTime)
{
    struct Case {
        DoneHow how;
        bool earlierDone;
        Strings layout;
    };
    const Case cases[] = {
        {DoneHow::Done, false, {"write@08:00/60"}},
        {DoneHow::Done, true, {"mail@08:00/45", "write@08:45/60"}},
        {DoneHow::EndedNow, true, {"mail@08:00/45", "write@09:30/60"}},
        {DoneHow::EndedPreviously, true, {"mail@08:00/45", "write@08:45/60"}},
        {DoneHow::FitToGap, true, {"mail@08:00/45", "write@08:45/105"}},
        {DoneHow::Attempted, true, {"mail@08:00/45", "attempt: write@08:45/105", "write@10:30/60"}},
        {DoneHow::Partial, true, {"mail@08:00/45", "write &@08:45/105", "write@10:30/60"}},
        {DoneHow::Cancelled, true, {"[cancelled] write@-/0", "mail@08:00/45"}},
        {DoneHow::InPast, false, {"[done in past] write@-/0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.how));
        DoneDay fresh;
        if (c.earlierDone)
            fresh.doneMail();
        ItemHandle write = fresh.floating("write", 60);
        fresh.put(write, kMonday);
        Placement placement(fresh.s, fresh.atHalfPastTen(), &fresh.messages);
        fresh.settle(placement);
        DoneResult result = markDone(placement, fresh.entryOf(write), c.how);
        EXPECT_TRUE(result.nowDone);
        EXPECT_EQ(fresh.layout(kMonday), c.layout);
        // A done item no longer floats; the copy for the rest of the work does.
        EXPECT_FALSE(fresh.s.record(result.item).has(ItemFlag::fFloating));
        EXPECT_EQ(static_cast<bool>(result.copy), c.how == DoneHow::Attempted || c.how == DoneHow::Partial);
        if (result.copy) {
            EXPECT_TRUE(fresh.s.record(result.copy).has(ItemFlag::fFloating));
        }
    }
}

TEST_F(DoneTest, DoneOnADoneItemUndoesItAndRestoresThePlannedDuration)
{
    doneMail();
    ItemHandle write = floating("write", 60);
    put(write, kMonday);
    Placement placement(s, atHalfPastTen(), &messages);
    settle(placement);
    DoneResult fitted = markDone(placement, entryOf(write), DoneHow::FitToGap);
    ASSERT_EQ(s.record(write).duration(), 105);
    DoneResult undone = markDone(placement, entryOf(fitted.item), DoneHow::Done);
    EXPECT_FALSE(undone.nowDone);
    EXPECT_FALSE(s.record(write).has(ItemFlag::fDone));
    EXPECT_EQ(s.record(write).duration(), 60);
}

// A planned duration above what the saved byte holds used to come back cut
// to its low byte (300 came back as 44 minutes) on undo.
TEST_F(DoneTest, UndoNeverRestoresADurationTooLongToBeKept)
{
    ItemHandle report = floating("report", 300);
    put(report, kMonday);
    Placement placement(s, atHalfPastTen(), &messages);
    settle(placement);
    markDone(placement, entryOf(report), DoneHow::FitToGap);
    EXPECT_EQ(s.record(report).duration(), 150);
    EXPECT_EQ(s.record(report).savedDuration(), 0);
    markDone(placement, entryOf(report), DoneHow::Done);
    EXPECT_EQ(s.record(report).duration(), 150);
}

TEST_F(DoneTest, APieceOfASplitTaskBecomesADoneItemOfItsOwn)
{
    ItemHandle big = floating("big", 180);
    s.record(big).setFlag(ItemFlag::fSplit, true);
    put(big, kMonday, 90);
    put(big, kMonday + 1, 90);
    const std::uint32_t bigId = s.record(big).id();
    Placement placement(s, atHalfPastTen(), &messages);
    settle(placement);
    DoneOptions diagnostic;
    diagnostic.messages = &messages;
    diagnostic.diagnostic = true;
    DoneResult result = markDone(placement, entryOf(big), DoneHow::Done, diagnostic);

    EXPECT_EQ(presenter.texts(), std::vector<std::string>{kSplitParcelDiagnosticText}) << "said in diagnostic mode";
    ASSERT_NE(result.item, big);
    const ItemRecord& piece = s.record(result.item);
    EXPECT_TRUE(piece.has(ItemFlag::fDone));
    EXPECT_FALSE(piece.has(ItemFlag::fFloating));
    EXPECT_EQ(piece.duration(), 90);
    EXPECT_NE(piece.id(), bigId);
    EXPECT_EQ(s.storedDescription(result.item), "big");

    const ItemRecord& rest = s.record(big);
    EXPECT_TRUE(rest.has(ItemFlag::fFloating));
    EXPECT_FALSE(rest.has(ItemFlag::fDone));
    EXPECT_EQ(rest.duration(), 90);
    EXPECT_EQ(rest.doneMinutes(), 90u);
    EXPECT_EQ(daysOf(big), std::vector<DayNumber>{kMonday + 1});
}

TEST_F(DoneTest, AFutureDayAsksFirstAndAFollowUpMakesACopy)
{
    ItemHandle call = floating("call", 30);
    s.record(call).setFlag(ItemFlag::fFollowUp, true);
    put(call, kMonday + 1);
    s.getDay(kMonday);
    Placement placement(s, atHalfPastTen(), &messages);
    settle(placement);
    DoneOptions options;
    options.messages = &messages;

    presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(markDone(placement, entryOf(call, kMonday + 1), DoneHow::Done, options).changed);
    EXPECT_FALSE(s.record(call).has(ItemFlag::fDone));

    presenter.queueAnswer(Answer::Yes);
    presenter.queueAnswer(Answer::Yes);
    DoneResult result = markDone(placement, entryOf(call, kMonday + 1), DoneHow::Done, options);
    EXPECT_TRUE(result.nowDone);
    EXPECT_EQ(result.day, kMonday);
    ASSERT_TRUE(result.copy);
    EXPECT_EQ(s.storedDescription(result.copy), "call");
    EXPECT_FALSE(s.record(result.copy).has(ItemFlag::fDone));
    EXPECT_EQ(s.record(result.copy).duration(), 30);
    EXPECT_NE(s.record(result.copy).id(), s.record(call).id());
}

TEST_F(DoneTest, StartingAnItemFinishesTheOneRunningAndOnlyWorksOnToday)
{
    doneMail();
    ItemHandle first = floating("first", 30);
    ItemHandle second = floating("second", 30);
    putAll(kMonday, {first, second});
    put(floating("later", 30), kMonday + 1);
    Placement placement(s, at(kMonday, hm(9)), &messages);
    settle(placement);
    ASSERT_TRUE(startItem(placement, entryOf(first), false).changed);
    EXPECT_TRUE(s.record(first).has(ItemFlag::fStarted));

    Placement later(s, at(kMonday, hm(9, 20)), &messages);
    DoneResult started = startItem(later, entryOf(second), true);
    ASSERT_TRUE(started.changed);
    // The first ran from 9:00 until the second began.
    EXPECT_TRUE(s.record(first).has(ItemFlag::fDone));
    EXPECT_EQ(s.record(first).duration(), 20);
    EXPECT_EQ(s.record(second).beginTime(), hm(9, 20).value());

    EXPECT_FALSE(startItem(later, EntryRef{kMonday + 1, 0}, false).changed);
    EXPECT_EQ(s.unreportedTexts(), Strings{kStartOnlyTodayText});
}

} // namespace
} // namespace zk
