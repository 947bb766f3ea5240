#include "cli/dayworksupport.h"

#include "cli/sessionsupport.h"
#include "core/dateparse.h"
#include "core/schedule.h"
#include "sharing/session.h"

#include <charconv>
#include <cstdio>

namespace zk::cli {

std::optional<std::vector<std::uint32_t>> itemIds(const std::vector<std::string>& words)
{
    std::vector<std::uint32_t> ids;
    for (const std::string& word : words) {
        std::uint32_t id = 0;
        auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), id);
        if (error != std::errc() || end != word.data() + word.size() || id == 0)
            return std::nullopt;
        ids.push_back(id);
    }
    return ids;
}

std::optional<DayNumber> dateOption(const Arguments& args, const Session& session)
{
    EntryContext context = session.entryContext();
    std::optional<std::string> text = args.value("date");
    if (!text)
        return context.today;
    int value = parseDateEntry(*text, context);
    if (value == kInvalidEntry || !DayNumber(value).isUsable()) {
        std::fprintf(stderr, "zk: \"%s\" is not a date\n", text->c_str());
        return std::nullopt;
    }
    return DayNumber(value);
}

std::string entryLine(const char* word, const Schedule& schedule, ItemHandle item, DayNumber day)
{
    std::string line = std::string(word) + " id=" + std::to_string(schedule.record(item).id()) + " day="
                       + isoDate(day) + " start=";
    int minutes = 0;
    if (std::optional<std::size_t> at = schedule.entryOf(item, day)) {
        const DayEntry& entry = schedule.findDay(day)->entries()[*at];
        if (entry.start != 0) {
            int clock = (entry.startTime().value() - 1) % 1440;
            char text[8];
            std::snprintf(text, sizeof text, "%02d:%02d", clock / 60, clock % 60);
            line += text;
        }
        minutes = entry.placedMinutes;
    }
    return line + " minutes=" + std::to_string(minutes);
}

std::string carriedLine(const CarriedEntry& entry)
{
    const char* kind = entry.kind == CarriedEntry::Kind::Deleted   ? "deleted"
                       : entry.kind == CarriedEntry::Kind::Shifted ? "shifted"
                                                                   : "carried";
    return std::string(kind) + " id=" + std::to_string(entry.id) + " from=" + isoDate(entry.from)
           + " to=" + isoDate(entry.to);
}

} // namespace zk::cli
