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

// The dragged entry in the schedule as it is now.
std::optional<EntryRef> findDragged(const Schedule& s, ItemHandle item, const DraggedEntry& dragged)
{
    if (!item)
        return std::nullopt;
    const DayRecord* record = s.findDay(dragged.day);
    if (!record)
        return std::nullopt;
    // A split item may lie on the day more than once: the piece dragged.
    const auto& entries = record->entries();
    if (dragged.index < entries.size() && entries[dragged.index].item == item)
        return EntryRef{dragged.day, dragged.index};
    if (std::optional<std::size_t> at = s.entryOf(item, dragged.day))
        return EntryRef{dragged.day, *at};
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
    const std::uint32_t id = shown.record(dragged.item).id();
    if (!session.access().requestChangeAccess())
        return {DropOutcome::Waiting, kNoItem, kNoDay};
    Schedule& s = session.schedule();
    ItemHandle item = s.items.isLive(dragged.item) && s.record(dragged.item).id() == id ? dragged.item
                                                                                        : s.findItemById(id);
    std::optional<EntryRef> from = findDragged(s, item, dragged);
    if (!from)
        return {};
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
