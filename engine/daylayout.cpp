#include "engine/daylayout.h"

#include "core/schedule.h"
#include "engine/timelimits.h"
#include "platform/fault.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zk {

namespace {

constexpr const char* kModule = "Betasche";
constexpr int kLastTimeOfDay = 2880;

// Readers wait while a day is busy; the mark must drop even when a fault
// leaves the layout early.
class BusyMark {
public:
    explicit BusyMark(DayRecord& record) : record_(record) { ++record_.busyCount; }
    ~BusyMark() { --record_.busyCount; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    DayRecord& record_;
};

enum class Placing { OnHold, AtStart, AtBegin, InFreeTime };

bool isStarted(const ItemRecord& r) { return r.has(ItemFlag::fStarted) && !r.has(ItemFlag::fDone); }

void fitPlacedMinutes(DayEntry& e, const ItemRecord& r)
{
    bool split = r.has(ItemFlag::fSplit);
    if ((!split && e.placedMinutes != r.duration()) || (split && e.placedMinutes > r.duration()))
        e.placedMinutes = r.duration();
}

void checkEntries(const Schedule& schedule, const DayRecord& record)
{
    for (const DayEntry& e : record.entries())
        ZK_CHECK(schedule.items.isLive(e.item), kModule);
}

class DayLayout {
public:
    DayLayout(Schedule& schedule, DayNumber day, const PlacementContext& context)
        : schedule_(schedule), day_(day), context_(context),
          clockFloor_(day == context.today ? context.now.value() : 0), dayStart_(schedule.dayStart().value())
    {
    }

    void run(std::vector<DayEntry>& entries)
    {
        for (std::size_t i = 0; i < entries.size(); ++i)
            place(entries, i);
    }

private:
    Placing placingOf(const DayEntry& e, const ItemRecord& r)
    {
        if (r.has(ItemFlag::fOnHold))
            return Placing::OnHold;
        if (isStarted(r) && !isLaterStartedPiece(e.item, r))
            return Placing::AtStart;
        if (r.has(ItemFlag::endsAtBegin))
            return Placing::AtBegin;
        return Placing::InFreeTime;
    }

    // On today only the first piece of a started split item runs; the
    // others are laid out like any entry waiting for time.
    bool isLaterStartedPiece(ItemHandle item, const ItemRecord& r)
    {
        if (!r.has(ItemFlag::fSplit) || day_ != context_.today)
            return false;
        if (std::find(startedPiecesSeen_.begin(), startedPiecesSeen_.end(), item) != startedPiecesSeen_.end())
            return true;
        startedPiecesSeen_.push_back(item);
        return false;
    }

    void place(std::vector<DayEntry>& entries, std::size_t i)
    {
        DayEntry& e = entries[i];
        const ItemRecord& r = schedule_.record(e.item);
        fitPlacedMinutes(e, r);
        Placing how = placingOf(e, r);
        bool conflicting = false;
        int start = 0;
        switch (how) {
        case Placing::OnHold:
            break;
        case Placing::AtStart:
            start = r.beginTime() != 0 ? std::abs(r.beginTime()) : e.startTime().value();
            break;
        case Placing::AtBegin:
            start = std::abs(r.beginTime());
            break;
        case Placing::InFreeTime:
            start = freeTimeStart(entries, i);
            conflicting = start > latestEndOn(schedule_, e.item, day_).value() - e.placedMinutes;
            break;
        }
        if (how != Placing::OnHold && e.placedMinutes != 0) {
            if (r.has(ItemFlag::fDone) || isStarted(r)) {
                if (start < runningEnd_)
                    conflicting = true;
                else if (isStarted(r))
                    conflicting = false;
            } else if (start < std::max(runningEnd_, clockFloor_)) {
                conflicting = true;
            }
        }
        if (how != Placing::OnHold)
            runningEnd_ = std::max(runningEnd_, start + e.placedMinutes);
        e.start = signedStart(start, conflicting);
    }

    int freeTimeStart(const std::vector<DayEntry>& entries, std::size_t i)
    {
        bool nextDone = i + 1 < entries.size() && schedule_.record(entries[i + 1].item).has(ItemFlag::fDone);
        if (nextDone && runningEnd_ != 0)
            return runningEnd_;
        int floor = std::max({runningEnd_, clockFloor_, dayStart_});
        if (floor > kLastTimeOfDay)
            return 0;
        int begin = earliestBeginOn(schedule_, entries[i].item, day_, context_).value();
        return std::min(std::max(begin, floor), kLastTimeOfDay);
    }

    Schedule& schedule_;
    DayNumber day_;
    const PlacementContext& context_;
    const int clockFloor_;
    const int dayStart_;
    int runningEnd_ = 0;
    std::vector<ItemHandle> startedPiecesSeen_;
};

template <typename Pred>
bool moveFirstMatch(std::vector<DayEntry>& entries, Pred pred, bool toFront)
{
    auto it = std::find_if(entries.begin(), entries.end(), pred);
    if (it == entries.end())
        return false;
    if (toFront)
        std::rotate(entries.begin(), it, it + 1);
    else
        std::rotate(it, it + 1, entries.end());
    return true;
}

} // namespace

std::int16_t signedStart(int time, bool conflicting)
{
    int magnitude = std::clamp(std::abs(time), 0, 32767);
    return static_cast<std::int16_t>(conflicting ? -magnitude : magnitude);
}

void applyFirstAndLast(Schedule& schedule, DayNumber day)
{
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return;
    auto carries = [&](std::uint32_t flag) {
        return [&schedule, flag](const DayEntry& e) { return schedule.record(e.item).has(flag); };
    };
    const auto& entries = record->entries();
    auto first = std::find_if(entries.begin(), entries.end(), carries(ItemFlag::fFirstOfDay));
    auto last = std::find_if(entries.begin(), entries.end(), carries(ItemFlag::fLastOfDay));
    bool firstInPlace = first == entries.end() || first == entries.begin();
    bool lastInPlace = last == entries.end() || last + 1 == entries.end();
    if (firstInPlace && lastInPlace)
        return;
    schedule.days.editEntries(day, [&](std::vector<DayEntry>& list) {
        moveFirstMatch(list, carries(ItemFlag::fFirstOfDay), true);
        moveFirstMatch(list, carries(ItemFlag::fLastOfDay), false);
    });
}

bool layoutDay(Schedule& schedule, DayNumber day, const PlacementContext& context)
{
    DayRecord* record = schedule.findDay(day);
    if (!record)
        return false;
    checkEntries(schedule, *record);
    BusyMark busy(*record);
    applyFirstAndLast(schedule, day);
    DayLayout layout(schedule, day, context);
    schedule.days.editEntries(day, [&](std::vector<DayEntry>& entries) { layout.run(entries); });
    return true;
}

int freeMinutesOfDay(const Schedule& schedule, DayNumber day, const PlacementContext& context)
{
    return schedule.freeMinutes(day, day == context.today, context.now);
}

DayRecord* openDayForDisplay(Schedule& schedule, DayNumber day, const PlacementContext& context)
{
    if (!schedule.getDay(day))
        return nullptr;
    layoutDay(schedule, day, context);
    return schedule.findDay(day);
}

DayRecord* openDayForDisplay(Schedule& schedule, DayNumber day, const Clock& clock)
{
    return openDayForDisplay(schedule, day, PlacementContext::at(clock));
}

} // namespace zk
