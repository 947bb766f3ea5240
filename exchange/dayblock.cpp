#include "exchange/dayblock.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/interfacemode.h"
#include "engine/placementcontext.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zk {

namespace {

constexpr std::size_t kPieceCharacters = 72;
constexpr std::uint16_t kAlarmAnswered = 65535;

std::string format(const char* pattern, const std::string& a, const std::string& b = {})
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, a.c_str(), b.c_str());
    return text;
}

std::string hoursAndMinutes(int minutes)
{
    char text[32];
    minutes = std::max(0, minutes);
    std::snprintf(text, sizeof text, "%d:%02d", minutes / 60, minutes % 60);
    return text;
}

bool takesTime(const ItemRecord& r) { return !r.has(ItemFlag::fOnHold); }

std::string timeColumn(const DayEntry& e, const ItemRecord& r, const RegionalSettings& regional)
{
    if (e.start == 0)
        return r.duration() == 0 ? "note" : "";
    return alignedTime(e.startTime(), regional);
}

std::string recurrenceMark(const ItemRecord& r)
{
    if (r.has(ItemFlag::fRecurDef))
        return " -r";
    if (r.has(ItemFlag::fException | ItemFlag::fPastException))
        return " -rx";
    return {};
}

std::string alarmMark(const ItemRecord& r, DayNumber day, DayNumber today)
{
    if (!r.has(ItemFlag::fAlarm) || day < today)
        return {};
    std::int16_t state = static_cast<std::int16_t>(r.alarmRepeat());
    return state == -1 ? " -ax" : state > 0 ? " -ar" : " -a";
}

// What part of its time an entry has had or got: the minutes since a
// started entry began ("*" before it began), or the placed minutes of an
// entry that got less than it needs.
std::string progressPart(const DayEntry& e, const ItemRecord& r, DayNumber day, const DayBlockContext& c)
{
    const RegionalSettings& regional = c.regional;
    if (r.has(ItemFlag::fStarted) && !r.has(ItemFlag::fDone) && e.start != 0) {
        std::string part;
        int elapsed = c.now - e.startTime();
        if (day != c.today || elapsed < 0)
            part = "*";
        else
            part = durationClock(elapsed, regional) + "/";
        if (r.has(ItemFlag::fSplit))
            part += durationClock(e.placedMinutes, regional) + "/";
        return part;
    }
    if (e.placedMinutes < r.duration())
        return durationClock(e.placedMinutes, regional) + "/";
    return {};
}

std::string durationGroup(const Schedule& schedule, const DayEntry& e, const ItemRecord& r, DayNumber day,
                          const DayBlockContext& c)
{
    if (!isProMode(schedule.header) && !r.has(ItemFlag::fAnchored))
        return {};
    if (r.has(ItemFlag::fOnHold) && r.duration() == 0)
        return {};
    if (r.kind() == ItemKind::cashFlow)
        return "(cash)";
    return "(" + progressPart(e, r, day, c) + durationText(r.duration(), c.regional) + ")";
}

std::string deadlineMark(const ItemRecord& r, DayNumber day)
{
    if (!r.has(ItemFlag::fFloating) || r.deadlineDate() == 0 || day.value() < r.deadlineDate())
        return {};
    return day.value() == r.deadlineDate() ? " [due today]" : " [overdue]";
}

std::size_t nextCharacter(std::string_view text, std::size_t at)
{
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    return at;
}

// Where the FREE lines count from: the day start, or the first entry's
// start when that entry is anchored there.
int freeTimeFrom(const Schedule& schedule, const std::vector<DayEntry>& entries)
{
    if (!entries.empty() && schedule.record(entries.front().item).has(ItemFlag::fAnchored))
        return entries.front().startTime().value();
    return schedule.dayStart().value();
}

} // namespace

