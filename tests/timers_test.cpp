// The Timer, the Countdown Timer and the time zone table without windows:
// timers across midnight, the double Reset, the cost read-out, zones across
// their daylight saving changes, the time in a zone at the day's edges, and
// timezone.lst read whole, damaged and written back.

#include "core/calendar.h"
#include "core/scheduleheader.h"
#include "engine/marvals.h"
#include "plistsupport.h"
#include "platform/filesystem.h"
#include "worktools/model/daydollars.h"
#include "worktools/model/timers.h"
#include "worktools/model/timezones.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>

namespace zk {
namespace {

// Seconds of a moment on 11 March 2024, as the clock counts them.
std::int64_t at(int hour, int minute, int second, int dayOffset = 0)
{
    return (19793LL + dayOffset) * 86400 + hour * 3600 + minute * 60 + second;
}

TEST(TimerTest, RunsAcrossMidnightPausesResumesAndResetTwiceRestores)
{
    Stopwatch watch;
    watch.start(at(23, 59, 50));
    watch.tick(at(0, 0, 10, 1));
    EXPECT_EQ(watch.elapsedSeconds(), 20) << "midnight does not turn the time back";
    EXPECT_EQ(elapsedDisplay(watch.elapsedSeconds(), ":"), ":20");

    watch.pause();
    watch.tick(at(0, 5, 0, 1));
    EXPECT_EQ(watch.elapsedSeconds(), 20) << "paused";
    watch.start(at(0, 5, 0, 1));
    watch.tick(at(1, 7, 3, 1));
    EXPECT_EQ(watch.elapsedSeconds(), 20 + 3600 + 2 * 60 + 3) << "resumes where it stopped";
    EXPECT_EQ(elapsedDisplay(watch.elapsedSeconds(), ":"), "01:02:23");
    EXPECT_EQ(elapsedDisplay(123, "."), " 2.03");

    const std::int64_t before = watch.elapsedSeconds();
    watch.reset();
    EXPECT_EQ(watch.state(), TimerState::reset);
    EXPECT_EQ(watch.elapsedSeconds(), 0);
    watch.reset();
    EXPECT_EQ(watch.state(), TimerState::paused);
    EXPECT_EQ(watch.elapsedSeconds(), before) << "the second Reset undoes the first";
    watch.reset();
    EXPECT_EQ(watch.elapsedSeconds(), 0);

    // A clock set back does not run the timer backwards.
    watch.start(at(9, 0, 0));
    watch.tick(at(8, 0, 0));
    EXPECT_EQ(watch.elapsedSeconds(), 0);
}

TEST(TimerTest, CostAtARateIsRightAlignedAndBoundedInWidth)
{
    EXPECT_EQ(costDisplay(timerCost(30 * 60, 60.0F, RateUnit::perHour)), "  30.00");
    EXPECT_EQ(costDisplay(timerCost(90, 2.0F, RateUnit::perMinute)), "   3.00");
    EXPECT_EQ(costDisplay(123456.0F), " 123456");
    EXPECT_EQ(costDisplay(99999.99F), "99999.99");
    EXPECT_EQ(costDisplay(10000000.0F), "100000+");
    EXPECT_EQ(costDisplay(-1.0F), "100000+");
    EXPECT_EQ(rateText(rateOf("12.5")), "12.50");
    EXPECT_EQ(rateText(rateOf("abc")), " 0.00");
}

TEST(CountdownTest, RingsOnceAfterItsSpanAndCountsOnPastZeroEvenAcrossMidnight)
{
    Countdown countdown;
    countdown.start(at(23, 59, 58), 0, 5);
    int rings = 0;
    int tickOfRing = 0;
    for (int tick = 1; tick <= 9; ++tick)
        if (countdown.tick(at(23, 59, 58) + tick)) {
            ++rings;
            tickOfRing = tick;
        }
    EXPECT_EQ(rings, 1);
    EXPECT_EQ(tickOfRing, 6);
    EXPECT_EQ(countdown.remainingSeconds(), -4) << "past midnight it still counts from its start";
    EXPECT_EQ(countdownDisplay(countdown.remainingSeconds(), ":"), "-0:04");
    countdown.stop();
    EXPECT_FALSE(countdown.tick(at(0, 1, 0, 1)));

    // A new Start rings again.
    countdown.start(at(8, 0, 0), 1, 0);
    EXPECT_EQ(countdownDisplay(countdown.remainingSeconds(), ":"), "1:00");
    EXPECT_FALSE(countdown.tick(at(8, 1, 0)));
    EXPECT_TRUE(countdown.tick(at(8, 1, 1)));
}

TEST(TimerSettingsTest, LiveAtTheirHeaderOffsetsAndLeaveTheOtherBytes)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    std::iota(header.bytes().begin() + 455, header.bytes().begin() + 489, std::uint8_t{1});
    header.setU16(ScheduleHeader::timerPerAt, 0);
    EXPECT_EQ(timerSettingsOf(header).unit, RateUnit::perMinute) << "0 is per minute";
    const ScheduleHeader before = header;

