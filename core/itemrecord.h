#pragma once
// The item record: 130 bytes, the same layout in memory and in the data file.
//
//  off  width  field            meaning
//    0  u32    text             in the file: description length; unused in memory
//    4  i16    beginTime        time value
//    6  u16    duration         minutes
//    8  i16    earliestBegin    time value, 0 = none
//   10  i16    latestEnd        time value, 0 = none (template's value, else 2880)
//   12  u16    postponeDate     day number
//   14  u16    deadlineDate     day number
//   16  u16    day              day number the item is on
//   18  u8     weekdayMask      bit n = weekday n allowed; 0 = every day
//   19  u8     status           0..7 into the status table
//   20  u32    recur            definition: its recurrence; exception: its definition
//   24  u32    plistLink        floating: its priority-list entry; else last seq
//   28  u32    refNo            notes file number
//   32  u32    projectId        id of the item's project
//   36  u32    (reserved)
//   40  u32    flags            ItemFlag bits; bit 21 (fOwnerText): the owner
//                                typed the text in the item dialog
//   44  u16    (reserved)
//   46  i16    alarmMinutes
//   48  u16    alarmRepeat      0 not rung, 65535 answered, else time to ring again
//   50  i16    createdDay       exception: origDay, the occurrence it replaces
//   52  i16    createdTime
//   54  u32    modifiedTime     seconds since 1970, low 32 bits
//   58  u32    id
//   62  u32    (reserved)
//   66  i16    postponeTime
//   68  i16    deadlineTime
//   70  u16    kind             ItemKind code
//   72  u8     priorityLetter
//   73  i8     alarmDays        >= 0 before, < 0 after
//   74  u16    rewardPer        frequency code
//   76  u16    lateChargePer    frequency code
//   78  f32    value            Marval; cash item: income
//   82  f32    expense          cash item: expense; floating: late charge
//   86  i16    (reserved)
//   88  i16    (reserved)
//   90  i16    baseYear         annual special day
//   90  u32    doneMinutes      task (same bytes)
//   94  u32    prereqId
//   98  i16    lagDays
//  100  i16    lagMinutes
//  102  i8     alarmHours
//  103  u8     savedDuration
//  104  u16    (reserved)
//  106  f32    doneExpense
//  110  u32    caseNo
//  114  i16    mileage
//  116  14     (reserved)
//
// Reserved bytes and unnamed flag bits are carried through unchanged.

#include "core/bytes.h"

#include <array>
#include <cstdint>

namespace zk {

namespace ItemFlag {
inline constexpr std::uint32_t fSplit = 0x1;
inline constexpr std::uint32_t projectMarked = 0x2;  // "$" in the projects list
inline constexpr std::uint32_t fPastException = 0x4;
inline constexpr std::uint32_t fHasNotes = 0x8;
inline constexpr std::uint32_t fFollowUp = 0x10;
inline constexpr std::uint32_t fFloating = 0x20;
inline constexpr std::uint32_t fStarted = 0x40;
inline constexpr std::uint32_t fOnHold = 0x80;
inline constexpr std::uint32_t fDone = 0x100;
inline constexpr std::uint32_t fAnchored = 0x200;
inline constexpr std::uint32_t fRecurDef = 0x400;
inline constexpr std::uint32_t fException = 0x800;
inline constexpr std::uint32_t fKey = 0x1000;
inline constexpr std::uint32_t fAlarm = 0x2000;
inline constexpr std::uint32_t alarmFromBegin = 0x4000;
inline constexpr std::uint32_t alarmFromEnd = 0x8000;
inline constexpr std::uint32_t fSplitPiece = 0x10000;
inline constexpr std::uint32_t dialPager = 0x40000;
inline constexpr std::uint32_t fHeldTime = 0x100000;
// Set only when the schedule owner typed or last changed the text in the
// item dialog; every other way in clears it. Only such an item's command
// may run unattended. A spare bit: older programs carry it through.
inline constexpr std::uint32_t fOwnerText = 0x200000;
inline constexpr std::uint32_t fSequence = 0x800000;
inline constexpr std::uint32_t fFirstOfDay = 0x1000000;
inline constexpr std::uint32_t fLastOfDay = 0x2000000;
inline constexpr std::uint32_t fHidden = 0x4000000;
inline constexpr std::uint32_t fTickler = 0x8000000;
inline constexpr std::uint32_t fMelt = 0x10000000;
inline constexpr std::uint32_t fBizHours = 0x20000000;
inline constexpr std::uint32_t fOffHours = 0x40000000;
inline constexpr std::uint32_t fTotalHours = 0x80000000;

// Groups other modules test together.
inline constexpr std::uint32_t notFreelyMovable = fStarted | fDone | fAnchored;  // 0x340
inline constexpr std::uint32_t endsAtBegin = fDone | fAnchored;                  // 0x300
inline constexpr std::uint32_t recurrence = fRecurDef | fException;              // 0xC00
} // namespace ItemFlag

namespace ItemKind {
inline constexpr std::uint16_t multiDayEvent2 = 8;
inline constexpr std::uint16_t holiday = 16;
inline constexpr std::uint16_t anniversary = 32;
inline constexpr std::uint16_t birthday = 64;
inline constexpr std::uint16_t multiDayEvent = 128;
inline constexpr std::uint16_t cashFlow = 256;
inline constexpr std::uint16_t memo = 512;
inline constexpr std::uint16_t project = 1024;
inline constexpr std::uint16_t appointment2 = 8192;
inline constexpr std::uint16_t task = 16384;
inline constexpr std::uint16_t appointment = 32768;

constexpr bool isSpecialDay(std::uint16_t k) { return k == holiday || k == anniversary || k == birthday; }
constexpr bool isMultiDayEvent(std::uint16_t k) { return k == multiDayEvent || k == multiDayEvent2; }
constexpr bool isAppointment(std::uint16_t k) { return k == appointment || k == appointment2; }
} // namespace ItemKind

// The day number that marks an item in the item chain that is on no day.
inline constexpr int kNoDayInChain = 1024;

class ItemRecord {
public:
    static constexpr std::size_t kSize = 130;
    using Bytes = std::array<std::uint8_t, kSize>;

