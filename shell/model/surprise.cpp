#include "shell/model/surprise.h"

#include "core/schedule.h"
#include "core/text.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <fstream>

namespace zk {

const char* const kSurpriseFutureDayText =
    "You are looking at a future day. Change to today's schedule first if you want to insert a surprise item.";

std::vector<std::string> readSurpriseList(const std::filesystem::path& folder)
{
    std::vector<std::string> lines;
    std::ifstream in(folder / kSurpriseListName, std::ios::binary);
    std::string line;
    while (lines.size() < kMaxSurpriseItems && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string text = textFromStored(line);
        std::string_view cut = utf8Prefix(trimBlanks(text), kMaxSurpriseLineBytes);
        if (!cut.empty())
            lines.emplace_back(trimBlanks(cut));
    }
    return lines;
}

std::uint32_t surpriseProject(const Schedule& schedule, const std::string& text, DayNumber today)
{
    const std::string key = caseFoldKey(text);
    // An exact match anywhere in the days looked at wins over a partial one.
    for (bool exact : {true, false})
        for (DayNumber day = today; day > today - kSurpriseLookBackDays; --day) {
            const DayRecord* record = schedule.findDay(day);
            if (!record)
                continue;
            for (const DayEntry& e : record->entries()) {
                if (!schedule.items.isLive(e.item) || !schedule.record(e.item).has(ItemFlag::fDone))
                    continue;
                std::string other = caseFoldKey(schedule.description(e.item));
                if (exact ? other == key : other.find(key) != std::string::npos)
                    return schedule.record(e.item).projectId();
            }
        }
    return 0;
}

EntryWorkResult insertSurpriseItem(Session& session, const std::string& text, DayNumber viewedDay)
{
    const DayNumber today = PlacementContext::at(session.clock()).today;
    if (viewedDay > today) {
        session.messages().error(kSurpriseFutureDayText);
        return {};
    }
    NewItem item;
    item.day = today;
    item.text = text;
    item.record.setKind(ItemKind::task);
    item.record.setProjectId(surpriseProject(session.schedule(), text, today));
    AddResult added = session.addItem(std::move(item));
    EntryWorkResult result;
    result.waiting = added.status == AddStatus::Pending;
    if (added.status != AddStatus::Added)
        return result;
    std::optional<std::size_t> at = session.schedule().entryOf(added.item, today);
    if (!at) {
        result.changed = true;
        result.item = added.item;
        result.day = today;
        return result;
    }
    return markEntryDone(session, DraggedEntry{added.item, today, *at}, DoneHow::FitToGap);
}

} // namespace zk
