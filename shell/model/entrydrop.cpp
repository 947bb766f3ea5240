#include "shell/model/entrydrop.h"

#include "core/schedule.h"
#include "engine/entrycommands.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "shell/model/panelines.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"

#include <algorithm>
#include <optional>

namespace zk {

namespace {

// The entry in the schedule as it is now: at its shown place, or, for a
// split item that lies on the day more than once, its first piece there.
std::optional<EntryRef> findShown(const Schedule& s, ItemHandle item, const DraggedEntry& shown)
{
    if (!item)
        return std::nullopt;
    const DayRecord* record = s.findDay(shown.day);
    if (!record)
        return std::nullopt;
    const auto& entries = record->entries();
    if (shown.index < entries.size() && entries[shown.index].item == item)
        return EntryRef{shown.day, shown.index};
    if (std::optional<std::size_t> at = s.entryOf(item, shown.day))
        return EntryRef{shown.day, *at};
    return std::nullopt;
}

void logMove(Session& session, ItemHandle item)
{
    appendActivity(session.access().paths().folder, kChangeLogName,
                   activityLine(session.clock().localNow(), session.settings().regional,
                                session.schedule().description(item)),
                   session.messages());
}

} // namespace

EntryForChange entryForChange(Session& session, const DraggedEntry& shown)
{
    const Schedule& before = session.schedule();
    if (!shown.item || !before.items.isLive(shown.item))
        return {};
    const std::uint32_t id = before.record(shown.item).id();
    if (!session.access().requestChangeAccess())
        return {true, kNoItem, std::nullopt};
    const Schedule& s = session.schedule();
    ItemHandle item = s.items.isLive(shown.item) && s.record(shown.item).id() == id ? shown.item : s.findItemById(id);
    return {false, item, findShown(s, item, shown)};
}

DropResult dropEntry(Session& session, const DraggedEntry& dragged, const DropPlace& place)
{
    const Schedule& shown = session.schedule();
    if (!dragged.item || !shown.items.isLive(dragged.item) || place.day.isNone())
        return {};
    const bool sameDay = place.day == dragged.day;
    const DayRecord* shownDay = shown.findDay(dragged.day);
    const std::size_t before = shownDay ? std::min(place.before, shownDay->entries().size()) : place.before;
    if (sameDay && (before == dragged.index || before == dragged.index + 1))
        return {DropOutcome::Unchanged, dragged.item, dragged.day};
    EntryForChange target = entryForChange(session, dragged);
    if (target.waiting)
        return {DropOutcome::Waiting, kNoItem, kNoDay};
    if (!target.entry)
        return {};
    Schedule& s = session.schedule();
    ItemHandle item = target.item;
    std::optional<EntryRef> from = target.entry;
    const PlacementContext context = PlacementContext::at(session.clock());
    Placement placement(s, context, &session.messages());
    if (!sameDay) {
        if (!s.getDay(place.day) || !placement.moveEntryToDay(*from, place.day))
            return {DropOutcome::Refused, item, from->day};
    } else if (from->day < context.today || s.isPastDay(from->day)
               || !moveEntryWithinDay(placement, *from, before)) {
        // Past days keep the order they were done in.
        return {DropOutcome::Refused, item, from->day};
    }
    logMove(session, item);
    return {DropOutcome::Moved, item, place.day};
}

DropSpot dropSpotAt(const PaneRecord& record, int y)
{
    const auto& rows = record.rows();
    const auto& lines = record.lines();
    if (rows.empty())
        return {kAfterLastEntry, 0};
    if (y < rows.front().top) {
        const PaneLine& first = lines[static_cast<std::size_t>(rows.front().line)];
        return {first.selectable() ? first.entryIndex : kAfterLastEntry, rows.front().top};
    }
    for (const PaneRow& row : rows) {
        if (y >= row.top + row.height)
            continue;
        const PaneLine& line = lines[static_cast<std::size_t>(row.line)];
        if (line.selectable()) {
            if (y < row.top + row.height / 2)
                return {line.entryIndex, row.top};
            return {line.entryIndex + 1, row.top + row.height};
        }
        // A gap: before the next entry shown, wherever it lies.
        for (std::size_t next = static_cast<std::size_t>(row.line) + 1; next < lines.size(); ++next)
            if (lines[next].selectable())
                return {lines[next].entryIndex, row.top + row.height};
        return {kAfterLastEntry, row.top + row.height};
    }
    return {kAfterLastEntry, rows.back().top + rows.back().height};
}

} // namespace zk
