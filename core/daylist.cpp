#include "core/daylist.h"

#include "platform/fault.h"

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
    ++placements_[entry.item][day.value()];
}

std::vector<DayNumber> DayList::daysOf(ItemHandle item) const
{
    std::vector<DayNumber> out;
    if (auto it = placements_.find(item); it != placements_.end())
        for (const auto& [day, count] : it->second)
            out.push_back(DayNumber(day));
    return out;
}

DayRecord& DayList::record(DayNumber day)
{
    DayRecord* r = find(day);
    ZK_CHECK(r != nullptr, "Daylist");
    return *r;
}

void DayList::index(const DayRecord& r)
{
    for (const DayEntry& e : r.entries_)
        ++placements_[e.item][r.day_.value()];
}

void DayList::unindex(const DayRecord& r)
{
    for (const DayEntry& e : r.entries_) {
        auto it = placements_.find(e.item);
        if (it == placements_.end())
            continue;
        auto d = it->second.find(r.day_.value());
        if (d != it->second.end() && --d->second <= 0)
            it->second.erase(d);
        if (it->second.empty())
            placements_.erase(it);
    }
}

} // namespace zk
