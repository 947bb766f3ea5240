#include "engine/tides.h"

#include "core/dateformat.h"
#include "engine/astronomy.h"
#include "engine/moontimes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace zk {

namespace {

// The moon's hour angle changes by 90° in about six hours, so two of its
// quarter turns never fall in one sample.
constexpr double kSearchStep = 1.0 / 24.0;
// The next low and high always lie within one lunar day.
constexpr double kLunarDay = 1.035;

std::optional<int> number(std::string_view text)
{
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

std::optional<int> parseHighWaterInterval(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::optional<int> hours = number(text.substr(0, colon));
    const std::string_view minuteText = text.substr(colon + 1);
    const std::optional<int> minutes = number(minuteText);
    if (!hours || !minutes || minuteText.size() != 2 || *hours < 0 || *minutes > 59)
        return std::nullopt;
    const int total = *hours * 60 + *minutes;
    if (total > kMaxHighWaterInterval)
        return std::nullopt;
    return total;
}

std::string formatHighWaterInterval(int minutes)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::vector<Tide> meanTides(double from, double to, double longitude, int highWaterInterval)
{
    const double lag = highWaterInterval / 1440.0;
    auto hourAngle = [longitude, lag](double julian) {
        return radians(hourAngleDegrees(moonPlace(julian - lag).equatorial, julian - lag, longitude));
    };
    // High water where the moon, an interval ago, stood on the meridian
    // (sin H = 0); low water a quarter turn from it (cos H = 0).
    std::vector<Tide> tides;
    for (const Crossing& c : zeroCrossings([&](double j) { return std::sin(hourAngle(j)); }, from, to, kSearchStep))
        tides.push_back({TideKind::High, c.julian});
    for (const Crossing& c : zeroCrossings([&](double j) { return std::cos(hourAngle(j)); }, from, to, kSearchStep))
        tides.push_back({TideKind::Low, c.julian});
    std::sort(tides.begin(), tides.end(), [](const Tide& a, const Tide& b) { return a.julian < b.julian; });
    return tides;
}

std::string tideFacts(DayNumber day, DayNumber today, TimeValue now, const TideDisplay& display,
                      const RegionalSettings& regional)
{
    if (day != today || (!display.highTide && !display.lowTide) || !display.location.highWaterInterval)
        return {};
    const int offset = utcOffsetOfDay(day);
    const double from = localMidnight(day, offset) + (now.value() - 1) / 1440.0;
    bool lowShown = !display.lowTide, highShown = !display.highTide;
    std::string facts;
    for (const Tide& tide : meanTides(from, from + kLunarDay, display.longitude, *display.location.highWaterInterval)) {
        bool& shown = tide.kind == TideKind::Low ? lowShown : highShown;
        if (shown)
            continue;
        shown = true;
        facts += (tide.kind == TideKind::Low ? "Low tide " : "High tide ") + timeText(localTime(tide.julian, day, offset), regional) + "; ";
    }
    return facts;
}

} // namespace zk
