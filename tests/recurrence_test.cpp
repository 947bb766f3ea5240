#include "core/recurrence.h"
#include "core/schedule.h"
#include "datafilesupport.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk {
namespace {

TEST(RecurrenceRecordTest, RoundTripKeepsReservedBytes)
{
    RecurrenceRecord::Bytes raw;
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(0xA0 + i);
    RecurrenceRecord r = RecurrenceRecord::decode(raw.data());
    EXPECT_EQ(r.encode(), raw);

    // Writing every named field back leaves the reserved bytes alone.
    r.setTypeByte(0);
    r.setWeekdayByte(0);
    r.setInterval(1);
    r.setDayMask(0);
    r.setStartDay(kNoDay);
    r.setEndDay(kNoDay);
    r.setExceptionCount(0);
    r.setExceptionListField(0);
    r.setLastDoneDay(kNoDay);
    r.setOptionByte(0);
    r.setMonthWord(0);
    for (std::size_t off : {22, 23, 25})
        EXPECT_EQ(r.encode()[off], raw[off]) << "offset " << off;
    // An open end reads as the last usable day but is stored as zero.
    EXPECT_EQ(r.endDay(), kLastUsableDay);
    EXPECT_EQ(r.endDayField(), 0);
    EXPECT_EQ(r.encode()[12] | r.encode()[13], 0);
}

class RecurrenceTest : public testsupport::FaultsThrowTest {
protected:
    RecurrenceTest() { s.formatDate = [](DayNumber d) { return "day" + std::to_string(d.value()); }; }

    ItemHandle definition(const std::string& text, RecurrenceRecord rule = {})
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        s.record(h).setFlag(ItemFlag::fRecurDef, true);
        s.itemId(h);
        s.recurrences.add(h, rule);
        s.addToChain(h, DayNumber(kNoDayInChain));
        return h;
    }

    // An exception item placed on its occurrence day.
    ItemHandle exception(ItemHandle def, int day, const std::string& text = "moved")
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        ItemRecord& r = s.record(h);
        r.setFlag(ItemFlag::fException, true);
        r.setRecur(def.index);
        r.setCreatedDay(static_cast<std::int16_t>(day));
        r.setDay(static_cast<std::uint16_t>(day));
        s.addToChain(h, DayNumber(day));
        EXPECT_NE(s.getDay(DayNumber(day)), nullptr);
        s.days.appendEntry(DayNumber(day), DayEntry{h, 601, 30});
        return h;
    }

    void unplace(int day)
    {
        s.days.editEntries(DayNumber(day), [](std::vector<DayEntry>& entries) { entries.clear(); });
    }

    std::vector<int> daysOf(ItemHandle def) const
    {
        std::vector<int> out;
        if (const ExceptionList* list = s.recurrences.exceptionListOf(def))
            for (const ExceptionEntry& e : *list)
                out.push_back(e.day.value());
        return out;
    }

    // The messages reported since the last call.
    std::vector<std::string> newMessages()
    {
        const auto& all = s.unreportedTexts();
        std::vector<std::string> out(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
        seen_ = all.size();
        return out;
    }

    std::size_t seen_ = 0;
    Schedule s;
};

using RecurringDefinitionsTest = RecurrenceTest;

TEST_F(RecurringDefinitionsTest, KeepsCreationOrderAndForgetsRemovedOrFreedOnes)
{
    ItemHandle a = definition("Zebra walk");
    ItemHandle b = definition("Alpha report");
    ItemHandle c = definition("Mid review");
    EXPECT_EQ(s.recurrences.inOrder(), (std::vector<ItemHandle>{a, b, c}));
    EXPECT_EQ(s.record(b).recur(), b.index);  // non-zero: code testing recur sees a definition

    s.recurrences.remove(b);
    EXPECT_EQ(s.recurrences.inOrder(), (std::vector<ItemHandle>{a, c}));
    EXPECT_EQ(s.record(b).recur(), 0u);

    s.recurrences.addEntry(a, DayNumber(10000));
    s.freeItem(a);
    EXPECT_EQ(s.recurrences.inOrder(), std::vector<ItemHandle>{c});
    EXPECT_EQ(s.recurrences.exceptionListOf(a), nullptr);
}

