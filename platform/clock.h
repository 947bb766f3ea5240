#pragma once
// The one clock of the program. Everything that asks "what is today" or
// "what time is it" asks a Clock, so tests and reproducible runs can fix it:
// the environment variable ZELKON_NOW ("YYYY-MM-DD HH:MM" or
// "YYYY-MM-DD HH:MM:SS", local time) freezes the system clock at that moment.

#include "core/daynumber.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace zk {

// A local wall-clock moment, broken down.
struct LocalMoment {
    int year = 1980;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59

    DayNumber dayNumber() const;
    TimeValue timeValue() const { return TimeValue::fromClock(hour, minute); }
    friend bool operator==(const LocalMoment&, const LocalMoment&) = default;
};

// Parses "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS"; nothing when the text
// is not such a moment or names an impossible date.
std::optional<LocalMoment> parseLocalMoment(std::string_view text);

// How far the local clock is ahead of UTC at noon of the day, in minutes,
// by the system's time zone (daylight saving included).
int utcOffsetMinutes(const LocalMoment& day);

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalMoment localNow() const = 0;
    // Seconds since 1 January 1970 UTC, for file times and edit stamps.
    virtual std::int64_t unixSeconds() const = 0;

    DayNumber today() const { return localNow().dayNumber(); }
    TimeValue now() const { return localNow().timeValue(); }
};

class SystemClock final : public Clock {
public:
    LocalMoment localNow() const override;
    std::int64_t unixSeconds() const override;
};

// A clock that shows what it is told; it only moves when set or advanced.
class FixedClock final : public Clock {
public:
    explicit FixedClock(LocalMoment moment);
    LocalMoment localNow() const override;
    std::int64_t unixSeconds() const override;

    void set(LocalMoment moment);
    void advanceSeconds(int seconds);

private:
    mutable std::mutex mutex_;
    LocalMoment moment_;
};

// The system clock, or a fixed clock when ZELKON_NOW holds a moment.
// A ZELKON_NOW that does not parse is reported on stderr and ignored.
std::unique_ptr<Clock> clockFromEnvironment();

} // namespace zk
