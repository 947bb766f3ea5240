#include "platform/clock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace zk {

namespace {

std::chrono::year_month_day civil(const LocalMoment& m)
{
    return std::chrono::year_month_day{std::chrono::year{m.year},
                                       std::chrono::month{static_cast<unsigned>(m.month)},
                                       std::chrono::day{static_cast<unsigned>(m.day)}};
}

// Local time to seconds since the epoch, the way the C library sees it.
std::int64_t toUnixSeconds(const LocalMoment& m)
{
    std::tm tm{};
    tm.tm_year = m.year - 1900;
    tm.tm_mon = m.month - 1;
    tm.tm_mday = m.day;
    tm.tm_hour = m.hour;
    tm.tm_min = m.minute;
    tm.tm_sec = m.second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

LocalMoment fromTm(const std::tm& tm)
{
    return LocalMoment{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec > 59 ? 59 : tm.tm_sec};
}

} // namespace

DayNumber LocalMoment::dayNumber() const
{
    using namespace std::chrono;
    // 31 December 1979 is day 0, so day 1 is 1 January 1980.
    const sys_days dayZero{std::chrono::year{1979} / std::chrono::December / std::chrono::day{31}};
    return DayNumber(static_cast<int>((sys_days{civil(*this)} - dayZero).count()));
}

int utcOffsetMinutes(const LocalMoment& day)
{
    LocalMoment noon = day;
    noon.hour = 12;
    noon.minute = noon.second = 0;
    const std::time_t t = static_cast<std::time_t>(toUnixSeconds(noon));
    std::tm tm{};
    localtime_r(&t, &tm);
    return static_cast<int>(tm.tm_gmtoff / 60);
}

std::optional<LocalMoment> parseLocalMoment(std::string_view text)
{
    std::string s(text);
    LocalMoment m;
    int consumed = 0;
    int n = std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d%n", &m.year, &m.month, &m.day, &m.hour,
                        &m.minute, &consumed);
    if (n != 5)
        return std::nullopt;
    if (static_cast<size_t>(consumed) < s.size()) {
        int extra = 0;
        if (std::sscanf(s.c_str() + consumed, ":%2d%n", &m.second, &extra) != 1
            || static_cast<size_t>(consumed + extra) != s.size())
            return std::nullopt;
    }
    if (!civil(m).ok() || m.hour < 0 || m.hour > 23 || m.minute < 0 || m.minute > 59 || m.second < 0
        || m.second > 59)
        return std::nullopt;
    return m;
}

LocalMoment SystemClock::localNow() const
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return fromTm(tm);
}

std::int64_t SystemClock::unixSeconds() const { return static_cast<std::int64_t>(std::time(nullptr)); }

FixedClock::FixedClock(LocalMoment moment) : moment_(moment) {}

LocalMoment FixedClock::localNow() const
{
    std::lock_guard lock(mutex_);
    return moment_;
}

std::int64_t FixedClock::unixSeconds() const
{
    std::lock_guard lock(mutex_);
    return toUnixSeconds(moment_);
}

void FixedClock::set(LocalMoment moment)
{
    std::lock_guard lock(mutex_);
    moment_ = moment;
}

void FixedClock::advanceSeconds(int seconds)
{
    std::lock_guard lock(mutex_);
    std::time_t t = static_cast<std::time_t>(toUnixSeconds(moment_) + seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    moment_ = fromTm(tm);
}

namespace {

// ZELKON_NOW with ZELKON_NOW_RATE=N: the clock starts at that moment and runs
// N times as fast as the real one, so that a test of the program sees its
// minutes pass without waiting for them.
class RunningClock final : public Clock {
public:
    RunningClock(LocalMoment start, int rate)
        : start_(start), rate_(rate), began_(std::chrono::steady_clock::now())
    {
    }
    LocalMoment localNow() const override
    {
        FixedClock at(start_);
        at.advanceSeconds(elapsedSeconds());
        return at.localNow();
    }
    std::int64_t unixSeconds() const override
    {
        FixedClock at(start_);
        at.advanceSeconds(elapsedSeconds());
        return at.unixSeconds();
    }

private:
    int elapsedSeconds() const
    {
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began_);
        return static_cast<int>(elapsed.count() * rate_ / 1000);
    }

    LocalMoment start_;
    int rate_;
    std::chrono::steady_clock::time_point began_;
};

std::optional<int> clockRate()
{
    const char* text = std::getenv("ZELKON_NOW_RATE");
    if (!text || !*text)
        return std::nullopt;
    char* end = nullptr;
    long rate = std::strtol(text, &end, 10);
    if (*end != '\0' || rate < 1 || rate > 86400)
        return std::nullopt;
    return static_cast<int>(rate);
}

} // namespace

std::unique_ptr<Clock> clockFromEnvironment()
{
    if (const char* fixed = std::getenv("ZELKON_NOW"); fixed && *fixed) {
        if (auto moment = parseLocalMoment(fixed)) {
            if (std::optional<int> rate = clockRate())
                return std::make_unique<RunningClock>(*moment, *rate);
            return std::make_unique<FixedClock>(*moment);
        }
        std::fprintf(stderr, "zelkon: ZELKON_NOW=\"%s\" is not \"YYYY-MM-DD HH:MM[:SS]\"; using the system clock\n",
                     fixed);
    }
    return std::make_unique<SystemClock>();
}

} // namespace zk
