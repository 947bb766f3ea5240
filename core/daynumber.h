#pragma once
// Day numbers and time values: the two small integers behind every date and
// clock time of a schedule.
//
// A day number counts days from Tuesday 1 January 1980 (day 1); 0 means "no
// date". Usable days lie in 2300..32508 (18 April 1986 .. 31 December 2068).
// A time value is minutes after midnight plus one: 1 is 00:00, 1440 is 23:59,
// 0 means "no time", and 1441..2880 are small hours that still belong to the
// day (night-owl windows); 2880 is the open latest end. Durations are plain
// minutes and stay plain ints.
//
// Both are stored in 16-bit fields of the data file; the wrappers keep a day
// from being passed where a minute is expected.

#include <compare>
#include <cstdint>

namespace zk {

class DayNumber {
public:
    constexpr DayNumber() = default;
    constexpr explicit DayNumber(int value) : value_(value) {}

    constexpr int value() const { return value_; }
    constexpr bool isNone() const { return value_ == 0; }
    constexpr explicit operator bool() const { return value_ != 0; }

    // 0 = Sunday .. 6 = Saturday; day 1 is a Tuesday.
    constexpr int weekday() const { return ((value_ + 1) % 7 + 7) % 7; }
    constexpr bool isWeekend() const { return weekday() == 0 || weekday() == 6; }
    constexpr bool isUsable() const { return value_ >= 2300 && value_ <= 32508; }

    constexpr DayNumber operator+(int days) const { return DayNumber(value_ + days); }
    constexpr DayNumber operator-(int days) const { return DayNumber(value_ - days); }
    constexpr int operator-(DayNumber other) const { return value_ - other.value_; }
    constexpr DayNumber& operator+=(int days) { value_ += days; return *this; }
    constexpr DayNumber& operator-=(int days) { value_ -= days; return *this; }
    constexpr DayNumber& operator++() { ++value_; return *this; }
    constexpr DayNumber& operator--() { --value_; return *this; }

    friend constexpr auto operator<=>(DayNumber, DayNumber) = default;

private:
    int value_ = 0;
};

inline constexpr DayNumber kNoDay{0};
inline constexpr DayNumber kFirstUsableDay{2300};
inline constexpr DayNumber kLastUsableDay{32508};

class TimeValue {
public:
    constexpr TimeValue() = default;
    constexpr explicit TimeValue(int value) : value_(value) {}

    static constexpr TimeValue fromClock(int hour, int minute) { return TimeValue(hour * 60 + minute + 1); }

    constexpr int value() const { return value_; }
    constexpr bool isNone() const { return value_ == 0; }
    constexpr explicit operator bool() const { return value_ != 0; }

    constexpr int hour() const { return (value_ - 1) / 60; }
    constexpr int minute() const { return (value_ - 1) % 60; }
    // Minutes after midnight, 0..2879 for a set value.
    constexpr int minutes() const { return value_ - 1; }
    constexpr TimeValue startOfHour() const { return TimeValue((value_ - 1) / 60 * 60 + 1); }
    constexpr bool isMorning() const { return value_ <= 720; }

    constexpr TimeValue operator+(int minutes) const { return TimeValue(value_ + minutes); }
    constexpr TimeValue operator-(int minutes) const { return TimeValue(value_ - minutes); }
    constexpr int operator-(TimeValue other) const { return value_ - other.value_; }

    friend constexpr auto operator<=>(TimeValue, TimeValue) = default;

private:
    int value_ = 0;
};

inline constexpr TimeValue kNoTime{0};
inline constexpr TimeValue kMidnight{1};
inline constexpr TimeValue kNoon{721};
inline constexpr TimeValue kLastMinuteOfDay{1440};
inline constexpr TimeValue kOpenLatestEnd{2880};

// Minutes from one time value to another across midnight: to - from, plus
// 1440 when `to` is not later than `from`.
constexpr int minutesBetween(TimeValue from, TimeValue to)
{
    int d = to - from;
    return d > 0 ? d : d + 1440;
}

} // namespace zk
