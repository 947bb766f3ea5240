#include "engine/roomindex.h"

#include <algorithm>

namespace zk {

void RoomIndex::start()
{
    if (tree_.empty())
        tree_.assign(2 * kLeaves, kUnknown);
}

void RoomIndex::learn(DayNumber day, int room)
{
    if (!day.isUsable() || tree_.empty())
        return;
    std::size_t node = kLeaves + static_cast<std::size_t>(day - kFirstUsableDay);
    tree_[node] = room;
    for (node /= 2; node >= 1; node /= 2)
        tree_[node] = std::max(tree_[2 * node], tree_[2 * node + 1]);
}

std::optional<DayNumber> RoomIndex::firstWithRoom(DayNumber from, DayNumber to, int need) const
{
    int lo = std::max(from, kFirstUsableDay) - kFirstUsableDay;
    int hi = std::min(to, kLastUsableDay) - kFirstUsableDay;
    if (lo > hi)
        return std::nullopt;
    if (tree_.empty())
        return kFirstUsableDay + lo;
    int found = find(1, 0, kLeaves - 1, lo, hi, need);
    if (found < 0)
        return std::nullopt;
    return kFirstUsableDay + found;
}

// Descends only into nodes whose maximum reaches `need`, so a search costs
// a few root-to-leaf paths.
int RoomIndex::find(std::size_t node, int lo, int hi, int from, int to, int need) const
{
    if (hi < from || lo > to || tree_[node] < need)
        return -1;
    if (lo == hi)
        return lo;
    int mid = lo + (hi - lo) / 2;
    int left = find(2 * node, lo, mid, from, to, need);
    return left >= 0 ? left : find(2 * node + 1, mid + 1, hi, from, to, need);
}

} // namespace zk
