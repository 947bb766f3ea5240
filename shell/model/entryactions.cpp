#include "shell/model/entryactions.h"

#include "core/schedule.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "shell/model/panelines.h"
#include "sharing/session.h"

namespace zk {

std::optional<EntryAction> entryActionOfCommand(int command)
{
    switch (command) {
    case 685: return EntryAction::DeferHour;
    case static_cast<int>(StepCommand::ShorterDuration): return EntryAction::ShorterDuration;
    case static_cast<int>(StepCommand::LongerDuration): return EntryAction::LongerDuration;
    case static_cast<int>(StepCommand::EarlierBegin): return EntryAction::EarlierBegin;
    case static_cast<int>(StepCommand::LaterBegin): return EntryAction::LaterBegin;
    case 395: return EntryAction::Appointment;
    case 73: return EntryAction::OnHold;
    }
    return std::nullopt;
}

namespace {

StepCommand stepOf(EntryAction action)
{
    switch (action) {
    case EntryAction::ShorterDuration: return StepCommand::ShorterDuration;
    case EntryAction::LongerDuration: return StepCommand::LongerDuration;
    case EntryAction::EarlierBegin: return StepCommand::EarlierBegin;
    default: return StepCommand::LaterBegin;
    }
}

} // namespace

EntryActionResult runEntryAction(Session& session, EntryAction action, const DraggedEntry& entry,
                                 DayNumber viewedDay, StepSize stepSize)
{
    EntryForChange target = entryForChange(session, entry);
    if (!target.entry)
        return {};
    Schedule& s = session.schedule();
    const PlacementContext context = PlacementContext::at(session.clock());
    Placement placement(s, context, &session.messages());
    const EntryRef at = *target.entry;
    EntryActionResult result{true, target.item, at.day, false};
    switch (action) {
    case EntryAction::DeferHour:
        result.changed = deferHour(placement, at);
        break;
    case EntryAction::ShorterDuration:
    case EntryAction::LongerDuration:
    case EntryAction::EarlierBegin:
    case EntryAction::LaterBegin:
        result.rebalanceRequested = stepEntry(placement, at, stepOf(action), stepSize).rebalanceRequested;
        break;
    case EntryAction::Appointment:
        // An item on hold has no place to be anchored at.
        result.changed = toggleAppointment(placement, at);
        break;
    case EntryAction::OnHold:
        if (std::optional<EntryRef> now = toggleOnHold(placement, at, viewedDay))
            result.day = now->day;
        break;
    case EntryAction::HoldTime:
        result.changed = toggleHeldTime(s, target.item, at.day, {context.today, context.now});
        if (!result.changed)
            s.report(kSplitCannotHoldText);
        result.rebalanceRequested = result.changed;
        break;
    }
    return result;
}

} // namespace zk
