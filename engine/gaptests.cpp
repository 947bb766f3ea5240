#include "engine/gaptests.h"

#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "engine/placementcontext.h"
#include "engine/timelimits.h"
#include "platform/fault.h"

#include <algorithm>
#include <cstdlib>

namespace zk {

namespace {

constexpr const char* kModule = "Betasche";

int startOf(const DayEntry& e) { return e.startTime().value(); }
bool isFixedPosition(const ItemRecord& r) { return r.has(ItemFlag::notFreelyMovable); }

const std::vector<DayEntry>& entriesOf(const Schedule& schedule, DayNumber day)
{
    const DayRecord* record = schedule.findDay(day);
    ZK_CHECK(record != nullptr, kModule);
    return record->entries();
}

} // namespace

PlaceTests::PlaceTests(Schedule& schedule, DayNumber day, const DayEntry& entry, const PlacementContext& context)
    : schedule_(schedule), day_(day), entries_(entriesOf(schedule, day)), entry_(entry),
      item_(schedule.record(entry.item)), context_(context), lite_(isLiteMode(schedule.header))
{
}

const ItemRecord& PlaceTests::recordOf(const DayEntry& e) const { return schedule_.record(e.item); }

int PlaceTests::earliestBegin()
{
    if (!earliestBegin_)
        earliestBegin_ = earliestBeginOn(schedule_, entry_.item, day_, context_).value();
    return *earliestBegin_;
}

int PlaceTests::latestEnd()
{
    if (!latestEnd_)
        latestEnd_ = latestEndOn(schedule_, entry_.item, day_).value();
    return *latestEnd_;
}

int PlaceTests::raisedToNow(int time) const
{
    return day_ == context_.today ? std::max(time, context_.now.value()) : time;
}

int PlaceTests::need() const
{
    int minSplit = schedule_.header.minSplitMinutes();
    if (item_.has(ItemFlag::fSplit) && minSplit <= item_.duration())
        return minSplit;
    return item_.duration();
}

int PlaceTests::keyTimeOrder(std::size_t at) const
{
    const DayEntry* p = before(at);
    const DayEntry* x = after(at);
    if (lite_ && !x)
        return 1;
    bool onHold = item_.has(ItemFlag::fOnHold);
    if (onHold) {
        if (lite_ || (x && recordOf(*x).has(ItemFlag::fOnHold | ItemFlag::fDone)))
            return 0;
        return 1;
    }
    int key = item_.has(ItemFlag::fDone | ItemFlag::fStarted) ? startOf(entry_) : item_.beginTime();
    if (p && key < startOf(*p))
        return 0;
    if (x) {
        const ItemRecord& xr = recordOf(*x);
        if (xr.has(ItemFlag::fOnHold) && key > 0)
            return 0;
        if (!isFixedPosition(xr) && startOf(*x) + xr.duration() > key)
            return 1;
        if (key > startOf(*x) || (key == startOf(*x) && xr.duration() == 0))
            return 0;
    }
    if (p) {
        const ItemRecord& pr = recordOf(*p);
        if (key < pr.beginTime() + pr.duration())
            return -1;
    }
    if (x && key + item_.duration() > recordOf(*x).beginTime())
        return -1;
    return 1;
}

int PlaceTests::floatingGap(std::size_t at, int& furthest)
{
    const DayEntry* p = before(at);
    const DayEntry* x = after(at);
    furthest = p ? std::max(furthest, startOf(*p) + p->placedMinutes) : 0;
    int lo = raisedToNow(std::max(furthest, earliestBegin()));
    int hi = x ? std::min(latestEnd(), startOf(*x)) : latestEnd();
    if (x && (lite_ || (recordOf(*x).has(ItemFlag::fDone) && !item_.has(ItemFlag::fDone))))
        return 0;
    int wanted = need();
    if (hi - lo < wanted) {
        if (x && startOf(*x) + x->placedMinutes + wanted <= latestEnd())
            return 0;
        return (item_.has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold) || !x) ? -1 : 0;
    }
    return hi - lo;
}

PlaceTests::Window PlaceTests::windowNear(std::size_t at)
{
    const DayEntry* p = before(at);
    const DayEntry* x = after(at);
    int lo = p ? std::max(startOf(*p) + recordOf(*p).duration(), earliestBegin()) : earliestBegin();
    int hi = latestEnd();
    if (x && recordOf(*x).has(ItemFlag::fAnchored))
        hi = std::min(hi, startOf(*x));
    return {raisedToNow(lo), hi};
}

int PlaceTests::nearPlaceGap(std::size_t at)
{
    const DayEntry* x = after(at);
    auto [lo, hi] = windowNear(at);
    if (hi - lo < item_.duration() && !lite_) {
        if (x && item_.duration() + startOf(*x) + recordOf(*x).duration() <= latestEnd())
            return 0;
        return -1;
    }
    return 1;
}

std::optional<int> PlaceTests::beginTimeCandidate(std::size_t at)
{
    const DayEntry* x = after(at);
    auto [lo, hi] = windowNear(at);
    int duration = item_.duration();
    int wanted = item_.beginTime();
    if (hi - lo < duration) {
        if (!x || latestEnd() <= startOf(*x) + recordOf(*x).duration())
            return hi - duration;
        return std::nullopt;
    }
    return lo < wanted ? std::min(wanted, hi - duration) : lo;
}

} // namespace zk
