// Items entering, moving in and leaving the priority list: every operation
// keeps the class order, the numbering and the item links.

#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "plistsupport.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using PlistOrderTest = testing::PlistTest;

// --- add ---------------------------------------------------------------------------

TEST_F(PlistOrderTest, AddSetsFloatingLinkAndClassPosition)
{
    ItemHandle a = floating("a");
    ItemHandle b = floating("b", 'B');
    ItemHandle c = floating("c");
    EXPECT_EQ(order(), "A1:a A2:c B1:b");
    EXPECT_TRUE(s.record(a).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(b).plistLink(), findPlistEntry(s, b).index);
    EXPECT_TRUE(s.dirty);
    EXPECT_TRUE(invariantsHold());
    (void)c;
}

TEST_F(PlistOrderTest, AddingAtAnOccupiedSeqPutsTheItemAheadOfItsHolder)
{
    floating("one");
    floating("two");
    floating("three");
    ItemHandle n = item("new");
    addToPlist(s, n, 2, today());
    EXPECT_EQ(order(), "A1:one A2:new A3:two A4:three");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, AddWithSeqZeroGoesFirstAndBeyondTheClassGoesLast)
{
    floating("one");
    floating("two");
    addToPlist(s, item("zero"), 0, today());
    addToPlist(s, item("far"), 50, today());
    EXPECT_EQ(order(), "A1:zero A2:one A3:two A4:far");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, AddOnAPastDayLeavesTheItemFixedWithTheMessage)
{
    s.header.setLastPastDay(today() - 2);  // yesterday is not archived yet
    ItemHandle y = item("yesterday", 'A', -1);
    s.record(y).setFlag(ItemFlag::fFloating, true);  // as the dialog would have it
    EXPECT_EQ(addToPlist(s, y, 1, today()), kNoEntry);
    EXPECT_FALSE(s.record(y).has(ItemFlag::fFloating));
    EXPECT_TRUE(s.plist.empty());
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_EQ(texts()[0], kPastItemsCannotFloatText);
    EXPECT_TRUE(invariantsHold());
    // Today is fine.
    EXPECT_TRUE(addToPlist(s, item("today"), 1, today()));
}

TEST_F(PlistOrderTest, AddOfAListedItemMovesItInsteadOfListingItTwice)
{
    ItemHandle a = floating("a");
    floating("b");
    floating("c");
    PlistEntryHandle e = findPlistEntry(s, a);
    EXPECT_EQ(addToPlist(s, a, 3, today()), e);
    EXPECT_EQ(order(), "A1:b A2:c A3:a");
    EXPECT_EQ(s.plist.size(), 3u);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, NewEntryBecomesTheCursorOnlyInAListView)
{
    ItemHandle a = floating("a");
    EXPECT_EQ(s.plist.cursor(), kNoEntry);
    bool listView = true;
    s.plist.listViewIsCurrent = [&] { return listView; };
    ItemHandle b = floating("b");
    EXPECT_EQ(s.plist.cursor(), findPlistEntry(s, b));
    listView = false;
    floating("c");
    EXPECT_EQ(s.plist.cursor(), findPlistEntry(s, b));
    (void)a;
}

TEST_F(PlistOrderTest, RenumberedEntriesAreRepainted)
{
    ItemHandle one = floating("one");
    ItemHandle two = floating("two");
    std::vector<ItemHandle> repainted;
    s.plist.seqChanged = [&](ItemHandle h) { repainted.push_back(h); };
    addToPlist(s, item("new"), 1, today());
    EXPECT_EQ(repainted, (std::vector<ItemHandle>{one, two}));
}

// --- remove ------------------------------------------------------------------------

TEST_F(PlistOrderTest, RemoveKeepsTheSeqInPlistLinkAndClearsSequence)
{
    floating("a");
    ItemHandle b = floating("b");
    floating("c");
    s.record(b).setFlag(ItemFlag::fSequence, true);
    removeFromPlist(s, b);
    EXPECT_FALSE(s.record(b).has(ItemFlag::fFloating));
    EXPECT_FALSE(s.record(b).has(ItemFlag::fSequence));
    EXPECT_EQ(s.record(b).plistLink(), 2u);
    EXPECT_EQ(order(), "A1:a A2:c");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, RemovingTheCursorMovesItToTheNextEntry)
{
    ItemHandle a = floating("a");
    ItemHandle b = floating("b");
    s.plist.setCursor(findPlistEntry(s, a));
    removeFromPlist(s, a);
    EXPECT_EQ(s.plist.cursor(), findPlistEntry(s, b));
}

