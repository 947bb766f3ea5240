#pragma once
// The moon for the day facts line and the pane heading: its place from a
// truncated lunar series (about 10" in longitude, 4" in latitude, and a few
// kilometres in distance), moonrise and moonset at a place, its phase, and
// the moments of new moon, first quarter, full moon and last quarter.
//
// Contract:
// - Rise and set are the moments the moon's upper limb meets the horizon:
//   the geocentric altitude then is moonHorizonAltitude(), which allows for
//   parallax, the semi-diameter and refraction. They are good to a minute
//   or two between the polar circles.
// - Which hours a day's moon times cover (MoonHours): the morning reading
//   is the calendar day, local midnight to midnight; the evening reading is
//   the night that follows the day, local noon to the next day's noon, so
//   that an evening's rise and the set after midnight show together. In
//   those hours the moon may rise without setting or set without rising;
//   the moon above the horizon throughout is "moon all night".
// - A day shows a principal phase (new, first quarter, full, last quarter)
//   when that moment falls within its local hours; other days show the
//   crescent or gibbous phase between them.

#include "core/daynumber.h"
#include "core/regional.h"
#include "engine/astronomy.h"

#include <optional>
#include <string>

namespace zk {

struct MoonPlace {
    double longitude = 0;  // ecliptic, of the date
    double latitude = 0;
    double distanceKm = 0;
    double parallax = 0;   // equatorial horizontal parallax
    Equatorial equatorial;
};
MoonPlace moonPlace(double julian);

// The geocentric altitude of the moon's centre, and the altitude at which
// it rises or sets.
double moonAltitude(double julian, double latitude, double longitude);
double moonHorizonAltitude(double julian);

enum class MoonHours { Evening, Morning };

struct MoonTimes {
    std::optional<double> rise;  // moments; none when it does not happen in the hours
    std::optional<double> set;
    bool allNight = false;       // above the horizon throughout
};
MoonTimes moonTimes(DayNumber day, double latitude, double longitude, int utcOffsetMinutes, MoonHours hours);

enum class MoonPhaseName {
    New, WaxingCrescent, FirstQuarter, WaxingGibbous, Full, WaningGibbous, LastQuarter, WaningCrescent,
};

struct MoonPhase {
    MoonPhaseName name = MoonPhaseName::New;
    double ageDays = 0;      // since the last new moon
    double illuminated = 0;  // fraction of the disc lit, 0..1
    bool waxing = true;
};
// The phase at the day's local noon; the name follows the principal phase
// that falls in the day.
MoonPhase moonPhase(DayNumber day, int utcOffsetMinutes);
// The moment of the principal phase (0 new, 1 first quarter, 2 full,
// 3 last quarter) nearest to `near`.
double principalPhaseMoment(double near, int quarter);
// The phase's symbol, one character in UTF-8.
const char* moonSymbol(MoonPhaseName name);

// What of the moon a pane shows, and where.
struct MoonDisplay {
    bool phases = false;  // the phase symbol and the drawing of the moon
    bool moonrise = false, moonset = false;
    MoonHours hours = MoonHours::Evening;
    double latitude = 0, longitude = 0;
    bool symbol() const { return phases || moonrise || moonset; }
};

// "moonrise 7:02p; moonset 8:15a; ", or "moon all night; ", as chosen,
// at the system time zone's offset of the day.
std::string moonFacts(DayNumber day, const MoonDisplay& display, const RegionalSettings& regional);

} // namespace zk
