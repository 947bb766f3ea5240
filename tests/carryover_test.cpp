// Carrying undone items over to today with the options of recurring items,
// business hours, and the automatic done of appointments that have ended.

#include "core/recurrence.h"
#include "engine/carryover.h"
#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"
#include "placementscenario.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
constexpr DayNumber kWednesday = kMonday + 2;

class CarryOverTest : public ::testing::Test, public testing::PlacementScenario {
protected:
    // A 9:00 appointment recurring weekly from kMonday, on the start day's
    // weekday, with the carry-over option given; its Monday occurrence is
    // placed as it was on that day.
    ItemHandle weekly(const std::string& text, std::uint8_t option, std::uint32_t flags = 0)
    {
        ItemHandle h = item(text, 30, ItemFlag::fRecurDef | ItemFlag::fAnchored | flags, hm(9));
        RecurrenceRecord rule;
        rule.setTypeByte(static_cast<std::uint8_t>(RecurType::weekly | option));
        rule.setInterval(1);
        rule.setStartDay(kMonday);
        s.recurrences.add(h, rule);
        s.addToChain(h, DayNumber(kNoDayInChain));
        s.getDay(kMonday);
        Placement then(s, at(kMonday, hm(7)), &messages);
        EXPECT_TRUE(RecurrenceExpansion(then).placeDefinitionOnDay(h, kMonday));
        return h;
    }

    bool on(ItemHandle h, DayNumber day) const { return s.entryOf(h, day).has_value(); }

    // The item on the day that stands for the definition there (itself or an exception).
    ItemHandle instanceOn(ItemHandle definition, DayNumber day) const
    {
        for (const DayEntry& e : entries(day))
            if (e.item == definition || s.recurrences.definitionOf(e.item) == definition)
                return e.item;
        return kNoItem;
    }

    const CarriedEntry* find(const CarryOverResult& result, ItemHandle h) const
    {
        auto it = std::find_if(result.entries.begin(), result.entries.end(),
                               [&](const CarriedEntry& c) { return c.id == s.record(h).id(); });
        return it == result.entries.end() ? nullptr : &*it;
    }
};

TEST_F(CarryOverTest, UndoneItemsOfPastDaysFollowTheirCarryOverOption)
{
    ItemHandle keep = weekly("keep", 0);
    ItemHandle drop = weekly("drop", RecurType::carryDelete);
    ItemHandle melt = weekly("melt", RecurType::carryDelete, ItemFlag::fMelt);
    ItemHandle shift = weekly("shift", RecurType::carryShift);
    ItemHandle errand = task("errand", 30);
    ItemHandle finished = item("finished", 30, ItemFlag::fDone, hm(10));
    ItemHandle birthday = item("birthday", 0);
    s.record(birthday).setKind(ItemKind::birthday);
    putAll(kMonday, {errand, finished, birthday});
    s.getDay(kWednesday);
    s.getDay(kWednesday + 7);

    Placement placement(s, at(kWednesday, hm(7)), &messages);
    EXPECT_EQ(earliestUndonePastDay(s, kWednesday), kMonday);
    CarryOverResult result = carryOverUndone(placement);
    EXPECT_FALSE(result.stopped);

    // Keep, Delete with fMelt and ordinary items move to today.
    for (ItemHandle moved : {keep, melt}) {
        EXPECT_FALSE(instanceOn(moved, kMonday));
        ItemHandle exception = instanceOn(moved, kWednesday);
        ASSERT_TRUE(exception);
        EXPECT_TRUE(s.record(exception).has(ItemFlag::fException));
        ASSERT_TRUE(find(result, moved));
        EXPECT_EQ(find(result, moved)->kind, CarriedEntry::Kind::Carried);
    }
    EXPECT_TRUE(on(errand, kWednesday));
    EXPECT_EQ(find(result, errand)->to, kWednesday);
    // Delete removes the occurrence for good.
    EXPECT_FALSE(instanceOn(drop, kMonday));
    EXPECT_FALSE(instanceOn(drop, kWednesday));
    EXPECT_TRUE(s.recurrences.isCancelled(drop, kMonday));
    EXPECT_EQ(find(result, drop)->kind, CarriedEntry::Kind::Deleted);
    // Shift restarts the weekly series on today's weekday.
    EXPECT_FALSE(on(shift, kMonday));
    EXPECT_TRUE(on(shift, kWednesday));
    EXPECT_TRUE(on(shift, kWednesday + 7));
    EXPECT_EQ(s.recurrences.ruleOf(shift).startDay(), kWednesday);
    EXPECT_EQ(find(result, shift)->kind, CarriedEntry::Kind::Shifted);
    // Done items and special days stay where they were.
    EXPECT_TRUE(on(finished, kMonday));
    EXPECT_TRUE(on(birthday, kMonday));
    EXPECT_EQ(result.entries.size(), 5u);
    EXPECT_TRUE(earliestUndonePastDay(s, kWednesday).isNone());
}

// Carrying walked the day's list while it moved entries out of it, so every
// second undone entry of a day stayed behind.
TEST_F(CarryOverTest, EveryUndoneEntryOfADayIsCarried)
{
    ItemHandle a = task("a", 20), b = task("b", 20), c = task("c", 20), d = task("d", 20);
    putAll(kMonday, {a, b, c, d});
    s.getDay(kWednesday);
    Placement placement(s, at(kWednesday, hm(7)), &messages);
    EXPECT_EQ(carryOverUndone(placement).entries.size(), 4u);
    for (ItemHandle h : {a, b, c, d})
        EXPECT_TRUE(on(h, kWednesday));
    EXPECT_TRUE(entries(kMonday).empty());
}

TEST_F(CarryOverTest, AnItemKeptToBusinessHoursGoesFromSaturdayToMonday)
{
    const DayNumber saturday = kMonday + 5;
    ItemHandle biz = task("invoice", 30, ItemFlag::fBizHours);
    ItemHandle any = task("garden", 30);
    putAll(kMonday + 4, {biz, any});
    Placement placement(s, at(saturday, hm(7)), &messages);
    CarryOverResult result = carryOverUndone(placement);
    EXPECT_TRUE(on(biz, kMonday + 7));
    EXPECT_TRUE(on(any, saturday));
    EXPECT_EQ(find(result, biz)->to, kMonday + 7);
}

TEST_F(CarryOverTest, AppointmentsThatHaveEndedAreMarkedDone)
{
    ItemHandle yesterday = appointment("yesterday", hm(15), 60);
    ItemHandle morning = appointment("morning", hm(9), 30);
    ItemHandle noon = appointment("noon", hm(12), 30);
    ItemHandle job = task("job", 30);
    put(yesterday, kMonday - 1);
    putAll(kMonday, {morning, noon, job});
    Placement placement(s, at(kMonday, hm(10, 30)), &messages);
    settle(placement);
    EXPECT_EQ(autoDoneAppointments(placement), 2);
    EXPECT_TRUE(s.record(yesterday).has(ItemFlag::fDone));
    EXPECT_TRUE(s.record(morning).has(ItemFlag::fDone));
    EXPECT_EQ(s.record(morning).beginTime(), hm(9).value());
    EXPECT_FALSE(s.record(noon).has(ItemFlag::fDone));
    EXPECT_FALSE(s.record(job).has(ItemFlag::fDone));
}

} // namespace
} // namespace zk
