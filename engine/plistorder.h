#pragma once
// The operations by which items enter, move in and leave the priority list
// (core/prioritylist.h states its invariants). Each keeps all four: it sets
// the item's fFloating flag, its plistLink and its priorityLetter together
// with the entry, renumbers what moved and marks the schedule dirty.
//
// Finding an item's entry reads the item's plistLink (O(1)); renumbering
// touches only the class entries whose position changed, which for an
// insertion or removal is the rest of that class.

#include "core/daynumber.h"
#include "core/prioritylist.h"

#include <functional>

namespace zk {

class Schedule;

extern const char* const kPastItemsCannotFloatText;

// The item's entry, or none (O(1), through its plistLink).
PlistEntryHandle findPlistEntry(const Schedule& schedule, ItemHandle item);
// The floating item of the item chain whose plistLink is the entry, or none.
ItemHandle itemOfPlistEntry(const Schedule& schedule, PlistEntryHandle entry);
// The item ahead of a floating item in the list (for "Sequence"), or none.
ItemHandle itemAheadInPlist(const Schedule& schedule, ItemHandle item);

// Whether a day is too early for an item to float on: before today, or a
// day already archived.
bool isPastForPlist(const Schedule& schedule, DayNumber day, DayNumber today);

// Makes the item floating at its letter's class, at the wanted seq (an
// occupied seq puts it ahead of the entry holding it). An item on a past
// day is left fixed with message kPastItemsCannotFloatText; the result is
// then none. An item already listed is moved to the wanted seq instead.
PlistEntryHandle addToPlist(Schedule& schedule, ItemHandle item, int wantedSeq, DayNumber today);
// Clears fFloating and fSequence; a listed item leaves the list and keeps
// the seq it had in its plistLink.
void removeFromPlist(Schedule& schedule, ItemHandle item);
// After the item's priorityLetter or rank was edited: moves its entry to
// that class at that seq (a no-op when both are unchanged).
void changeClassOrPosition(Schedule& schedule, ItemHandle item, int newSeq);
// Moves the entry inside its class so that it ends at the seq (the first
// place for a seq below 1, the last for one beyond the class).
void moveToPosition(Schedule& schedule, ItemHandle item, int seq);

enum class PriorityStep {
    Done,
    AlreadyFirst,  // raise with Marvals off on the first entry: nothing moved
    TimesInstead,  // started, anchored or done: the keys change times (placement)
};
// Marvals off: the entry trades places with its neighbour, taking the
// neighbour's letter when that is in another class. Marvals on: the value
// goes up (down, while at least 1.0) by 1.0 and the item is re-sorted.
PriorityStep raisePriority(Schedule& schedule, ItemHandle item);
PriorityStep lowerPriority(Schedule& schedule, ItemHandle item);

enum class SwapSide { Before, After };
// Puts entry a before or after entry b, a taking b's letter.
void swapPlaces(Schedule& schedule, PlistEntryHandle a, PlistEntryHandle b, SwapSide side);

// Every entry takes its item's priorityLetter and a fresh value per hour;
// entries whose letter changed move to their class (keeping their order
// among the entries of that letter); then everything is renumbered.
void refreshLettersAndValues(Schedule& schedule);

// The numbers in the list views' titles: the entries whose item the view
// shows, and their durations as whole hours (the total, truncated).
struct ListedTotals {
    int count = 0;
    int hours = 0;
};
ListedTotals countListed(const Schedule& schedule, const std::function<bool(ItemHandle)>& shown);

// --- the "Floating" command ----------------------------------------------------

enum class ToggleFloatingResult {
    Refused,     // done items and cash-flow items do not float
    NowFloating,
    NowFixed,
    StaysFixed,  // on a past day: kPastItemsCannotFloatText was shown
};
struct ToggleFloatingHooks {
    // Joins a split item's pieces into one day entry (placement).
    std::function<void(ItemHandle)> joinSplitPieces;
    std::function<void(ItemHandle)> repaintItem;
    // Sets the rebalance request (balancing).
    std::function<void()> requestRebalance;
};
// Off: leaves the list (a split item's pieces are joined). On: enters the
// list at the seq remembered in plistLink and, when it has a value, takes
// its Marvals place. Then marks the schedule dirty, repaints the item and,
// for a floating item neither started nor done, requests a rebalance.
ToggleFloatingResult toggleFloating(Schedule& schedule, ItemHandle item, DayNumber today,
                                    const ToggleFloatingHooks& hooks = {});

} // namespace zk
