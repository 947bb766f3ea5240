#pragma once
// The recurrence dialog's model: one recurrence record shown as the
// dialog's choices (period, "Every", weekdays, the monthly modes with their
// grids, the Nearest options, carry-over, months, Suspended, Share Notes,
// the first and last day), and the record those choices give back.
//
// Contract:
// - record() of an editor made from a record and left untouched gives that
//   record back, byte for byte, whenever its interval is 1 or more: fields
//   the dialog does not show (the recurring id, the exception count and
//   list, the last done day, reserved bytes and unnamed bits) are carried.
// - Each monthly mode keeps its own grid, so trying another mode and coming
//   back loses nothing; record() writes the chosen mode's grid only.
// - "Every" unchecked is an interval of 1; checked, the number typed (0
//   for nothing, which the rule check turns into 2).
// - readField() reads the "Every" number and the two dates by the entry
//   rules; a text that does not read is refused with its message and the
//   choice is left as it was. An empty first day is "today", an empty last
//   day an open series.
// - The rules that look at the whole record (crossed dates, Nearest without
//   its choices, months, no instances) belong to the recurrence engine's
//   check, which the dialog runs on OK.

#include "core/dateparse.h"
#include "core/recurrence.h"
#include "engine/itemediting.h"
#include "engine/rulecheck.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

class Messages;

enum class RecurPeriod { Daily, Weekly, Monthly, Annually };
enum class MonthlyMode { DayOfMonth, WeekdayOfMonth, FourFourFive };
enum class CarryOver { Keep, Delete, Shift };

// The fields that are typed into.
enum class RecurrenceField { Interval, Starting, Ending };

inline constexpr int kGridWeeks = 5;  // rows 1st..4th, then "last" (or the 4,4,5 fifth week)

class RecurrenceEditor {
public:
    RecurrenceEditor(const RecurrenceRecord& rule, EntryContext context, Messages& messages);

    // The rule a new recurring item starts with: daily from its day on.
    static RecurrenceRecord newRule(DayNumber start);

    // --- choices --------------------------------------------------------------------
    RecurPeriod period() const { return period_; }
    void setPeriod(RecurPeriod period) { period_ = period; }
    bool every() const { return every_; }
    void setEvery(bool on) { every_ = on; }
    // The number typed after "Every" (0: nothing typed).
    int everyNumber() const { return everyNumber_; }
    // What the rule check makes of an interval of 0.
    IntervalChoice intervalChoice() const { return every_ ? IntervalChoice::Every : IntervalChoice::PlainDaily; }

    // Weekday n (0 Sunday .. 6 Saturday): the weekly days, and the allowed
    // weekdays of Nearest for days of the month.
    bool weekday(int n) const { return (weekdays_ >> n) & 1; }
    void setWeekday(int n, bool on);

    MonthlyMode monthlyMode() const { return monthlyMode_; }
    void setMonthlyMode(MonthlyMode mode) { monthlyMode_ = mode; }
    // Day k (1..31) of the month.
    bool dayOfMonth(int k) const { return (daysOfMonth_ >> (k - 1)) & 1; }
    void setDayOfMonth(int k, bool on);
    // Week 1..4 or 5 ("last", or the fifth week of 4,4,5) and weekday n, in
    // the grid of the current monthly mode.
    bool gridCell(int week, int n) const;
    void setGridCell(int week, int n, bool on);

    bool nearest() const { return options_ & RecurOption::nearest; }
    bool onOrAfter() const { return options_ & RecurOption::onOrAfter; }
    bool onOrBefore() const { return options_ & RecurOption::onOrBefore; }
    void setNearest(bool on) { setOption(RecurOption::nearest, on); }
    void setOnOrAfter(bool on) { setOption(RecurOption::onOrAfter, on); }
    void setOnOrBefore(bool on) { setOption(RecurOption::onOrBefore, on); }

    CarryOver carryOver() const { return carryOver_; }
    void setCarryOver(CarryOver carry) { carryOver_ = carry; }

    // Month m (1..12) is one the series occurs in.
    bool month(int m) const { return !((excludedMonths_ >> (m - 1)) & 1); }
    void setMonth(int m, bool included);

    bool suspended() const { return suspended_; }
    void setSuspended(bool on) { suspended_ = on; }
    bool shareNotes() const { return shareNotes_; }
    void setShareNotes(bool on) { shareNotes_ = on; }

    // 0: today (the first day) or open (the last).
    DayNumber startDay() const { return startDay_; }
    DayNumber endDay() const { return endDay_; }

    // --- typed fields -------------------------------------------------------------------
    FieldResult readField(RecurrenceField field, std::string_view text);
    std::string fieldText(RecurrenceField field) const;

    // --- the result ---------------------------------------------------------------------
    RecurrenceRecord record() const;

private:
    void setOption(std::uint8_t bit, bool on);
    std::uint32_t& grid();
    std::uint8_t& lastRow();

    EntryContext context_;
    Messages& messages_;
    RecurrenceRecord base_;
    RecurPeriod period_ = RecurPeriod::Daily;
    bool every_ = false;
    int everyNumber_ = 0;
    std::uint8_t weekdays_ = 0;       // with the bits above the seven weekdays, as read
    MonthlyMode monthlyMode_ = MonthlyMode::DayOfMonth;
    std::uint32_t daysOfMonth_ = 0;   // the day mask as read, outside the grid modes
    std::uint32_t weekGrid_ = 0;      // weekday of month, without its mode bit
    std::uint8_t lastWeekdays_ = 0;   // its "last" row
    std::uint32_t grid445_ = 0;       // 4,4,5 weeks 1..4
    std::uint8_t fifthWeek_ = 0;      // 4,4,5 fifth week, without its mode bit
    std::uint8_t options_ = 0;        // the option byte without the notes bit
    CarryOver carryOver_ = CarryOver::Keep;
    std::uint16_t excludedMonths_ = 0;
    bool suspended_ = false;
    bool shareNotes_ = true;
    DayNumber startDay_;
    DayNumber endDay_;
};

} // namespace zk
