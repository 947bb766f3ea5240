#include "shell/model/placesettings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace zk {

const char* const kLatitudeRangeText = "Latitude must be a number of degrees from -90 to 90 (north positive, south negative).";
const char* const kLongitudeRangeText =
    "Longitude must be a number of degrees from -180 to 180 (east positive, west negative).";
const char* const kTideNameText = "Please name the tide location.";
const char* const kHighWaterIntervalText =
    "The high-water interval must be a time from 0:00 to 12:24 (h:mm), the time from the moon's passage to high water.";

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> degreesIn(std::string_view text, double limit)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)
        || std::abs(value) > limit)
        return std::nullopt;
    return value;
}

} // namespace

std::variant<GeoPosition, std::string> parseGeoPosition(std::string_view latitude, std::string_view longitude)
{
    std::optional<double> lat = degreesIn(latitude, 90.0);
    if (!lat)
        return std::string(kLatitudeRangeText);
    std::optional<double> lon = degreesIn(longitude, 180.0);
    if (!lon)
        return std::string(kLongitudeRangeText);
    return GeoPosition{*lat, *lon};
}

GeoPosition geoPositionOf(const Settings& settings)
{
    return {settings.real(RealSetting::Latitude), settings.real(RealSetting::Longitude)};
}

void storeGeoPosition(Settings& settings, const GeoPosition& position)
{
    settings.setReal(RealSetting::Latitude, position.latitude);
    settings.setReal(RealSetting::Longitude, position.longitude);
}

std::variant<TideLocation, std::string> parseTideLocation(std::string_view name, std::string_view interval)
{
    name = trimmed(name);
    if (name.empty())
        return std::string(kTideNameText);
    std::optional<int> minutes = parseHighWaterInterval(interval);
    if (!minutes)
        return std::string(kHighWaterIntervalText);
    return TideLocation{std::string(name), minutes};
}

TideLocation tideLocationOf(const Settings& settings)
{
    return {settings.text(TextSetting::TideLocation), parseHighWaterInterval(settings.text(TextSetting::TideInterval))};
}

void storeTideLocation(Settings& settings, const TideLocation& location)
{
    settings.setText(TextSetting::TideLocation, location.name);
    settings.setText(TextSetting::TideInterval,
                     location.highWaterInterval ? formatHighWaterInterval(*location.highWaterInterval) : "");
}

std::string degreesText(double degrees)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", degrees);
    std::string out = text;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    return out == "-0" ? "0" : out;
}

} // namespace zk
