// The priority list between memory and the data file: rebuilding it from
// stored keys, the letter conversion of old files, the keys written back,
// and the check with its repairs, messages and the backup question.

#include "engine/marvals.h"
#include "engine/plistcheck.h"
#include "engine/plistorder.h"
#include "plistsupport.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

class PlistLoadTest : public testing::PlistTest {
protected:
    // An item as the loader leaves it: floating, its plistLink the old key.
    ItemHandle loaded(const std::string& text, std::uint32_t key, std::uint8_t letter = 'A')
    {
        ItemHandle h = item(text, letter);
        s.record(h).setFlag(ItemFlag::fFloating, true);
        s.record(h).setPlistLink(key);
        return h;
    }
    LinkedPlist link(std::vector<std::uint32_t> keys, PlistKeyMatch match = PlistKeyMatch::Whole)
    {
        return linkLoadedPlist(s, keys, match);
    }
    // Floating items "lost 1" to "lost n" that have no entry.
    void lostItems(int n)
    {
        for (int i = 1; i <= n; ++i)
            s.record(item("lost " + std::to_string(i))).setFlag(ItemFlag::fFloating, true);
    }
};

using PlistCheckTest = PlistLoadTest;

// --- rebuilding from keys ----------------------------------------------------------

TEST_F(PlistLoadTest, KeysBuildTheListInFileOrderAndRelinkTheItems)
{
    ItemHandle a = loaded("a", 1001);
    ItemHandle b = loaded("b", 1002);
    ItemHandle c = loaded("c", 1003);
    s.record(a).setValue(12);
    s.record(a).setDuration(30);
    LinkedPlist r = link({1003, 1001, 1002});
    EXPECT_EQ(r.matched, 3);
    EXPECT_EQ(r.dropped, 0);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(listIs("A1:c A2:a A3:b"));
    for (ItemHandle h : {a, b, c})
        EXPECT_EQ(s.record(h).plistLink(), findPlistEntry(s, h).index);
    EXPECT_FLOAT_EQ(s.plist.entry(findPlistEntry(s, a)).hourizedMarval, 24.0f);  // value per hour
    EXPECT_TRUE(texts().empty());
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
}

TEST_F(PlistLoadTest, NewIndexesEqualToOldKeysDoNotConfuseTheMatching)
{
    loaded("x", 1);
    loaded("y", 2);
    link({2, 1});
    EXPECT_TRUE(listIs("A1:y A2:x"));
}

TEST_F(PlistLoadTest, FileOrderOutOfLetterOrderIsPutInLetterOrder)
{
    loaded("b1", 1, 'B');
    loaded("a1", 2);
    loaded("b2", 3, 'B');
    loaded("a2", 4);
    link({1, 2, 3, 4});
    EXPECT_TRUE(listIs("A1:a1 A2:a2 B1:b1 B2:b2"));
}

TEST_F(PlistLoadTest, RepeatedKeysAndKeysOfFixedItemsMatchNothing)
{
    ItemHandle fixed = item("fixed");
    s.record(fixed).setPlistLink(7);  // a remembered seq, not a key
    loaded("a", 8);
    LinkedPlist r = link({7, 8, 8});
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.dropped, 2);
    EXPECT_TRUE(listIs("A1:a"));
    EXPECT_EQ(s.record(fixed).plistLink(), 7u);
}

TEST_F(PlistLoadTest, OlderFilesCompareTheLow16Bits)
{
    loaded("a", 0x00030007);
    EXPECT_EQ(link({0x0007}).dropped, 1);
    s.plist.clear();
    presenter.clear();
    // The item still has its old key: the failed match changed nothing.
    EXPECT_EQ(link({0x0007}, PlistKeyMatch::Low16).matched, 1);
}

TEST_F(PlistLoadTest, LinkingIntoAListThatIsNotEmptyIsAFault)
{
    floating("there");
    EXPECT_THROW(link({1}), InternalFault);
}

TEST_F(PlistLoadTest, SavedKeysAreThePlistLinksInListOrderAndLoadBack)
{
    ItemHandle a = floating("a");
    ItemHandle b = floating("b", 'B');
    ItemHandle c = floating("c");
    raisePriority(s, c);  // c a
    std::vector<std::uint32_t> keys = plistKeysForSaving(s);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], s.record(c).plistLink());
    EXPECT_EQ(keys[2], s.record(b).plistLink());
    EXPECT_EQ(plistItemsInOrder(s), (std::vector<ItemHandle>{c, a, b}));
    std::string before = order();
    // Loading the same records and keys gives the same list.
    s.plist.clear();
    link(keys);
    EXPECT_TRUE(listIs(before));
}

// --- letter conversion --------------------------------------------------------------

class LetterConversionTest : public PlistLoadTest,
                             public ::testing::WithParamInterface<std::pair<int, const char*>> {};

TEST_P(LetterConversionTest, GivesLettersByThirdsOfTheList)
{
    auto [n, expected] = GetParam();
    std::vector<std::uint32_t> keys;
    for (int i = 1; i <= n; ++i) {
        loaded(std::to_string(i), static_cast<std::uint32_t>(i), 0);
        keys.push_back(static_cast<std::uint32_t>(i));
    }
    ItemHandle fixed = item("fixed", 0);
    link(keys);
    convertOldLetters(s);
    EXPECT_TRUE(listIs(expected));
    EXPECT_EQ(s.record(fixed).priorityLetter(), 'A');
}

