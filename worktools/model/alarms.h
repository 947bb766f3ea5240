#pragma once
// An item's alarm: the fields the alarm dialog edits, the due test of one
// reference (begin or end) at a minute of today, the text a ringing alarm
// shows, and the repeat time a "repeat later" answer stores.
//
// The record's alarm fields:
//   alarmMinutes, alarmHours  positive = before, negative = after the reference
//   alarmDays                 positive = before, negative = after; non-zero sets fTickler
//   fAlarm, alarmFromBegin, alarmFromEnd, dialPager   flag bits
//   alarmRepeat               0 not rung yet, 65535 rung and answered,
//                             else the time value of today to ring again
//
// Nothing here touches a schedule: callers pass the record and the times.

#include "core/daylist.h"
#include "core/daynumber.h"
#include "core/itemrecord.h"

#include <optional>
#include <string>
#include <string_view>

namespace zk {

inline constexpr std::uint16_t kAlarmNotRung = 0;
inline constexpr std::uint16_t kAlarmAnswered = 65535;

extern const char* const kAlarmRangeText;        // minutes or days above 99
extern const char* const kAlarmHoursText;        // hours above 23
extern const char* const kAlarmsOffWarningText;  // an alarm set while alarms are off
extern const char* const kRepeatRangeText;       // a repeat outside 1..99 minutes
extern const char* const kRepeatAfterMidnightText;
extern const char* const kRepeatAnsweredElsewhereText;
extern const char* const kRepeatNoAccessText;
extern const char* const kStackedAlarmsText;
extern const char* const kRepeatQuestionText;

// --- the alarm dialog's fields --------------------------------------------------------

// What the dialog shows: absolute values with the sign as a choice.
struct AlarmSettings {
    int minutes = 0;  // 0..99
    int hours = 0;    // 0..23
    int days = 0;     // 0..99
    bool after = false;      // minutes and hours after the reference
    bool daysAfter = false;  // days after the item's day
    bool fromEnd = false;    // else from the begin
    bool dialPager = false;
    std::string pagerNumber;  // at most kPagerNumberBytes
};

inline constexpr std::size_t kPagerNumberBytes = 20;

AlarmSettings alarmSettingsOf(const ItemRecord& record, std::string_view pagerNumber);
// The two reference labels: floating items ring relative to the latest
// begin and the planned duration, anchored ones to their begin and end.
const char* beginReferenceLabel(bool anchored);
const char* endReferenceLabel(bool anchored);

// One field of the dialog read: the value taken, or the refusal text; hours
// above 23 are taken as 23 with their message (`shown` is then 23).
struct AlarmFieldRead {
    std::optional<int> value;
    std::string message;
};
enum class AlarmField { Minutes, Hours, Days };
AlarmFieldRead readAlarmField(AlarmField field, std::string_view text);

// OK: the alarm is on; a repeat already answered may ring again.
void applyAlarmSettings(ItemRecord& record, const AlarmSettings& settings);

// --- the due test -----------------------------------------------------------------------

enum class AlarmReference { Begin, End };

// The begin or end of the entry today: the placed start, and for the end the
// start plus the item's duration (anchored) or its placed minutes (others).
TimeValue referenceTime(const ItemRecord& record, const DayEntry& entry, AlarmReference reference);
// The minute at which the alarm of that reference first rings.
TimeValue triggerTime(const ItemRecord& record, TimeValue reference);
// Whether the alarm of that reference rings at `now`.
bool alarmDue(const ItemRecord& record, AlarmReference reference, TimeValue referenceAt, TimeValue now);

// "begin in 10 minutes." and its kin, comparing now with the reference.
std::string alarmMessage(const ItemRecord& record, AlarmReference reference, TimeValue referenceAt, TimeValue now);
// The whole question of a ringing alarm.
std::string ringingText(std::string_view clock, std::string_view itemText, std::string_view message);

// --- repeating ---------------------------------------------------------------------------

struct RepeatTime {
    std::optional<std::uint16_t> alarmRepeat;  // none: the alarm stays answered
    std::string message;                       // shown when not empty
};
// A repeat of `minutes` asked at `now`. The last minute it may ring at is
// the end of the day: 23:59, or in a night-owl window its end. Asked at or
// after that minute, nothing is stored, so the alarm cannot ring on every
// minute that follows.
RepeatTime repeatTime(TimeValue now, int minutes, TimeValue dayEnd, bool nightOwl);

} // namespace zk