    storeTimerSettings(header, {2.5F, RateUnit::perHour, 7, 30});
    EXPECT_EQ(header.f32(463), 2.5F);
    EXPECT_EQ(header.u16(467), 156);
    EXPECT_EQ(header.u16(469), 7);
    EXPECT_EQ(header.u16(471), 30);
    for (std::size_t i = 0; i < ScheduleHeader::kSize; ++i)
        if (i < 463 || i >= 473) {
            EXPECT_EQ(header.bytes()[i], before.bytes()[i]) << "byte " << i;
        }
    EXPECT_EQ(timerSettingsOf(header), (TimerSettings{2.5F, RateUnit::perHour, 7, 30}));
}

// --- zones -----------------------------------------------------------------------------

const ZoneRecord kNewYork{300, true, {2, 0, 3}, {1, 0, 11}};  // second Sunday of March .. first Sunday of November
const ZoneRecord kSydney{-600, true, {1, 0, 10}, {1, 0, 4}};  // first Sunday of October .. first Sunday of April

TEST(TimeZoneTest, DaylightTimeBeginsOnItsDateAndEndsOnItsDateInBothHemispheres)
{
    const DayNumber begins = dayOf(3, 10, 2024);
    const DayNumber ends = dayOf(11, 3, 2024);
    EXPECT_EQ(ruleDate(kNewYork.begin, 2024), begins);
    EXPECT_EQ(ruleDate(kNewYork.end, 2024), ends);
    EXPECT_FALSE(isDaylightTime(kNewYork, begins - 1));
    EXPECT_TRUE(isDaylightTime(kNewYork, begins));
    for (DayNumber d = begins + 1; d < ends; ++d)
        ASSERT_TRUE(isDaylightTime(kNewYork, d)) << civilDate(d).month << "/" << civilDate(d).day;
    EXPECT_FALSE(isDaylightTime(kNewYork, ends));
    EXPECT_FALSE(isDaylightTime(kNewYork, dayOf(12, 31, 2024)));
    EXPECT_EQ(zoneOffsetOnDay(kNewYork, dayOf(7, 1, 2024)), 240);
    EXPECT_EQ(zoneOffsetOnDay(kNewYork, dayOf(1, 1, 2024)), 300);

    EXPECT_TRUE(isDaylightTime(kSydney, dayOf(1, 15, 2024))) << "the period crosses the new year";
    EXPECT_FALSE(isDaylightTime(kSydney, dayOf(7, 1, 2024)));

    // The last Sunday: the fifth in March 2024, the fourth in October.
    EXPECT_EQ(ruleDate({0, 0, 3}, 2024), dayOf(3, 31, 2024));
    EXPECT_EQ(ruleDate({0, 0, 10}, 2024), dayOf(10, 27, 2024));

    // A zone whose rules were never set has no daylight time.
    EXPECT_FALSE(isDaylightTime(ZoneRecord{300, true, {}, {}}, begins));
}

TEST(TimeZoneTest, TheTimeInAZoneWrapsAroundMidnight)
{
    const ZoneRecord local{60, false, {}, {}};
    const ZoneRecord eastOfIt{0, false, {}, {}};
    const DayNumber today = dayOf(3, 11, 2024);
    EXPECT_EQ(zoneTime(local, eastOfIt, today, TimeValue::fromClock(23, 0)).value(), 1) << "00:00";
    EXPECT_EQ(zoneTime(local, eastOfIt, today, TimeValue::fromClock(22, 59)).value(), 1440) << "0 is 23:59";
    EXPECT_EQ(zoneTime(local, kSydney, today, TimeValue::fromClock(8, 0)).value(), TimeValue::fromClock(20, 0).value())
        << "09:00 universal time; Sydney is in daylight time in March";
    EXPECT_FALSE(isWorkingHours(TimeValue::fromClock(7, 59)));
    EXPECT_TRUE(isWorkingHours(TimeValue::fromClock(8, 0)));
    EXPECT_TRUE(isWorkingHours(TimeValue::fromClock(17, 0)));
    EXPECT_FALSE(isWorkingHours(TimeValue::fromClock(17, 1)));
}

class ZoneFileTest : public ::testing::Test {
protected:
    ZoneFileTest()
    {
        folder_ = std::filesystem::temp_directory_path() / ("zelkon-zones-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    ~ZoneFileTest() override { std::filesystem::remove_all(folder_); }
    std::filesystem::path write(const std::string& text)
    {
        std::ofstream(file(), std::ios::binary) << text;
        return file();
    }
    std::filesystem::path file() const { return folder_ / kZoneFileName; }

    std::filesystem::path folder_;
};

TEST_F(ZoneFileTest, LinesWithoutAFlagAreShownAmongTheFirstSixAndADamagedLineEndsTheTable)
{
    std::string text;
    for (int i = 1; i <= 7; ++i)
        text += "Zone" + std::to_string(i) + "\t" + std::to_string(i) + ":00\n";
    text += "1Paris   \t-1:00 0 0 3 0 0 10   \n";
    text += "0Nowhere\t5:0x\n";
    text += "1Never read\t1:00\n";
    const ZoneTableRead read = *loadZoneTable(write(text));
    ASSERT_EQ(read.table.zones.size(), 8U);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(read.table.zones[static_cast<std::size_t>(i)].shown, i < 6) << i;
    const Zone& paris = read.table.zones[7];
    EXPECT_EQ(paris.name, "Paris");
    EXPECT_TRUE(paris.shown);
    EXPECT_EQ(paris.record, (ZoneRecord{-60, true, {0, 0, 3}, {0, 0, 10}}));
    EXPECT_EQ(read.problem, "invalid time zone value 5:0x");
    EXPECT_EQ(read.table.shownCount(), 7);

    // A rule outside the calendar, a line without an offset, and a line
    // longer than the limit: bounded, and what came before stays.
    EXPECT_EQ(parseZoneTable("1A\t1:00\n1B\t2:00 2 0 13 1 0 11\n").problem, "invalid time zone value 2:00 2 0 13 1 0 11");
    EXPECT_EQ(parseZoneTable("1A\t1:00\n1B\t2:00 2 0 13 1 0 11\n").table.zones.size(), 1U);
    EXPECT_EQ(parseZoneTable("1A\t1:00\nno tab here\n1C\t3:00\n").table.zones.size(), 1U);
    const std::string longName = "1" + std::string(300, 'x') + "\t1:00\n";
    EXPECT_TRUE(parseZoneTable(longName).table.zones.empty()) << "its offset lies beyond the line's limit";
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += "1Z\t1:00\n";
    EXPECT_EQ(loadZoneTable(write(many))->table.zones.size(), kMaxZones);

    EXPECT_FALSE(loadZoneTable(folder_ / "missing.lst"));
}

// Offsets are written as signed durations and read back as such: a zone at
// universal time, zones east of it, and "5:00" on any clock.
TEST_F(ZoneFileTest, WrittenTablesReadBackTheSame)
{
    ZoneTable table;
    table.zones = {Zone{kNewYork, "New York", true}, Zone{{0, false, {}, {}}, "London", false},
                   Zone{{-330, false, {}, {}}, "Mumbai", true}, Zone{kSydney, "Sydney\tAU", true}};
    ASSERT_EQ(saveZoneTable(systemFileSystem(), file(), table), 0);
    std::ifstream in(file());
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "1New York                           \t5:00 2 0 3 1 0 11");
    const ZoneTableRead read = *loadZoneTable(file());
    EXPECT_FALSE(read.problem);
    ASSERT_EQ(read.table.zones.size(), 4U);
    EXPECT_EQ(read.table.zones[0], table.zones[0]);
    EXPECT_EQ(read.table.zones[1], table.zones[1]);
    EXPECT_EQ(read.table.zones[2], table.zones[2]);
    EXPECT_EQ(read.table.zones[3].name, "Sydney AU") << "a tab in a name would split the line";
    EXPECT_FALSE(std::filesystem::exists(file().string() + ".tmp"));
}

TEST_F(ZoneFileTest, StartingASessionSetsTheHeadersZoneFieldsAndLeavesTheOtherBytes)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    std::iota(header.bytes().begin() + 440, header.bytes().begin() + 461, std::uint8_t{100});
    const ScheduleHeader before = header;
    write("1New York\t5:00 2 0 3 1 0 11\n0London\t0:00\n1Tokyo\t-9:00\n");
    const ZoneFiles files{folder_ / "none" / kZoneFileName, file()};
    ZoneStart start = startTimeZones(header, files, ComputerZone{300, true, "EST", "EDT"});
    ASSERT_TRUE(start.table);
    EXPECT_FALSE(start.problem);
    EXPECT_EQ(shownZonesOf(header), 2);
    EXPECT_EQ(header.u8(454), 2);
    EXPECT_EQ(localZoneOf(header), kNewYork) << "the table's zone of the same offset lends its rules";
    const std::array<std::uint8_t, 9> expected{44, 1, 1, 2, 0, 3, 1, 0, 11};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), header.bytes().begin() + 445));
    for (std::size_t i = 0; i < ScheduleHeader::kSize; ++i)
        if (i < 445 || i > 454) {
            EXPECT_EQ(header.bytes()[i], before.bytes()[i]) << "byte " << i;
        }

    // East of universal time, the offset is stored as its two's complement.
    startTimeZones(header, files, ComputerZone{-540, false, "JST", ""});
    EXPECT_EQ(header.u16(445), 65536 - 540);
    EXPECT_EQ(localZoneOf(header).minutesWest, -540);

    const ZoneStart missing = startTimeZones(header, ZoneFiles{folder_ / "none.lst", {}}, ComputerZone{});
    EXPECT_FALSE(missing.table);
    EXPECT_EQ(missing.problem, "Unable to open " + (folder_ / "none.lst").string());
}