TEST_F(RecurringDefinitionsTest, MisuseIsAnInternalFault)
{
    ItemHandle a = definition("First");
    ItemHandle b = definition("Second");
    EXPECT_THROW(s.recurrences.add(a, RecurrenceRecord{}), InternalFault);
    EXPECT_NO_THROW(s.recurrences.checkDistinctIds());
    s.record(b).setId(s.record(a).id());
    EXPECT_THROW(s.recurrences.checkDistinctIds(), InternalFault);

    // Non-definitions have no rule, but may be asked about a cancellation.
    ItemHandle plain = s.newItem();
    EXPECT_THROW(s.recurrences.addEntry(plain, DayNumber(10000)), InternalFault);
    EXPECT_FALSE(s.recurrences.isCancelled(plain, DayNumber(10000)));

    // Entries carry live items other than their definition.
    ItemHandle gone = s.newItem();
    s.freeItem(gone);
    EXPECT_THROW(s.recurrences.addEntry(a, DayNumber(10005), gone), InternalFault);
    EXPECT_THROW(s.recurrences.addEntry(a, DayNumber(10005), a), InternalFault);
    EXPECT_EQ(s.recurrences.exceptionCountOf(a), 0);
}

TEST_F(RecurringDefinitionsTest, FindsDefinitionsByItemIdRecurringIdAndException)
{
    RecurrenceRecord tagged;
    tagged.setRecurringId(77);
    ItemHandle a = definition("First", tagged);
    ItemHandle b = definition("Second", tagged);
    EXPECT_EQ(s.recurrences.findByItemId(s.record(b).id()), b);
    EXPECT_EQ(s.recurrences.findByRecurringId(77), a);  // the first in order wins
    EXPECT_EQ(s.recurrences.definitionOf(exception(a, 10000)), a);

    // A fresh id is found at once; the old one no longer is.
    std::uint32_t old = s.record(a).id();
    std::uint32_t fresh = s.reidentify(a);
    EXPECT_EQ(s.recurrences.findByItemId(fresh), a);
    EXPECT_EQ(s.recurrences.findByItemId(old), kNoItem);

    // An id stored directly is found after the schedule is told.
    s.record(b).setId(9999);
    s.noteIdChanged();
    EXPECT_EQ(s.recurrences.findByItemId(9999), b);

    RecurrenceRecord retagged = s.recurrences.ruleOf(a);
    retagged.setRecurringId(5);
    s.recurrences.setRule(a, retagged);
    EXPECT_EQ(s.recurrences.findByRecurringId(77), b);
    EXPECT_EQ(s.recurrences.findByRecurringId(5), a);
}

TEST_F(RecurringDefinitionsTest, SetRuleKeepsTheListFieldsLastDoneDayOnlyRisesAndTheFileMarksOnlyAFullList)
{
    ItemHandle def = definition("Gym");
    s.recurrences.addEntry(def, DayNumber(10000));
    s.recurrences.addEntry(def, DayNumber(10001));
    RecurrenceRecord edited;
    edited.setTypeByte(RecurType::daily);
    edited.setInterval(3);
    edited.setExceptionCount(40);  // a stale working copy must not win
    edited.setExceptionListField(0);
    s.recurrences.setRule(def, edited);
    EXPECT_EQ(s.recurrences.ruleOf(def).interval(), 3);
    EXPECT_EQ(s.recurrences.ruleOf(def).exceptionCount(), 2);

    for (int day : {10005, 10003})
        s.recurrences.raiseLastDoneDay(def, DayNumber(day));
    EXPECT_EQ(s.recurrences.lastDoneDay(def), DayNumber(10005));

    // The file marks a list only when entries follow it.
    RecurrenceRecord withList;
    withList.setExceptionListField(1);
    ItemHandle empty = definition("Swim", withList);
    ASSERT_NE(s.recurrences.exceptionListOf(empty), nullptr);
    EXPECT_EQ(s.recurrences.fileRecord(empty).exceptionListField(), 0u);
    EXPECT_EQ(s.recurrences.fileRecord(def).exceptionCount(), 2);
    EXPECT_NE(s.recurrences.fileRecord(def).exceptionListField(), 0u);
}

using ExceptionListTest = RecurrenceTest;

