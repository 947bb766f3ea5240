// Sun times against published almanac values (to two minutes), the polar
// day and night, and the facts line's wording and choice of parts.

#include "engine/suntimes.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace zk {
namespace {

int minutesOf(TimeValue t) { return t.value() - 1; }

void expectNear(std::optional<TimeValue> t, int hour, int minute)
{
    ASSERT_TRUE(t.has_value());
    EXPECT_NEAR(minutesOf(*t), hour * 60 + minute, 2) << hour << ":" << minute;
}

TEST(SunTimesTest, MatchTheAlmanacNorthAndSouthEastAndWest)
{
    // London, 21 June 2024, BST: sunrise 4:43, sunset 21:21, noon 13:02.
    SunTimes london = sunTimes(dayOf(6, 21, 2024), 51.5074, -0.1278, 60);
    expectNear(london.rise, 4, 43);
    expectNear(london.set, 21, 21);
    expectNear(london.zenith, 13, 2);
    // Sydney, 1 January 2024, AEDT: sunrise 5:47, sunset 20:09.
    SunTimes sydney = sunTimes(dayOf(1, 1, 2024), -33.8688, 151.2093, 660);
    expectNear(sydney.rise, 5, 47);
    expectNear(sydney.set, 20, 9);
    // New York, 4 March 2024, EST: a degree east of its zone's meridian,
    // with the sun running twelve minutes slow.
    SunTimes newYork = sunTimes(dayOf(3, 4, 2024), 40.7128, -74.0060, -300);
    expectNear(newYork.zenith, 12, 8);
    ASSERT_TRUE(newYork.rise && newYork.set);
    EXPECT_NEAR(minutesOf(newYork.zenith) - minutesOf(*newYork.rise), minutesOf(*newYork.set) - minutesOf(newYork.zenith), 2);
}

TEST(SunTimesTest, BeyondThePolarCirclesTheSunMayNotRiseOrSet)
{
    SunTimes midsummer = sunTimes(dayOf(6, 21, 2024), 78.22, 15.65, 120);  // Longyearbyen
    EXPECT_TRUE(midsummer.allDay && !midsummer.rise && !midsummer.set);
    SunTimes midwinter = sunTimes(dayOf(12, 21, 2024), 78.22, 15.65, 60);
    EXPECT_FALSE(midwinter.allDay || midwinter.rise || midwinter.set);
}

TEST(SunTimesTest, TheFactsNameOnlyTheChosenTimes)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    RegionalSettings regional;
    SunDisplay display;
    EXPECT_EQ(sunFacts(dayOf(3, 20, 2024), display, regional), "");
    display.sunrise = display.sunset = true;  // on the equator at Greenwich, near the equinox
    EXPECT_EQ(sunFacts(dayOf(3, 20, 2024), display, regional), "sunrise 6:04a; sunset 6:11p; ");
    display.sunrise = false;
    display.zenith = true;
    EXPECT_EQ(sunFacts(dayOf(3, 20, 2024), display, regional), "zenith 12:07p; sunset 6:11p; ");
}

} // namespace
} // namespace zk
