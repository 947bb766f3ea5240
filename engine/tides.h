#pragma once
// Mean tide predictions for the day facts line. These are NOT tide tables:
// no harmonic constants or local observations are used. High water is put
// at the moon's passage over the place's meridian (above or below the
// pole) plus the tide location's mean high-water interval (its lunitidal
// interval), so two highs come a lunar day apart, about 12h25m, and low
// water comes midway between them, when the moon stood a quarter turn from
// the meridian. Real tides differ from this by up to an hour or more with
// the season, the spring/neap cycle, the weather and the coast's shape.
//
// The tide location is a name and its interval, "h:mm" from 0:00 to 12:24
// (the interval is less than half a lunar day); the meridian is the place's
// longitude (east positive).

#include "core/daynumber.h"
#include "core/regional.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

inline constexpr int kMaxHighWaterInterval = 12 * 60 + 24;

struct TideLocation {
    std::string name;
    std::optional<int> highWaterInterval;  // minutes; none until one was chosen
};

std::optional<int> parseHighWaterInterval(std::string_view text);
std::string formatHighWaterInterval(int minutes);

enum class TideKind { Low, High };
struct Tide {
    TideKind kind = TideKind::High;
    double julian = 0;
};
// The tides in [from, to), in the order they come.
std::vector<Tide> meanTides(double from, double to, double longitude, int highWaterInterval);

// Which tides the line shows, and where.
struct TideDisplay {
    bool highTide = false, lowTide = false;
    double longitude = 0;
    TideLocation location;
};

// For today only, once a high-water interval was chosen: the next low and
// the next high water after now, "Low tide 3:12p; High tide 9:25p; ", in
// the order in which they come, at the system time zone's offset.
std::string tideFacts(DayNumber day, DayNumber today, TimeValue now, const TideDisplay& display,
                      const RegionalSettings& regional);

} // namespace zk
