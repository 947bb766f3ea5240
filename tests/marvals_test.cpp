// Marvals: the value arithmetic of the priority list and the value order of
// class A.

#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "plistsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zk {
namespace {

using MarvalsTest = testing::PlistTest;

TEST_F(MarvalsTest, PeriodsComeFromOneBitAndHourlyWorthCountsADurationOfZeroAsOne)
{
    EXPECT_DOUBLE_EQ(periodLengthDays(s, Frequency::weekly | 0x8001), 7);  // other bits do not count
    EXPECT_DOUBLE_EQ(periodLengthDays(s, Frequency::once), 0);
    // Two period bits are a fault, with its message.
    EXPECT_THROW(periodLengthDays(s, Frequency::daily | Frequency::weekly), InternalFault);
    EXPECT_EQ(texts(), std::vector<std::string>{kPeriodFaultText});

    ItemRecord r;
    r.setValue(10.0f);
    r.setDuration(30);
    EXPECT_FLOAT_EQ(hourizedMarval(r), 20.0f);
    r.setDuration(0);
    EXPECT_FLOAT_EQ(hourizedMarval(r), 600.0f);
    r.setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(hourizedMarval(r), 0.0f);
}

// --- daily value -----------------------------------------------------------------

class DailyValueTest : public testing::PlistTest {
protected:
    DailyValueTest()
    {
        s.header.setU8(630, 10);
        task = floating("task");
        ItemRecord& r = s.record(task);
        r.setValue(70.0f);
        r.setExpense(14.0f);
        r.setDuration(120);
    }
    float on(int dayOffset, int placedMinutes = 90)
    {
        return dailyValue(s, DayEntry{task, 600, static_cast<std::uint16_t>(placedMinutes)}, today() + dayOffset);
    }
    ItemRecord& r() { return s.record(task); }
    ItemHandle task;
};

TEST_F(DailyValueTest, RewardByFrequencyLateChargeFromTheDeadlineAndTheValueText)
{
    r().setRewardPer(0);
    EXPECT_FLOAT_EQ(on(0), 0.0f);
    EXPECT_EQ(valueText(s, DayEntry{task, 600, 60}, today()), "NS ");
    r().setRewardPer(Frequency::perHour);
    EXPECT_FLOAT_EQ(on(0, 90), 105.0f);  // 90 placed minutes at 70 an hour
    r().setRewardPer(Frequency::weekly);
    EXPECT_FLOAT_EQ(on(0), 10.0f);
    r().setRewardPer(Frequency::once);  // what the money would earn in a day
    EXPECT_FLOAT_EQ(on(0), static_cast<float>(70.0 * 0.10 / 365.25));
    r().setRewardPer(Frequency::annually);
    EXPECT_FLOAT_EQ(on(0), static_cast<float>(70.0 / 365.254f));
    r().setRewardPer(Frequency::weekly);
    r().setValue(75.0f);  // 10.71
    EXPECT_EQ(valueText(s, DayEntry{task, 600, 60}, today()), "11 ");
    r().setValue(70.0f);
    r().setFlag(ItemFlag::fFloating, false);  // fixed items count their whole value
    EXPECT_FLOAT_EQ(on(0), 70.0f);

    r().setRewardPer(Frequency::daily);
    r().setLateChargePer(Frequency::daily);
    EXPECT_FLOAT_EQ(on(30), 70.0f);  // no deadline, no late charge
    r().setRewardPer(0);
    r().setDeadlineDate(static_cast<std::uint16_t>(today().value()));
    EXPECT_FLOAT_EQ(on(-1), 0.0f);
    EXPECT_FLOAT_EQ(on(0), 14.0f);
    EXPECT_FLOAT_EQ(on(5), 14.0f);
    // Once: only on the deadline day, with the value.
    r().setLateChargePer(Frequency::once);
    EXPECT_FLOAT_EQ(on(-1), 0.0f);
    EXPECT_FLOAT_EQ(on(0), 84.0f);  // expense + value
    EXPECT_FLOAT_EQ(on(1), 0.0f);
}

TEST_F(MarvalsTest, AnnualisedValueHourlyWorthAndTheDefault)
{
    s.header.setU8(630, 5);
    EXPECT_FLOAT_EQ(annualisedValue(s, 100.0f, 0), 0.0f);
    EXPECT_FLOAT_EQ(annualisedValue(s, 100.0f, Frequency::perHour), 0.0f);  // no period
    s.header.setU8(630, 0);
    EXPECT_FLOAT_EQ(annualisedValue(s, 100.0f, Frequency::daily), 0.0f);
    EXPECT_FLOAT_EQ(annualisedValue(s, 100.0f, Frequency::once), 100.0f);

    ItemHandle h = item("h");
    ItemRecord& r = s.record(h);
    r.setValue(100.0f);
    r.setRewardPer(Frequency::once);
    r.setDuration(0);
    EXPECT_FLOAT_EQ(annualisedValuePerHour(s, h), 6000.0f);

    r.setDuration(50);
    setDefaultMarval(r, 30);
    EXPECT_EQ(r.rewardPer(), Frequency::daily);
    EXPECT_EQ(r.lateChargePer(), Frequency::daily);
    EXPECT_FLOAT_EQ(r.value(), 25.0f);
}

// --- the value order ------------------------------------------------------------------

class MarvalsOrderTest : public testing::PlistTest {
protected:
    MarvalsOrderTest() { setMarvalsOn(s.header, true); }
    // A floating A item worth `perHour` an hour, created on day + minute.
    ItemHandle valued(const std::string& text, float perHour, int createdDay = 5000, int createdTime = 600,
                      std::uint8_t letter = 'A')
    {
        ItemHandle h = floating(text, letter);
        ItemRecord& r = s.record(h);
        r.setValue(perHour);  // duration 60
        r.setCreatedDay(static_cast<std::int16_t>(createdDay));
        r.setCreatedTime(static_cast<std::int16_t>(createdTime));
        s.plist.setHourizedMarval(findPlistEntry(s, h), hourizedMarval(r));
        return h;
    }
};

TEST_F(MarvalsOrderTest, SortPutsUnvaluedFirstThenByValueThenByAgeAndIsStable)
{
    valued("ten-new", 10, 5001);
    valued("ten-earlier", 10, 5001, 300);
    valued("five", 5);
    valued("none", 0);
    valued("ten-old", 10, 4000);
    valued("twenty", 20);
    valued("none2", 0);
    valued("b", 99, 5000, 600, 'B');
    marvalsSortClassA(s);
    EXPECT_TRUE(listIs("A1:none A2:none2 A3:twenty A4:ten-old A5:ten-earlier A6:ten-new A7:five B1:b"));
    s.dirty = false;
    marvalsSortClassA(s);
    EXPECT_FALSE(s.dirty);  // nothing moved
}

TEST_F(MarvalsOrderTest, SortLeavesEntriesWithoutALetterAlone)
{
    valued("low", 1);
    valued("high", 9);
    valued("none-a", 1, 5000, 600, 0);
    valued("none-b", 9, 5000, 600, 0);
    marvalsSortClassA(s);
    std::vector<std::string> names;
    for (PlistEntryHandle e : s.plist)
        names.emplace_back(s.storedDescription(s.plist.entry(e).item));
    EXPECT_EQ(names, (std::vector<std::string>{"none-a", "none-b", "high", "low"}));
    EXPECT_TRUE(invariantsHold());
}

TEST_F(MarvalsOrderTest, PositionForANewItem)
{
    valued("b", 50, 5000, 600, 'B');
    EXPECT_EQ(marvalsPosition(s, 15, 1), 1);  // an empty class A
    valued("none", 0);
    valued("twenty", 20);
    valued("ten", 10);
    marvalsSortClassA(s);
    ASSERT_EQ(order(), "A1:none A2:twenty A3:ten B1:b");
    EXPECT_EQ(marvalsPosition(s, 15, 1), 3);  // ahead of ten
    EXPECT_EQ(marvalsPosition(s, 15, 0), 2);  // counted from 0
    EXPECT_EQ(marvalsPosition(s, 25, 1), 2);  // ahead of twenty, behind the unvalued
    EXPECT_EQ(marvalsPosition(s, 10, 1), 4);  // not lower than v: after the last A
}

TEST_F(MarvalsOrderTest, ResortFindsThePlaceOnlyWithMarvalsOnAndOnlyInClassA)
{
    ItemHandle b1 = valued("b1", 1, 5000, 600, 'B');
    valued("b2", 9, 5000, 600, 'B');
    ItemHandle twenty = valued("twenty", 20);
    marvalsResort(s, twenty);  // the only A item stays ahead of class B
    EXPECT_TRUE(listIs("A1:twenty B1:b1 B2:b2"));
    ItemHandle x = valued("x", 5);
    valued("ten", 10);
    s.record(x).setValue(15);  // its entry still says 5 until re-sorted
    marvalsResort(s, x);
    EXPECT_TRUE(listIs("A1:twenty A2:x A3:ten B1:b1 B2:b2"));
    EXPECT_FLOAT_EQ(s.plist.entry(findPlistEntry(s, x)).hourizedMarval, 15.0f);
    s.record(x).setValue(1);
    marvalsResort(s, x);
    EXPECT_TRUE(listIs("A1:twenty A2:ten A3:x B1:b1 B2:b2"));

    marvalsResort(s, b1);
    s.record(twenty).setValue(0.5f);
    setMarvalsOn(s.header, false);
    marvalsResort(s, twenty);
    EXPECT_TRUE(listIs("A1:twenty A2:ten A3:x B1:b1 B2:b2"));
}

TEST_F(MarvalsOrderTest, SortOfAManyEntryClassIsNotQuadratic)
{
    // Ascending values are the worst case of the program's one-pass sort.
    for (int i = 0; i < 20000; ++i)
        valued("v", static_cast<float>(i + 1), 5000, 600);
    marvalsSortClassA(s);
    EXPECT_FLOAT_EQ(s.plist.entry(s.plist.first()).hourizedMarval, 20000.0f);
    EXPECT_TRUE(s.plist.isOrdered());
}

TEST_F(MarvalsTest, MultiplyValuesOfEveryItemFloatingOrNotAfterAsking)
{
    ItemHandle a = floating("a");
    ItemHandle fixed = item("fixed");
    s.record(a).setValue(4.0f);
    s.record(fixed).setValue(1.5f);
    // A tenth or less does nothing, without asking.
    EXPECT_FALSE(multiplyValues(s, 0.1));
    EXPECT_FALSE(multiplyValues(s, -3));
    EXPECT_TRUE(presenter.shown().empty());
    presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(multiplyValues(s, 3));
    EXPECT_FLOAT_EQ(s.record(a).value(), 4.0f);

    presenter.clear();
    s.dirty = false;
    presenter.queueAnswer(Answer::Yes);
    EXPECT_TRUE(multiplyValues(s, 2));
    EXPECT_FLOAT_EQ(s.record(a).value(), 8.0f);
    EXPECT_FLOAT_EQ(s.record(fixed).value(), 3.0f);
    ASSERT_EQ(presenter.shown().size(), 1u);
    EXPECT_EQ(presenter.shown()[0].kind, MessageKind::Question);
    EXPECT_EQ(presenter.shown()[0].text, "Multiply the Value of each item in the Priority List by a factor of 2.00?");
    EXPECT_TRUE(s.dirty);
}

} // namespace
} // namespace zk
