#pragma once
// For every usable day, an upper bound of the minutes one piece of a
// floating item could get there: the smaller of the day's capacity and its
// widest free gap. The walk over days for a floating item asks it for the
// next day that may have room, so days that are already full cost nothing
// however many items have been placed before.
//
// A day whose bound is not known counts as having room; its bound is
// learnt when the walk looks at the day, and must be learnt again (or
// forgotten) after every change to the day's entries. Nothing is learnt
// before the first walk starts (start()), so an operation that places no
// floating item pays nothing for the index.

#include "core/daynumber.h"

#include <climits>
#include <optional>
#include <vector>

namespace zk {

class RoomIndex {
public:
    static constexpr int kUnknown = INT_MAX;

    // Makes the index learn from now on.
    void start();
    void learn(DayNumber day, int room);
    void forget(DayNumber day) { learn(day, kUnknown); }
    // The first day in [from, to] whose bound is at least `need` (or not
    // known); nothing when there is none.
    std::optional<DayNumber> firstWithRoom(DayNumber from, DayNumber to, int need) const;

private:
    static constexpr int kLeaves = 32768;  // >= the 30209 usable days
    int find(std::size_t node, int lo, int hi, int from, int to, int need) const;

    std::vector<int> tree_;  // max over each node's days; allocated on first use
};

} // namespace zk
