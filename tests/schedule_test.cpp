// The item model: descriptions, the item chain, ids, the day list and the
// day window.

#include "datafilesupport.h"
#include "sessionsupport.h"

#include "core/description.h"
#include "core/schedule.h"
#include "core/text.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk {
namespace {

using testsupport::FaultsThrow;

class ScheduleTest : public ::testing::Test {
protected:
    ItemHandle addItem(const std::string& text, int day = 5000)
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        s.record(h).setDay(static_cast<std::uint16_t>(day));
        EXPECT_TRUE(s.addToChain(h, DayNumber(day)));
        return h;
    }
    std::vector<std::string> chainTexts() const { return testsupport::chainTexts(s); }

    FaultsThrow faults;
    Schedule s;
};

TEST(DescriptionTest, LimitsPrivateMarkerAndTitleForm)
{
    // Cut at 1000 bytes on a character boundary: 999 ASCII bytes then a
    // two-byte character that would end at byte 1001.
    EXPECT_EQ(limitDescription(std::string(1200, 'x')).size(), 1000u);
    EXPECT_EQ(limitDescription(std::string(999, 'a') + "\xC3\xA9" + "tail").size(), 999u);
    EXPECT_EQ(limitDescription(std::string(1000, 'y')).size(), 1000u);

    // The private marker hides the text from readers.
    EXPECT_EQ(readerText("|secret dentist", false), "|");
    EXPECT_EQ(readerText("|secret dentist", true), "|secret dentist");
    EXPECT_EQ(readerText("plain", false), "plain");
    EXPECT_EQ(privateText("dentist"), "|dentist");
    EXPECT_EQ(privateText("|dentist"), "|dentist");
    EXPECT_EQ(publicText("|dentist"), "dentist");
    EXPECT_EQ(privateText(std::string(1000, 'z')).size(), 1000u);

    // The title form shortens long texts and stops at a line end.
    EXPECT_EQ(titleForm(std::string(160, 'a')), std::string(160, 'a'));
    EXPECT_EQ(titleForm(std::string(161, 'b')), std::string(157, 'b') + "...");
    EXPECT_EQ(titleForm("call Bob\rabout the lease"), "call Bob...");
}

// --- item chain ---------------------------------------------------------------

// Titles alike in their first bytes span many blocks of the chain and are
// told apart by the stored keys, which must survive the removal of most
// items and the insertion of others; keys equal but for letter case keep
// insertion order.
TEST_F(ScheduleTest, ChainOrderHoldsForManyAlikeTitlesWhileItemsComeAndGo)
{
    auto sorted = [](std::vector<std::string> texts) {
        std::stable_sort(texts.begin(), texts.end(),
                         [](const std::string& a, const std::string& b) { return caseFoldKey(a) < caseFoldKey(b); });
        return texts;
    };
    std::vector<ItemHandle> items;
    std::vector<std::string> texts;
    for (int i = 0; i < 3000; ++i) {
        texts.push_back((i % 2 ? "Shared Long Start " : "shared long start ") + std::to_string((i * 7919) % 1000));
        items.push_back(addItem(texts.back()));
    }
    EXPECT_EQ(chainTexts(), sorted(texts));
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (i % 10 == 0)
            kept.push_back(texts[i]);
        else
            s.freeItem(items[i]);
    for (const char* text : {"SHARED LONG START 5", "shared long start 0"}) {
        addItem(text);
        kept.push_back(text);
    }
    EXPECT_EQ(chainTexts(), sorted(kept));

    // Sorted at once, as a load sorts them: runs that share beginnings of
    // several lengths, keys that end inside the part that tells them apart,
    // and equal keys that differ in case only.
    Schedule bulk;
    std::vector<std::string> many;
    bulk.chain.beginBulkInsert();
    for (int i = 0; i < 4000; ++i) {
        std::string text = i % 3 ? "Appointment number " : "APPOINTMENT NUMBER ";
        text += std::to_string((i * 7919) % 1500);
        if (i % 5 == 0)
            text += " with the accounts team of the northern region " + std::to_string(i % 7);
        many.push_back(text);
        ItemHandle h = bulk.newItem();
        bulk.setDescription(h, text);
        bulk.record(h).setDay(5000);
        bulk.addToChain(h, DayNumber(5000));
    }
    bulk.chain.endBulkInsert();
    EXPECT_EQ(testsupport::chainTexts(bulk), sorted(many));
}