TEST_F(ExceptionListTest, EntriesAreHeldInDayOrderAndFoundOnlyOnTheirDay)
{
    ItemHandle def = definition("Gym");
    ItemHandle x = exception(def, 10010);
    EXPECT_TRUE(s.recurrences.addEntry(def, DayNumber(10010), x));
    for (int day : {10005, 10007})
        EXPECT_TRUE(s.recurrences.addEntry(def, DayNumber(day)));
    EXPECT_EQ(daysOf(def), (std::vector<int>{10005, 10007, 10010}));
    EXPECT_EQ(s.recurrences.ruleOf(def).exceptionCount(), 3);
    EXPECT_TRUE(s.unreportedTexts().empty());

    for (int day : {10004, 10006, 10011})
        EXPECT_FALSE(s.recurrences.findEntry(def, DayNumber(day))) << day;
    EXPECT_EQ(s.recurrences.findEntry(def, DayNumber(10010)), (ExceptionEntry{x, DayNumber(10010)}));
    EXPECT_TRUE(s.recurrences.isCancelled(def, DayNumber(10005)));
    EXPECT_FALSE(s.recurrences.isCancelled(def, DayNumber(10010)));
}

TEST_F(ExceptionListTest, AddingOnAnOccupiedDayReplacesTheOldEntryAndReports)
{
    ItemHandle def = definition("Gym");
    ItemHandle x = exception(def, 10005);
    s.recurrences.addEntry(def, DayNumber(10005));
    s.dirty = false;
    EXPECT_TRUE(s.recurrences.addEntry(def, DayNumber(10005), x));
    EXPECT_EQ(newMessages(), std::vector<std::string>{"Duplicate exception entry (cancellation) cleaned up for Gym"});
    EXPECT_EQ(s.recurrences.findEntry(def, DayNumber(10005))->item, x);
    EXPECT_TRUE(s.dirty);

    // Its own item again: the item is kept.
    s.recurrences.addEntry(def, DayNumber(10005), x);
    EXPECT_TRUE(s.items.isLive(x));
    EXPECT_EQ(s.recurrences.findEntry(def, DayNumber(10005))->item, x);
    newMessages();  // what it reports is not at stake here

    // A cancellation over an exception item deletes that item.
    EXPECT_TRUE(s.recurrences.addEntry(def, DayNumber(10005)));
    EXPECT_EQ(newMessages(), std::vector<std::string>{"Duplicate exception entry (task) cleaned up for Gym"});
    EXPECT_FALSE(s.items.isLive(x));
    EXPECT_EQ(s.findDay(DayNumber(10005))->nTasks(), 0);
    EXPECT_TRUE(s.recurrences.isCancelled(def, DayNumber(10005)));
    EXPECT_EQ(s.recurrences.exceptionCountOf(def), 1);

    // Messages name the definition in its title form.
    ItemHandle longTitle = definition(std::string(170, 'a'));
    s.recurrences.addEntry(longTitle, DayNumber(10005));
    s.recurrences.addEntry(longTitle, DayNumber(10005));
    EXPECT_EQ(newMessages(), std::vector<std::string>{"Duplicate exception entry (cancellation) cleaned up for "
                                                      + std::string(157, 'a') + "..."});
}

TEST_F(ExceptionListTest, RemovingAMissingEntryStopsAfterTwoMessages)
{
    ItemHandle def = definition("Gym");
    ItemHandle listless = definition("Swim");
    s.recurrences.addEntry(def, DayNumber(10005));
    EXPECT_THROW(s.recurrences.removeEntry(def, DayNumber(10006)), InternalFault);
    EXPECT_EQ(newMessages(),
              (std::vector<std::string>{"There is a recurring item that has data corruption and should be deleted (and "
                                        "re-entered). Its title will be displayed when you click OK.",
                                        "Gym"}));
    EXPECT_EQ(s.recurrences.exceptionCountOf(def), 1);
    EXPECT_THROW(s.recurrences.removeEntry(listless, DayNumber(10005)), InternalFault);
    EXPECT_EQ(newMessages().size(), 2u);
}