TEST_F(PlistOrderTest, RemoveOfAnUnlistedItemOnlyClearsItsFlags)
{
    ItemHandle x = item("x");
    s.record(x).setPlistLink(4);
    s.record(x).setFlag(ItemFlag::fSequence, true);
    removeFromPlist(s, x);
    EXPECT_EQ(s.record(x).plistLink(), 4u);
    EXPECT_FALSE(s.record(x).has(ItemFlag::fSequence));
    EXPECT_FALSE(s.dirty);
}

TEST_F(PlistOrderTest, FreeingAListedItemTakesItsEntryWithIt)
{
    floating("a");
    ItemHandle b = floating("b");
    floating("c");
    s.freeItem(b);
    EXPECT_EQ(order(), "A1:a A2:c");
    EXPECT_TRUE(invariantsHold());
}

// --- change class or position, move ---------------------------------------------------

TEST_F(PlistOrderTest, ChangeClassMovesTheEntryToTheItemsNewLetter)
{
    floating("a1");
    ItemHandle a2 = floating("a2");
    floating("a3");
    floating("b1", 'B');
    floating("b2", 'B');
    s.record(a2).setPriorityLetter('B');
    changeClassOrPosition(s, a2, 2);
    EXPECT_EQ(order(), "A1:a1 A2:a3 B1:b1 B2:a2 B3:b2");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, ChangeToANewClassCreatesItBetweenItsNeighbours)
{
    floating("a");
    ItemHandle x = floating("x");
    floating("c", 'C');
    s.record(x).setPriorityLetter('B');
    changeClassOrPosition(s, x, 1);
    EXPECT_EQ(order(), "A1:a B1:x C1:c");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, ChangeWithTheSameLetterAndSeqDoesNothing)
{
    floating("a");
    ItemHandle b = floating("b");
    s.dirty = false;
    changeClassOrPosition(s, b, 2);
    EXPECT_FALSE(s.dirty);
    EXPECT_EQ(order(), "A1:a A2:b");
}

// Regression: moving down inside the class landed one place short of the
// rank asked for, because the asked seq was compared with the old numbers.
TEST_F(PlistOrderTest, ChangeDownInsideTheClassEndsAtTheAskedRank)
{
    floating("a");
    ItemHandle b = floating("b");
    floating("c");
    floating("d");
    floating("e");
    changeClassOrPosition(s, b, 4);
    EXPECT_EQ(order(), "A1:a A2:c A3:d A4:b A5:e");
    changeClassOrPosition(s, b, 1);
    EXPECT_EQ(order(), "A1:b A2:a A3:c A4:d A5:e");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, MoveToPositionUpAndDown)
{
    floating("a");
    floating("b");
    ItemHandle c = floating("c");
    floating("d");
    floating("x", 'B');
    moveToPosition(s, c, 1);
    EXPECT_EQ(order(), "A1:c A2:a A3:b A4:d B1:x");
    moveToPosition(s, c, 3);
    EXPECT_EQ(order(), "A1:a A2:b A3:c A4:d B1:x");
    EXPECT_TRUE(invariantsHold());
}

// Regression: a target with no entry holding it put the entry at the very
// front of the list, outside its class.
TEST_F(PlistOrderTest, MoveBeyondTheClassEndsLastInTheClass)
{
    floating("z", '5');  // a class below A
    ItemHandle a = floating("a");
    floating("b");
    floating("c");
    floating("x", 'B');
    moveToPosition(s, a, 3);
    EXPECT_EQ(order(), "51:z A1:b A2:c A3:a B1:x");
    moveToPosition(s, a, 40);
    EXPECT_EQ(order(), "51:z A1:b A2:c A3:a B1:x");
    moveToPosition(s, a, 0);
    EXPECT_EQ(order(), "51:z A1:a A2:b A3:c B1:x");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, MoveToTheSameSeqDoesNothing)
{
    floating("a");
    ItemHandle b = floating("b");
    s.dirty = false;
    moveToPosition(s, b, 2);
    EXPECT_FALSE(s.dirty);
}

