// The priority list between memory and the data file: rebuilding it from
// stored keys, and the check with its repairs, messages and the backup
// question.

#include "engine/plistcheck.h"
#include "engine/plistorder.h"
#include "plistsupport.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

class PlistCheckTest : public testing::PlistTest {
protected:
    // Floating items "lost 1" to "lost n" that have no entry.
    void lostItems(int n)
    {
        for (int i = 1; i <= n; ++i)
            s.record(item("lost " + std::to_string(i))).setFlag(ItemFlag::fFloating, true);
    }
};

// --- rebuilding from keys ----------------------------------------------------------

struct LoadedItem {
    const char* text;
    std::uint32_t key;
    std::uint8_t letter;  // 0: a fixed item whose plistLink is a remembered seq
};
struct LinkCase {
    const char* name;
    std::vector<LoadedItem> items;
    std::vector<std::uint32_t> keys;
    PlistKeyMatch match;
    const char* order;
    int matched, dropped;
};

class PlistLinkTest : public testing::PlistTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(PlistLinkTest, KeysBuildTheListInFileOrderWithinLetters)
{
    const LinkCase& c = GetParam();
    std::vector<ItemHandle> handles;
    for (const LoadedItem& l : c.items) {
        // As the loader leaves it: floating, its plistLink the old key.
        ItemHandle h = handles.emplace_back(item(l.text, l.letter ? l.letter : 'A'));
        s.record(h).setFlag(ItemFlag::fFloating, l.letter != 0);
        s.record(h).setPlistLink(l.key);
        s.record(h).setValue(12);
    }
    LinkedPlist r = linkLoadedPlist(s, c.keys, c.match);
    EXPECT_EQ(r.matched, c.matched);
    EXPECT_EQ(r.dropped, c.dropped);
    EXPECT_TRUE(listIs(c.order));
    for (std::size_t i = 0; i < handles.size(); ++i) {
        const ItemRecord& rec = s.record(handles[i]);
        if (!c.items[i].letter) {
            EXPECT_EQ(rec.plistLink(), c.items[i].key) << c.items[i].text;
            continue;
        }
        PlistEntryHandle e = findPlistEntry(s, handles[i]);
        EXPECT_EQ(rec.plistLink(), e.index) << c.items[i].text;
        EXPECT_FLOAT_EQ(s.plist.entry(e).hourizedMarval, 12.0f);  // value per hour
    }
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::Session));
    EXPECT_EQ(texts().size(), c.dropped ? 1u : 0u);  // keys that matched nothing are told once
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlistLinkTest,
    ::testing::Values(
        LinkCase{"fileOrder", {{"a", 1001, 'A'}, {"b", 1002, 'A'}, {"c", 1003, 'A'}}, {1003, 1001, 1002},
                 PlistKeyMatch::Whole, "A1:c A2:a A3:b", 3, 0},
        // New indexes equal to old keys do not confuse the matching.
        LinkCase{"smallKeys", {{"x", 1, 'A'}, {"y", 2, 'A'}}, {2, 1}, PlistKeyMatch::Whole, "A1:y A2:x", 2, 0},
        LinkCase{"letterOrder", {{"b1", 1, 'B'}, {"a1", 2, 'A'}, {"b2", 3, 'B'}, {"a2", 4, 'A'}}, {1, 2, 3, 4},
                 PlistKeyMatch::Whole, "A1:a1 A2:a2 B1:b1 B2:b2", 4, 0},
        LinkCase{"repeatedAndFixed", {{"fixed", 7, 0}, {"a", 8, 'A'}}, {7, 8, 8}, PlistKeyMatch::Whole, "A1:a", 1, 2},
        // Files from before 4.03 compare the low 16 bits.
        LinkCase{"low16", {{"a", 0x00030007, 'A'}}, {0x0007}, PlistKeyMatch::Low16, "A1:a", 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the check ---------------------------------------------------------------------

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

    // Choosing the backup refuses the repair there and then.
    presenter.clear();
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
    s.plist.insertInOrder(s.plist.create(a, 'A', 2));
    EXPECT_TRUE(checkPlist(s, PlistCheckTime::StartUp));
    EXPECT_EQ(texts(), std::vector<std::string>{kRemovedPlistEntryText});
    EXPECT_TRUE(listIs("A1:a"));
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
