// The one-second tick: which steps run, in which order, while initialising
// and after; when the minute and the day work run; the night-owl clock and
// the date check.

#include "shell/model/heartbeat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zk {
namespace {

class RecordedSteps final : public TickSteps {
public:
    std::vector<std::string> ran;

    void statusLine() override { ran.push_back("status"); }
    void changeAccess() override { ran.push_back("access"); }
    void saveWhenNeeded() override { ran.push_back("save"); }
    void backgroundScheduling(bool near) override { ran.push_back(near ? "scheduling near" : "scheduling"); }
    void tideLine() override { ran.push_back("tide"); }
    void countSessions() override { ran.push_back("sessions"); }
    void pendingCarryOver() override { ran.push_back("carry-over"); }
    void minuteWork() override { ran.push_back("minute"); }
    void dayChangeWork() override { ran.push_back("day"); }
};

LocalMoment at(int day, int hour, int minute, int second = 30) { return {2024, 3, day, hour, minute, second}; }

const DayWindow kOffice{TimeValue::fromClock(7, 0), TimeValue::fromClock(23, 0), false};
// 7 a.m. to 1 a.m.: the day changes at about 4 a.m.
const DayWindow kNightOwl{TimeValue::fromClock(7, 0), TimeValue(1440 + 61), true};

class HeartbeatTest : public ::testing::Test {
protected:
    RecordedSteps steps;
    Heartbeat heartbeat{steps};
};

TEST_F(HeartbeatTest, WhileInitialisingOnlyTheStatusLineAndTheClockMove)
{
    heartbeat.readClock(at(4, 9, 0), kOffice);
    heartbeat.tick(at(5, 0, 1), kOffice, true);
    EXPECT_EQ(steps.ran, std::vector<std::string>{"status"});
    EXPECT_EQ(heartbeat.moment(), (SessionMoment{at(5, 0, 1).dayNumber(), TimeValue::fromClock(0, 1)}));
}

TEST_F(HeartbeatTest, ATickRunsItsStepsInOrderAndTheMinuteWorkWhenTheMinuteChanged)
{
    heartbeat.readClock(at(4, 9, 0), kOffice);
    heartbeat.tick(at(4, 9, 0, 30), kOffice, false);
    EXPECT_EQ(steps.ran, (std::vector<std::string>{"status", "access", "save", "scheduling", "tide", "sessions",
                                                   "carry-over"}));
    steps.ran.clear();
    heartbeat.tick(at(4, 9, 1, 2), kOffice, false);
    EXPECT_EQ(steps.ran, (std::vector<std::string>{"status", "access", "save", "scheduling near", "tide",
                                                   "sessions", "carry-over", "minute"}));
    // Near a minute boundary: the first ten and the last four seconds.
    std::vector<std::string> seen;
    for (int second : {9, 10, 55, 56}) {
        steps.ran.clear();
        heartbeat.tick(at(4, 9, 1, second), kOffice, false);
        seen.push_back(steps.ran[3]);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"scheduling near", "scheduling", "scheduling", "scheduling near"}));
}

TEST_F(HeartbeatTest, MidnightRunsTheMinuteWorkThenTheDayChangeWork)
{
    heartbeat.readClock(at(4, 23, 59), kOffice);
    heartbeat.tick(at(5, 0, 0, 0), kOffice, false);
    ASSERT_GE(steps.ran.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(steps.ran.end() - 2, steps.ran.end()),
              (std::vector<std::string>{"minute", "day"}));
    EXPECT_EQ(heartbeat.today(), at(5, 0, 0).dayNumber());
}

TEST_F(HeartbeatTest, ANightOwlsDayEndsHalfWayThroughTheHoursOutsideItsWindow)
{
    EXPECT_EQ(sessionMoment(at(5, 0, 30), kNightOwl), (SessionMoment{at(4, 0, 0).dayNumber(), TimeValue(1471)}));
    EXPECT_EQ(sessionMoment(at(5, 3, 59), kNightOwl).today, at(4, 0, 0).dayNumber());
    EXPECT_EQ(sessionMoment(at(5, 4, 0), kNightOwl), (SessionMoment{at(5, 0, 0).dayNumber(), TimeValue::fromClock(4, 0)}));
    EXPECT_EQ(sessionMoment(at(5, 0, 30), kOffice), (SessionMoment{at(5, 0, 0).dayNumber(), TimeValue(31)}));
    // Past midnight the night owl's day goes on: no day change yet.
    heartbeat.readClock(at(4, 23, 59), kNightOwl);
    heartbeat.tick(at(5, 0, 0, 0), kNightOwl, false);
    EXPECT_EQ(steps.ran.back(), "minute");
}

TEST_F(HeartbeatTest, TheDateCheckWarnsOnlyWhenTheClockStandsBeforeTheLastSession)
{
    DayNumber day = at(5, 0, 0).dayNumber();
    EXPECT_TRUE(clockWentBack(day - 1, day));
    EXPECT_FALSE(clockWentBack(day, day) || clockWentBack(day + 1, day) || clockWentBack(day, DayNumber()));
}

} // namespace
} // namespace zk