TEST_F(ExceptionListTest, SetEntryItemFillsAnEntryAndAddsAMissingOneOnlyWhileLoading)
{
    ItemHandle def = definition("Gym");
    ItemHandle x = exception(def, 10005);
    EXPECT_THROW(s.recurrences.setEntryItem(def, DayNumber(10005), x), InternalFault);
    EXPECT_EQ(s.recurrences.exceptionCountOf(def), 0);

    s.recurrences.addEntry(def, DayNumber(10005));
    s.recurrences.setEntryItem(def, DayNumber(10005), x);
    EXPECT_EQ(s.recurrences.findEntry(def, DayNumber(10005))->item, x);
    EXPECT_TRUE(s.unreportedTexts().empty());

    ItemHandle y = exception(def, 10006);
    s.loading = true;
    s.recurrences.setEntryItem(def, DayNumber(10006), y);
    EXPECT_EQ(s.unreportedTexts(), std::vector<std::string>{"exception entry not found day10006 Gym; cleaned-up"});
    EXPECT_EQ(s.recurrences.findEntry(def, DayNumber(10006))->item, y);
    EXPECT_EQ(s.recurrences.exceptionCountOf(def), 2);
}

TEST_F(ExceptionListTest, RemovingAnEntryKeepsItsItemAndFreeingAnItemDropsItsEntry)
{
    ItemHandle def = definition("Gym");
    ItemHandle x = exception(def, 10007);
    ItemHandle y = exception(def, 10008);
    s.recurrences.addEntry(def, DayNumber(10005));
    s.recurrences.addEntry(def, DayNumber(10007), x);
    s.recurrences.addEntry(def, DayNumber(10008), y);
    s.recurrences.removeEntry(def, DayNumber(10007));
    EXPECT_TRUE(s.items.isLive(x));
    unplace(10008);
    s.freeItem(y);
    EXPECT_EQ(daysOf(def), std::vector<int>{10005});
    EXPECT_EQ(s.recurrences.exceptionCountOf(def), 1);

    ItemHandle z = exception(def, 10009);
    s.recurrences.addEntry(def, DayNumber(10009), z);
    s.recurrences.clearList(def);
    EXPECT_EQ(s.recurrences.exceptionListOf(def), nullptr);
    EXPECT_EQ(s.recurrences.ruleOf(def).exceptionListField(), 0u);
    EXPECT_TRUE(s.items.isLive(z));
    // The item no longer belongs to an entry: freeing it touches no list.
    s.freeItem(z);
    EXPECT_EQ(s.recurrences.exceptionListOf(def), nullptr);
}

TEST_F(ExceptionListTest, CleanUpDropsUnplacedExceptionsAndCancellationsBeforeTheLastPastDay)
{
    ItemHandle a = definition("Gym");
    ItemHandle b = definition("Swim");
    ItemHandle placed = exception(a, 10005);
    ItemHandle unplaced = exception(a, 10007);
    for (int day : {10003, 10006, 10008})
        s.recurrences.addEntry(a, DayNumber(day));
    s.recurrences.addEntry(a, DayNumber(10005), placed);
    s.recurrences.addEntry(a, DayNumber(10007), unplaced);
    s.recurrences.addEntry(b, DayNumber(10006));
    unplace(10007);
    s.recurrences.pruneUnplaced();
    EXPECT_EQ(daysOf(a), (std::vector<int>{10003, 10005, 10006, 10008}));
    EXPECT_TRUE(s.items.isLive(unplaced));

    s.header.setLastPastDay(DayNumber(10006));
    s.recurrences.prunePastCancellations(a);
    EXPECT_EQ(daysOf(a), (std::vector<int>{10005, 10006, 10008}));
    EXPECT_EQ(daysOf(b), std::vector<int>{10006});  // only the given definition
    s.header.setLastPastDay(DayNumber(10007));
    s.recurrences.prunePastCancellations();
    EXPECT_EQ(daysOf(b), std::vector<int>{});
    EXPECT_EQ(s.recurrences.exceptionCountOf(b), 0);
}

TEST_F(ExceptionListTest, LongListsStayOrderedAndFast)
{
    ItemHandle def = definition("Daily since 1986");
    // Added newest first: a list walk from the head would be quadratic.
    for (int day = 32000; day >= 2300; --day)
        s.recurrences.addEntry(def, DayNumber(day));
    EXPECT_TRUE(s.recurrences.isCancelled(def, DayNumber(17000)));
    const ExceptionList* list = s.recurrences.exceptionListOf(def);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->begin()->day, DayNumber(2300));
}

} // namespace
} // namespace zk
