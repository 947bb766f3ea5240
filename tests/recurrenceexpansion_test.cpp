// Recurrence expansion through a session: occurrences on the day records
// that exist and on those made later, suspension, exceptions made by a
// move, in place and undone, cancellations, the Shift option on a moved
// exception, and a data file holding all of it read and written unchanged.

#include "datafilesupport.h"
#include "sessionsupport.h"

#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

// Saturday 21 October 2023 is the session's today; Monday 23 October follows.
constexpr DayNumber kMonday = kSessionToday + 2;

class RecurrenceExpansionTest : public OpenSessionFixture {
protected:
    void makeDays(DayNumber from, DayNumber to)
    {
        for (DayNumber d = from; d <= to; ++d)
            ASSERT_NE(schedule().getDay(d), nullptr);
    }

    // A 09:00 appointment recurring weekly on the given weekdays from today.
    ItemHandle addWeekly(const std::string& text, std::uint8_t weekdays, std::uint8_t options = 0)
    {
        RecurrenceRecord rule;
        rule.setTypeByte(static_cast<std::uint8_t>(RecurType::weekly | options));
        rule.setWeekdayByte(weekdays);
        rule.setInterval(1);
        NewItem item = itemOn(kSessionToday, text, TimeValue::fromClock(9, 0).value(), 30);
        item.recurrence = rule;
        return add(item);
    }

    int entriesOf(ItemHandle h, DayNumber day)
    {
        int n = 0;
        if (const DayRecord* r = schedule().findDay(day))
            for (const DayEntry& e : r->entries())
                n += e.item == h ? 1 : 0;
        return n;
    }

    // The days from `from` to `to` holding an entry of the item.
    std::vector<DayNumber> daysWith(ItemHandle h, DayNumber from, DayNumber to)
    {
        std::vector<DayNumber> out;
        for (DayNumber d = from; d <= to; ++d)
            if (entriesOf(h, d) > 0)
                out.push_back(d);
        return out;
    }

    EntryRef entryRef(ItemHandle h, DayNumber day)
    {
        std::optional<std::size_t> at = schedule().entryOf(h, day);
        EXPECT_TRUE(at.has_value());
        return EntryRef{day, at.value_or(0)};
    }

    Placement placement() { return Placement(schedule(), PlacementContext::at(clock)); }
};

TEST_F(RecurrenceExpansionTest, OccurrencesGoOnExistingAndNewDayRecordsFromTheFirstNonPastDay)
{
    Schedule& s = schedule();
    makeDays(kSessionToday - 1, kSessionToday + 13);
    ItemHandle review = addWeekly("Review", 0x22);  // Monday and Friday
    ASSERT_TRUE(review);

    const std::vector<DayNumber> expected = {kMonday, kMonday + 4, kMonday + 7, kMonday + 11};
    EXPECT_EQ(daysWith(review, kSessionToday - 1, kSessionToday + 13), expected)
        << "yesterday, a Friday, is past and gets none";
    EXPECT_EQ(s.findDay(kMonday)->nRecurEntries, 1);

    s.dirty = false;
    makeDays(kMonday + 14, kMonday + 15);
    EXPECT_EQ(daysWith(review, kMonday + 14, kMonday + 15), std::vector<DayNumber>{kMonday + 14});
    EXPECT_FALSE(s.dirty) << "a day record made for a look is not a change";

    Placement p = placement();
    RecurrenceExpansion expansion(p);
    expansion.setSuspended(review, true);
    EXPECT_TRUE(daysWith(review, kSessionToday, kMonday + 15).empty());
    EXPECT_EQ(s.findDay(kMonday)->nRecurEntries, 0);
    makeDays(kMonday + 18, kMonday + 18);
    expansion.setSuspended(review, false);
    EXPECT_EQ(daysWith(review, kSessionToday, kMonday + 18).size(), 6u) << "suspended, none were made";
}