// --- raise and lower, Marvals off -------------------------------------------------------

TEST_F(PlistOrderTest, RaiseOnTheFirstEntryReturnsAlreadyFirstAndChangesNothing)
{
    ItemHandle a = floating("a");
    floating("b");
    s.dirty = false;
    EXPECT_EQ(raisePriority(s, a), PriorityStep::AlreadyFirst);
    EXPECT_EQ(order(), "A1:a A2:b");
    EXPECT_FALSE(s.dirty);
}

TEST_F(PlistOrderTest, LowerOnTheLastEntryChangesNothing)
{
    floating("a");
    ItemHandle b = floating("b");
    s.dirty = false;
    EXPECT_EQ(lowerPriority(s, b), PriorityStep::Done);
    EXPECT_EQ(order(), "A1:a A2:b");
    EXPECT_FALSE(s.dirty);
}

TEST_F(PlistOrderTest, RaiseAndLowerInsideAClassSwapNeighbours)
{
    floating("a");
    ItemHandle b = floating("b");
    floating("c");
    EXPECT_EQ(raisePriority(s, b), PriorityStep::Done);
    EXPECT_EQ(order(), "A1:b A2:a A3:c");
    EXPECT_TRUE(invariantsHold());
    lowerPriority(s, b);
    lowerPriority(s, b);
    EXPECT_EQ(order(), "A1:a A2:c A3:b");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, RaisingTheFirstOfAClassMovesItIntoTheClassAhead)
{
    floating("a1");
    floating("a2");
    ItemHandle b1 = floating("b1", 'B');
    floating("b2", 'B');
    floating("b3", 'B');
    raisePriority(s, b1);
    EXPECT_EQ(order(), "A1:a1 A2:b1 A3:a2 B1:b2 B2:b3");
    EXPECT_EQ(s.record(b1).priorityLetter(), 'A');
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, LoweringTheLastOfAClassMovesItIntoTheClassBehind)
{
    floating("a1");
    ItemHandle a2 = floating("a2");
    floating("c1", 'C');
    floating("c2", 'C');
    lowerPriority(s, a2);
    EXPECT_EQ(order(), "A1:a1 C1:c1 C2:a2 C3:c2");
    EXPECT_EQ(s.record(a2).priorityLetter(), 'C');
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, RaiseOnStartedAnchoredOrDoneItemsChangesTimesInstead)
{
    floating("a");
    ItemHandle b = floating("b");
    for (std::uint32_t flag : {ItemFlag::fStarted, ItemFlag::fAnchored, ItemFlag::fDone}) {
        s.record(b).setFlag(flag, true);
        EXPECT_EQ(raisePriority(s, b), PriorityStep::TimesInstead);
        EXPECT_EQ(lowerPriority(s, b), PriorityStep::TimesInstead);
        s.record(b).setFlag(flag, false);
    }
    EXPECT_EQ(order(), "A1:a A2:b");
}

TEST_F(PlistOrderTest, RaiseMovesOnlyFloatingItems)
{
    floating("a");
    ItemHandle fixed = item("fixed");
    EXPECT_EQ(raisePriority(s, fixed), PriorityStep::Done);
    EXPECT_EQ(order(), "A1:a");
    EXPECT_TRUE(invariantsHold());
}

// --- raise and lower, Marvals on ------------------------------------------------------

TEST_F(PlistOrderTest, WithMarvalsRaisingABItemChangesItsValueNotItsPlace)
{
    setMarvalsOn(s.header, true);
    floating("b1", 'B');
    ItemHandle b2 = floating("b2", 'B');
    s.record(b2).setValue(3.0f);
    EXPECT_EQ(raisePriority(s, b2), PriorityStep::Done);
    EXPECT_FLOAT_EQ(s.record(b2).value(), 4.0f);
    EXPECT_EQ(order(), "B1:b1 B2:b2");
    lowerPriority(s, b2);
    lowerPriority(s, b2);
    EXPECT_FLOAT_EQ(s.record(b2).value(), 2.0f);
    EXPECT_EQ(order(), "B1:b1 B2:b2");
}