// n = 9: s < 3 is A, s >= 6 is C; n = 3: n / 3 = 1, no seq is below it.
INSTANTIATE_TEST_SUITE_P(ListLengths, LetterConversionTest,
                         ::testing::Values(std::pair{9, "A1:1 A2:2 B1:3 B2:4 B3:5 C1:6 C2:7 C3:8 C4:9"},
                                           std::pair{3, "B1:1 C1:2 C2:3"}, std::pair{1, "C1:1"}));

// --- the check ---------------------------------------------------------------------

TEST_F(PlistCheckTest, ValidListPassesSilently)
{
    floating("a");
    floating("b", 'B');
    item("fixed");
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::Session));
    EXPECT_TRUE(texts().empty());
}

TEST_F(PlistCheckTest, FloatingItemWithoutEntryIsRepairedAtStartUpAndAFaultLater)
{
    floating("listed");
    ItemHandle lost = item("lost item");
    s.record(lost).setFlag(ItemFlag::fFloating, true);
    s.record(lost).setPlistLink(77);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), (std::vector<std::string>{kFluidActNotInPlistText, "lost item"}));
    EXPECT_FALSE(s.record(lost).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(lost).plistLink(), 0u);
    EXPECT_TRUE(listIs("A1:listed"));

    presenter.clear();
    s.record(lost).setFlag(ItemFlag::fFloating, true);
    EXPECT_THROW(checkPlist(s, PlistCheckTime::Session), InternalFault);
    EXPECT_EQ(texts(), std::vector<std::string>{"lost item"});
}

TEST_F(PlistCheckTest, EveryFifthRepairAsksWhetherToUseTheBackup)
{
    lostItems(6);
    presenter.queueAnswer(Answer::No);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    std::vector<std::string> expected;
    for (int i = 1; i <= 6; ++i) {
        expected.push_back(kFluidActNotInPlistText);
        if (i == 5)
            expected.push_back(kUseBackupQuestion);
        expected.push_back("lost " + std::to_string(i));
    }
    EXPECT_EQ(texts(), expected);
    EXPECT_EQ(presenter.shown()[9].kind, MessageKind::Question);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistCheckTest, ChoosingTheBackupRefusesTheRepair)
{
    lostItems(7);
    presenter.queueAnswer(Answer::Yes);
    EXPECT_FALSE(checkPlist(s, PlistCheckTime::StartUp));
    std::vector<std::string> t = texts();
    ASSERT_EQ(t.size(), 10u);  // four items with their titles, the fifth, the question
    EXPECT_EQ(t[8], kFluidActNotInPlistText);
    EXPECT_EQ(t[9], kUseBackupQuestion);
}

TEST_F(PlistCheckTest, WithoutAMessageServiceTheRepairGoesOnAndKeepsItsTexts)
{
    s.setMessages(nullptr);
    lostItems(5);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(s.unreportedTexts().size(), 10u);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistCheckTest, EntryWithoutItemIsRemovedAtStartUpAndAFaultLater)
{
    floating("a");
    ItemHandle gone = floating("gone");
    floating("c");
    s.removeFromChain(gone);  // still live, no longer in the item chain
    s.plist.setCursor(findPlistEntry(s, gone));
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), std::vector<std::string>{kRemovedPlistEntryText});
    EXPECT_TRUE(listIs("A1:a A2:c"));
    EXPECT_EQ(s.plist.cursor(), kNoEntry);  // the repair clears it
    // The item no longer believes itself listed.
    EXPECT_FALSE(s.record(gone).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(gone).plistLink(), 2u);

    s.removeFromChain(floating("gone too"));
    EXPECT_THROW(checkPlist(s, PlistCheckTime::Session), InternalFault);
}

TEST_F(PlistCheckTest, SecondEntryOfOneItemIsRemoved)
{
    ItemHandle a = floating("a");
    PlistEntryHandle extra = s.plist.create(a, 'A', 2);
    s.plist.insertInOrder(extra);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), std::vector<std::string>{kRemovedPlistEntryText});
    EXPECT_TRUE(listIs("A1:a"));
    EXPECT_TRUE(s.record(a).has(ItemFlag::fFloating));
}

TEST_F(PlistCheckTest, EntryOfAnItemOnAPastDayIsRemovedAtAnyTime)
{
    floating("a");
    ItemHandle old = floating("old");
    floating("c");
    // Its day became past: it left the chain, keeping its entry.
    s.record(old).setDay(static_cast<std::uint16_t>(s.header.lastPastDay().value()));
    s.removeFromChain(old);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::Session));
    EXPECT_EQ(texts(), std::vector<std::string>{kPastItemsCannotFloatText});
    EXPECT_TRUE(listIs("A1:a A2:c"));
    EXPECT_FALSE(s.record(old).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(old).plistLink(), 2u);
}

} // namespace
} // namespace zk
