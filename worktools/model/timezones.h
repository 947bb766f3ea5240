#pragma once
// The time zone table: up to 30 named zones, each with its standard offset
// and daylight saving rules, the time of day in each, and the computer's
// own zone (`localZone`) kept in the schedule header.
//
// Zone record (9 bytes, the same in the header and in memory's encode()):
//
//  off  width  field
//    0  u16    standard offset: minutes WEST of universal time (a zone
//              behind UTC is positive; one ahead of it, negative, stored
//              as its 16-bit two's complement)
//    2  u8     daylight saving flag: non-zero when the zone observes it
//    3  u8     begin rule: week code (0 = last, 1..4 = first..fourth)
//    4  u8     begin rule: weekday, 0 = Sunday .. 6 = Saturday
//    5  u8     begin rule: month, 1..12
//    6  u8     end rule: week code
//    7  u8     end rule: weekday
//    8  u8     end rule: month
//
// Header fields: `localZone` (9 bytes at 445) and `nShownZones` (u8 at 454).
//
// "timezone.lst", one zone a line (at most 256 bytes):
//   <flag><name><blanks>\t<offset>[ <bw> <bk> <bm> <ew> <ek> <em>]
// The flag is "1" (shown) or "0"; without one, the first six zones of the
// file are shown. The name is at most 30 bytes. The offset is a signed
// duration "[-]H:MM" (minutes west). Reading stops at the end, at 30
// zones, at a line without a tab, or at a bad offset or rule (with
// "invalid time zone value <text>"); the zones read so far stay.

#include "core/daynumber.h"
#include "core/scheduleheader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class FileSystem;

inline constexpr std::size_t kMaxZones = 30;
inline constexpr std::size_t kMaxZoneNameBytes = 30;
inline constexpr std::size_t kMaxZoneLineBytes = 256;
inline constexpr const char* kZoneFileName = "timezone.lst";

extern const char* const kInvalidZoneValueText;   // "invalid time zone value %s"
extern const char* const kZoneFileOpenText;       // "Unable to open %s"
extern const char* const kZoneFileWriteText;      // "Error writing to %s file. Disk may be FULL."
extern const char* const kZoneFileMissingText;    // "Time Zone file invalid or not found"
std::string invalidZoneValueText(std::string_view value);
// "Error writing to timezone.lst file. Disk may be FULL."
std::string zoneFileWriteText();

// A daylight saving rule: the week code's weekday of the month.
struct ZoneRule {
    int week = 0;     // 0 = the last such weekday, 1..4 = the first..fourth
    int weekday = 0;  // 0 = Sunday
    int month = 0;    // 1..12; 0 = none
    friend bool operator==(const ZoneRule&, const ZoneRule&) = default;
};

struct ZoneRecord {
    static constexpr std::size_t kSize = 9;
    int minutesWest = 0;
    bool daylightSaving = false;
    ZoneRule begin;
    ZoneRule end;

    std::array<std::uint8_t, kSize> encode() const;
    static ZoneRecord decode(const std::uint8_t* bytes);
    friend bool operator==(const ZoneRecord&, const ZoneRecord&) = default;
};

struct Zone {
    ZoneRecord record;
    std::string name;
    bool shown = false;
    friend bool operator==(const Zone&, const Zone&) = default;
};

struct ZoneTable {
    std::vector<Zone> zones;  // file order; at most kMaxZones
    int shownCount() const;
};

// --- the rules ----------------------------------------------------------------------

// The day a rule falls on in a year.
DayNumber ruleDate(const ZoneRule& rule, int year);
// The rule's date in d's year, or in the next year when that is before d.
DayNumber nextRuleDate(const ZoneRule& rule, DayNumber d);
bool isDaylightTime(const ZoneRecord& zone, DayNumber d);
// Minutes west on the day, an hour less while daylight time is in effect.
int zoneOffsetOnDay(const ZoneRecord& zone, DayNumber d);
// The time value (1..1440) in `zone` when the local zone's time is `now`
// on `today`; midnight, which would be 0, is 1440.
TimeValue zoneTime(const ZoneRecord& local, const ZoneRecord& zone, DayNumber today, TimeValue now);
// Inside 8:00 to 17:00 in that zone (the World Timeline's daytime).
bool isWorkingHours(TimeValue zoneTime);

// --- timezone.lst ----------------------------------------------------------------------

struct ZoneTableRead {
    ZoneTable table;
    // The message of a bad line that stopped the reading, when one did.
    std::optional<std::string> problem;
};
ZoneTableRead parseZoneTable(std::string_view text);
std::string zoneTableText(const ZoneTable& table);
// "[-]H:MM", as the file holds it, and back; nothing when it is no offset.
std::string offsetText(int minutesWest);
std::optional<int> parseOffset(std::string_view text);

// Where the table is: the user's own copy (the only one written), else
// the one the program ships, for a first start.
struct ZoneFiles {
    std::filesystem::path user;
    std::filesystem::path shipped;
    // The file to read: the user's when there is one, else the shipped one
    // when that exists, else the user's (which then cannot be opened).
    std::filesystem::path readable() const;
};

// Reads the file: nothing when it cannot be opened. Only the first 30
// lines of a file count, so a damaged or huge file is read in bounded time.
std::optional<ZoneTableRead> loadZoneTable(const std::filesystem::path& file);
// Through a temporary file and a rename: 0, or the errno of the failure.
int saveZoneTable(FileSystem& files, const std::filesystem::path& file, const ZoneTable& table);

// --- the computer's zone and the header ------------------------------------------------

// What the C library says of this computer's zone (tzset()).
struct ComputerZone {
    int minutesWest = 0;  // standard time
    bool daylightSaving = false;
    std::string standardName;
    std::string daylightName;
};
ComputerZone computerZone();

ZoneRecord localZoneOf(const ScheduleHeader& header);
void setLocalZoneField(ScheduleHeader& header, const ZoneRecord& zone);
int shownZonesOf(const ScheduleHeader& header);
void setShownZones(ScheduleHeader& header, int count);
// The local zone from the computer's: a table zone with the same standard
// offset lends its rules; the daylight flag is the computer's.
ZoneRecord localZoneFor(const ComputerZone& computer, const ZoneTable& table);

// The start of a session: the table read, `nShownZones` counted and
// `localZone` set from the computer's zone. `problem` holds what to show:
// a bad line, or "Unable to open <path>" (no table then).
struct ZoneStart {
    std::optional<ZoneTable> table;
    std::optional<std::string> problem;
};
ZoneStart startTimeZones(ScheduleHeader& header, const ZoneFiles& files, const ComputerZone& computer);

} // namespace zk
