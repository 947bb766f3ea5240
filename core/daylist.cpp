#include "core/daylist.h"

#include "platform/fault.h"

#include <algorithm>

namespace zk {

std::array<std::uint8_t, DayRecord::kSize> DayRecord::encode() const
{
    std::array<std::uint8_t, kSize> b{};
    bytes::putI16(&b[0], static_cast<std::int16_t>(day_.value()));
    bytes::putI16(&b[6], static_cast<std::int16_t>(entries_.size()));
    bytes::putI16(&b[8], nRecurEntries);
    bytes::putU16(&b[10], busyCount);
    bytes::putU16(&b[12], reserved12_);
    bytes::putU16(&b[18], changeCount);
    bytes::putU16(&b[20], dayFlags);
    bytes::putU16(&b[22], freeMinutes);
    for (int i = 0; i < 4; ++i)
        b[24 + i] = reserved24_[i];
    return b;
}

void DayRecord::decodeFields(const std::uint8_t* b)
{
    nRecurEntries = bytes::i16(b + 8);
    busyCount = bytes::u16(b + 10);
    reserved12_ = bytes::u16(b + 12);
    changeCount = bytes::u16(b + 18);
    dayFlags = bytes::u16(b + 20);
    freeMinutes = bytes::u16(b + 22);
    for (int i = 0; i < 4; ++i)
        reserved24_[i] = b[24 + i];
}

DayRecord* DayList::find(DayNumber day)
{
    auto it = days_.find(day.value());
    return it == days_.end() ? nullptr : &it->second;
}

const DayRecord* DayList::find(DayNumber day) const
{
    auto it = days_.find(day.value());
    return it == days_.end() ? nullptr : &it->second;
}

DayRecord& DayList::insert(DayNumber day)
{
    auto [it, inserted] = days_.emplace(day.value(), DayRecord(day));
    ZK_CHECK(inserted, "Daylist");
    return it->second;
}

void DayList::erase(DayNumber day)
{
    auto it = days_.find(day.value());
    if (it == days_.end())
        return;
    unindex(it->second);
    days_.erase(it);
}

void DayList::appendEntry(DayNumber day, DayEntry entry)
{
    DayRecord& r = record(day);
    r.entries_.push_back(entry);
    addPlacement(entry.item, day.value());
}

std::vector<DayNumber> DayList::daysOf(ItemHandle item) const
{
    std::vector<DayNumber> out;
    if (auto it = morePlacements_.find(item); it != morePlacements_.end())
        for (const auto& [day, count] : it->second)
            out.push_back(DayNumber(day));
    if (item.index < placed_.size()) {
        const Placed& p = placed_[item.index];
        if (p.count > 0 && p.generation == item.generation) {
            DayNumber day(p.day);
            out.insert(std::lower_bound(out.begin(), out.end(), day), day);
        }
    }
    return out;
}

bool DayList::isPlaced(ItemHandle item) const
{
    if (item.index < placed_.size()) {
        const Placed& p = placed_[item.index];
        if (p.count > 0 && p.generation == item.generation)
            return true;
    }
    return morePlacements_.count(item) != 0;
}

DayRecord& DayList::record(DayNumber day)
{
    DayRecord* r = find(day);
    ZK_CHECK(r != nullptr, "Daylist");
    return *r;
}

void DayList::addPlacement(ItemHandle item, int day)
{
    if (item.index >= placed_.size())
        placed_.resize(item.index + 1);
    Placed& p = placed_[item.index];
    if (p.count > 0 && p.generation == item.generation && p.day == day) {
        ++p.count;
        return;
    }
    auto more = morePlacements_.find(item);
    if (more != morePlacements_.end()) {
        if (auto d = more->second.find(day); d != more->second.end()) {
            ++d->second;
            return;
        }
    }
    if (p.count == 0) {
        p = Placed{item.generation, day, 1};
        return;
    }
    if (more == morePlacements_.end())
        more = morePlacements_.try_emplace(item).first;
    ++more->second[day];
}

void DayList::removePlacement(ItemHandle item, int day)
{
    if (item.index < placed_.size()) {
        Placed& p = placed_[item.index];
        if (p.count > 0 && p.generation == item.generation && p.day == day) {
            --p.count;
            return;
        }
    }
    auto it = morePlacements_.find(item);
    if (it == morePlacements_.end())
        return;
    auto d = it->second.find(day);
    if (d != it->second.end() && --d->second <= 0)
        it->second.erase(d);
    if (it->second.empty())
        morePlacements_.erase(it);
}

void DayList::index(const DayRecord& r)
{
    for (const DayEntry& e : r.entries_)
        addPlacement(e.item, r.day_.value());
}

void DayList::unindex(const DayRecord& r)
{
    for (const DayEntry& e : r.entries_)
        removePlacement(e.item, r.day_.value());
}

} // namespace zk
