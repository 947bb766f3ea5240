#pragma once
// Sunrise, the sun's highest point (zenith) and sunset of a day at a place,
// for the day facts line. The place is latitude and longitude in degrees,
// north and east positive; times are local clock times given the day's
// offset from UTC. Accurate to about a minute between the polar circles;
// beyond them a day may have no sunrise or no sunset.

#include "core/daynumber.h"
#include "core/regional.h"

#include <optional>
#include <string>

namespace zk {

struct SunTimes {
    std::optional<TimeValue> rise;  // none: the sun does not rise or set
    TimeValue zenith;
    std::optional<TimeValue> set;
    bool allDay = false;            // above the horizon the whole day
};

SunTimes sunTimes(DayNumber day, double latitude, double longitude, int utcOffsetMinutes);

// Which sun times the day facts line shows, and where.
struct SunDisplay {
    bool sunrise = false, zenith = false, sunset = false;
    double latitude = 0, longitude = 0;
    bool any() const { return sunrise || zenith || sunset; }
};

// "sunrise 6:12a; zenith 12:09p; sunset 6:05p; " as chosen, at the system
// time zone's offset of that day; a sun that does not rise or set leaves
// its time out.
std::string sunFacts(DayNumber day, const SunDisplay& display, const RegionalSettings& regional);

} // namespace zk
