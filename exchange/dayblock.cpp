#include "exchange/dayblock.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/interfacemode.h"
#include "engine/linetext.h"
#include "engine/placementcontext.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zk {

namespace {

constexpr std::size_t kPieceCharacters = 72;

std::string format(const char* pattern, const std::string& a, const std::string& b = {})
{
    char text[256];
    std::snprintf(text, sizeof text, pattern, a.c_str(), b.c_str());
    return text;
}

bool takesTime(const ItemRecord& r) { return !r.has(ItemFlag::fOnHold); }

std::string timeColumn(const DayEntry& e, const ItemRecord& r, const RegionalSettings& regional)
{
    if (e.start == 0)
        return r.duration() == 0 ? "note" : "";
    return alignedTime(e.startTime(), regional);
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
    return "(" + progressPart(e, r, day, {c.today, c.now}, c.regional) + durationText(r.duration(), c.regional) + ")";
}

std::size_t nextCharacter(std::string_view text, std::size_t at)
{
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        ++at;
    return at;
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
    return dayFactsLine(schedule, day, PaneDisplay{}, {c.today, c.now});
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
        if (!c.hidden || !c.hidden(e.item))
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
