#pragma once
// The day list: one day record per calendar day that has anything on it, in
// strictly ascending day order, each with its entries (placements of items
// on the day) in the order the scheduler laid the day out.
//
// Day record in the data file (28 bytes):
//   0 i16 day          2 u32 entries (rebuilt)   6 i16 nTasks
//   8 i16 nRecurEntries                          10 u16 busy count
//  12 u16 (reserved)  14 u32 first entry (rebuilt)
//  18 u16 change count 20 u16 day flags (bit 1 dirtyPast)
//  22 u16 freeMinutes  24 4 bytes (reserved)
//
// A day entry's start is a time value stored signed: its absolute value is
// when the placement starts, a negative value marks a conflict.
//
// The list also keeps, for every item, the days holding one of its entries,
// so "where is this item scheduled" never walks the whole list. Entries
// therefore change only through editEntries(), which keeps that index.

#include "core/bytes.h"
#include "core/daynumber.h"
#include "core/item.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <vector>

namespace zk {

struct DayEntry {
    ItemHandle item;
    std::int16_t start = 0;          // time value; negative = conflicting
    std::uint16_t placedMinutes = 0;

    TimeValue startTime() const { return TimeValue(std::abs(start)); }
    bool conflicting() const { return start < 0; }
    friend bool operator==(const DayEntry&, const DayEntry&) = default;
};

class DayRecord {
public:
    static constexpr std::size_t kSize = 28;
    static constexpr std::uint16_t kDirtyPast = 0x2;

    explicit DayRecord(DayNumber day) : day_(day) { reserved12_ = 0; reserved24_.fill(0); }

    DayNumber day() const { return day_; }
    const std::vector<DayEntry>& entries() const { return entries_; }
    int nTasks() const { return static_cast<int>(entries_.size()); }

    std::int16_t nRecurEntries = 0;
    std::uint16_t busyCount = 0;
    std::uint16_t changeCount = 0;
    std::uint16_t dayFlags = 0;
    std::uint16_t freeMinutes = 0;

    bool dirtyPast() const { return (dayFlags & kDirtyPast) != 0; }

    // The 28 bytes of the data file; entries and first-entry fields are 0.
    std::array<std::uint8_t, kSize> encode() const;
    // Takes every stored field but the day and the entry count from bytes.
    void decodeFields(const std::uint8_t* bytes);
    static DayNumber dayIn(const std::uint8_t* bytes) { return DayNumber(bytes::i16(bytes)); }
    static int nTasksIn(const std::uint8_t* bytes) { return bytes::i16(bytes + 6); }

private:
    friend class DayList;
    DayNumber day_;
    std::vector<DayEntry> entries_;
    std::uint16_t reserved12_;
    std::array<std::uint8_t, 4> reserved24_;
};

class DayList {
public:
    using Map = std::map<int, DayRecord>;

    DayRecord* find(DayNumber day);
    const DayRecord* find(DayNumber day) const;
    // Inserts an empty record; the day must not be in the list yet.
    DayRecord& insert(DayNumber day);
    void erase(DayNumber day);
    std::size_t size() const { return days_.size(); }
    bool empty() const { return days_.empty(); }

    Map::const_iterator begin() const { return days_.begin(); }
    Map::const_iterator end() const { return days_.end(); }
    Map::iterator begin() { return days_.begin(); }
    Map::iterator end() { return days_.end(); }
    // The first record whose day is not earlier than the given one.
    Map::const_iterator lowerBound(DayNumber day) const { return days_.lower_bound(day.value()); }

    // Changes a day's entries through f(std::vector<DayEntry>&), keeping the
    // item index current.
    template <typename F>
    void editEntries(DayNumber day, F f)
    {
        DayRecord& r = record(day);
        unindex(r);
        f(r.entries_);
        index(r);
    }
    void appendEntry(DayNumber day, DayEntry entry);

    // Days holding an entry of the item, ascending.
    std::vector<DayNumber> daysOf(ItemHandle item) const;
    bool isPlaced(ItemHandle item) const;

private:
    DayRecord& record(DayNumber day);
    void index(const DayRecord& r);
    void unindex(const DayRecord& r);
    void addPlacement(ItemHandle item, int day);
    void removePlacement(ItemHandle item, int day);

    Map days_;
    // Where each item has entries, and how many on each day. Nearly every
    // item is on one day, kept in a slot by its index; further days (a
    // recurring definition's, a split item's) go to a map. A pair of item
    // and day is counted in one of the two, never both.
    struct Placed {
        std::uint32_t generation = 0;
        int day = 0;
        std::uint32_t count = 0;  // 0: the slot holds nothing
    };
    std::vector<Placed> placed_;
    std::unordered_map<ItemHandle, std::map<int, int>, ItemHandleHash> morePlacements_;
};

} // namespace zk