using DayDollarsTest = testing::PlistTest;

TEST_F(DayDollarsTest, TodaysItemsAreSplitIntoEarnedAndStillToEarn)
{
    auto valued = [this](const std::string& text, float value, int dayOffset = 0) {
        ItemHandle h = item(text, 'A', dayOffset);
        s.record(h).setValue(value);
        s.record(h).setRewardPer(Frequency::once);
        if (!s.findDay(today() + dayOffset))
            s.days.insert(today() + dayOffset);
        s.days.appendEntry(today() + dayOffset, DayEntry{h, 0, 60});
        return h;
    };
    s.record(valued("report", 40.0F)).setFlag(ItemFlag::fDone, true);
    valued("call", 25.5F);
    valued("broken", std::numeric_limits<float>::quiet_NaN());
    valued("tomorrow", 1000.0F, 1);
    item("no value");
    s.header.setI16(ScheduleHeader::hourlyWorthAt, 55);

    const DayDollars dollars = dayDollars(s, today(), clock);
    EXPECT_EQ(dollars.items, 2) << "a value that is no number does not count";
    EXPECT_FLOAT_EQ(dollars.earned, 40.0F);
    EXPECT_FLOAT_EQ(dollars.toEarn, 25.5F);
    EXPECT_FLOAT_EQ(dollars.total(), 65.5F);
    EXPECT_EQ(dollars.hourlyWorth, 55);
    EXPECT_EQ(dayDollars(s, today() + 2, clock).items, 0);
}

TEST(DayDollarsTextTest, AmountsReadAsDollarsAndCents)
{
    EXPECT_EQ(dollarText(0), "$0.00");
    EXPECT_EQ(dollarText(1234567.5F), "$1,234,567.50");
    EXPECT_EQ(dollarText(-42.125F), "-$42.13");
    EXPECT_EQ(dollarText(999.999F), "$1,000.00");
}

} // namespace
} // namespace zk
