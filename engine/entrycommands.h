#pragma once
// The schedule commands that act on one selected entry and lay its day out
// again: "Defer Hour", the duration and begin-time steps (which share their
// keys with "Raise Priority" and "Lower Priority"), "Appointment",
// "On Hold" and a drag within the day. Each takes the entry by its place
// and works through a Placement, so the day's layout follows the change.

#include "core/schedule.h"

#include <cstddef>
#include <optional>

namespace zk {

class Placement;

extern const char* const kDeferHourOnlyFloatingText;

// Postpones the entry's item to an hour from now (or one more hour past a
// postponement on the hour) and puts the entry back in its day. False when
// refused: the item is started, done or anchored.
bool deferHour(Placement& placement, EntryRef entry);

enum class StepCommand {
    ShorterDuration = 155,
    LongerDuration = 156,
    EarlierBegin = 157,
    LaterBegin = 158,
};

// How big a step is: `KeyIncre1min` makes every step one minute.
enum class StepSize { FiveMinutes, OneMinute };

struct StepResult {
    // A floating item that is neither started nor done changed: the
    // workload wants balancing again.
    bool rebalanceRequested = false;
};

StepResult stepEntry(Placement& placement, EntryRef entry, StepCommand command, StepSize size);

// "Appointment": anchors the item where its entry lies now, or frees it.
// False for an item on hold, which has no place to be anchored at.
bool toggleAppointment(Placement& placement, EntryRef entry);

// "On Hold": an item taken off hold is put back into the viewed day.
// Returns where the entry is afterwards.
std::optional<EntryRef> toggleOnHold(Placement& placement, EntryRef entry, DayNumber viewedDay);

// A floating entry dragged to another place in its day's order: it goes in
// before the entry now at `before` (the day's entry count: at the end), or
// at the first place after that where it fits, as an entry put back near
// its old place does. Where it is afterwards; nothing when refused: an
// entry that keeps its place by time (anchored, started, done, on hold, or
// with a wanted begin time) stays where it is.
std::optional<EntryRef> moveEntryWithinDay(Placement& placement, EntryRef entry, std::size_t before);

} // namespace zk
