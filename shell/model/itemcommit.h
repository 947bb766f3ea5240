#pragma once
// What the item editor's OK does with its working copy: a new item goes in
// through the session's add (which takes change access, logs it, and may
// keep it pending while another session holds the schedule); a changed
// item is stored over the old one, moves in the priority list and is laid
// out again; the template is stored when the editor had nothing else to
// edit. Nothing is half done: a change that cannot take change access, or
// an add that is refused, leaves the schedule as it was and says so in the
// result, so the editor can stay open with what the user typed.
//
// A recurring item is stored by what the editor made of its instance: the
// definition changed (its occurrences taken off and placed again), the
// occurrence stored as an exception (an unchanged one stays a standard
// occurrence), the occurrence cancelled, or, with the recurring box
// cleared and the question answered Yes, the item made a single item and
// the other instances deleted. An existing item given a rule becomes a
// definition. A new recurring item is shown on its first occurrence.
//
// The caller owns the schedule while it calls (the background-work lock).
// Taking change access may load what another session saved and so replace
// the schedule object: the edited item is found again by its id.

#include "core/item.h"
#include "engine/itemediting.h"

namespace zk {

class Session;

enum class CommitStatus {
    Stored,   // written; the item (none for the template) is in the schedule
    Pending,  // a new item waits for change access, and goes in once it comes
    Waiting,  // change access is held by another session: nothing stored
    Refused,  // the schedule refused it (the reason was shown): nothing stored
    Kept,     // the user chose to go on editing: nothing stored
};

struct CommitResult {
    CommitStatus status = CommitStatus::Refused;
    ItemHandle item;
    DayNumber dayToShow;  // where the item is now; none: leave the view
    // A floating item, neither split nor started, changed: the workload
    // wants balancing again (the caller sets the rebalance request).
    bool rebalanceRequested = false;

    bool closesEditor() const { return status == CommitStatus::Stored || status == CommitStatus::Pending; }
};

extern const char* const kEditedItemGoneText;
extern const char* const kRecurringChangeFailedText;

CommitResult commitItemEdit(Session& session, const ItemEditor& editor);

} // namespace zk
