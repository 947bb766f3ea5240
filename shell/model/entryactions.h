#pragma once
// The schedule window's commands on the selected entry: "Defer Hour", the
// duration and begin-time steps, "Appointment", "On Hold", and the click in
// the time column that holds a placement (or lets it go). Each works on
// the entry as the pane shows it and lays its day out again.
//
// Contract:
// - As for a dropped entry: change access comes first, the entry is then
//   found again by its item's id, and nothing changes when access waits or
//   the command is refused. A refusal shows its text.
// - The caller owns the schedule while it calls (the background-work lock)
//   and sets the rebalance request when the result asks for it.

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/entrycommands.h"
#include "shell/model/entrydrop.h"

#include <optional>
#include <vector>

namespace zk {

class Session;

enum class EntryAction {
    DeferHour,
    ShorterDuration,
    LongerDuration,
    EarlierBegin,
    LaterBegin,
    Appointment,
    OnHold,
    HoldTime,  // the click in the time column
};

// The menu commands that run an action, and the action of each (none for
// any other command).
std::vector<int> entryActionCommands();
std::optional<EntryAction> entryActionOfCommand(int command);

struct EntryActionResult {
    bool changed = false;
    ItemHandle item;  // the entry's item in the schedule as it is now
    DayNumber day;    // the day it lies on afterwards
    bool rebalanceRequested = false;
};

EntryActionResult runEntryAction(Session& session, EntryAction action, const DraggedEntry& entry,
                                 DayNumber viewedDay, StepSize stepSize);

} // namespace zk