TEST_F(ScheduleTest, PrivateItemSortsUnderItsMarkerUnlessPrivateTextIsShown)
{
    addItem("|zebra visit");
    addItem("aardvark");
    EXPECT_EQ(chainTexts().front(), "aardvark");  // '|' sorts after letters
    s.showPrivateText = true;
    addItem("|aaa early");
    // The key is taken at insertion: "|zebra visit" went in as "|" alone, so
    // "|aaa early", inserted under its full text, sorts after it.
    EXPECT_EQ(chainTexts(), (std::vector<std::string>{"aardvark", "|zebra visit", "|aaa early"}));
}

// The chain reads keys from the item texts: a text changed in place must
// neither move its item nor lose it (finding, removing and moving go by the
// key it went in with) until the item is placed again. Texts loaded from a
// file and texts set later behave alike, and a freed slot's text goes with it.
TEST_F(ScheduleTest, TextChangedWhileChainedKeepsItsPlaceUntilPlacedAgain)
{
    ItemHandle alpha = addItem("Alpha");
    ItemHandle bravo = addItem("bravo");
    addItem("Charlie");
    s.setDescription(alpha, "zulu");
    s.makePrivate(bravo);
    EXPECT_EQ(chainTexts(), (std::vector<std::string>{"zulu", "|bravo", "Charlie"}));
    EXPECT_EQ(s.chain.next(alpha), bravo);
    s.setDay(alpha, DayNumber(5001));
    EXPECT_EQ(chainTexts(), (std::vector<std::string>{"|bravo", "Charlie", "zulu"}));
    s.freeItem(bravo);
    EXPECT_EQ(chainTexts(), (std::vector<std::string>{"Charlie", "zulu"}));

    ItemHandle reused = addItem("");
    EXPECT_EQ(s.storedDescription(reused), "");
    s.setDescription(reused, s.storedDescription(alpha));  // a text from another item
    EXPECT_EQ(s.storedDescription(reused), "zulu");
    EXPECT_EQ(chainTexts(), (std::vector<std::string>{"zulu", "Charlie", "zulu"}));

    // The same through a file: loaded texts share one buffer.
    Schedule f;
    for (const char* text : {"Charlie", "zulu", "alpha"}) {
        ItemHandle h = f.newItem();
        f.setDescription(h, text);
        f.record(h).setDay(5000);
        f.addToChain(h, DayNumber(5000));
        if (!f.days.find(DayNumber(5000)))
            f.days.insert(DayNumber(5000));
        f.days.appendEntry(DayNumber(5000), DayEntry{h, 0, 0});
    }
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(saveDataBytes(f, bytes));
    LoadResult loaded = loadDataBytes(bytes);
    ASSERT_TRUE(loaded);
    Schedule& l = *loaded.schedule;
    auto loadedTexts = [&] { return testsupport::chainTexts(l); };
    EXPECT_EQ(loadedTexts(), (std::vector<std::string>{"alpha", "Charlie", "zulu"}));
    std::vector<ItemHandle> order(l.chain.begin(), l.chain.end());
    const std::string longText = "A" + std::string(999, 'b');
    l.setDescription(order[1], longText);
    l.setDescription(order[0], "000");
    EXPECT_EQ(loadedTexts(), (std::vector<std::string>{"000", longText, "zulu"}));
    l.setDay(order[1], DayNumber(5000));
    EXPECT_EQ(loadedTexts(), (std::vector<std::string>{longText, "000", "zulu"}));
    l.removeFromChain(order[2]);
    l.setDay(order[0], DayNumber(5000));
    EXPECT_EQ(loadedTexts(), (std::vector<std::string>{"000", longText}));
}

TEST_F(ScheduleTest, PastDaysTakeNoItemButDay1024IsAlwaysAccepted)
{
    ItemHandle h = addItem("meeting", 6000);
    s.header.setLastPastDay(DayNumber(5000));
    ItemHandle fresh = s.newItem();
    EXPECT_FALSE(s.addToChain(fresh, DayNumber(4999)));
    EXPECT_FALSE(s.addToChain(fresh, DayNumber(5000)));
    EXPECT_EQ(s.chain.size(), 1u);
    EXPECT_TRUE(s.addToChain(fresh, DayNumber(kNoDayInChain)));
    EXPECT_EQ(s.chain.size(), 2u);

    // Setting the day moves an item within the chain or drops it for a past day.
    s.setDay(h, DayNumber(6001));
    EXPECT_EQ(s.chain.dayOf(h), 6001);
    EXPECT_EQ(s.record(h).dayField(), 6001);
    s.setDay(h, DayNumber(4999));
    EXPECT_FALSE(s.chain.contains(h));
    s.setDay(h, DayNumber(6005));
    EXPECT_TRUE(s.chain.contains(h));
}

