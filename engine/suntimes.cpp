#include "engine/suntimes.h"

#include "core/dateformat.h"
#include "engine/astronomy.h"

#include <cmath>
#include <numbers>

namespace zk {

namespace {

constexpr double kObliquity = 23.4397;
// The sun's disc and the refraction at the horizon.
constexpr double kHorizonAltitude = -0.833;

} // namespace

SunTimes sunTimes(DayNumber day, double latitude, double longitude, int utcOffsetMinutes)
{
    // The mean solar noon of the day, counted from J2000.0.
    const double noon = std::round(julianOfDay(day) + 0.5 - kJ2000 + 0.0008);
    const double meanNoon = noon - longitude / 360.0;
    const double anomaly = std::fmod(357.5291 + 0.98560028 * meanNoon, 360.0);
    const double m = radians(anomaly);
    const double centre = 1.9148 * std::sin(m) + 0.0200 * std::sin(2 * m) + 0.0003 * std::sin(3 * m);
    const double eclipticLongitude = radians(std::fmod(anomaly + centre + 180.0 + 102.9372, 360.0));
    const double transit = kJ2000 + meanNoon + 0.0053 * std::sin(m) - 0.0069 * std::sin(2 * eclipticLongitude);
    const double declination = std::asin(std::sin(eclipticLongitude) * std::sin(radians(kObliquity)));
    const double phi = radians(latitude);
    const double cosHourAngle = (std::sin(radians(kHorizonAltitude)) - std::sin(phi) * std::sin(declination))
                              / (std::cos(phi) * std::cos(declination));

    SunTimes times;
    times.zenith = localTime(transit, day, utcOffsetMinutes);
    if (cosHourAngle < -1.0) {
        times.allDay = true;
        return times;
    }
    if (cosHourAngle > 1.0)
        return times;
    const double halfDay = degrees(std::acos(cosHourAngle)) / 360.0;
    times.rise = localTime(transit - halfDay, day, utcOffsetMinutes);
    times.set = localTime(transit + halfDay, day, utcOffsetMinutes);
    return times;
}

std::string sunFacts(DayNumber day, const SunDisplay& display, const RegionalSettings& regional)
{
    if (!display.any())
        return {};
    const SunTimes times = sunTimes(day, display.latitude, display.longitude, utcOffsetOfDay(day));
    std::string facts;
    if (display.sunrise && times.rise)
        facts += "sunrise " + timeText(*times.rise, regional) + "; ";
    if (display.zenith)
        facts += "zenith " + timeText(times.zenith, regional) + "; ";
    if (display.sunset && times.set)
        facts += "sunset " + timeText(*times.set, regional) + "; ";
    return facts;
}

} // namespace zk
