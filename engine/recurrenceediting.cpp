#include "engine/recurrenceediting.h"

#include "core/dateformat.h"
#include "core/text.h"
#include "platform/messages.h"

#include <charconv>

namespace zk {

namespace {

constexpr std::uint8_t kPeriodBits = RecurType::daily | RecurType::weekly | RecurType::monthly | RecurType::annually;
constexpr std::uint8_t kCarryBits = RecurType::carryDelete | RecurType::carryShift;
constexpr std::uint8_t kWeekdayBits = 0x7F;
constexpr std::uint32_t kGridBits = 0x0FFFFFFF;  // four weeks of seven days
constexpr std::uint32_t kDayBits = 0x7FFFFFFF;   // days 1..31
constexpr int kLargestInterval = 32767;

RecurPeriod periodOf(std::uint8_t typeByte)
{
    if (typeByte & RecurType::daily)
        return RecurPeriod::Daily;
    if (typeByte & RecurType::weekly)
        return RecurPeriod::Weekly;
    if (typeByte & RecurType::monthly)
        return RecurPeriod::Monthly;
    if (typeByte & RecurType::annually)
        return RecurPeriod::Annually;
    return RecurPeriod::Daily;
}

std::uint8_t periodBit(RecurPeriod period)
{
    switch (period) {
    case RecurPeriod::Daily: return RecurType::daily;
    case RecurPeriod::Weekly: return RecurType::weekly;
    case RecurPeriod::Monthly: return RecurType::monthly;
    case RecurPeriod::Annually: return RecurType::annually;
    }
    return RecurType::daily;
}

template <typename Mask>
void setBit(Mask& mask, int bit, bool on)
{
    const Mask b = static_cast<Mask>(Mask{1} << bit);
    mask = on ? static_cast<Mask>(mask | b) : static_cast<Mask>(mask & ~b);
}

} // namespace

RecurrenceEditor::RecurrenceEditor(const RecurrenceRecord& rule, EntryContext context, Messages& messages)
    : context_(std::move(context)), messages_(messages), base_(rule)
{
    context_.itemEditorOpen = true;
    const std::uint8_t type = rule.typeByte();
    period_ = periodOf(type);
    carryOver_ = (type & RecurType::carryShift)    ? CarryOver::Shift
                 : (type & RecurType::carryDelete) ? CarryOver::Delete
                                                   : CarryOver::Keep;
    every_ = rule.interval() != 1;
    everyNumber_ = every_ ? std::max<int>(0, rule.interval()) : 0;
    const std::uint8_t weekdayByte = rule.weekdayByte();
    const std::uint32_t dayMask = rule.dayMask();
    if (period_ == RecurPeriod::Monthly && (weekdayByte & kWeekdayByteFourFourFive)) {
        monthlyMode_ = MonthlyMode::FourFourFive;
        grid445_ = dayMask;
        fifthWeek_ = weekdayByte & kWeekdayBits;
    } else if (period_ == RecurPeriod::Monthly && (dayMask & kDayMaskWeekdayGrid)) {
        monthlyMode_ = MonthlyMode::WeekdayOfMonth;
        weekGrid_ = dayMask & ~kDayMaskWeekdayGrid;
        lastWeekdays_ = weekdayByte;
    } else {
        daysOfMonth_ = dayMask;
        weekdays_ = weekdayByte;
    }
    options_ = rule.optionByte() & ~RecurOption::notesNotShared;
    shareNotes_ = !(rule.optionByte() & RecurOption::notesNotShared);
    excludedMonths_ = rule.monthWord() & kMonthWordExcludedMonths;
    suspended_ = rule.monthWord() & kMonthWordSuspended;
    startDay_ = rule.startDay();
    endDay_ = DayNumber(rule.endDayField());
}

RecurrenceRecord RecurrenceEditor::newRule(DayNumber start)
{
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::daily);
    rule.setInterval(1);
    rule.setStartDay(start);
    return rule;
}

void RecurrenceEditor::setWeekday(int n, bool on) { setBit(weekdays_, n, on); }
void RecurrenceEditor::setDayOfMonth(int k, bool on) { setBit(daysOfMonth_, k - 1, on); }
void RecurrenceEditor::setMonth(int m, bool included) { setBit(excludedMonths_, m - 1, !included); }
void RecurrenceEditor::setOption(std::uint8_t bit, bool on) { options_ = on ? (options_ | bit) : (options_ & ~bit); }