std::vector<std::string> piecesOf72(std::string_view text)
{
    std::vector<std::string> pieces;
    for (;;) {
        std::size_t end = 0;
        std::size_t lastBlank = std::string_view::npos;
        for (std::size_t count = 0; end < text.size() && count < kPieceCharacters; ++count) {
            if (text[end] == ' ')
                lastBlank = end;
            end = nextCharacter(text, end);
        }
        if (end >= text.size()) {
            pieces.emplace_back(text);
            return pieces;
        }
        if (lastBlank != std::string_view::npos) {
            pieces.emplace_back(text.substr(0, lastBlank));
            text.remove_prefix(lastBlank + 1);
        } else {
            pieces.emplace_back(text.substr(0, end));
            text.remove_prefix(end);
        }
    }
}

std::string exportItemLine(const Schedule& schedule, const DayEntry& e, DayNumber day, const DayBlockContext& c)
{
    const ItemRecord& r = schedule.record(e.item);
    std::string line = format("%6s", timeColumn(e, r, c.regional));
    line += r.has(ItemFlag::fDone) ? "  " : " ";
    line += schedule.description(e.item) + recurrenceMark(r) + alarmMark(r, day, c.today);
    if (std::string group = durationGroup(schedule, e, r, day, c); !group.empty())
        line += " " + group;
    line += deadlineMark(r, day);
    return line;
}

std::string dayFactsText(const Schedule& schedule, DayNumber day, const DayBlockContext& c)
{
    std::string facts;
    if (int offset = day - c.today; offset != 0) {
        char text[32];
        std::snprintf(text, sizeof text, "<%c%d>", offset > 0 ? '+' : '-', std::abs(offset));
        facts += text;
    }
    const DayRecord* record = schedule.findDay(day);
    int count = 0, done = 0, scheduled = 0, conflicting = 0;
    if (record) {
        for (const DayEntry& e : record->entries()) {
            const ItemRecord& r = schedule.record(e.item);
            ++count;
            done += r.has(ItemFlag::fDone) ? 1 : 0;
            scheduled += takesTime(r) ? e.placedMinutes : 0;
            conflicting += e.conflicting() ? e.placedMinutes : 0;
        }
    }
    char text[128];
    if (count > 0) {
        if (day == c.today)
            std::snprintf(text, sizeof text, " %d/%d %s", done, count, "undone");
        else
            std::snprintf(text, sizeof text, " %d %s", count, "items");
        facts += text;
        facts += " (" + hoursAndMinutes(scheduled) + ")";
    }
    if (day < c.today) {
        std::snprintf(text, sizeof text, " %d %s", count - done, "undone");
        facts += text;
    } else {
        PlacementContext at;
        at.today = c.today;
        at.now = c.now;
        facts += " " + hoursAndMinutes(freeMinutesOfDay(schedule, day, at)) + " free; " + hoursAndMinutes(conflicting)
            + " conflicting";
    }
    return facts;
}

DayBlock dayBlock(const Schedule& schedule, DayNumber day, const DayBlockContext& c)
{
    DayBlock block;
    block.title = dateAndWeekday(day, c.regional) + " " + dayFactsText(schedule, day, c);
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return block;
    const auto& entries = record->entries();
    int latestEnd = freeTimeFrom(schedule, entries);
    for (const DayEntry& e : entries) {
        int start = e.startTime().value();
        if (e.start != 0 && start > latestEnd)
            block.lines.push_back(format("%6s FREE (%s)", alignedTime(TimeValue(latestEnd), c.regional),
                                         durationText(start - latestEnd, c.regional)));
        for (std::string& piece : piecesOf72(exportItemLine(schedule, e, day, c)))
            block.lines.push_back(std::move(piece));
        if (takesTime(schedule.record(e.item)))
            latestEnd = std::max(latestEnd, start + e.placedMinutes);
    }
    return block;
}

std::string exportText(const DayBlock& block)
{
    std::string text = "\n\n" + block.title + "\n\n";
    for (const std::string& line : block.lines)
        text += line + "\n";
    return text;
}

} // namespace zk
