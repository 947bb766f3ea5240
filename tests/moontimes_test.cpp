// The moon against moments of its phases that were widely published
// (eclipses among them), rises and sets against the moon's own altitude,
// the polar days without either, the mean tides' rhythm, and the order of
// the sky's parts in the day facts line.

#include "engine/linetext.h"
#include "engine/moontimes.h"
#include "engine/tides.h"

#include "core/calendar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <tuple>

namespace zk {
namespace {

double utc(int year, int month, int day, int hour, int minute)
{
    return julianOfDay(dayOf(month, day, year)) + (hour * 60 + minute) / 1440.0;
}

constexpr double kMinute = 1.0 / 1440.0;

TEST(MoonTest, PhasesFallAtTheirPublishedMoments)
{
    // Year, month, day, hour and minute (UTC) of each moment, and its quarter.
    for (auto [y, m, d, hour, minute, quarter, name] : {
             std::tuple{2024, 1, 25, 17, 54, 2, MoonPhaseName::Full},
             {2024, 4, 8, 18, 21, 0, MoonPhaseName::New},  // the total solar eclipse
             {2017, 8, 21, 18, 30, 0, MoonPhaseName::New},
             {2022, 11, 8, 11, 2, 2, MoonPhaseName::Full},  // a total lunar eclipse
             {2024, 1, 18, 3, 53, 1, MoonPhaseName::FirstQuarter},
             {2024, 2, 2, 23, 18, 3, MoonPhaseName::LastQuarter}}) {
        const double moment = utc(y, m, d, hour, minute);
        EXPECT_NEAR(principalPhaseMoment(moment + 3.0, quarter), moment, 4 * kMinute) << y << "-" << m << "-" << d;
        EXPECT_EQ(moonPhase(dayOf(m, d, y), 0).name, name) << y << "-" << m << "-" << d;
    }
    // Between them the crescent and gibbous phases, lit as they should be.
    for (auto [day, name, waxing, lowLit, highLit] : {
             std::tuple{dayOf(1, 14, 2024), MoonPhaseName::WaxingCrescent, true, 0.05, 0.4},
             {dayOf(1, 21, 2024), MoonPhaseName::WaxingGibbous, true, 0.6, 0.95},
             {dayOf(1, 25, 2024), MoonPhaseName::Full, true, 0.99, 1.0},  // noon, before the moment
             {dayOf(1, 29, 2024), MoonPhaseName::WaningGibbous, false, 0.6, 0.95},
             {dayOf(2, 6, 2024), MoonPhaseName::WaningCrescent, false, 0.05, 0.4},
             {dayOf(4, 8, 2024), MoonPhaseName::New, false, 0.0, 0.01}}) {
        const MoonPhase phase = moonPhase(day, 0);
        EXPECT_EQ(std::tuple(phase.name, phase.waxing), std::tuple(name, waxing)) << day.value();
        EXPECT_TRUE(phase.illuminated >= lowLit && phase.illuminated <= highLit) << day.value() << ": " << phase.illuminated;
    }
    EXPECT_NEAR(moonPhase(dayOf(1, 25, 2024), 0).ageDays, 14.3, 0.3);
    EXPECT_STREQ(moonSymbol(MoonPhaseName::Full), "\U0001F315");
}

TEST(MoonTest, RisesAndSetsMeetTheHorizonAndComeInTheirHours)
{
    const struct {
        double latitude, longitude;
        int offset;
    } places[] = {{51.5074, -0.1278, 0}, {-33.8688, 151.2093, 660}, {40.7128, -74.0060, -300}, {0.0, 0.0, 0}};
    int rises = 0, sets = 0;
    for (const auto& p : places) {
        for (DayNumber day = dayOf(1, 1, 2024); day < dayOf(1, 1, 2024) + 30; day += 3) {
            for (MoonHours hours : {MoonHours::Morning, MoonHours::Evening}) {
                const MoonTimes t = moonTimes(day, p.latitude, p.longitude, p.offset, hours);
                const double from = localMidnight(day, p.offset) + (hours == MoonHours::Evening ? 0.5 : 0.0);
                for (std::optional<double> moment : {t.rise, t.set}) {
                    if (!moment)
                        continue;
                    EXPECT_NEAR(moonAltitude(*moment, p.latitude, p.longitude), moonHorizonAltitude(*moment), 0.01);
                    EXPECT_GE(*moment, from);
                    EXPECT_LT(*moment, from + 1.0);
                }
                rises += t.rise ? 1 : 0;
                sets += t.set ? 1 : 0;
                // Just after the rise the moon climbs; a moon that was down
                // when the hours began rises before it sets.
                if (t.rise) {
                    EXPECT_GT(moonAltitude(*t.rise + 10 * kMinute, p.latitude, p.longitude),
                              moonAltitude(*t.rise, p.latitude, p.longitude));
                }
                if (t.rise && t.set && moonAltitude(from, p.latitude, p.longitude) < moonHorizonAltitude(from)) {
                    EXPECT_LT(*t.rise, *t.set);
                }
            }
        }
    }
    // A lunar day is 50 minutes longer than a solar one: about one day in
    // thirty lacks a rise, another a set (of 80 spans here).
    EXPECT_GE(rises, 72);
    EXPECT_GE(sets, 72);
    EXPECT_LT(rises, 80);
}

TEST(MoonTest, FarNorthTheMoonMayStayUpOrDown)
{
    // Svalbard near the moon's major standstill: the full moon of December
    // stands far north, the new moon far south.
    const MoonTimes up = moonTimes(dayOf(12, 15, 2024), 78.22, 15.65, 60, MoonHours::Morning);
    EXPECT_TRUE(up.allNight && !up.rise && !up.set);
    const MoonTimes down = moonTimes(dayOf(12, 30, 2024), 78.22, 15.65, 60, MoonHours::Morning);
    EXPECT_FALSE(down.allNight || down.rise || down.set);
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    MoonDisplay display{.phases = false, .moonrise = true, .moonset = true, .hours = MoonHours::Morning,
                        .latitude = 78.22, .longitude = 15.65};
    EXPECT_EQ(moonFacts(dayOf(12, 15, 2024), display, RegionalSettings{}), "moon all night; ");
    EXPECT_EQ(moonFacts(dayOf(12, 30, 2024), display, RegionalSettings{}), "");
}

TEST(TideTest, HighsFollowTheMoonsPassageByTheIntervalWithLowsBetween)
{
    const std::optional<int> no;
    for (auto [text, minutes] : {std::pair<std::string_view, std::optional<int>>{"5:30", 330}, {" 0:00 ", 0}, {"12:24", 744},
                                 {"12:25", no}, {"5:3", no}, {"530", no}, {"-1:00", no}, {"a:bc", no}, {"", no}})
        EXPECT_EQ(parseHighWaterInterval(text), minutes) << text;
    EXPECT_EQ(formatHighWaterInterval(330), "5:30");

    const double from = utc(2024, 3, 1, 0, 0);
    const double longitude = -4.14;  // Plymouth
    const std::vector<Tide> tides = meanTides(from, from + 3.0, longitude, 330);
    ASSERT_GE(tides.size(), 10u);
    for (std::size_t i = 0; i < tides.size(); ++i) {
        if (i > 0) {
            EXPECT_NE(tides[i].kind, tides[i - 1].kind);
        }
        if (i >= 2) {
            EXPECT_NEAR(tides[i].julian - tides[i - 2].julian, (12 * 60 + 25) * kMinute, 25 * kMinute);
        }
        if (tides[i].kind == TideKind::High) {
            const double transit = tides[i].julian - 330 * kMinute;
            const double h = hourAngleDegrees(moonPlace(transit).equatorial, transit, longitude);
            EXPECT_NEAR(std::sin(radians(h)), 0.0, 0.001);
        }
        if (i > 0 && i + 1 < tides.size() && tides[i].kind == TideKind::Low) {
            EXPECT_NEAR(tides[i].julian, (tides[i - 1].julian + tides[i + 1].julian) / 2, 10 * kMinute);
        }
    }
    // Two hours more of interval put every tide two hours later.
    const std::vector<Tide> later = meanTides(from + 2.0 / 24, from + 3.0 + 2.0 / 24, longitude, 450);
    ASSERT_EQ(later.size(), tides.size());
    for (std::size_t i = 0; i < tides.size(); ++i)
        EXPECT_NEAR(later[i].julian - tides[i].julian, 2.0 / 24, 0.5 * kMinute);
}

TEST(SkyFactsTest, MoonThenSunThenTodaysTidesInTheOrderTheyCome)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    RegionalSettings regional;
    PaneDisplay d;
    d.moon = MoonDisplay{.phases = true, .moonrise = true, .moonset = true, .hours = MoonHours::Evening,
                         .latitude = 50.37, .longitude = -4.14};
    d.sun = SunDisplay{true, true, true, 50.37, -4.14};
    d.tides = TideDisplay{true, true, -4.14, TideLocation{"Plymouth", 330}};
    const DayNumber today = dayOf(3, 1, 2024);
    const std::string facts = skyFacts(today, d, LineMoment{today, TimeValue::fromClock(10, 0)}, regional);
    const std::vector<std::string> parts = {"moonrise ", "moonset ", "sunrise ", "zenith ", "sunset "};
    std::size_t at = 0;
    for (const std::string& part : parts) {
        std::size_t found = facts.find(part, at);
        ASSERT_NE(found, std::string::npos) << part << " in " << facts;
        at = found;
    }
    const std::size_t low = facts.find("Low tide "), high = facts.find("High tide ");
    ASSERT_TRUE(low != std::string::npos && high != std::string::npos) << facts;
    EXPECT_GT(std::min(low, high), at);
    // The earlier of the two comes first: the next tides after 10:00.
    const std::vector<Tide> coming = meanTides(julianOfDay(today) + 10.0 / 24, julianOfDay(today) + 1.1, -4.14, 330);
    ASSERT_FALSE(coming.empty());
    EXPECT_EQ(coming.front().kind == TideKind::Low, low < high) << facts;
    EXPECT_EQ(facts.substr(facts.size() - 2), "; ");

    // Tides are today's only; without an interval there are none.
    const std::string tomorrow = skyFacts(today + 1, d, LineMoment{today, TimeValue::fromClock(10, 0)}, regional);
    EXPECT_EQ(tomorrow.find("tide"), std::string::npos);
    d.tides.location.highWaterInterval.reset();
    EXPECT_EQ(skyFacts(today, d, LineMoment{today, TimeValue::fromClock(10, 0)}, regional).find("tide"),
              std::string::npos);
}

} // namespace
} // namespace zk
