#pragma once
// The place settings of the Options menu: the position for the sun and moon
// times (Latitude, Longitude, north and east positive) and the tide
// location (its name and mean high-water interval). What the user typed is
// checked here; a value that cannot be used comes back as the message that
// says why, and nothing is stored.

#include "engine/tides.h"
#include "shell/model/settings.h"

#include <string>
#include <string_view>
#include <variant>

namespace zk {

extern const char* const kLatitudeRangeText;
extern const char* const kLongitudeRangeText;
extern const char* const kTideNameText;
extern const char* const kHighWaterIntervalText;

struct GeoPosition {
    double latitude = 0, longitude = 0;
};

std::variant<GeoPosition, std::string> parseGeoPosition(std::string_view latitude, std::string_view longitude);
GeoPosition geoPositionOf(const Settings& settings);
void storeGeoPosition(Settings& settings, const GeoPosition& position);

std::variant<TideLocation, std::string> parseTideLocation(std::string_view name, std::string_view interval);
TideLocation tideLocationOf(const Settings& settings);
void storeTideLocation(Settings& settings, const TideLocation& location);

// Degrees as the dialog shows them: up to four decimals, no trailing zeros.
std::string degreesText(double degrees);

} // namespace zk
