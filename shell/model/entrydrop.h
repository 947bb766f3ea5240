#pragma once
// Dropping an entry the user dragged with the mouse. Dropped on another
// day, it moves there as the juggle commands move an entry (a move past a
// floating item's deadline asks whether to extend it); dropped in its own
// day on another line, a floating entry takes that place in the day's
// order. An occurrence of a recurring item stays on its day. A move is
// logged to "Change.log".
//
// Contract:
// - Change access comes first; without it, or when the schedule refuses
//   the move, the schedule is left as it was.
// - The caller owns the schedule while it calls (the background-work
//   lock). Taking change access may load what another session saved and so
//   replace the schedule: the entry is found again by its item's id.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/schedule.h"

#include <cstddef>
#include <optional>
#include <limits>

namespace zk {

class Session;

// The entry the drag picked up (or the one selected), as the pane showed it.
struct DraggedEntry {
    ItemHandle item;
    DayNumber day;
    std::size_t index = 0;  // its place in the day's entries
};

// Takes change access for a change to the entry shown, then finds the
// entry again in the schedule as it is now. `waiting` when another session
// holds change access; no entry when the item or its entry has gone.
struct EntryForChange {
    bool waiting = false;
    ItemHandle item;
    std::optional<EntryRef> entry;
};
EntryForChange entryForChange(Session& session, const DraggedEntry& shown);

// Where it was let go: a day, and in that day the entry it goes before
// (kAfterLastEntry or the day's entry count: after the last).
inline constexpr std::size_t kAfterLastEntry = std::numeric_limits<std::size_t>::max();
struct DropPlace {
    DayNumber day;
    std::size_t before = kAfterLastEntry;
};

class PaneRecord;

// Where a drop at `y` (pixels from the top of the pane's lines) puts the
// entry in the pane's day: before the entry of the line under it when in
// the line's upper half, after it when in the lower half; on a gap line
// before the entry after the gap. `markerTop` is where the pane shows the
// place while the entry is dragged.
struct DropSpot {
    std::size_t before = kAfterLastEntry;
    int markerTop = 0;
};
DropSpot dropSpotAt(const PaneRecord& record, int y);

enum class DropOutcome {
    Moved,      // to another day or another place in its day
    Unchanged,  // let go where it stands
    Refused,    // the schedule refused the move; nothing changed
    Waiting,    // another session holds change access; nothing changed
};

struct DropResult {
    DropOutcome outcome = DropOutcome::Refused;
    ItemHandle item;  // the moved item in the schedule as it is now
    DayNumber day;    // the day it lies on afterwards
};

DropResult dropEntry(Session& session, const DraggedEntry& dragged, const DropPlace& place);

} // namespace zk
