// Conflict checking of a saved appointment: overlaps with other anchored
// items on its day, a weekly appointment checked over the coming year, and
// the questions asked one by one until the user says No.

#include "sessionsupport.h"

#include "engine/conflicts.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

constexpr DayNumber kMonday = kSessionToday + 2;  // 23 October 2023

TimeValue hm(int hour, int minute = 0) { return TimeValue::fromClock(hour, minute); }

class ConflictsTest : public OpenSessionFixture {
protected:
    ItemHandle appointment(DayNumber day, const std::string& text, TimeValue begin, int duration,
                           std::uint32_t flags = 0)
    {
        NewItem item = itemOn(day, text, begin.value(), duration);
        item.record.setFlags(item.record.flags() | flags);
        return add(item);
    }
    ItemHandle weekly(const std::string& text, std::uint8_t weekdays, TimeValue begin, int duration)
    {
        RecurrenceRecord rule;
        rule.setTypeByte(RecurType::weekly);
        rule.setWeekdayByte(weekdays);
        rule.setInterval(1);
        NewItem item = itemOn(kSessionToday, text, begin.value(), duration);
        item.recurrence = rule;
        return add(item);
    }
};

TEST(ConflictOverlapTest, TouchingItemsDoNotOverlap)
{
    auto record = [](TimeValue begin, int duration) {
        ItemRecord r;
        r.setBeginTime(static_cast<std::int16_t>(begin.value()));
        r.setDuration(static_cast<std::uint16_t>(duration));
        return r;
    };
    EXPECT_EQ(overlapMinutes(record(hm(9), 60), record(hm(10), 60)), 0);
    EXPECT_EQ(overlapMinutes(record(hm(10), 60), record(hm(9), 60)), 0);
    EXPECT_EQ(overlapMinutes(record(hm(9), 60), record(hm(9, 30), 60)), 30);
    EXPECT_EQ(overlapMinutes(record(hm(9), 120), record(hm(9, 30), 15)), 15);
    EXPECT_EQ(overlapMinutes(record(hm(9), 60), record(hm(12), 60)), 0);
}

TEST_F(ConflictsTest, OnlyOverlappingAnchoredItemsNotOnHoldAreReported)
{
    ItemHandle dentist = appointment(kMonday, "Dentist", hm(9), 60);
    ItemHandle call = appointment(kMonday, "Call", hm(9, 30), 60);
    appointment(kMonday, "Next", hm(10, 30), 30);                    // touches the call
    appointment(kMonday, "Maybe", hm(9), 60, ItemFlag::fOnHold);     // on hold
    ItemHandle task = add(itemOn(kMonday, "Task", 0, 120));          // not anchored
    std::vector<Conflict> found = collectConflicts(schedule(), dentist, kSessionToday);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].other, call);
    EXPECT_EQ(found[0].day, kMonday);
    EXPECT_EQ(found[0].minutes, 30);
    std::vector<Conflict> back = collectConflicts(schedule(), call, kSessionToday);
    ASSERT_EQ(back.size(), 1u) << "the touching one is no conflict";
    EXPECT_EQ(back[0].other, dentist);
    EXPECT_FALSE(isCheckedForConflicts(schedule(), task));
    EXPECT_TRUE(collectConflicts(schedule(), task, kSessionToday).empty());
}

TEST_F(ConflictsTest, AWeeklyAppointmentIsCheckedOverTheComingYearUntilTheFirstNo)
{
    ItemHandle review = weekly("Review", static_cast<std::uint8_t>(1u << kMonday.weekday()), hm(9), 60);
    appointment(kMonday + 7, "Doctor", hm(9, 30), 30);
    appointment(kMonday + 28, "Interview", hm(8, 30), 60);
    appointment(kMonday + 7 * 60, "Past the year", hm(9), 60);
    std::vector<DayNumber> progress;
    std::vector<Conflict> found =
        collectConflicts(schedule(), review, kSessionToday, [&](DayNumber day) { progress.push_back(day); });
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].day, kMonday + 7);
    EXPECT_EQ(found[1].day, kMonday + 28);
    EXPECT_EQ(progress.front(), kMonday);
    EXPECT_LT(progress.back(), kSessionToday + kConflictCheckDays);
    EXPECT_EQ(progress.size(), 52u);

    schedule().formatDate = [](DayNumber day) { return "day " + std::to_string(day.value()); };
    std::vector<std::string> questions = conflictQuestions(schedule(), found);
    EXPECT_EQ(questions[0], "day " + std::to_string((kMonday + 7).value())
                                + "\n\nConflict found with Doctor.\n\nContinue Checking?");
    s->presenter.clear();
    s->presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(askAboutConflicts(s->messages, questions));
    EXPECT_EQ(s->presenter.texts().size(), 1u) << "No stops the check";
    s->presenter.clear();
    EXPECT_TRUE(askAboutConflicts(s->messages, questions));
    EXPECT_EQ(s->presenter.texts().size(), 2u);
}

} // namespace
} // namespace zk
