#pragma once
// The schedule header: 655 bytes of counters and per-schedule settings,
// written at the start of the data file. Kept as bytes so that the ranges
// other modules own survive loading and saving byte for byte.
//
//  off  width  field
//    0  u16    magic 12960
//    2  i16    format version
//    4  f32    0 (very old files: two i16 program versions x 100)
//    8  i16    format version to save in; 0 = current
//   14  u16    0
//   16  u16    header size 655 (0 in old files)
//   18  u32    interface mode
//  101  i16    day records in the file
//  103  i16    recurring definitions
//  111  u16    the schedule's start day
//  113  u16    day of the last save
//  137  i16    total day entries at the last save
//  139  i16    nItems at the last save
//  141  i16    definitions in the definitions section
//  143  i16    recurring exceptions in the item chain at the last save
//  145  i16    max of previous and current 137 (147: of 139, 149: of 141, 151: of 143)
//  153  u32    items archived so far
//  445  9      localZone
//  454  u8     nShownZones
//  461  i16    parity of bytes 0..164
//  463  f32    timerRate
//  467  u16    timerPer
//  469  u16    countdownMinutes
//  471  u16    countdownSeconds
//  489  i16    lastPastDay
//  495  u8     item record size in the file (0 = 27)
//  496  i16    number of projects
//  527  u16    nextRefNo
//  531  4      notes file name prefix
//  580  i16    vacation start day
//  582  i16    vacation end day
//  584  i16    nightOwl
//  586  i16    nItems
//  590  f32    program version that created the file
//  594  f32    program version that last wrote the file
//  598  u16    28
//  600  u16    28
//  602  u32    entries shown in the project tree window at the last save
//  606  u32    top-level project tree records
//  610  u32    nextItemId
//  614  i16    minimum split piece in minutes, 1..720
//  616  i16    a setting in 1..120 (default 30)
//  618  i16    records in the undated items section
//  620  i16    Global List nodes at the last save
//  622  u16    last location number handed out
//  624  i16    dayStart
//  626  i16    dayEnd
//  630  u8     interest rate in percent
//  632  u32    header option word
//  636  i16    hourly worth in dollars (the Time Values setting)
//  643  i16    business hours start
//  645  i16    business hours end
// All other bytes belong to other modules' settings and are preserved.

#include "core/bytes.h"
#include "core/daynumber.h"

#include <array>
#include <cstdint>

namespace zk {

class ScheduleHeader {
public:
    static constexpr std::size_t kSize = 655;
    static constexpr std::uint16_t kMagic = 12960;
    static constexpr int kCurrentFormat = 26;
    using Bytes = std::array<std::uint8_t, kSize>;

    ScheduleHeader() { bytes_.fill(0); }

    const Bytes& bytes() const { return bytes_; }
    Bytes& bytes() { return bytes_; }

    std::uint8_t u8(std::size_t off) const { return bytes_[off]; }
    std::uint16_t u16(std::size_t off) const { return bytes::u16(&bytes_[off]); }
    std::int16_t i16(std::size_t off) const { return bytes::i16(&bytes_[off]); }
    std::uint32_t u32(std::size_t off) const { return bytes::u32(&bytes_[off]); }
    float f32(std::size_t off) const { return bytes::f32(&bytes_[off]); }
    void setU8(std::size_t off, std::uint8_t v) { bytes_[off] = v; }
    void setU16(std::size_t off, std::uint16_t v) { bytes::putU16(&bytes_[off], v); }
    void setI16(std::size_t off, std::int16_t v) { bytes::putI16(&bytes_[off], v); }
    void setU32(std::size_t off, std::uint32_t v) { bytes::putU32(&bytes_[off], v); }
    void setF32(std::size_t off, float v) { bytes::putF32(&bytes_[off], v); }

    // Named offsets, for the modules that own them.
    enum Offset : std::size_t {
        magicAt = 0, formatAt = 2, oldVersionsAt = 4, saveFormatAt = 8, headerSizeAt = 16,
        interfaceModeAt = 18, dayRecordCountAt = 101, definitionCountAt = 103, startDayAt = 111,
        lastSaveDayAt = 113, statEntriesAt = 137, statItemsAt = 139, statDefinitionsAt = 141,
        statExceptionsAt = 143, archivedCountAt = 153, localZoneAt = 445, shownZonesAt = 454,
        parityAt = 461, timerRateAt = 463, timerPerAt = 467, countdownMinutesAt = 469,
        countdownSecondsAt = 471, lastPastDayAt = 489, recordSizeAt = 495, projectCountAt = 496,
        nextRefNoAt = 527, notesPrefixAt = 531, vacationStartAt = 580, vacationEndAt = 582,
        nightOwlAt = 584, nItemsAt = 586, createdVersionAt = 590, writerVersionAt = 594,
        projectTreeShownAt = 602, projectTreeTopAt = 606, nextItemIdAt = 610, minSplitAt = 614,
        setting616At = 616, undatedCountAt = 618, globalCountAt = 620, locationCounterAt = 622,
        dayStartAt = 624, dayEndAt = 626, interestRateAt = 630, optionWordAt = 632,
        hourlyWorthAt = 636,
        bizStartAt = 643, bizEndAt = 645,
    };

    std::uint32_t interfaceMode() const { return u32(interfaceModeAt); }
    void setInterfaceMode(std::uint32_t v) { setU32(interfaceModeAt, v); }
    DayNumber lastPastDay() const { return DayNumber(i16(lastPastDayAt)); }
    void setLastPastDay(DayNumber d) { setI16(lastPastDayAt, static_cast<std::int16_t>(d.value())); }
    std::uint16_t nextRefNo() const { return u16(nextRefNoAt); }
    void setNextRefNo(std::uint16_t v) { setU16(nextRefNoAt, v); }
    std::uint32_t nextItemId() const { return u32(nextItemIdAt); }
    void setNextItemId(std::uint32_t v) { setU32(nextItemIdAt, v); }
    std::int16_t nItems() const { return i16(nItemsAt); }
    void setNItems(std::int16_t v) { setI16(nItemsAt, v); }
    TimeValue dayStart() const { return TimeValue(i16(dayStartAt)); }
    TimeValue dayEnd() const { return TimeValue(i16(dayEndAt)); }
    void setDayStart(TimeValue t) { setI16(dayStartAt, static_cast<std::int16_t>(t.value())); }
    void setDayEnd(TimeValue t) { setI16(dayEndAt, static_cast<std::int16_t>(t.value())); }
    bool nightOwl() const { return i16(nightOwlAt) != 0; }
    void setNightOwl(bool on) { setI16(nightOwlAt, on ? 1 : 0); }
    TimeValue bizStart() const { return TimeValue(i16(bizStartAt)); }
    TimeValue bizEnd() const { return TimeValue(i16(bizEndAt)); }
    void setBizHours(TimeValue start, TimeValue end)
    {
        setI16(bizStartAt, static_cast<std::int16_t>(start.value()));
        setI16(bizEndAt, static_cast<std::int16_t>(end.value()));
    }
    int minSplitMinutes() const { return i16(minSplitAt); }
    void setMinSplitMinutes(int v) { setI16(minSplitAt, static_cast<std::int16_t>(v)); }
    float writerVersion() const { return f32(writerVersionAt); }
    float createdVersion() const { return f32(createdVersionAt); }

    // The header of a new, empty schedule: day window 07:00..23:00, business
    // hours 09:00..17:00, interface mode 1, and the other defaults.
    static ScheduleHeader emptySchedule();

private:
    Bytes bytes_;
};

} // namespace zk