TEST_F(ScheduleTest, RemovingAnItemMovesCursorsToTheFollowingItem)
{
    ItemHandle a = addItem("a");
    ItemHandle b = addItem("b");
    ItemHandle c = addItem("c");
    int cursor = s.chain.addCursor(b);
    s.removeFromChain(b);
    EXPECT_EQ(s.chain.cursor(cursor), c);
    s.removeFromChain(c);
    EXPECT_EQ(s.chain.cursor(cursor), kNoItem);
    EXPECT_EQ(s.chain.nth(0), a);
    EXPECT_EQ(s.chain.nth(1), kNoItem);
}

TEST_F(ScheduleTest, StaleHandleIsAnInternalFault)
{
    ItemHandle h = addItem("gone");
    s.freeItem(h);
    ItemHandle reused = s.newItem();
    EXPECT_EQ(reused.index, h.index);  // the slot is reused, the old handle stays stale
    EXPECT_THROW(s.record(h), InternalFault);
    EXPECT_NO_THROW(s.record(reused));
}

// --- ids and notes numbers ----------------------------------------------------

TEST_F(ScheduleTest, ItemIdsAreAssignedOnceAndNeverReused)
{
    s.header.setNextItemId(41);
    ItemHandle a = addItem("a");
    EXPECT_EQ(s.itemId(a), 42u);
    EXPECT_EQ(s.itemId(a), 42u);  // once
    EXPECT_EQ(s.reidentify(a), 43u);
    EXPECT_EQ(s.findItemById(43), a);
    EXPECT_EQ(s.findItemById(42), kNoItem);
    ItemHandle b = addItem("b");
    s.record(b).setId(7);
    s.noteIdChanged();
    EXPECT_EQ(s.findItemById(7), b);
    s.removeFromChain(b);
    EXPECT_EQ(s.findItemById(7), kNoItem);
    s.projects.push_back(b);
    s.noteIdChanged();
    EXPECT_EQ(s.findItemById(7), b);  // projects are searched after the chain

    // Two chained items under one id: the first in chain order is found, by
    // the first lookups after a change as by the index built after them.
    ItemHandle late = addItem("z late");
    ItemHandle early = addItem("a early");
    s.record(late).setId(9);
    s.record(early).setId(9);
    s.noteIdChanged();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(s.findItemById(9), early) << "lookup " << i;
}

TEST_F(ScheduleTest, NotesNumberSkipsExistingFilesAndWraps)
{
    ItemHandle a = addItem("a");
    s.header.setNextRefNo(65534);
    auto exists = [](std::uint16_t n) { return n == 65535 || n == 1; };
    EXPECT_EQ(s.notesNumber(a, exists), 2);
    EXPECT_EQ(s.record(a).refNo(), 2u);
    EXPECT_EQ(s.notesNumber(a, exists), 3);
    EXPECT_EQ(s.record(a).refNo(), 2u);  // kept: the item had one already
    EXPECT_EQ(s.notesNumber(a, [](std::uint16_t) { return true; }), 0);
}

TEST_F(ScheduleTest, LatestEndFallsBackToTheTemplateThenTheOpenEnd)
{
    ItemHandle a = addItem("a");
    EXPECT_EQ(s.latestEnd(a), kOpenLatestEnd);
    s.templateItem.setLatestEnd(1200);
    EXPECT_EQ(s.latestEnd(a).value(), 1200);
    s.record(a).setLatestEnd(900);
    EXPECT_EQ(s.latestEnd(a).value(), 900);
}

// --- day list -----------------------------------------------------------------

TEST_F(ScheduleTest, GetDayCreatesOnceAndOutOfRangeIsAFault)
{
    DayRecord* r = s.getDay(DayNumber(3000));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nTasks(), 0);
    EXPECT_EQ(s.getDay(DayNumber(3000)), r);
    EXPECT_EQ(s.days.size(), 1u);
    EXPECT_THROW(s.getDay(DayNumber(2299)), InternalFault);
    EXPECT_THROW(s.getDay(DayNumber(32509)), InternalFault);
    EXPECT_NE(s.getDay(DayNumber(32508)), nullptr);
    // A day whose occurrences cannot be placed is not kept.
    s.placeOccurrences = [](DayNumber) { return false; };
    EXPECT_EQ(s.getDay(DayNumber(4000)), nullptr);
    EXPECT_EQ(s.days.size(), 2u);
}

