// The occurrence test of recurrence rules (every period and its edge days),
// the searches over a definition's days, and the dialog's rule check.

#include "core/calendar.h"
#include "core/schedule.h"
#include "engine/occurrences.h"
#include "engine/rulecheck.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace zk {
namespace {

DayNumber date(int year, int month, int day) { return dayOf(month, day, year); }

RecurrenceRecord rule(std::uint8_t type, DayNumber start, int interval = 1)
{
    RecurrenceRecord r;
    r.setTypeByte(type);
    r.setStartDay(start);
    r.setInterval(static_cast<std::int16_t>(interval));
    return r;
}

RecurrenceRecord monthlyOnDays(std::initializer_list<int> days, DayNumber start)
{
    RecurrenceRecord r = rule(RecurType::monthly, start);
    std::uint32_t mask = 0;
    for (int d : days)
        mask |= 1u << (d - 1);
    r.setDayMask(mask);
    return r;
}

constexpr std::uint8_t kMonToFri = 0x3E;

RecurrenceRecord nearestOnThe15th(std::uint8_t option)
{
    RecurrenceRecord r = monthlyOnDays({15}, date(2023, 1, 1));
    r.setWeekdayByte(kMonToFri);
    r.setOptionByte(static_cast<std::uint8_t>(RecurOption::nearest | option));
    return r;
}

struct OccurrenceCase {
    const char* name;
    RecurrenceRecord rule;
    std::vector<std::pair<DayNumber, bool>> days;
};

std::vector<OccurrenceCase> occurrenceCases()
{
    const DayNumber jan2 = date(2023, 1, 2);  // a Monday
    std::vector<OccurrenceCase> cases;

    cases.push_back({"monthly on the 31st takes the last day of shorter months", monthlyOnDays({31}, date(2023, 1, 1)),
                     {{date(2023, 2, 28), true}, {date(2023, 4, 30), true}, {date(2023, 5, 30), false},
                      {date(2023, 5, 31), true}, {date(2024, 2, 28), false}, {date(2024, 2, 29), true}}});
    cases.push_back({"monthly on the 29th and 30th", monthlyOnDays({29, 30}, date(2023, 1, 1)),
                     {{date(2023, 2, 27), false}, {date(2023, 2, 28), true}, {date(2023, 3, 29), true},
                      {date(2023, 3, 30), true}, {date(2023, 3, 31), false}}});

    RecurrenceRecord fortnightly = rule(RecurType::weekly, jan2, 2);
    fortnightly.setWeekdayByte(0x12);  // Monday, Thursday
    cases.push_back({"every 2 weeks on Monday and Thursday", fortnightly,
                     {{jan2, true}, {jan2 + 1, false}, {jan2 + 3, true}, {jan2 + 7, false}, {jan2 + 10, false},
                      {jan2 + 14, true}, {jan2 + 17, true}, {jan2 + 28, true}, {jan2 - 4, false}}});
    cases.push_back({"weekly without weekdays keeps the start's weekday", rule(RecurType::weekly, jan2 + 2),
                     {{jan2 + 2, true}, {jan2 + 5, false}, {jan2 + 9, true}}});

    RecurrenceRecord lastFriday = rule(RecurType::monthly, date(2023, 1, 1));
    lastFriday.setDayMask(kDayMaskWeekdayGrid);
    lastFriday.setWeekdayByte(1u << 5);
    cases.push_back({"the last Friday of the month", lastFriday,
                     {{date(2023, 1, 20), false}, {date(2023, 1, 27), true}, {date(2023, 2, 24), true},
                      {date(2023, 3, 24), false}, {date(2023, 3, 31), true}}});
    RecurrenceRecord secondTuesday = rule(RecurType::monthly, date(2023, 1, 1));
    secondTuesday.setDayMask(kDayMaskWeekdayGrid | (1u << (7 + 2)));
    cases.push_back({"the second Tuesday of the month", secondTuesday,
                     {{date(2023, 1, 3), false}, {date(2023, 1, 10), true}, {date(2023, 2, 14), true}}});

    // 15 April 2023 is a Saturday, 15 January 2023 a Sunday.
    cases.push_back({"nearest weekday to the 15th", nearestOnThe15th(0),
                     {{date(2023, 4, 14), true}, {date(2023, 4, 15), false}, {date(2023, 4, 17), false},
                      {date(2023, 1, 13), false}, {date(2023, 1, 16), true}, {date(2023, 2, 15), true}}});
    cases.push_back({"on or after the 15th", nearestOnThe15th(RecurOption::onOrAfter),
                     {{date(2023, 4, 14), false}, {date(2023, 4, 17), true}, {date(2023, 1, 16), true}}});
    cases.push_back({"on or before the 15th", nearestOnThe15th(RecurOption::onOrBefore),
                     {{date(2023, 4, 14), true}, {date(2023, 1, 13), true}, {date(2023, 1, 16), false}}});

    RecurrenceRecord december = rule(RecurType::daily, date(2023, 1, 1));
    december.setMonthWord(0x07FF);
    cases.push_back({"daily with every month but December excluded", december,
                     {{date(2023, 11, 30), false}, {date(2023, 12, 1), true}, {date(2023, 12, 31), true},
                      {date(2024, 1, 1), false}}});

    RecurrenceRecord threeDays = rule(RecurType::daily, jan2, 3);
    threeDays.setEndDay(jan2 + 6);
    cases.push_back({"every 3 days until an end day", threeDays,
                     {{jan2 - 3, false}, {jan2, true}, {jan2 + 1, false}, {jan2 + 3, true}, {jan2 + 6, true},
                      {jan2 + 9, false}}});
    // Without a mask the start's day of month is the only day: shorter
    // months are skipped, never given their last day.
    cases.push_back({"plain monthly from the 31st skips shorter months", rule(RecurType::monthly, date(2023, 1, 31)),
                     {{date(2023, 2, 28), false}, {date(2023, 3, 30), false}, {date(2023, 3, 31), true},
                      {date(2023, 4, 30), false}, {date(2023, 5, 31), true}}});
    cases.push_back({"every 2 years", rule(RecurType::annually, date(2020, 3, 10), 2),
                     {{date(2022, 3, 10), true}, {date(2023, 3, 10), false}, {date(2022, 3, 11), false}}});

    RecurrenceRecord periods = rule(RecurType::monthly, date(2023, 1, 1));
    periods.setWeekdayByte(kWeekdayByteFourFourFive | (1u << 5));  // Friday of the fifth week
    periods.setDayMask(1u << 1);                                    // Monday of the first week
    // 1 January 2023 is a Sunday: week 1 is 1..7 January, week 13 is 26 March..1 April.
    cases.push_back({"4-4-5 periods", periods,
                     {{date(2023, 1, 2), true}, {date(2023, 1, 9), false}, {date(2023, 1, 30), true},
                      {date(2023, 3, 31), true}, {date(2023, 3, 24), false}}});
    return cases;
}

TEST(OccurrenceTest, EachRuleOccursOnItsDays)
{
    const DayNumber today = date(2023, 1, 1);
    for (const OccurrenceCase& c : occurrenceCases())
        for (auto [day, occurs] : c.days) {
            CivilDate d = civilDate(day);
            EXPECT_EQ(ruleOccursOn(c.rule, day, today), occurs)
                << c.name << " on " << d.year << "-" << d.month << "-" << d.day;
        }
}

TEST(OccurrenceTest, TheSearchesAgreeWithTheDayByDayTest)
{
    const DayNumber today = date(2023, 1, 1);
    const DayNumber from = date(2023, 1, 1);
    const DayNumber to = date(2024, 12, 31);
    for (const OccurrenceCase& c : occurrenceCases()) {
        std::vector<DayNumber> days;
        for (DayNumber d = from; d <= to; ++d)
            if (ruleOccursOn(c.rule, d, today))
                days.push_back(d);
        for (DayNumber at = from; at <= to; at += 13) {
            auto next = std::lower_bound(days.begin(), days.end(), at);
            auto after = std::upper_bound(days.begin(), days.end(), at);
            EXPECT_EQ(firstRuleDay(c.rule, at, to, today), next == days.end() ? kNoDay : *next) << c.name;
            EXPECT_EQ(lastRuleDay(c.rule, from, at, today), after == days.begin() ? kNoDay : *(after - 1)) << c.name;
        }
    }
}

class DefinitionSearchTest : public ::testing::Test {
protected:
    void SetUp() override { s.header.setLastPastDay(today - 1); }

