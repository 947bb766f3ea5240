#pragma once
// Marking entries done: recording when an item really happened. A done item
// is a fixed entry at its actual time; it leaves the priority list, and the
// time the scheduler had kept for it is free again.
//
// Contract:
// - Every operation takes the entry by its place and works through one
//   Placement (its schedule, today and now); the days it changes are laid
//   out again and the schedule is marked dirty.
// - Nothing is recorded for an entry on a day after today: markDone asks
//   first whether to move it to today (kFutureDoneText), and anything but
//   Yes changes nothing.
// - A standard occurrence of a recurring item becomes an exception before
//   it is marked; its definition remembers the latest day done.
// - A piece of a split item, or one of several pieces of a floating item,
//   becomes an item of its own when done (with a new id), and the floating
//   item shrinks by the piece and keeps floating.
// - The planned duration is kept for undo in one byte: a duration above
//   255 is kept as 0 (nothing to restore) rather than as a wrong value.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/schedule.h"

#include <optional>
#include <string>

namespace zk {

class Messages;
class Placement;

// The done commands, by their command numbers.
enum class DoneHow {
    Done = 955,
    EndedNow = 206,
    EndedPreviously = 680,
    FitToGap = 683,
    Attempted = 399,
    Partial = 624,
    Cancelled = 724,
    InPast = 726,
};
std::optional<DoneHow> doneHowOfCommand(int command);

extern const char* const kFutureDoneText;
extern const char* const kFollowUpText;
extern const char* const kStartOnlyTodayText;
extern const char* const kAttemptPrefix;
extern const char* const kPartialSuffix;
extern const char* const kCancelledPrefix;
extern const char* const kDoneInPastPrefix;
// Said in diagnostic mode when a piece leaves its floating item undone.
extern const char* const kSplitParcelDiagnosticText;

struct DoneOptions {
    // The "Fit to gap as default" preference.
    bool fitToGapByDefault = false;
    // The seconds of the current minute ("Ended Now" rounds them).
    int seconds = 0;
    // Where questions go; none: every question is answered No.
    Messages* messages = nullptr;
    // The developer's diagnostic mode: internal steps are told as they happen.
    bool diagnostic = false;
};

struct DoneResult {
    bool changed = false;
    ItemHandle item;         // the entry's item now (a split piece's own item)
    DayNumber day;           // where the entry is now
    ItemHandle copy;         // Attempted, Partial and a follow-up: the copy made
    bool nowDone = false;    // the item is done afterwards
    // A floating item changed: the workload wants balancing again.
    bool rebalanceRequested = false;
};

// One of the done commands on the entry: marks an undone item done, or
// adjusts (for "Done": undoes) a done one. `followUp` answers whether a
// follow-up was wanted (kFollowUpText is asked through the options' messages).
DoneResult markDone(Placement& placement, EntryRef entry, DoneHow how, const DoneOptions& options = {});

// "Done" on a done item: it is undone and gets back its planned duration.
DoneResult undoDone(Placement& placement, EntryRef entry, DoneHow how = DoneHow::Done);

// A copy of the item: its own description, a new id, no notes, no
// recurrence; a floating item's copy takes the same place in the priority
// list. Put on `day` (none: the item's own day); none when it could not be.
ItemHandle duplicateItem(Placement& placement, ItemHandle item, DayNumber day = kNoDay);

// "Started" (false) and "Start Item After Last" (true): only on today. The
// other started items of today are marked done first; a done item is
// duplicated and the copy started. The started item begins now, or after
// the last done entry for "after last". Nothing when refused (the text was
// shown).
DoneResult startItem(Placement& placement, EntryRef entry, bool afterLast, const DoneOptions& options = {});

// The planned duration as kept for undo: 0 when it does not fit.
std::uint8_t savedDurationOf(int minutes);

} // namespace zk