    ItemRecord() { bytes_.fill(0); }
    explicit ItemRecord(const Bytes& bytes) : bytes_(bytes) {}

    const Bytes& bytes() const { return bytes_; }
    Bytes& bytes() { return bytes_; }

    ZK_RECORD_FIELD(std::uint32_t, textField, setTextField, 0, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, beginTime, setBeginTime, 4, i16, putI16)
    ZK_RECORD_FIELD(std::uint16_t, duration, setDuration, 6, u16, putU16)
    ZK_RECORD_FIELD(std::int16_t, earliestBegin, setEarliestBegin, 8, i16, putI16)
    ZK_RECORD_FIELD(std::int16_t, latestEndField, setLatestEnd, 10, i16, putI16)
    ZK_RECORD_FIELD(std::uint16_t, postponeDate, setPostponeDate, 12, u16, putU16)
    ZK_RECORD_FIELD(std::uint16_t, deadlineDate, setDeadlineDate, 14, u16, putU16)
    ZK_RECORD_FIELD(std::uint16_t, dayField, setDay, 16, u16, putU16)
    ZK_RECORD_FIELD(std::uint8_t, weekdayMask, setWeekdayMask, 18, u8, putU8)
    ZK_RECORD_FIELD(std::uint8_t, status, setStatus, 19, u8, putU8)
    ZK_RECORD_FIELD(std::uint32_t, recur, setRecur, 20, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, plistLink, setPlistLink, 24, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, refNo, setRefNo, 28, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, projectId, setProjectId, 32, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, flags, setFlags, 40, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, alarmMinutes, setAlarmMinutes, 46, i16, putI16)
    ZK_RECORD_FIELD(std::uint16_t, alarmRepeat, setAlarmRepeat, 48, u16, putU16)
    ZK_RECORD_FIELD(std::int16_t, createdDay, setCreatedDay, 50, i16, putI16)
    ZK_RECORD_FIELD(std::int16_t, createdTime, setCreatedTime, 52, i16, putI16)
    ZK_RECORD_FIELD(std::uint32_t, modifiedTime, setModifiedTime, 54, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, id, setId, 58, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, postponeTime, setPostponeTime, 66, i16, putI16)
    ZK_RECORD_FIELD(std::int16_t, deadlineTime, setDeadlineTime, 68, i16, putI16)
    ZK_RECORD_FIELD(std::uint16_t, kind, setKind, 70, u16, putU16)
    ZK_RECORD_FIELD(std::uint8_t, priorityLetter, setPriorityLetter, 72, u8, putU8)
    ZK_RECORD_FIELD(std::uint16_t, rewardPer, setRewardPer, 74, u16, putU16)
    ZK_RECORD_FIELD(std::uint16_t, lateChargePer, setLateChargePer, 76, u16, putU16)
    ZK_RECORD_FIELD(float, value, setValue, 78, f32, putF32)
    ZK_RECORD_FIELD(float, expense, setExpense, 82, f32, putF32)
    ZK_RECORD_FIELD(std::int16_t, baseYear, setBaseYear, 90, i16, putI16)
    ZK_RECORD_FIELD(std::uint32_t, doneMinutes, setDoneMinutes, 90, u32, putU32)
    ZK_RECORD_FIELD(std::uint32_t, prereqId, setPrereqId, 94, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, lagDays, setLagDays, 98, i16, putI16)
    ZK_RECORD_FIELD(std::int16_t, lagMinutes, setLagMinutes, 100, i16, putI16)
    ZK_RECORD_FIELD(std::uint8_t, savedDuration, setSavedDuration, 103, u8, putU8)
    ZK_RECORD_FIELD(float, doneExpense, setDoneExpense, 106, f32, putF32)
    ZK_RECORD_FIELD(std::uint32_t, caseNo, setCaseNo, 110, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, mileage, setMileage, 114, i16, putI16)

    std::int8_t alarmDays() const { return static_cast<std::int8_t>(bytes_[73]); }
    void setAlarmDays(std::int8_t v) { bytes_[73] = static_cast<std::uint8_t>(v); }
    std::int8_t alarmHours() const { return static_cast<std::int8_t>(bytes_[102]); }
    void setAlarmHours(std::int8_t v) { bytes_[102] = static_cast<std::uint8_t>(v); }

    bool has(std::uint32_t flagMask) const { return (flags() & flagMask) != 0; }
    void setFlag(std::uint32_t flagMask, bool on) { setFlags(on ? (flags() | flagMask) : (flags() & ~flagMask)); }

    friend bool operator==(const ItemRecord&, const ItemRecord&) = default;

private:
    Bytes bytes_;
};

} // namespace zk