TEST_F(ScheduleTest, EmptyFutureDayIsPurgedUnlessAPaneShowsIt)
{
    s.getDay(DayNumber(3000));
    s.getDay(DayNumber(3001));
    s.dayIsShown = [](DayNumber d) { return d.value() == 3001; };
    s.purgeDays();
    EXPECT_EQ(s.findDay(DayNumber(3000)), nullptr);
    EXPECT_NE(s.findDay(DayNumber(3001)), nullptr);
    {
        Schedule::PurgeBlock block(s);
        s.dayIsShown = nullptr;
        s.purgeDays();
        EXPECT_NE(s.findDay(DayNumber(3001)), nullptr);
    }
    s.purgeDays();
    EXPECT_EQ(s.findDay(DayNumber(3001)), nullptr);
    // A day with entries is no empty day.
    ItemHandle h = addItem("dentist", 3000);
    s.getDay(DayNumber(3000));
    s.days.appendEntry(DayNumber(3000), DayEntry{h, 541, 60});
    s.purgeDays();
    EXPECT_NE(s.findDay(DayNumber(3000)), nullptr);
}

TEST_F(ScheduleTest, PastDayComesFromTheArchiveAndItsItemsAreFreedWithIt)
{
    s.header.setLastPastDay(DayNumber(5000));
    ItemHandle archived = kNoItem;
    s.readPastDay = [&](DayNumber d) {
        archived = s.newItem();
        s.setDescription(archived, "done long ago");
        s.days.appendEntry(d, DayEntry{archived, 600, 30});
    };
    int written = 0;
    s.writePastDay = [&](DayNumber) { ++written; };
    DayRecord* r = s.getDay(DayNumber(4990));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->nTasks(), 1);
    r->dayFlags |= DayRecord::kDirtyPast;
    s.releaseDay(DayNumber(4990));
    EXPECT_EQ(written, 1);
    EXPECT_FALSE(s.items.isLive(archived));
}

TEST_F(ScheduleTest, EntryLookupsAndMinutesPerDay)
{
    ItemHandle split = addItem("report", 3000);
    s.record(split).setFlag(ItemFlag::fSplit, true);  // found on its last day
    ItemHandle other = addItem("call", 3000);
    for (int d : {3000, 3001}) {
        s.getDay(DayNumber(d));
        s.days.appendEntry(DayNumber(d), DayEntry{split, 500, 30});
        s.days.appendEntry(DayNumber(d), DayEntry{other, -520, 10});
        s.days.appendEntry(DayNumber(d), DayEntry{split, 540, 45});
    }
    EXPECT_EQ(s.entryOf(other, DayNumber(3001)), 1u);
    EXPECT_EQ(s.minutesOf(split, DayNumber(3001)), 75);
    auto last = s.scheduledAnywhere(split);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->day.value(), 3001);
    EXPECT_EQ(last->index, 2u);
    for (int d : {3000, 3001})
        s.days.editEntries(DayNumber(d), [](std::vector<DayEntry>& e) { e.clear(); });
    EXPECT_FALSE(s.scheduledAnywhere(split));
}

TEST_F(ScheduleTest, RepairsAreShownThroughTheMessageServiceWhenAttached)
{
    ScriptedPresenter presenter;
    Messages messages(presenter);
    s.setMessages(&messages);
    DayNumber last;
    s.acceptLoadedDay(DayNumber(-1), last, 21.0f);
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown()[0].kind, MessageKind::Error);
    EXPECT_EQ(presenter.beeps(), 1);
}

TEST_F(ScheduleTest, DayWindowStoresANightOwlEndAfterMidnightAndNamesFirstAndLastItems)
{
    s.setDayBounds(TimeValue::fromClock(22, 0), TimeValue::fromClock(6, 0), kNoItem, kNoItem);
    EXPECT_EQ(s.dayStart().value(), 1321);
    EXPECT_EQ(s.dayEnd().value(), 1801);
    EXPECT_TRUE(s.nightOwl());
    EXPECT_EQ(nightOwlMidnight(s.dayStart(), s.dayEnd()), TimeValue::fromClock(14, 0));

    ItemHandle a = addItem("breakfast");
    ItemHandle b = addItem("reading");
    EXPECT_EQ(s.firstOfDayItem(), kNoItem);
    EXPECT_EQ(s.setDayBounds(TimeValue(421), TimeValue(1381 + 1440), a, b), "");
    EXPECT_EQ(s.dayEnd().value(), 1381);
    EXPECT_FALSE(s.nightOwl());
    EXPECT_EQ(s.firstOfDayItem(), a);
    EXPECT_EQ(s.lastOfDayItem(), b);
    EXPECT_EQ(s.setDayBounds(TimeValue(421), TimeValue(1381), b, b), kSameFirstAndLastText);
    EXPECT_EQ(s.firstOfDayItem(), a);  // refused: nothing changed
}

} // namespace
} // namespace zk