TEST_F(PlistOrderTest, WithMarvalsLoweringAValueBelowOneKeepsIt)
{
    setMarvalsOn(s.header, true);
    ItemHandle a = floating("a");
    s.record(a).setValue(0.5f);
    lowerPriority(s, a);
    EXPECT_FLOAT_EQ(s.record(a).value(), 0.5f);
    s.record(a).setValue(1.0f);
    lowerPriority(s, a);
    EXPECT_FLOAT_EQ(s.record(a).value(), 0.0f);
}

TEST_F(PlistOrderTest, WithMarvalsRaisingAnAItemResortsIt)
{
    setMarvalsOn(s.header, true);
    ItemHandle a = floating("a");
    ItemHandle b = floating("b");
    s.record(a).setValue(10.0f);  // 10 per hour (60 minutes)
    s.record(b).setValue(10.0f);
    s.record(a).setCreatedDay(5000);
    s.record(b).setCreatedDay(5001);
    marvalsResort(s, a);
    marvalsResort(s, b);
    EXPECT_EQ(order(), "A1:a A2:b");  // equal values: a was created first
    raisePriority(s, b);              // b is now worth 11 per hour
    EXPECT_EQ(order(), "A1:b A2:a");
    EXPECT_TRUE(invariantsHold());
}

// --- swap places -----------------------------------------------------------------

TEST_F(PlistOrderTest, SwapPutsAnEntryBeforeOrAfterAnotherTakingItsLetter)
{
    ItemHandle a1 = floating("a1");
    floating("a2");
    ItemHandle b1 = floating("b1", 'B');
    ItemHandle b2 = floating("b2", 'B');
    swapPlaces(s, findPlistEntry(s, a1), findPlistEntry(s, b2), SwapSide::Before);
    EXPECT_EQ(order(), "A1:a2 B1:b1 B2:a1 B3:b2");
    EXPECT_EQ(s.record(a1).priorityLetter(), 'B');
    swapPlaces(s, findPlistEntry(s, b1), findPlistEntry(s, b2), SwapSide::After);
    EXPECT_EQ(order(), "A1:a2 B1:a1 B2:b2 B3:b1");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, SwapWithItselfDoesNothing)
{
    ItemHandle a = floating("a");
    floating("b");
    s.dirty = false;
    swapPlaces(s, findPlistEntry(s, a), findPlistEntry(s, a), SwapSide::After);
    EXPECT_EQ(order(), "A1:a A2:b");
    EXPECT_FALSE(s.dirty);
}

// --- refresh, counts ---------------------------------------------------------------

TEST_F(PlistOrderTest, RefreshTakesTheItemsLettersAndValues)
{
    ItemHandle a = floating("a");
    floating("b");
    ItemHandle c = floating("c");
    s.record(a).setPriorityLetter('C');
    s.record(c).setValue(30.0f);
    s.record(c).setDuration(30);
    refreshLettersAndValues(s);
    EXPECT_EQ(order(), "A1:b A2:c C1:a");
    EXPECT_FLOAT_EQ(s.plist.entry(findPlistEntry(s, c)).hourizedMarval, 60.0f);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, CountListedCountsShownEntriesAndTruncatesTheirHours)
{
    ItemHandle a = floating("a");
    ItemHandle b = floating("b");
    ItemHandle hidden = floating("hidden");
    s.record(a).setDuration(90);
    s.record(b).setDuration(45);
    s.record(hidden).setDuration(600);
    ListedTotals all = countListed(s, nullptr);
    EXPECT_EQ(all.count, 3);
    EXPECT_EQ(all.hours, 12);  // 12.25
    ListedTotals shown = countListed(s, [&](ItemHandle h) { return h != hidden; });
    EXPECT_EQ(shown.count, 2);
    EXPECT_EQ(shown.hours, 2);  // 2.25
}

