#pragma once
// The Timer (a stopwatch that also shows what the elapsed time costs at a
// rate) and the Countdown Timer (counts down from minutes and seconds and
// rings once at zero), without their windows.
//
// Both count in seconds of the one clock (Clock::unixSeconds()), read at
// each tick of the session, so a timer or a countdown that runs across
// midnight, or across a change of daylight saving time, keeps counting on
// instead of jumping back with the time of day.
//
// The settings that persist with the schedule live in its header:
//
//  off  width  field
//  463  f32    timerRate
//  467  u16    timerPer: 155 per minute, 156 per hour; 0 is read as 155
//  469  u16    countdownMinutes
//  471  u16    countdownSeconds

#include "core/scheduleheader.h"

#include <cstdint>
#include <string>

namespace zk {

// A reading {hours, minutes, seconds}: the form both timers show.
struct ClockReading {
    std::int64_t hours = 0;
    int minutes = 0;
    int seconds = 0;
    std::int64_t totalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
    friend bool operator==(const ClockReading&, const ClockReading&) = default;
};
// A count of seconds (not negative) as a reading.
ClockReading readingOf(std::int64_t seconds);

// The rate unit's button ids, as stored in the header.
enum class RateUnit : std::uint16_t { perMinute = 155, perHour = 156 };

struct TimerSettings {
    float rate = 0;
    RateUnit unit = RateUnit::perMinute;
    int countdownMinutes = 0;
    int countdownSeconds = 0;
    friend bool operator==(const TimerSettings&, const TimerSettings&) = default;
};
// A unit of 0 (or anything but the two buttons) is read as per minute.
TimerSettings timerSettingsOf(const ScheduleHeader& header);
// Writes the four fields; every other byte of the header stays.
void storeTimerSettings(ScheduleHeader& header, const TimerSettings& settings);

// --- the Timer -----------------------------------------------------------------------

// Named after the buttons.
enum class TimerState { started = 148, paused = 149, reset = 150 };

class Stopwatch {
public:
    // Runs on from the elapsed time it holds (a paused timer resumes).
    void start(std::int64_t now);
    void pause();
    // Clears the elapsed time and keeps it; pressed again while reset, the
    // kept time comes back, paused; a third press clears it again.
    void reset();
    // The session's second: the elapsed time moves on while started.
    void tick(std::int64_t now);

    TimerState state() const { return state_; }
    std::int64_t elapsedSeconds() const { return elapsed_; }

private:
    TimerState state_ = TimerState::reset;
    std::int64_t elapsed_ = 0;
    std::int64_t startReference_ = 0;  // the moment at which elapsed would be 0
    std::int64_t undo_ = 0;
};

// "01:02:03" (hours only when there are some), " 2:03", ":03"; `separator`
// is the regional time separator.
std::string elapsedDisplay(std::int64_t seconds, const std::string& separator);
// What the elapsed time costs at the rate, in single precision as shown.
float timerCost(std::int64_t seconds, float rate, RateUnit unit);
// "%7.2f" below 100000, "%7.0f" below 10000000, "100000+" from there on and
// for a negative cost.
std::string costDisplay(float cost);
// The rate field: "%5.2f"; a text that does not read as a number is 0.
std::string rateText(float rate);
float rateOf(const std::string& text);

// --- the Countdown Timer --------------------------------------------------------------

class Countdown {
public:
    // From the span, taken at Start.
    void start(std::int64_t now, int minutes, int seconds);
    void stop() { running_ = false; }
    // The session's second: true once, at the first tick whose remaining
    // time is below zero. It keeps counting past zero until stopped.
    bool tick(std::int64_t now);

    bool running() const { return running_; }
    bool rung() const { return rung_; }
    std::int64_t remainingSeconds() const { return remaining_; }

private:
    std::int64_t span_ = 0;
    std::int64_t start_ = 0;
    std::int64_t remaining_ = 0;
    bool running_ = false;
    bool rung_ = false;
};

// Minutes and seconds: "4:05", and past zero "-0:01".
std::string countdownDisplay(std::int64_t remainingSeconds, const std::string& separator);

} // namespace zk
