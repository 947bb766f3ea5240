#include "worktools/model/timezones.h"

#include "core/bytes.h"
#include "core/calendar.h"
#include "core/text.h"
#include "platform/filesystem.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace zk {

const char* const kInvalidZoneValueText = "invalid time zone value %s";
const char* const kZoneFileOpenText = "Unable to open %s";
const char* const kZoneFileWriteText = "Error writing to %s file. Disk may be FULL.";
const char* const kZoneFileMissingText = "Time Zone file invalid or not found";

namespace {

constexpr int kMinutesPerDay = 1440;
constexpr std::size_t kMaxOffsetBytes = 9;
constexpr std::size_t kImplicitlyShown = 6;  // zones without a flag shown from the top of the file
constexpr int kWorkdayBegins = 480;          // 8:00
constexpr int kWorkdayEnds = 1020;           // 17:00

std::string withValue(const char* pattern, std::string_view value)
{
    std::string text = pattern;
    text.replace(text.find("%s"), 2, value);
    return text;
}

bool ruleInRange(const ZoneRule& r) { return r.week >= 0 && r.week <= 4 && r.weekday >= 0 && r.weekday <= 6 && r.month >= 1 && r.month <= 12; }

int positiveModulo(int value, int modulus) { return (value % modulus + modulus) % modulus; }

std::optional<int> parseNumber(std::string_view text)
{
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<std::string_view> blankSeparated(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (isBlankChar(text[i])))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !isBlankChar(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string_view withoutTrailingBlanks(std::string_view text)
{
    while (!text.empty() && (isBlankChar(text.back()) || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// Reading stops at the line: the zone, or why it stopped.
struct LineRead {
    std::optional<Zone> zone;
    std::optional<std::string> problem;
};

LineRead readLine(std::string_view line, std::size_t index)
{
    line = withoutTrailingBlanks(line);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos)
        return {};  // no offset: the end of the table
    std::string_view field = line.substr(0, tab);
    const std::vector<std::string_view> words = blankSeparated(line.substr(tab + 1));
    if (words.empty())
        return {};

    Zone zone;
    if (!field.empty() && (field.front() == '1' || field.front() == '0')) {
        zone.shown = field.front() == '1';
        field.remove_prefix(1);
    } else {
        zone.shown = index < kImplicitlyShown;
    }
    zone.name = std::string(withoutTrailingBlanks(utf8Prefix(field, kMaxZoneNameBytes)));

    const std::optional<int> offset = words[0].size() <= kMaxOffsetBytes ? parseOffset(words[0]) : std::nullopt;
    if (!offset)
        return {std::nullopt, invalidZoneValueText(words[0])};
    zone.record.minutesWest = *offset;

    // The rule numbers run until one does not read, as far as there are six.
    std::array<int, 6> rule{};
    for (std::size_t i = 1; i < words.size() && i <= rule.size(); ++i) {
        std::optional<int> n = parseNumber(words[i]);
        if (!n)
            break;
        rule[i - 1] = *n;
    }
    zone.record.begin = {rule[0], rule[1], rule[2]};
    zone.record.end = {rule[3], rule[4], rule[5]};
    zone.record.daylightSaving = zone.record.begin.month != 0;
    // A rule outside the calendar would place daylight time on no day, or
    // on a day of another month: the line is as bad as a bad offset.
    if (zone.record.daylightSaving && !(ruleInRange(zone.record.begin) && ruleInRange(zone.record.end)))
        return {std::nullopt, invalidZoneValueText(withoutTrailingBlanks(line.substr(tab + 1)))};
    if (!zone.record.daylightSaving)
        zone.record.begin = zone.record.end = {};
    return {zone, std::nullopt};
}

std::string fileSafeName(std::string name)
{
    for (char& c : name)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return std::string(utf8Prefix(name, kMaxZoneNameBytes));
}

} // namespace

std::string invalidZoneValueText(std::string_view value) { return withValue(kInvalidZoneValueText, value); }
std::string zoneFileWriteText() { return withValue(kZoneFileWriteText, kZoneFileName); }

// --- records ---------------------------------------------------------------------------

std::array<std::uint8_t, ZoneRecord::kSize> ZoneRecord::encode() const
{
    std::array<std::uint8_t, kSize> b{};
    bytes::putU16(&b[0], static_cast<std::uint16_t>(static_cast<std::int16_t>(minutesWest)));
    b[2] = daylightSaving ? 1 : 0;
    b[3] = static_cast<std::uint8_t>(begin.week);
    b[4] = static_cast<std::uint8_t>(begin.weekday);
    b[5] = static_cast<std::uint8_t>(begin.month);
    b[6] = static_cast<std::uint8_t>(end.week);
    b[7] = static_cast<std::uint8_t>(end.weekday);
    b[8] = static_cast<std::uint8_t>(end.month);
    return b;
}

ZoneRecord ZoneRecord::decode(const std::uint8_t* b)
{
    ZoneRecord r;
    r.minutesWest = bytes::i16(b);
    r.daylightSaving = b[2] != 0;
    r.begin = {b[3], b[4], b[5]};
    r.end = {b[6], b[7], b[8]};
    return r;
}

int ZoneTable::shownCount() const
{
    return static_cast<int>(std::count_if(zones.begin(), zones.end(), [](const Zone& z) { return z.shown; }));
}

// --- the rules ----------------------------------------------------------------------

DayNumber ruleDate(const ZoneRule& rule, int year)
{
    const DayNumber first = dayOf(rule.month, 1, year);
    const DayNumber firstWeekday = first + positiveModulo(rule.weekday - first.weekday(), 7);  // [first, first + 6]
    if (rule.week >= 1)
        return firstWeekday + 7 * (rule.week - 1);
    // The last: the fifth when the month holds five, else the fourth.
    const DayNumber fifth = firstWeekday + 28;
    return civilDate(fifth).month == rule.month ? fifth : firstWeekday + 21;
}

DayNumber nextRuleDate(const ZoneRule& rule, DayNumber d)
{
    const int year = civilDate(d).year;
    const DayNumber date = ruleDate(rule, year);
    return date < d ? ruleDate(rule, year + 1) : date;
}

bool isDaylightTime(const ZoneRecord& zone, DayNumber d)
{
    if (!zone.daylightSaving || !ruleInRange(zone.begin) || !ruleInRange(zone.end))
        return false;
    const DayNumber begins = nextRuleDate(zone.begin, d);
    const DayNumber ends = nextRuleDate(zone.end, d);
    if (d == begins)
        return true;
    if (d == ends)
        return false;
    // The end comes first: the period has begun (across the new year too).
    return begins > ends;
}

int zoneOffsetOnDay(const ZoneRecord& zone, DayNumber d) { return zone.minutesWest - (isDaylightTime(zone, d) ? 60 : 0); }

TimeValue zoneTime(const ZoneRecord& local, const ZoneRecord& zone, DayNumber today, TimeValue now)
{
    const int t = positiveModulo(zoneOffsetOnDay(local, today) + now.value() - zoneOffsetOnDay(zone, today), kMinutesPerDay);
    return TimeValue(t == 0 ? kMinutesPerDay : t);
}

bool isWorkingHours(TimeValue zoneTime)
{
    const int minutes = zoneTime.value() - 1;
    return minutes >= kWorkdayBegins && minutes <= kWorkdayEnds;
}

// --- timezone.lst ----------------------------------------------------------------------

std::string offsetText(int minutesWest)
{
    const int magnitude = minutesWest < 0 ? -minutesWest : minutesWest;
    char text[32];
    std::snprintf(text, sizeof text, "%s%d:%02d", minutesWest < 0 ? "-" : "", magnitude / 60, magnitude % 60);
    return text;
}

// Read as a signed duration, the form it is written in: as a time of day,
// "5:00" on a 12-hour clock would be 17:00, and a zone east of universal
// time could not be written at all.
std::optional<int> parseOffset(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t colon = text.find(':');
    std::optional<int> hours = colon == 0 ? std::optional<int>(0) : parseNumber(text.substr(0, colon));
    std::optional<int> minutes = colon == std::string_view::npos ? std::optional<int>(0) : parseNumber(text.substr(colon + 1));
    if (colon != std::string_view::npos && text.size() - colon - 1 != 2)
        return std::nullopt;
    if (!hours || !minutes || *hours < 0 || *minutes < 0 || *minutes > 59)
        return std::nullopt;
    const int total = *hours * 60 + *minutes;
    if (total >= kMinutesPerDay)
        return std::nullopt;
    return negative ? -total : total;
}

ZoneTableRead parseZoneTable(std::string_view text)
{
    ZoneTableRead read;
    std::size_t index = 0;
    while (!text.empty() && read.table.zones.size() < kMaxZones) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        LineRead line_ = readLine(utf8Prefix(line, kMaxZoneLineBytes), index++);
        if (line_.problem)
            read.problem = line_.problem;
        if (!line_.zone)
            break;
        read.table.zones.push_back(std::move(*line_.zone));
    }
    return read;
}

std::string zoneTableText(const ZoneTable& table)
{
    std::string text;
    char line[kMaxZoneLineBytes + 64];
    for (const Zone& zone : table.zones) {
        const ZoneRecord& r = zone.record;
        std::snprintf(line, sizeof line, "%s%-35s\t%s", zone.shown ? "1" : "0", fileSafeName(zone.name).c_str(),
                      offsetText(r.minutesWest).c_str());
        text += line;
        if (r.daylightSaving) {
            std::snprintf(line, sizeof line, " %d %d %d %d %d %d", r.begin.week, r.begin.weekday, r.begin.month,
                          r.end.week, r.end.weekday, r.end.month);
            text += line;
        }
        text += '\n';
    }
    return text;
}

std::optional<ZoneTableRead> loadZoneTable(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    // Only as many lines as the table can take, each cut at its limit.
    std::string text;
    std::string line;
    for (std::size_t lines = 0; lines < kMaxZones && in; ++lines) {
        line.clear();
        char c;
        while (in.get(c) && c != '\n')
            if (line.size() < kMaxZoneLineBytes)
                line += c;
        if (line.empty() && !in)
            break;
        text += line;
        text += '\n';
    }
    return parseZoneTable(text);
}

std::filesystem::path ZoneFiles::readable() const
{
    std::error_code ignored;
    if (!std::filesystem::exists(user, ignored) && !shipped.empty() && std::filesystem::exists(shipped, ignored))
        return shipped;
    return user;
}

int saveZoneTable(FileSystem& files, const std::filesystem::path& file, const ZoneTable& table)
{
    return replaceFileContents(files, file, zoneTableText(table));
}

// --- the computer's zone and the header ------------------------------------------------

ComputerZone computerZone()
{
    ::tzset();
    ComputerZone zone;
    zone.minutesWest = static_cast<int>(::timezone / 60);
    zone.daylightSaving = ::daylight != 0;
    zone.standardName = ::tzname[0] ? ::tzname[0] : "";
    zone.daylightName = ::tzname[1] ? ::tzname[1] : "";
    return zone;
}

ZoneRecord localZoneOf(const ScheduleHeader& header) { return ZoneRecord::decode(&header.bytes()[ScheduleHeader::localZoneAt]); }

void setLocalZoneField(ScheduleHeader& header, const ZoneRecord& zone)
{
    const auto encoded = zone.encode();
    std::copy(encoded.begin(), encoded.end(), header.bytes().begin() + ScheduleHeader::localZoneAt);
}

int shownZonesOf(const ScheduleHeader& header) { return header.u8(ScheduleHeader::shownZonesAt); }
void setShownZones(ScheduleHeader& header, int count) { header.setU8(ScheduleHeader::shownZonesAt, static_cast<std::uint8_t>(std::clamp(count, 0, 255))); }

ZoneRecord localZoneFor(const ComputerZone& computer, const ZoneTable& table)
{
    ZoneRecord local;
    local.minutesWest = computer.minutesWest;
    for (const Zone& zone : table.zones)
        if (zone.record.minutesWest == computer.minutesWest) {
            local = zone.record;
            break;
        }
    local.daylightSaving = computer.daylightSaving;
    return local;
}

ZoneStart startTimeZones(ScheduleHeader& header, const ZoneFiles& files, const ComputerZone& computer)
{
    ZoneStart start;
    const std::filesystem::path file = files.readable();
    std::optional<ZoneTableRead> read = loadZoneTable(file);
    if (!read) {
        start.problem = withValue(kZoneFileOpenText, file.string());
        return start;
    }
    start.problem = read->problem;
    setShownZones(header, read->table.shownCount());
    setLocalZoneField(header, localZoneFor(computer, read->table));
    start.table = std::move(read->table);
    return start;
}

} // namespace zk