std::uint32_t& RecurrenceEditor::grid()
{
    return monthlyMode_ == MonthlyMode::FourFourFive ? grid445_ : weekGrid_;
}

std::uint8_t& RecurrenceEditor::lastRow()
{
    return monthlyMode_ == MonthlyMode::FourFourFive ? fifthWeek_ : lastWeekdays_;
}

bool RecurrenceEditor::gridCell(int week, int n) const
{
    const bool fourFourFive = monthlyMode_ == MonthlyMode::FourFourFive;
    if (week == kGridWeeks)
        return ((fourFourFive ? fifthWeek_ : lastWeekdays_) >> n) & 1;
    return ((fourFourFive ? grid445_ : weekGrid_) >> ((week - 1) * 7 + n)) & 1;
}

void RecurrenceEditor::setGridCell(int week, int n, bool on)
{
    if (week == kGridWeeks)
        setBit(lastRow(), n, on);
    else
        setBit(grid(), (week - 1) * 7 + n, on);
}

// --- typed fields -------------------------------------------------------------------

FieldResult RecurrenceEditor::readField(RecurrenceField field, std::string_view text)
{
    text = trimBlanks(text);
    if (field == RecurrenceField::Interval) {
        int n = 0;
        if (!text.empty()) {
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (error != std::errc() || end != text.data() + text.size() || n < 0 || n > kLargestInterval) {
                messages_.error(kInvalidNumberText);
                return {FieldResult::Status::Refused};
            }
        }
        everyNumber_ = n;
        return {};
    }
    int day = 0;
    if (!text.empty()) {
        day = parseDateEntry(text, context_);
        if (day == kInvalidEntry) {
            messages_.error(kInvalidDateText);
            return {FieldResult::Status::Refused};
        }
    }
    (field == RecurrenceField::Starting ? startDay_ : endDay_) = DayNumber(day);
    return {};
}

std::string RecurrenceEditor::fieldText(RecurrenceField field) const
{
    switch (field) {
    case RecurrenceField::Interval: return every_ && everyNumber_ > 0 ? std::to_string(everyNumber_) : std::string();
    case RecurrenceField::Starting: return shortDate(startDay_, context_.regional);
    case RecurrenceField::Ending: return shortDate(endDay_, context_.regional);
    }
    return {};
}

// --- the result ---------------------------------------------------------------------

RecurrenceRecord RecurrenceEditor::record() const
{
    RecurrenceRecord r = base_;
    std::uint8_t type = r.typeByte() & ~(kPeriodBits | kCarryBits);
    type |= periodBit(period_);
    if (carryOver_ == CarryOver::Delete)
        type |= RecurType::carryDelete;
    else if (carryOver_ == CarryOver::Shift)
        type |= RecurType::carryShift;
    r.setTypeByte(type);
    r.setInterval(static_cast<std::int16_t>(every_ ? everyNumber_ : 1));

    std::uint8_t weekdayByte = weekdays_;
    std::uint32_t dayMask = daysOfMonth_;
    if (period_ == RecurPeriod::Monthly) {
        switch (monthlyMode_) {
        case MonthlyMode::DayOfMonth:
            weekdayByte = weekdays_ & kWeekdayBits;
            dayMask = daysOfMonth_ & kDayBits;
            break;
        case MonthlyMode::WeekdayOfMonth:
            weekdayByte = lastWeekdays_ & kWeekdayBits;
            dayMask = (weekGrid_ & kGridBits) | kDayMaskWeekdayGrid;
            break;
        case MonthlyMode::FourFourFive:
            weekdayByte = (fifthWeek_ & kWeekdayBits) | kWeekdayByteFourFourFive;
            dayMask = grid445_ & kGridBits;
            break;
        }
    }
    r.setWeekdayByte(weekdayByte);
    r.setDayMask(dayMask);

    r.setOptionByte(static_cast<std::uint8_t>(options_ | (shareNotes_ ? 0 : RecurOption::notesNotShared)));
    std::uint16_t monthWord = r.monthWord() & ~(kMonthWordExcludedMonths | kMonthWordSuspended);
    monthWord |= excludedMonths_ & kMonthWordExcludedMonths;
    if (suspended_)
        monthWord |= kMonthWordSuspended;
    r.setMonthWord(monthWord);
    r.setStartDay(startDay_);
    r.setEndDayField(static_cast<std::int16_t>(endDay_.value()));
    return r;
}

} // namespace zk
