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

using PlistCheckTest = testing::PlistTest;

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
};

// --- rebuilding from keys ----------------------------------------------------------

TEST_F(PlistLoadTest, KeysBuildTheListInFileOrderAndRelinkTheItems)
{
    ItemHandle a = loaded("a", 1001);
    ItemHandle b = loaded("b", 1002);
    ItemHandle c = loaded("c", 1003);
    std::vector<std::uint32_t> keys{1003, 1001, 1002};
    LinkedPlist r = linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(r.matched, 3);
    EXPECT_EQ(r.dropped, 0);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(order(), "A1:c A2:a A3:b");
    for (ItemHandle h : {a, b, c})
        EXPECT_EQ(s.record(h).plistLink(), findPlistEntry(s, h).index);
    EXPECT_TRUE(texts().empty());
    EXPECT_TRUE(invariantsHold());
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
}

TEST_F(PlistLoadTest, NewIndexesEqualToOldKeysDoNotConfuseTheMatching)
{
    ItemHandle x = loaded("x", 1);
    ItemHandle y = loaded("y", 2);
    std::vector<std::uint32_t> keys{2, 1};
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(order(), "A1:y A2:x");
    EXPECT_TRUE(invariantsHold());
    (void)x;
    (void)y;
}

TEST_F(PlistLoadTest, OneUnmatchedKeyIsDroppedWithTheMessage)
{
    loaded("a", 7);
    std::vector<std::uint32_t> keys{7, 99};
    LinkedPlist r = linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(r.dropped, 1);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(texts(), std::vector<std::string>{"Priority list reference(s) not found; omitting 1 (item(s) still "
                                                "scheduled, but not in priority list)"});
    EXPECT_EQ(order(), "A1:a");
}

TEST_F(PlistLoadTest, TwoUnmatchedKeysFailTheLoad)
{
    loaded("a", 7);
    std::vector<std::uint32_t> keys{98, 7, 99};
    LinkedPlist r = linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(r.dropped, 2);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(texts(), std::vector<std::string>{referencesNotFoundText(2)});
}

TEST_F(PlistLoadTest, RepeatedKeyListsItsItemOnce)
{
    loaded("a", 7);
    std::vector<std::uint32_t> keys{7, 7};
    LinkedPlist r = linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.dropped, 1);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistLoadTest, KeysMatchOnlyFloatingItems)
{
    ItemHandle fixed = item("fixed");
    s.record(fixed).setPlistLink(7);  // a remembered seq, not a key
    loaded("a", 8);
    std::vector<std::uint32_t> keys{7, 8};
    LinkedPlist r = linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(r.dropped, 1);
    EXPECT_EQ(order(), "A1:a");
    EXPECT_EQ(s.record(fixed).plistLink(), 7u);
}

TEST_F(PlistLoadTest, OlderFilesCompareTheLow16Bits)
{
    loaded("a", 0x00030007);
    std::vector<std::uint32_t> keys{0x0007};
    EXPECT_EQ(linkLoadedPlist(s, keys, PlistKeyMatch::Whole).dropped, 1);
    s.plist.clear();
    presenter.clear();
    std::vector<std::uint32_t> again{0x0007};
    // The item still has its old key: the failed match changed nothing.
    EXPECT_EQ(linkLoadedPlist(s, again, PlistKeyMatch::Low16).matched, 1);
}

TEST_F(PlistLoadTest, FileOrderOutOfLetterOrderIsPutInLetterOrder)
{
    loaded("b1", 1, 'B');
    loaded("a1", 2);
    loaded("b2", 3, 'B');
    loaded("a2", 4);
    std::vector<std::uint32_t> keys{1, 2, 3, 4};
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(order(), "A1:a1 A2:a2 B1:b1 B2:b2");
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistLoadTest, LoadedEntriesCarryTheirValuePerHour)
{
    ItemHandle a = loaded("a", 1);
    s.record(a).setValue(12);
    s.record(a).setDuration(30);
    std::vector<std::uint32_t> keys{1};
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_FLOAT_EQ(s.plist.entry(findPlistEntry(s, a)).hourizedMarval, 24.0f);
}

TEST_F(PlistLoadTest, LinkingIntoAListThatIsNotEmptyIsAFault)
{
    floating("there");
    std::vector<std::uint32_t> keys{1};
    EXPECT_THROW(linkLoadedPlist(s, keys, PlistKeyMatch::Whole), InternalFault);
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
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    EXPECT_EQ(order(), before);
    EXPECT_TRUE(invariantsHold());
}

// --- letter conversion --------------------------------------------------------------

TEST_F(PlistLoadTest, LettersAreConvertedForFilesBefore4Point1)
{
    EXPECT_TRUE(lettersNeedConversion(4.09f));
    EXPECT_TRUE(lettersNeedConversion(3.0f));
    EXPECT_FALSE(lettersNeedConversion(4.1f));
    EXPECT_FALSE(lettersNeedConversion(21.0f));
}

