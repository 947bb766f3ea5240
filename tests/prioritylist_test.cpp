// The priority list container: class order, numbering, the class index
// and stable entry handles.

#include "core/prioritylist.h"
#include "plistsupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zk {
namespace {

using testing::PlistFaultsThrow;

class PriorityListTest : public ::testing::Test {
protected:
    // Items are only labels here: handle n stands for item "n".
    PlistEntryHandle add(std::uint8_t letter, int seq)
    {
        PlistEntryHandle e = list.create(ItemHandle{++nextItem, 1}, letter, seq);
        list.insertInOrder(e);
        list.renumberFrom(e);
        return e;
    }
    std::uint32_t itemOf(PlistEntryHandle e) const { return list.entry(e).item.index; }
    // "A1:1 A2:3 ...": letter, seq and item label in list order.
    std::string order() const
    {
        std::string out;
        for (PlistEntryHandle e : list) {
            const PlistEntry& en = list.entry(e);
            if (!out.empty())
                out += ' ';
            out += static_cast<char>(en.letter);
            out += std::to_string(en.seq) + ":" + std::to_string(en.item.index);
        }
        return out;
    }

    PlistFaultsThrow faults;
    PriorityList list;
    std::uint32_t nextItem = 0;
};

TEST_F(PriorityListTest, ClassesFollowLetterOrderAndOccupiedPositionsGoAheadOfTheirHolder)
{
    add('C', 1);
    add('B', 1);
    add('B', 2);
    add('B', 0);   // below 1: first
    add('B', -5);  // first again
    add('B', 5);   // count + 1 = 5: last
    add('B', 99);  // beyond: last
    add('B', 6);   // the last holds 6: ahead of it
    add('B', 3);   // ahead of the holder in the middle
    add('A', 1);
    EXPECT_EQ(order(), "A1:10 B1:5 B2:4 B3:9 B4:2 B5:3 B6:6 B7:8 B8:7 C1:1");
    EXPECT_TRUE(list.isOrdered());
    EXPECT_EQ(list.classCount('B'), 8);
    EXPECT_EQ(list.classCount('D'), 0);
    EXPECT_EQ(itemOf(list.find('B', 8)), 7u);
    for (int seq : {-1, 0, 9})
        EXPECT_EQ(list.find('B', seq), kNoEntry) << seq;
    EXPECT_EQ(list.find('D', 1), kNoEntry);
}

TEST_F(PriorityListTest, LettersCompareAsSignedCharacters)
{
    add('A', 1);
    add(0, 1);
    add(0xC4, 1);  // negative as a signed character: before everything
    add('a', 1);
    EXPECT_EQ(list.entry(list.first()).letter, 0xC4);
    EXPECT_EQ(list.entry(list.last()).letter, 'a');
    EXPECT_TRUE(list.isOrdered());
    EXPECT_EQ(list.firstAbove(0), list.classFirst('A'));
    EXPECT_EQ(list.firstAbove('a'), kNoEntry);
}

TEST_F(PriorityListTest, LinkThatWouldBreakTheClassOrderOrChangeALinkedLetterIsAFault)
{
    PlistEntryHandle a = add('A', 1);
    add('B', 1);
    PlistEntryHandle c = add('C', 1);
    PlistEntryHandle d = list.create(ItemHandle{99, 1}, 'D', 1);
    EXPECT_THROW(list.insertBefore(d, a), InternalFault);  // a new class out of letter order
    PlistEntryHandle c2 = list.create(ItemHandle{98, 1}, 'C', 1);
    EXPECT_THROW(list.insertAfter(c2, a), InternalFault);  // apart from its own class
    list.insertAfter(c2, c);                              // at its class's end: fine
    list.insertBefore(d, kNoEntry);
    list.renumber();
    EXPECT_TRUE(list.isOrdered());
    EXPECT_EQ(list.size(), 5u);

    // A linked entry's letter cannot change.
    EXPECT_THROW(list.setLetter(a, 'B'), InternalFault);
    list.unlink(a);
    list.setLetter(a, 'B');
    list.insertInOrder(a);
    EXPECT_EQ(list.classCount('B'), 2);
    EXPECT_EQ(list.classCount('A'), 0);
}

TEST_F(PriorityListTest, StaleHandleIsDetectedAfterItsSlotIsReusedOrTheListCleared)
{
    PlistEntryHandle old = add('A', 1);
    list.remove(old);
    PlistEntryHandle reused = add('A', 1);
    EXPECT_EQ(reused.index, old.index);
    EXPECT_FALSE(list.isLive(old));
    EXPECT_THROW(list.entry(old), InternalFault);
    EXPECT_EQ(list.handleAt(old.index), reused);

    list.setCursor(reused);
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.cursor(), kNoEntry);
    EXPECT_FALSE(list.isLive(reused));
    EXPECT_NE(add('C', 1), reused);
    EXPECT_EQ(order(), "C1:3");
}

