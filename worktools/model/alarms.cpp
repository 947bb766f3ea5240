#include "worktools/model/alarms.h"

#include "core/text.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace zk {

const char* const kAlarmRangeText = "Alarm value out of range. Maximum minutes 99.";
const char* const kAlarmHoursText = "Alarm hours maximum is 23. Use days for items on future days.";
const char* const kAlarmsOffWarningText = "WARNING: Alarms are Off";
const char* const kRepeatRangeText = "Time span must be between 1 and 99 minutes";
const char* const kRepeatAfterMidnightText = "Items on today's schedule cannot ring alarms after midnight";
const char* const kRepeatAnsweredElsewhereText =
    "Another PC session has already responded to the question of repeating the alarm.";
const char* const kRepeatNoAccessText = "Cannot set repeat time. Another PC session has change access.";
const char* const kStackedAlarmsText = "Maximum number of stacked alarm messages reached; Please respond.";
const char* const kRepeatQuestionText = "Repeat the alarm later today?";

namespace {

constexpr int kMaxAlarmValue = 99;
constexpr int kMaxAlarmHours = 23;

std::string format(const char* pattern, const char* suffix)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, suffix);
    return buffer;
}

std::string format(const char* pattern, int a, const char* suffix)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, a, suffix);
    return buffer;
}

std::string format(const char* pattern, int a, int b, const char* suffix)
{
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, suffix);
    return buffer;
}

bool isAnchoredOrStarted(const ItemRecord& r) { return r.has(ItemFlag::fAnchored | ItemFlag::fStarted); }

} // namespace

// --- the dialog's fields ---------------------------------------------------------------------

AlarmSettings alarmSettingsOf(const ItemRecord& record, std::string_view pagerNumber)
{
    AlarmSettings s;
    s.minutes = std::abs(record.alarmMinutes());
    s.hours = std::abs(record.alarmHours());
    s.days = std::abs(record.alarmDays());
    // The sign of the minutes decides; an alarm of whole hours carries it there.
    s.after = record.alarmMinutes() < 0 || (record.alarmMinutes() == 0 && record.alarmHours() < 0);
    s.daysAfter = record.alarmDays() < 0;
    s.fromEnd = record.has(ItemFlag::alarmFromEnd) && !record.has(ItemFlag::alarmFromBegin);
    s.dialPager = record.has(ItemFlag::dialPager);
    s.pagerNumber = std::string(utf8Prefix(pagerNumber, kPagerNumberBytes));
    return s;
}

const char* beginReferenceLabel(bool anchored) { return anchored ? "begin time." : "latest begin time."; }
const char* endReferenceLabel(bool anchored) { return anchored ? "end time." : "planned duration."; }

AlarmFieldRead readAlarmField(AlarmField field, std::string_view text)
{
    text = trimBlanks(text);
    int value = 0;
    if (!text.empty()) {
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < 0)
            return {std::nullopt, kAlarmRangeText};
    }
    if (field == AlarmField::Hours && value > kMaxAlarmHours)
        return {kMaxAlarmHours, kAlarmHoursText};
    if (value > kMaxAlarmValue)
        return {std::nullopt, kAlarmRangeText};
    return {value, {}};
}

void applyAlarmSettings(ItemRecord& record, const AlarmSettings& s)
{
    const int sign = s.after ? -1 : 1;
    record.setAlarmMinutes(static_cast<std::int16_t>(sign * s.minutes));
    record.setAlarmHours(static_cast<std::int8_t>(sign * s.hours));
    record.setAlarmDays(static_cast<std::int8_t>((s.daysAfter ? -1 : 1) * s.days));
    record.setFlag(ItemFlag::fAlarm, true);
    record.setFlag(ItemFlag::fTickler, s.days != 0);
    record.setFlag(ItemFlag::alarmFromBegin, !s.fromEnd);
    record.setFlag(ItemFlag::alarmFromEnd, s.fromEnd);
    record.setFlag(ItemFlag::dialPager, s.dialPager);
    if (record.alarmRepeat() == kAlarmAnswered)
        record.setAlarmRepeat(kAlarmNotRung);
}

// --- the due test ------------------------------------------------------------------------------

TimeValue referenceTime(const ItemRecord& record, const DayEntry& entry, AlarmReference reference)
{
    const TimeValue start = entry.startTime();
    if (reference == AlarmReference::Begin)
        return start;
    const int minutes = record.has(ItemFlag::fAnchored) ? record.duration() : entry.placedMinutes;
    return start + minutes;
}

TimeValue triggerTime(const ItemRecord& record, TimeValue reference)
{
    return reference - (record.alarmHours() * 60 + record.alarmMinutes());
}

bool alarmDue(const ItemRecord& record, AlarmReference reference, TimeValue referenceAt, TimeValue now)
{
    const std::uint32_t referenceBit =
        reference == AlarmReference::Begin ? ItemFlag::alarmFromBegin : ItemFlag::alarmFromEnd;
    if (!record.has(ItemFlag::fAlarm) || !record.has(referenceBit) || record.has(ItemFlag::fOnHold))
        return false;
    const std::uint16_t repeat = record.alarmRepeat();
    if (repeat == kAlarmAnswered)
        return false;
    if (repeat == kAlarmNotRung)
        return now >= triggerTime(record, referenceAt) && !record.has(ItemFlag::fDone);
    return now >= TimeValue(repeat);
}

std::string alarmMessage(const ItemRecord& record, AlarmReference reference, TimeValue at, TimeValue now)
{
    const char* suffix =
        isAnchoredOrStarted(record) || record.has(ItemFlag::fDone) ? "" : " at the latest";
    if (reference == AlarmReference::End) {
        if (now == at)
            return format("be ending now%s.", suffix);
        if (now < at)
            return format("end in %d minutes%s.", at - now, suffix);
        return format("end %d minutes ago%s.", now - at, suffix);
    }
    if (now == at)
        return format("begin now%s.", suffix);
    const int ahead = at - now;
    if (ahead >= 60)
        return format("begin in %d hours, %d minutes%s.", ahead / 60, ahead % 60, suffix);
    if (ahead > 0)
        return format("begin in %d minutes%s.", ahead, suffix);
    const int ago = -ahead;
    if (ago >= 60)
        return format("begin %d hours, %d minutes ago%s.", ago / 60, ago % 60, suffix);
    return format("begin %d minutes ago%s.", ago, suffix);
}

std::string ringingText(std::string_view clock, std::string_view itemText, std::string_view message)
{
    std::string text;
    text.append(clock).append("\n\n").append(itemText).append(" scheduled to ").append(message);
    text.append("\n\n").append(kRepeatQuestionText);
    return text;
}

// --- repeating ---------------------------------------------------------------------------------

RepeatTime repeatTime(TimeValue now, int minutes, TimeValue dayEnd, bool nightOwl)
{
    const TimeValue last = nightOwl && dayEnd > kLastMinuteOfDay ? dayEnd : kLastMinuteOfDay;
    if (now >= last)
        return {std::nullopt, kRepeatAfterMidnightText};
    const TimeValue at = now + minutes;
    if (at > last)
        return {static_cast<std::uint16_t>(last.value()), kRepeatAfterMidnightText};
    return {static_cast<std::uint16_t>(at.value()), {}};
}

} // namespace zk