TEST_F(PlistLoadTest, ConversionGivesLettersByThirdsOfTheList)
{
    std::vector<std::uint32_t> keys;
    for (int i = 1; i <= 9; ++i) {
        loaded(std::string(1, static_cast<char>('0' + i)), static_cast<std::uint32_t>(i), 0);
        keys.push_back(static_cast<std::uint32_t>(i));
    }
    ItemHandle fixed = item("fixed", 0);
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    convertOldLetters(s);
    // n = 9: s < 3 is A, s >= 6 is C.
    EXPECT_EQ(order(), "A1:1 A2:2 B1:3 B2:4 B3:5 C1:6 C2:7 C3:8 C4:9");
    EXPECT_EQ(s.record(fixed).priorityLetter(), 'A');
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistLoadTest, ConversionOfShortLists)
{
    std::vector<std::uint32_t> keys{1, 2, 3};
    loaded("1", 1, 0);
    loaded("2", 2, 0);
    loaded("3", 3, 0);
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    convertOldLetters(s);
    EXPECT_EQ(order(), "B1:1 C1:2 C2:3");  // n / 3 = 1: no seq is below it
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistLoadTest, ConversionOfASingleEntryGivesC)
{
    loaded("only", 1, 0);
    std::vector<std::uint32_t> keys{1};
    linkLoadedPlist(s, keys, PlistKeyMatch::Whole);
    convertOldLetters(s);
    EXPECT_EQ(order(), "C1:only");
    EXPECT_TRUE(invariantsHold());
}

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

TEST_F(PlistCheckTest, FloatingItemWithoutEntryIsRepairedAtStartUp)
{
    floating("listed");
    ItemHandle lost = item("lost item");
    s.record(lost).setFlag(ItemFlag::fFloating, true);
    s.record(lost).setPlistLink(77);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), (std::vector<std::string>{kFluidActNotInPlistText, "lost item"}));
    EXPECT_FALSE(s.record(lost).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(lost).plistLink(), 0u);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistCheckTest, FloatingItemWithoutEntryAfterStartUpIsAFault)
{
    ItemHandle lost = item("lost item");
    s.record(lost).setFlag(ItemFlag::fFloating, true);
    EXPECT_THROW(checkPlist(s, PlistCheckTime::Session), InternalFault);
    EXPECT_EQ(texts(), std::vector<std::string>{"lost item"});
}

TEST_F(PlistCheckTest, EveryFifthRepairAsksWhetherToUseTheBackup)
{
    for (int i = 1; i <= 6; ++i) {
        ItemHandle h = item("lost " + std::to_string(i));
        s.record(h).setFlag(ItemFlag::fFloating, true);
    }
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
    for (int i = 1; i <= 7; ++i) {
        ItemHandle h = item("lost " + std::to_string(i));
        s.record(h).setFlag(ItemFlag::fFloating, true);
    }
    presenter.queueAnswer(Answer::Yes);
    EXPECT_FALSE(checkPlist(s, PlistCheckTime::StartUp));
    std::vector<std::string> t = texts();
    ASSERT_EQ(t.size(), 10u);  // four items with their titles, the fifth, the question
    EXPECT_EQ(t[8], kFluidActNotInPlistText);
    EXPECT_EQ(t[9], kUseBackupQuestion);
}

TEST_F(PlistCheckTest, EntryWithoutItemIsRemovedAtStartUp)
{
    floating("a");
    ItemHandle gone = floating("gone");
    floating("c");
    s.removeFromChain(gone);  // still live, no longer in the item chain
    s.plist.setCursor(findPlistEntry(s, gone));
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), std::vector<std::string>{kRemovedPlistEntryText});
    EXPECT_EQ(order(), "A1:a A2:c");
    EXPECT_EQ(s.plist.cursor(), kNoEntry);  // the repair clears it
    // The item no longer believes itself listed.
    EXPECT_FALSE(s.record(gone).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(gone).plistLink(), 2u);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistCheckTest, EntryWithoutItemAfterStartUpIsAFault)
{
    ItemHandle gone = floating("gone");
    s.removeFromChain(gone);
    EXPECT_THROW(checkPlist(s, PlistCheckTime::Session), InternalFault);
}

TEST_F(PlistCheckTest, SecondEntryOfOneItemIsRemoved)
{
    ItemHandle a = floating("a");
    PlistEntryHandle extra = s.plist.create(a, 'A', 2);
    s.plist.insertInOrder(extra);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), std::vector<std::string>{kRemovedPlistEntryText});
    EXPECT_EQ(order(), "A1:a");
    EXPECT_TRUE(s.record(a).has(ItemFlag::fFloating));
    EXPECT_TRUE(invariantsHold());
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
    EXPECT_EQ(order(), "A1:a A2:c");
    EXPECT_FALSE(s.record(old).has(ItemFlag::fFloating));
    EXPECT_EQ(s.record(old).plistLink(), 2u);
    EXPECT_TRUE(invariantsHold());
}

TEST_F(PlistCheckTest, WithoutAMessageServiceTheRepairGoesOnAndKeepsItsTexts)
{
    s.setMessages(nullptr);
    for (int i = 1; i <= 5; ++i) {
        ItemHandle h = item("lost " + std::to_string(i));
        s.record(h).setFlag(ItemFlag::fFloating, true);
    }
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(s.unreportedTexts().size(), 10u);
    EXPECT_TRUE(invariantsHold());
}

// A file with a floating item that has no entry: loading, then the check at
// start-up, sets it fixed with the message.
TEST_F(PlistLoadTest, LoadedFloatingItemWithoutKeyIsRepairedAtStartUp)
{
    loaded("kept", 5);
    ItemHandle orphan = loaded("orphan", 6);
    std::vector<std::uint32_t> keys{5};
    EXPECT_TRUE(linkLoadedPlist(s, keys, PlistKeyMatch::Whole).ok);
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), (std::vector<std::string>{kFluidActNotInPlistText, "orphan"}));
    EXPECT_FALSE(s.record(orphan).has(ItemFlag::fFloating));
    EXPECT_TRUE(invariantsHold());
}

} // namespace
} // namespace zk