TEST_F(PriorityListTest, RenumberRestartsAtEveryLetterAndReportsChangedEntries)
{
    PlistEntryHandle a1 = add('A', 1);
    add('A', 2);
    add('B', 1);
    std::vector<std::uint32_t> repainted;
    list.seqChanged = [&](ItemHandle h) { repainted.push_back(h.index); };
    list.setSeq(a1, 7);
    EXPECT_FALSE(list.isOrdered());  // a gap
    list.setSeq(a1, 2);
    EXPECT_FALSE(list.isOrdered());  // a duplicate
    repainted.clear();
    list.renumber();
    EXPECT_EQ(order(), "A1:1 A2:2 B1:3");
    EXPECT_TRUE(list.isOrdered());
    EXPECT_EQ(repainted, std::vector<std::uint32_t>{1});
    // A new entry's seq starting at 0 is not a change worth repainting.
    list.insertInOrder(list.create(ItemHandle{50, 1}, 'C', 0));
    repainted.clear();
    list.renumber();
    EXPECT_TRUE(repainted.empty());
}

TEST_F(PriorityListTest, ReorderClassTakesOnlyAPermutationOfTheClass)
{
    PlistEntryHandle a1 = add('A', 1);
    PlistEntryHandle a2 = add('A', 2);
    PlistEntryHandle a3 = add('A', 3);
    PlistEntryHandle b1 = add('B', 1);
    list.reorderClass('A', {a3, a1, a2});
    list.renumberClass('A');
    EXPECT_EQ(order(), "A1:3 A2:1 A3:2 B1:4");
    EXPECT_THROW(list.reorderClass('A', {a3, a1}), InternalFault);
    EXPECT_THROW(list.reorderClass('A', {a3, a1, b1}), InternalFault);
    EXPECT_TRUE(list.isOrdered());
}

// 100,000 entries in 26 classes: finding the place of an insertion uses the
// class index, so building, walking to positions and removing stay near
// linear (a walk per step would run past the test's time limit).
TEST_F(PriorityListTest, HundredThousandEntriesStayOrderedAndFast)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> letter(0, 25);
    for (int i = 0; i < 100000; ++i)
        add(static_cast<std::uint8_t>('A' + letter(rng)), 1000000);
    EXPECT_EQ(list.size(), 100000u);
    EXPECT_TRUE(list.isOrdered());
    // Places near either end of a class are found without a long walk.
    for (int i = 0; i < 2000; ++i) {
        auto cls = static_cast<std::uint8_t>('A' + letter(rng));
        int n = list.classCount(cls);
        EXPECT_EQ(list.entry(list.find(cls, i % 2 ? n - i % 10 : 1 + i % 10)).letter, cls);
        add(cls, n - 3);
    }
    for (int i = 0; i < 5000; ++i)
        list.remove(list.classLast(static_cast<std::uint8_t>('A' + i % 26)));
    EXPECT_TRUE(list.isOrdered());
}

} // namespace
} // namespace zk
