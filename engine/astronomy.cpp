#include "engine/astronomy.h"

#include "core/calendar.h"
#include "platform/clock.h"

#include <cmath>
#include <numbers>

namespace zk {

namespace {

// Day number 0 is 31 December 1979.
constexpr double kJulianOfDayZero = 2444238.5;
constexpr double kSecond = 1.0 / 86400.0;

// Dynamical time runs ahead of UT by about a minute in this era; a linear
// fit through the measured values of 1980 (50.5 s), 2000 (63.8 s) and
// 2024 (69.2 s), continued at the recent rate.
double deltaTSeconds(double julian)
{
    const double year = 2000.0 + (julian - kJ2000) / 365.25;
    if (year < 2000.0)
        return 63.8 - 0.665 * (2000.0 - year);
    if (year < 2024.0)
        return 63.8 + 0.225 * (year - 2000.0);
    return 69.2 + 0.1 * (year - 2024.0);
}

} // namespace

double radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
double degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

double normalisedDegrees(double angle)
{
    double a = std::fmod(angle, 360.0);
    return a < 0 ? a + 360.0 : a;
}

double signedDegrees(double angle)
{
    double a = normalisedDegrees(angle);
    return a >= 180.0 ? a - 360.0 : a;
}

double julianOfDay(DayNumber day) { return kJulianOfDayZero + day.value(); }

double centuriesOfDynamicalTime(double julian)
{
    return (julian + deltaTSeconds(julian) * kSecond - kJ2000) / 36525.0;
}

double siderealDegrees(double julian)
{
    const double d = julian - kJ2000;
    const double t = d / 36525.0;
    return normalisedDegrees(280.46061837 + 360.98564736629 * d + 0.000387933 * t * t);
}

Equatorial equatorialOf(double eclipticLongitude, double eclipticLatitude, double julian)
{
    const double t = centuriesOfDynamicalTime(julian);
    const double e = radians(23.4392911 - 0.0130042 * t);
    const double l = radians(eclipticLongitude), b = radians(eclipticLatitude);
    Equatorial place;
    place.rightAscension =
        normalisedDegrees(degrees(std::atan2(std::sin(l) * std::cos(e) - std::tan(b) * std::sin(e), std::cos(l))));
    place.declination = degrees(std::asin(std::sin(b) * std::cos(e) + std::cos(b) * std::sin(e) * std::sin(l)));
    return place;
}

double hourAngleDegrees(const Equatorial& place, double julian, double longitude)
{
    return signedDegrees(siderealDegrees(julian) + longitude - place.rightAscension);
}

double altitudeDegrees(const Equatorial& place, double julian, double latitude, double longitude)
{
    const double phi = radians(latitude), delta = radians(place.declination);
    const double h = radians(hourAngleDegrees(place, julian, longitude));
    return degrees(std::asin(std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(h)));
}

double sunLongitude(double julian)
{
    const double t = centuriesOfDynamicalTime(julian);
    const double meanLongitude = 280.46646 + 36000.76983 * t + 0.0003032 * t * t;
    const double m = radians(357.52911 + 35999.05029 * t - 0.0001537 * t * t);
    const double centre = (1.914602 - 0.004817 * t - 0.000014 * t * t) * std::sin(m)
                        + (0.019993 - 0.000101 * t) * std::sin(2 * m) + 0.000289 * std::sin(3 * m);
    return normalisedDegrees(meanLongitude + centre - 0.00569);
}

int utcOffsetOfDay(DayNumber day)
{
    const CivilDate date = civilDate(day);
    return utcOffsetMinutes(LocalMoment{date.year, date.month, date.day, 12, 0, 0});
}

double localMidnight(DayNumber day, int utcOffsetMinutes) { return julianOfDay(day) - utcOffsetMinutes / 1440.0; }

TimeValue localTime(double julian, DayNumber day, int utcOffsetMinutes)
{
    double minutes = (julian - julianOfDay(day)) * 1440.0 + utcOffsetMinutes;
    int whole = static_cast<int>(std::lround(minutes));
    whole = ((whole % 1440) + 1440) % 1440;
    return TimeValue::fromClock(whole / 60, whole % 60);
}

std::vector<Crossing> zeroCrossings(const std::function<double(double)>& f, double from, double to, double step)
{
    std::vector<Crossing> found;
    double a = from, fa = f(a);
    while (a < to) {
        const double b = std::min(a + step, to);
        const double fb = f(b);
        if ((fa < 0) != (fb < 0)) {
            double low = a, high = b, fLow = fa;
            while (high - low > kSecond) {
                const double mid = (low + high) / 2, fMid = f(mid);
                if ((fMid < 0) == (fLow < 0))
                    low = mid, fLow = fMid;
                else
                    high = mid;
            }
            if (high < to)
                found.push_back({high, fa < 0});
        }
        a = b;
        fa = fb;
    }
    return found;
}

} // namespace zk
