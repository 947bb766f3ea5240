#include "worktools/model/timers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zk {

ClockReading readingOf(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    return {seconds / 3600, static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)};
}

TimerSettings timerSettingsOf(const ScheduleHeader& header)
{
    TimerSettings s;
    s.rate = header.f32(ScheduleHeader::timerRateAt);
    // A rate that is not a number would show as "nan" and cost nothing sensible.
    if (!std::isfinite(s.rate))
        s.rate = 0;
    s.unit = header.u16(ScheduleHeader::timerPerAt) == static_cast<std::uint16_t>(RateUnit::perHour) ? RateUnit::perHour
                                                                                                     : RateUnit::perMinute;
    s.countdownMinutes = header.u16(ScheduleHeader::countdownMinutesAt);
    s.countdownSeconds = header.u16(ScheduleHeader::countdownSecondsAt);
    return s;
}

void storeTimerSettings(ScheduleHeader& header, const TimerSettings& s)
{
    header.setF32(ScheduleHeader::timerRateAt, s.rate);
    header.setU16(ScheduleHeader::timerPerAt, static_cast<std::uint16_t>(s.unit));
    header.setU16(ScheduleHeader::countdownMinutesAt, static_cast<std::uint16_t>(std::clamp(s.countdownMinutes, 0, 65535)));
    header.setU16(ScheduleHeader::countdownSecondsAt, static_cast<std::uint16_t>(std::clamp(s.countdownSeconds, 0, 65535)));
}

// --- the Timer -----------------------------------------------------------------------

void Stopwatch::start(std::int64_t now)
{
    state_ = TimerState::started;
    startReference_ = now - elapsed_;
}

void Stopwatch::pause()
{
    if (state_ == TimerState::started)
        state_ = TimerState::paused;
}

void Stopwatch::reset()
{
    if (state_ == TimerState::reset) {
        elapsed_ = undo_;
        state_ = TimerState::paused;
        return;
    }
    state_ = TimerState::reset;
    undo_ = elapsed_;
    elapsed_ = 0;
}

void Stopwatch::tick(std::int64_t now)
{
    // A clock set back never makes the time run backwards.
    if (state_ == TimerState::started)
        elapsed_ = std::max<std::int64_t>(0, now - startReference_);
}

std::string elapsedDisplay(std::int64_t seconds, const std::string& separator)
{
    const ClockReading r = readingOf(seconds);
    char text[64];
    std::string out;
    if (r.hours != 0) {
        std::snprintf(text, sizeof text, "%1.2lli", static_cast<long long>(r.hours));
        out = text + separator;
    }
    if (r.hours != 0)
        std::snprintf(text, sizeof text, "%02i", r.minutes);
    else if (r.minutes != 0)
        std::snprintf(text, sizeof text, "%2i", r.minutes);
    else
        text[0] = '\0';
    out += text;
    std::snprintf(text, sizeof text, "%02i", r.seconds);
    return out + separator + text;
}

float timerCost(std::int64_t seconds, float rate, RateUnit unit)
{
    const float divisor = unit == RateUnit::perHour ? 3600.0F : 60.0F;
    return static_cast<float>(seconds) * rate / divisor;
}

std::string costDisplay(float cost)
{
    char text[32];
    if (!(cost >= 0) || cost >= 10000000.0F)
        return "100000+";
    std::snprintf(text, sizeof text, cost < 100000.0F ? "%7.2f" : "%7.0f", static_cast<double>(cost));
    return text;
}

std::string rateText(float rate)
{
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f", static_cast<double>(rate));
    return text;
}

float rateOf(const std::string& text)
{
    char* end = nullptr;
    const float rate = std::strtof(text.c_str(), &end);
    return end == text.c_str() || !std::isfinite(rate) ? 0.0F : rate;
}

// --- the Countdown Timer --------------------------------------------------------------

void Countdown::start(std::int64_t now, int minutes, int seconds)
{
    span_ = static_cast<std::int64_t>(minutes) * 60 + seconds;
    start_ = now;
    remaining_ = span_;
    running_ = true;
    rung_ = false;
}

bool Countdown::tick(std::int64_t now)
{
    if (!running_)
        return false;
    remaining_ = span_ - (now - start_);
    if (remaining_ >= 0 || rung_)
        return false;
    rung_ = true;
    return true;
}

std::string countdownDisplay(std::int64_t remaining, const std::string& separator)
{
    const std::int64_t magnitude = remaining < 0 ? -remaining : remaining;
    char text[64];
    std::snprintf(text, sizeof text, "%s%lld%s%02lld", remaining < 0 ? "-" : "", static_cast<long long>(magnitude / 60),
                  separator.c_str(), static_cast<long long>(magnitude % 60));
    return text;
}

} // namespace zk