TEST_F(RecurrenceExpansionTest, MovingAnOccurrenceMakesAnExceptionThatCanBeUndone)
{
    Schedule& s = schedule();
    makeDays(kSessionToday, kMonday + 28);
    ItemHandle review = addWeekly("Review", 1u << 1);
    Placement p = placement();
    RecurrenceExpansion expansion(p);

    ASSERT_EQ(p.moveEntryToDay(entryRef(review, kMonday + 7), kMonday + 8), kMonday + 8);
    EXPECT_EQ(daysWith(review, kSessionToday, kMonday + 28),
              (std::vector<DayNumber>{kMonday, kMonday + 14, kMonday + 21, kMonday + 28}))
        << "the other weeks stay";
    std::optional<ExceptionEntry> listed = s.recurrences.findEntry(review, kMonday + 7);
    ASSERT_TRUE(listed && listed->item);
    ItemHandle moved = listed->item;
    EXPECT_EQ(s.recurrences.definitionOf(moved), review);
    EXPECT_NE(s.record(moved).id(), s.record(review).id());
    EXPECT_EQ(s.storedDescription(moved), "Review");
    EXPECT_EQ(entriesOf(moved, kMonday + 8), 1);
    EXPECT_EQ(s.findDay(kMonday + 8)->nRecurEntries, 0);

    // A day record made again later keeps the occurrence replaced.
    s.releaseDay(kMonday + 7);
    makeDays(kMonday + 7, kMonday + 7);
    EXPECT_EQ(entriesOf(review, kMonday + 7), 0);

    ASSERT_TRUE(expansion.undoException(entryRef(moved, kMonday + 8)));
    EXPECT_FALSE(s.items.isLive(moved));
    EXPECT_EQ(entriesOf(review, kMonday + 7), 1) << "the occurrence is back on its own day";
    EXPECT_EQ(s.findDay(kMonday + 8)->nTasks(), 0);
    EXPECT_EQ(s.recurrences.exceptionCountOf(review), 0);

    // In place: the entry refers to the exception and back.
    ItemHandle edited = expansion.makeException(entryRef(review, kMonday + 14));
    ASSERT_TRUE(edited);
    EXPECT_EQ(s.findDay(kMonday + 14)->entries()[0].item, edited);
    ASSERT_TRUE(expansion.undoException(entryRef(edited, kMonday + 14)));
    EXPECT_EQ(s.findDay(kMonday + 14)->entries()[0].item, review);
    EXPECT_EQ(s.findDay(kMonday + 14)->nRecurEntries, 1);

    // A cancelled occurrence leaves its day until it is restored.
    ASSERT_TRUE(expansion.cancelOccurrence(entryRef(review, kMonday)));
    EXPECT_EQ(entriesOf(review, kMonday), 0);
    EXPECT_TRUE(s.recurrences.isCancelled(review, kMonday));
    EXPECT_TRUE(expansion.restoreOccurrence(review, kMonday));
    EXPECT_EQ(entriesOf(review, kMonday), 1);

    // Deleting the exceptions keeps a done one as an ordinary item.
    ItemHandle done = expansion.makeException(entryRef(review, kMonday + 21));
    ItemHandle undone = expansion.makeException(entryRef(review, kMonday + 28));
    s.record(done).setFlag(ItemFlag::fDone, true);
    expansion.deleteExceptions(review);
    EXPECT_EQ(s.recurrences.exceptionCountOf(review), 0);
    EXPECT_FALSE(s.items.isLive(undone));
    ASSERT_TRUE(s.items.isLive(done));
    EXPECT_EQ(s.recurrences.definitionOf(done), kNoItem);
    EXPECT_EQ(entriesOf(done, kMonday + 21), 1);

    // An exception whose day left the list becomes an ordinary item when
    // it is placed again.
    ItemHandle stray = expansion.makeException(entryRef(review, kMonday + 14));
    s.recurrences.removeEntry(review, kMonday + 14);
    ASSERT_EQ(p.moveEntryToDay(entryRef(stray, kMonday + 14), kMonday + 15), kMonday + 15);
    EXPECT_FALSE(s.record(stray).has(ItemFlag::fException));
    EXPECT_TRUE(this->s->shown(kExceptionRepairedText + std::string("Review")));
}

TEST_F(RecurrenceExpansionTest, AMovedExceptionOfAShiftedSeriesRestartsItOnItsNewDay)
{
    Schedule& s = schedule();
    makeDays(kSessionToday, kSessionToday + 21);
    ItemHandle weekly = addWeekly("Laundry", 1u << 6, RecurType::carryShift);  // Saturdays, from today
    Placement p = placement();

    // The first occurrence moves to Tuesday: no occurrence lies before it.
    ASSERT_EQ(p.moveEntryToDay(entryRef(weekly, kSessionToday), kSessionToday + 3), kSessionToday + 3);
    EXPECT_EQ(s.recurrences.ruleOf(weekly).startDay(), kSessionToday + 3);
    EXPECT_EQ(daysWith(weekly, kSessionToday, kSessionToday + 21),
              (std::vector<DayNumber>{kSessionToday + 7, kSessionToday + 14, kSessionToday + 21}));
    EXPECT_TRUE(s.recurrences.findEntry(weekly, kSessionToday + 3));

    // A later one moved past the next occurrence leaves the series alone.
    ASSERT_EQ(p.moveEntryToDay(entryRef(weekly, kSessionToday + 14), kSessionToday + 16), kSessionToday + 16);
    EXPECT_EQ(s.recurrences.ruleOf(weekly).startDay(), kSessionToday + 3);
    EXPECT_EQ(daysWith(weekly, kSessionToday, kSessionToday + 21),
              (std::vector<DayNumber>{kSessionToday + 7, kSessionToday + 21}));
}

TEST_F(RecurrenceExpansionTest, ASavedScheduleWithOccurrencesAndExceptionsReadsBackUnchanged)
{
    Schedule& s = schedule();
    makeDays(kSessionToday, kMonday + 14);
    ItemHandle review = addWeekly("Review", 0x12);  // Monday and Thursday
    addWeekly("Gym", 1u << 3);                      // Wednesday
    Placement p = placement();
    RecurrenceExpansion expansion(p);
    ASSERT_TRUE(p.moveEntryToDay(entryRef(review, kMonday + 3), kMonday + 4));
    ASSERT_TRUE(expansion.makeException(entryRef(review, kMonday + 7)));
    ASSERT_TRUE(expansion.cancelOccurrence(entryRef(review, kMonday + 10)));

    std::vector<std::uint8_t> bytes = saved(s);
    LoadOptions options;
    options.clock = &clock;
    LoadResult loaded = loadDataBytes(bytes, options);
    ASSERT_TRUE(loaded);
    Schedule& again = *loaded.schedule;
    EXPECT_EQ(saved(again), bytes);
    ItemHandle reloaded = again.recurrences.findByItemId(s.record(review).id());
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(again.recurrences.exceptionCountOf(reloaded), 3);
    EXPECT_TRUE(again.recurrences.isCancelled(reloaded, kMonday + 10));
    EXPECT_EQ(again.findDay(kMonday)->nRecurEntries, 1);
    EXPECT_EQ(again.findDay(kMonday + 7)->nRecurEntries, 0);
}

} // namespace
} // namespace zk
