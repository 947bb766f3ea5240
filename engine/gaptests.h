#pragma once
// The tests by which an entry N finds its place in a day's list. A place is
// an insertion index `at` into the day's entries: P is the entry before it
// (none at the head), X the entry at it (none at the end). Each test reads
// only P, X, N and N's limits on the day, so every walk over the places of
// a day ends after at most one pass.
//
// - keyTimeOrder: for an entry that is not laid into free time (started, on
//   hold, done or anchored): 1 insert here, 0 keep looking, -1 insert here
//   although it conflicts.
// - floatingGap: for an entry laid into free time: the usable gap (> 0), 0
//   keep looking, -1 no room on this day. Keeps the furthest end seen on
//   the walk in `furthest`.
// - nearPlaceGap: whether a re-inserted entry fits between P and X: 1 yes,
//   0 keep looking, -1 no.
// - beginTimeCandidate: for an entry with a wanted begin time, the start it
//   would get between P and X, if any.

#include "core/daynumber.h"
#include "core/daylist.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace zk {

class Schedule;
struct PlacementContext;

class PlaceTests {
public:
    PlaceTests(Schedule& schedule, DayNumber day, const DayEntry& entry, const PlacementContext& context);

    std::size_t places() const { return entries_.size() + 1; }

    int keyTimeOrder(std::size_t at) const;
    int floatingGap(std::size_t at, int& furthest);
    int nearPlaceGap(std::size_t at);
    std::optional<int> beginTimeCandidate(std::size_t at);

    // The minutes the entry needs in one gap: its duration, or the minimum
    // split piece for a split item when that is not longer.
    int need() const;

private:
    const DayEntry* before(std::size_t at) const { return at == 0 ? nullptr : &entries_[at - 1]; }
    const DayEntry* after(std::size_t at) const { return at < entries_.size() ? &entries_[at] : nullptr; }
    const ItemRecord& recordOf(const DayEntry& e) const;
    int earliestBegin();
    int latestEnd();
    int raisedToNow(int time) const;
    // Where a re-inserted entry could lie between P and X.
    struct Window {
        int lo;
        int hi;
    };
    Window windowNear(std::size_t at);

    Schedule& schedule_;
    DayNumber day_;
    const std::vector<DayEntry>& entries_;
    const DayEntry& entry_;
    const ItemRecord& item_;
    const PlacementContext& context_;
    bool lite_;
    std::optional<int> earliestBegin_;
    std::optional<int> latestEnd_;
};

} // namespace zk