    ItemHandle definition(const RecurrenceRecord& rule)
    {
        ItemHandle h = s.newItem();
        s.setDescription(h, "Weekly review");
        s.record(h).setFlag(ItemFlag::fRecurDef, true);
        s.recurrences.add(h, rule);
        s.addToChain(h, DayNumber(kNoDayInChain));
        return h;
    }

    Schedule s;
    const DayNumber today = date(2023, 10, 18);  // a Wednesday
    const DayNumber monday = date(2023, 10, 2);  // the series starts two weeks before
};

TEST_F(DefinitionSearchTest, SearchesStayWithinTheSeriesAndTheNonPastDays)
{
    RecurrenceRecord weekly = rule(RecurType::weekly, monday);
    weekly.setWeekdayByte(1u << 1);
    weekly.setEndDay(monday + 7 * 8);
    ItemHandle h = definition(weekly);
    const DayNumber nextMonday = today + 5;

    EXPECT_EQ(occursOn(s, h, monday + 7, today), 1);
    EXPECT_EQ(occursOn(s, h, monday + 8, today), 0);
    EXPECT_EQ(nextOccurrence(s, h, today, today), nextMonday);
    EXPECT_EQ(nextOccurrence(s, h, monday + 7 * 8, today), kNoDay) << "the end day bounds it";
    EXPECT_EQ(previousOccurrence(s, h, nextMonday + 7, today), nextMonday);
    EXPECT_EQ(previousOccurrence(s, h, nextMonday, today), kNoDay) << "past days hold no occurrences";
    EXPECT_EQ(countOccurrences(s, h, nextMonday, today), 4) << "counted from the start day";
    EXPECT_EQ(weeksSinceStart(s, h, monday + 15, today), 2);

    ASSERT_TRUE(s.recurrences.addEntry(h, nextMonday));
    EXPECT_EQ(nextOccurrence(s, h, today, today), nextMonday);
    EXPECT_EQ(nextStandardOccurrence(s, h, today, today), nextMonday + 7);
    EXPECT_EQ(previousStandardOccurrence(s, h, nextMonday + 8, today), nextMonday + 7);
    EXPECT_EQ(previousStandardOccurrence(s, h, nextMonday + 7, today), kNoDay);

    // An exception now on a later day than the last standard occurrence.
    ItemHandle moved = s.newItem();
    s.record(moved).setFlag(ItemFlag::fException, true);
    s.record(moved).setCreatedDay(static_cast<std::int16_t>((nextMonday + 14).value()));
    s.setDay(moved, nextMonday + 16);
    ASSERT_TRUE(s.recurrences.addEntry(h, nextMonday + 14, moved));
    EXPECT_EQ(latestOccurrenceBefore(s, h, nextMonday + 20, today), nextMonday + 16);
    EXPECT_EQ(latestOccurrenceBefore(s, h, nextMonday + 15, today), nextMonday + 7);

    RecurrenceRecord suspended = weekly;
    suspended.setMonthWord(kMonthWordSuspended);
    s.recurrences.setRule(h, suspended);
    EXPECT_EQ(occursOn(s, h, nextMonday + 7, today), 0);
    EXPECT_EQ(nextOccurrence(s, h, today, today), kNoDay);
}

TEST_F(DefinitionSearchTest, ARuleWithoutAPeriodIsMadeDailyFromToday)
{
    RecurrenceRecord none;
    ItemHandle h = definition(none);
    EXPECT_EQ(occursOn(s, h, today + 3, today), 1);
    EXPECT_EQ(s.unreportedTexts(), std::vector<std::string>{kNoTypeFlagsText});
    EXPECT_TRUE(s.dirty);
    EXPECT_EQ(s.recurrences.ruleOf(h).startDay(), today);
    EXPECT_EQ(occursOn(s, h, today - 1, today), 0);
    EXPECT_EQ(s.unreportedTexts().size(), 1u) << "repaired once";

    ItemHandle notADefinition = s.newItem();
    s.setDescription(notADefinition, "Loose");
    EXPECT_EQ(occursOn(s, notADefinition, today, today), -1);
    EXPECT_EQ(s.unreportedTexts().back(), "Loose");
}

TEST(RuleCheckTest, RepairsOrRefusesWhatTheDialogMayNotStore)
{
    const DayNumber today = date(2023, 10, 18);
    struct Case {
        const char* name;
        RecurrenceRecord rule;
        IntervalChoice choice;
        bool stored;
        std::string message;  // empty: none
        int interval;
        std::uint16_t monthWord;
    };
    RecurrenceRecord reversed = rule(RecurType::daily, today + 5);
    reversed.setEndDay(today + 2);
    RecurrenceRecord endsBeforeToday = rule(RecurType::daily, kNoDay);  // no start: today
    endsBeforeToday.setEndDay(today - 1);
    RecurrenceRecord nearestNoWeekdays = monthlyOnDays({15}, today);
    nearestNoWeekdays.setOptionByte(RecurOption::nearest);
    RecurrenceRecord allExcluded = rule(RecurType::daily, today);
    allExcluded.setMonthWord(0x0FFF);
    RecurrenceRecord allExcludedSuspended = allExcluded;
    allExcludedSuspended.setMonthWord(0x0FFF | kMonthWordSuspended);
    RecurrenceRecord noMonday = rule(RecurType::weekly, today);
    noMonday.setWeekdayByte(1u << 1);
    noMonday.setEndDay(today + 4);
    RecurrenceRecord noInstanceSuspended = noMonday;
    noInstanceSuspended.setMonthWord(kMonthWordSuspended);

    const std::vector<Case> cases = {
        {"every with 0", rule(RecurType::weekly, today, 0), IntervalChoice::Every, true, "", 2, 0},
        {"plain daily with 0", rule(RecurType::daily, today, 0), IntervalChoice::PlainDaily, true, "", 1, 0},
        {"end before start", reversed, IntervalChoice::Every, false, kStartEndConflictText, 1, 0},
        {"end before today's start", endsBeforeToday, IntervalChoice::PlainDaily, false, kStartEndConflictText, 1, 0},
        {"nearest without weekdays", nearestNoWeekdays, IntervalChoice::Every, false, kNearestNeedsDaysText, 1, 0},
        {"all months excluded", allExcluded, IntervalChoice::PlainDaily, true, kMonthBoxesResetText, 1, 0},
        {"all months excluded, suspended", allExcludedSuspended, IntervalChoice::PlainDaily, true, "", 1,
         0x0FFF | kMonthWordSuspended},
        {"Mondays from a Wednesday to the Sunday", noMonday, IntervalChoice::Every, false, kNoInstancesText, 1, 0},
        {"no instance but suspended", noInstanceSuspended, IntervalChoice::Every, true, "", 1, kMonthWordSuspended},
    };
    for (const Case& c : cases) {
        ScriptedPresenter presenter;
        Messages messages(presenter);
        RecurrenceRecord r = c.rule;
        EXPECT_EQ(checkRule(r, c.choice, messages, today), c.stored) << c.name;
        std::vector<std::string> expected;
        if (!c.message.empty())
            expected.push_back(c.message);
        EXPECT_EQ(presenter.texts(), expected) << c.name;
        EXPECT_EQ(r.interval(), c.interval) << c.name;
        EXPECT_EQ(r.monthWord(), c.monthWord) << c.name;
    }
}

} // namespace
} // namespace zk
