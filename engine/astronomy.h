#pragma once
// The sky arithmetic the sun, moon and tide facts share: Julian dates of day
// numbers, angles, sidereal time, the change from ecliptic to equatorial
// places, altitude and hour angle at a place, the local clock time of a
// moment, and the search for the moments a quantity passes through zero.
//
// Moments are Julian dates (days, UT). Places are latitude and longitude in
// degrees, north and east positive. Angles in and out are degrees.

#include "core/daynumber.h"

#include <functional>
#include <vector>

namespace zk {

inline constexpr double kJ2000 = 2451545.0;

double radians(double degrees);
double degrees(double radians);
// An angle brought into 0..360, and into -180..180.
double normalisedDegrees(double angle);
double signedDegrees(double angle);

// The Julian date of the day's midnight, UT.
double julianOfDay(DayNumber day);
// Julian centuries of dynamical time since J2000.0, for a moment in UT.
double centuriesOfDynamicalTime(double julian);
// Greenwich mean sidereal time.
double siderealDegrees(double julian);

struct Equatorial {
    double rightAscension = 0;
    double declination = 0;
};
// An ecliptic place of the date (longitude, latitude) at the mean obliquity.
Equatorial equatorialOf(double eclipticLongitude, double eclipticLatitude, double julian);
double hourAngleDegrees(const Equatorial& place, double julian, double longitude);
double altitudeDegrees(const Equatorial& place, double julian, double latitude, double longitude);

// The sun's geometric longitude of the date with aberration, to about 0.01°.
double sunLongitude(double julian);

// The system time zone's offset from UTC on the day (taken at its noon).
int utcOffsetOfDay(DayNumber day);
// The moment of the day's local midnight.
double localMidnight(DayNumber day, int utcOffsetMinutes);
// A moment as a clock time, to the nearest minute, wrapped into one day.
TimeValue localTime(double julian, DayNumber day, int utcOffsetMinutes);

// The moments in [from, to) at which f passes through zero, found by
// sampling every `step` days and halving each bracketing interval to a
// second; `rising` when f goes from below zero to above it. The step must
// be short enough that f changes sign at most once within it.
struct Crossing {
    double julian = 0;
    bool rising = false;
};
std::vector<Crossing> zeroCrossings(const std::function<double(double)>& f, double from, double to, double step);

} // namespace zk
