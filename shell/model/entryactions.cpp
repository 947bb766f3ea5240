#include "shell/model/entryactions.h"

#include "core/schedule.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "shell/model/commands.h"
#include "shell/model/panelines.h"
#include "sharing/session.h"

#include <utility>

namespace zk {

namespace {

constexpr std::pair<int, EntryAction> kCommandActions[] = {
    {Command::deferHour, EntryAction::DeferHour},
    {static_cast<int>(StepCommand::ShorterDuration), EntryAction::ShorterDuration},
    {static_cast<int>(StepCommand::LongerDuration), EntryAction::LongerDuration},
    {static_cast<int>(StepCommand::EarlierBegin), EntryAction::EarlierBegin},
    {static_cast<int>(StepCommand::LaterBegin), EntryAction::LaterBegin},
    {Command::appointmentToggle, EntryAction::Appointment},
    {Command::onHold, EntryAction::OnHold},
};

} // namespace

std::vector<int> entryActionCommands()
{
    std::vector<int> commands;
    for (auto [command, action] : kCommandActions)
        commands.push_back(command);
    return commands;
}

std::optional<EntryAction> entryActionOfCommand(int command)
{
    for (auto [id, action] : kCommandActions)
        if (id == command)
            return action;
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