TEST_F(PlistOrderTest, ItemAheadIsThePreviousEntrysItem)
{
    ItemHandle a = floating("a");
    ItemHandle b = floating("b", 'B');
    EXPECT_EQ(itemAheadInPlist(s, b), a);
    EXPECT_EQ(itemAheadInPlist(s, a), kNoItem);
    EXPECT_EQ(itemAheadInPlist(s, item("fixed")), kNoItem);
}

// --- toggle floating ---------------------------------------------------------------

TEST_F(PlistOrderTest, FloatingOffAndOnAgainReturnsToThePreviousSeq)
{
    floating("a");
    ItemHandle b = floating("b");
    floating("c");
    EXPECT_EQ(toggleFloating(s, b, today()), ToggleFloatingResult::NowFixed);
    EXPECT_EQ(order(), "A1:a A2:c");
    EXPECT_TRUE(invariantsHold());
    EXPECT_EQ(toggleFloating(s, b, today()), ToggleFloatingResult::NowFloating);
    EXPECT_EQ(order(), "A1:a A2:b A3:c");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, NeverFloatedItemFloatsAtTheTopOfItsClass)
{
    floating("a");
    ItemHandle n = item("never");  // plistLink 0
    toggleFloating(s, n, today());
    EXPECT_EQ(order(), "A1:never A2:a");
}

TEST_F(PlistOrderTest, DoneAndCashFlowItemsDoNotFloat)
{
    ItemHandle done = item("done");
    s.record(done).setFlag(ItemFlag::fDone, true);
    ItemHandle cash = item("cash");
    s.record(cash).setKind(ItemKind::cashFlow);
    s.dirty = false;
    EXPECT_EQ(toggleFloating(s, done, today()), ToggleFloatingResult::Refused);
    EXPECT_EQ(toggleFloating(s, cash, today()), ToggleFloatingResult::Refused);
    EXPECT_TRUE(s.plist.empty());
    EXPECT_FALSE(s.dirty);
}

TEST_F(PlistOrderTest, ToggleJoinsSplitPiecesRepaintsAndAsksForARebalance)
{
    ItemHandle x = floating("x");
    s.record(x).setFlag(ItemFlag::fSplit, true);
    std::vector<std::string> calls;
    ToggleFloatingHooks hooks;
    hooks.joinSplitPieces = [&](ItemHandle) { calls.push_back("join"); };
    hooks.repaintItem = [&](ItemHandle) { calls.push_back("repaint"); };
    hooks.requestRebalance = [&] { calls.push_back("rebalance"); };
    toggleFloating(s, x, today(), hooks);
    EXPECT_EQ(calls, (std::vector<std::string>{"join", "repaint"}));
    calls.clear();
    toggleFloating(s, x, today(), hooks);
    EXPECT_EQ(calls, (std::vector<std::string>{"repaint", "rebalance"}));
    // A started item floats on but needs no rebalance.
    toggleFloating(s, x, today(), hooks);
    s.record(x).setFlag(ItemFlag::fStarted, true);
    calls.clear();
    toggleFloating(s, x, today(), hooks);
    EXPECT_EQ(calls, (std::vector<std::string>{"repaint"}));
}

TEST_F(PlistOrderTest, FloatingAYesterdayItemLeavesItFixedWithTheMessage)
{
    s.header.setLastPastDay(today() - 2);
    ItemHandle y = item("yesterday", 'A', -1);
    EXPECT_EQ(toggleFloating(s, y, today()), ToggleFloatingResult::StaysFixed);
    EXPECT_FALSE(s.record(y).has(ItemFlag::fFloating));
    EXPECT_EQ(texts(), std::vector<std::string>{kPastItemsCannotFloatText});
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistOrderTest, FloatingAValuedItemWithMarvalsTakesItsMarvalsPlace)
{
    setMarvalsOn(s.header, true);
    ItemHandle low = floating("low");
    s.record(low).setValue(5.0f);
    marvalsResort(s, low);
    ItemHandle high = item("high");
    s.record(high).setValue(50.0f);
    s.record(high).setPlistLink(2);  // it was second when it floated last
    toggleFloating(s, high, today());
    EXPECT_EQ(order(), "A1:high A2:low");
    EXPECT_TRUE(invariantsHold());
}

} // namespace
} // namespace zk
