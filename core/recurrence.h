#pragma once
// Recurring definitions: a definition is an ordinary item with fRecurDef,
// plus its recurrence record (the rule), plus its exception list (the
// occurrence days on which the rule is overridden).
//
// Recurrence record (28 bytes, little-endian, written to the data file byte
// for byte):
//
//  off  width  field               meaning
//    0  u16    recurringId         carried unchanged; in old files the tag
//                                  that day entries use to name the definition
//    2  u8     typeByte            RecurType bits: period, carry-over option
//    3  u8     weekdayByte         bit n = weekday n (0 = Sunday); bit 7 4-4-5
//    4  i16    interval            the "Every" number
//    6  u32    dayMask             days of month; bit 31: weekday-of-month grid
//   10  i16    startDay            first day of the series; 0 = today
//   12  i16    endDay              last day; 0 = open (read as 32508)
//   14  u16    exceptionCount      entries in the exception list
//   16  u32    exceptionListField  in memory: non-zero while a list exists;
//                                  in the file: non-zero when entries follow
//   20  i16    lastDoneDay         latest occurrence marked done; only raised
//   22  u16    (reserved)
//   24  u8     optionByte          RecurOption bits
//   25  u8     (reserved)
//   26  u16    monthWord           bits 0..11 excluded months; bit 12 suspended
//
// Reserved bytes are carried through unchanged.
//
// Exception list invariants, kept by every operation of RecurringDefinitions:
//  1. at most one entry per day, entries in ascending day order;
//  2. the record's exceptionCount equals the number of entries, and its list
//     field is non-zero exactly while a list (possibly empty) exists;
//  3. every item an entry carries is a live item (an entry without an item
//     cancels the occurrence of its day).
// Count and list field are therefore owned here: setRule() never takes
// them from the caller's copy.

#include "core/bytes.h"
#include "core/daynumber.h"
#include "core/item.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zk {

class Schedule;

namespace RecurType {
inline constexpr std::uint8_t daily = 0x1;
inline constexpr std::uint8_t weekly = 0x2;
inline constexpr std::uint8_t monthly = 0x4;
inline constexpr std::uint8_t annually = 0x8;
inline constexpr std::uint8_t carryDelete = 0x10;  // neither carry bit: Keep
inline constexpr std::uint8_t carryShift = 0x20;
} // namespace RecurType

namespace RecurOption {
inline constexpr std::uint8_t nearest = 0x1;
inline constexpr std::uint8_t onOrAfter = 0x2;
inline constexpr std::uint8_t onOrBefore = 0x4;
inline constexpr std::uint8_t notesNotShared = 0x8;
} // namespace RecurOption

inline constexpr std::uint8_t kWeekdayByteFourFourFive = 0x80;
inline constexpr std::uint32_t kDayMaskWeekdayGrid = 0x80000000u;
inline constexpr std::uint16_t kMonthWordExcludedMonths = 0x0FFF;
inline constexpr std::uint16_t kMonthWordSuspended = 0x1000;

class RecurrenceRecord {
public:
    static constexpr std::size_t kSize = 28;
    using Bytes = std::array<std::uint8_t, kSize>;

    RecurrenceRecord() { bytes_.fill(0); }
    explicit RecurrenceRecord(const Bytes& bytes) : bytes_(bytes) {}

    // The 28 bytes as read from or written to the file.
    static RecurrenceRecord decode(const std::uint8_t* bytes);
    Bytes encode() const { return bytes_; }
    const Bytes& bytes() const { return bytes_; }

    ZK_RECORD_FIELD(std::uint16_t, recurringId, setRecurringId, 0, u16, putU16)
    ZK_RECORD_FIELD(std::uint8_t, typeByte, setTypeByte, 2, u8, putU8)
    ZK_RECORD_FIELD(std::uint8_t, weekdayByte, setWeekdayByte, 3, u8, putU8)
    ZK_RECORD_FIELD(std::int16_t, interval, setInterval, 4, i16, putI16)
    ZK_RECORD_FIELD(std::uint32_t, dayMask, setDayMask, 6, u32, putU32)
    ZK_RECORD_FIELD(std::int16_t, endDayField, setEndDayField, 12, i16, putI16)
    ZK_RECORD_FIELD(std::uint16_t, exceptionCount, setExceptionCount, 14, u16, putU16)
    ZK_RECORD_FIELD(std::uint32_t, exceptionListField, setExceptionListField, 16, u32, putU32)
    ZK_RECORD_FIELD(std::uint8_t, optionByte, setOptionByte, 24, u8, putU8)
    ZK_RECORD_FIELD(std::uint16_t, monthWord, setMonthWord, 26, u16, putU16)

    // 0 means "today" and is kept as 0: the series start follows the clock.
    DayNumber startDay() const { return DayNumber(bytes::i16(&bytes_[10])); }
    void setStartDay(DayNumber d) { bytes::putI16(&bytes_[10], static_cast<std::int16_t>(d.value())); }
    // An open series (stored 0) ends on the last usable day.
    DayNumber endDay() const { return endDayField() == 0 ? kLastUsableDay : DayNumber(endDayField()); }
    void setEndDay(DayNumber d) { setEndDayField(static_cast<std::int16_t>(d.value())); }
    DayNumber lastDoneDay() const { return DayNumber(bytes::i16(&bytes_[20])); }
    void setLastDoneDay(DayNumber d) { bytes::putI16(&bytes_[20], static_cast<std::int16_t>(d.value())); }

    friend bool operator==(const RecurrenceRecord&, const RecurrenceRecord&) = default;

private:
    Bytes bytes_;
};

// One overridden occurrence: on `day` the standard occurrence is replaced by
// `item`, or cancelled when there is no item.
struct ExceptionEntry {
    ItemHandle item;
    DayNumber day;

    bool isCancellation() const { return !item; }
    friend bool operator==(const ExceptionEntry&, const ExceptionEntry&) = default;
};

// A definition's exception list, read-only, in ascending day order.
class ExceptionList {
    using Map = std::map<int, ExceptionEntry>;

public:
    class const_iterator {
    public:
        using value_type = ExceptionEntry;
        using difference_type = std::ptrdiff_t;
        const_iterator() = default;
        explicit const_iterator(Map::const_iterator it) : it_(it) {}
        const ExceptionEntry& operator*() const { return it_->second; }
        const ExceptionEntry* operator->() const { return &it_->second; }
        const_iterator& operator++() { ++it_; return *this; }
        const_iterator operator++(int) { auto c = *this; ++it_; return c; }
        friend bool operator==(const const_iterator&, const const_iterator&) = default;

    private:
        Map::const_iterator it_;
    };

    const_iterator begin() const { return const_iterator(entries_.begin()); }
    const_iterator end() const { return const_iterator(entries_.end()); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    friend class RecurringDefinitions;
    Map entries_;
};

// The list of every recurring definition of one schedule, in the order the
// definitions were created or loaded, with each one's rule and exception
// list. Held by Schedule as `recurrences`.
//
// A definition item's `recur` field holds its own slot index (so that code
// testing the field sees a definition); an exception item's `recur` holds
// its definition's slot index.
class RecurringDefinitions {
public:
    explicit RecurringDefinitions(Schedule& schedule) : schedule_(schedule) {}
    RecurringDefinitions(const RecurringDefinitions&) = delete;
    RecurringDefinitions& operator=(const RecurringDefinitions&) = delete;

    // --- the definitions list ------------------------------------------------
    // Appends a definition with its rule. The rule's count is not taken: the
    // list starts empty (present when the rule's list field is non-zero) and
    // grows through addEntry. Adding an item twice is an internal fault.
    // The caller puts the item into the item chain (on no day).
    void add(ItemHandle definition, const RecurrenceRecord& rule);
    // Drops the definition's rule and list; no item is freed.
    void remove(ItemHandle definition);
    bool contains(ItemHandle definition) const { return definitions_.count(definition) != 0; }
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // In creation or load order.
    const std::vector<ItemHandle>& inOrder() const { return order_; }
    std::vector<ItemHandle>::const_iterator begin() const { return order_.begin(); }
    std::vector<ItemHandle>::const_iterator end() const { return order_.end(); }

    // The first definition in order whose item id is `id`, or none.
    ItemHandle findByItemId(std::uint32_t id) const;
    // The first definition in order whose recurring id (the old files'
    // reference tag) is `id`, or none.
    ItemHandle findByRecurringId(std::uint16_t id) const;
    // The definition an exception item's `recur` names, or none.
    ItemHandle definitionOf(ItemHandle exceptionItem) const;
    // Two definitions sharing an item id cannot be written: internal fault.
    void checkDistinctIds() const;
    // Tells the id lookup that some item's id was stored directly.
    void noteIdChanged() { idIndexStale_ = true; }

    // --- the rule -----------------------------------------------------------------
    // Not a definition: internal fault.
    const RecurrenceRecord& ruleOf(ItemHandle definition) const;
    // Takes every field of `rule` except the exception count and list field.
    void setRule(ItemHandle definition, const RecurrenceRecord& rule);
    // The record as the data file holds it: the list field non-zero exactly
    // when entries follow.
    RecurrenceRecord fileRecord(ItemHandle definition) const;
    DayNumber lastDoneDay(ItemHandle definition) const { return ruleOf(definition).lastDoneDay(); }
    // Sets the last done day to `day` when that is later; never lowers it.
    void raiseLastDoneDay(ItemHandle definition, DayNumber day);

    // --- the exception list -------------------------------------------------------
    // None when the item is not a definition or has no list. Valid until the
    // next change of this object.
    const ExceptionList* exceptionListOf(ItemHandle definition) const;
    // 0 when the item is not a definition.
    int exceptionCountOf(ItemHandle definition) const;
    std::optional<ExceptionEntry> findEntry(ItemHandle definition, DayNumber day) const;
    bool isCancelled(ItemHandle definition, DayNumber day) const;

    // Adds the entry {item, day} (no item = a cancellation). An entry already
    // there for the day is removed first, with its clean-up message; an
    // exception item it carried is deleted. False when memory ran out
    // (after the report); the list is then as it was after that clean-up.
    bool addEntry(ItemHandle definition, DayNumber day, ItemHandle item = kNoItem);
    // A day without an entry means the data is corrupt: two messages, then
    // an internal fault.
    void removeEntry(ItemHandle definition, DayNumber day);
    // Gives the day's entry its exception item. A missing entry is added
    // (with a message) while loading and is an internal fault otherwise.
    void setEntryItem(ItemHandle definition, DayNumber day, ItemHandle item);
    // Frees every entry and the list itself; the items stay.
    void clearList(ItemHandle definition);
    // Removes, from every list, the entries whose item is on no day.
    void pruneUnplaced();
    // Removes the cancellations of days earlier than the last past day, from
    // one definition's list or from every list.
    void prunePastCancellations(ItemHandle definition);
    void prunePastCancellations();

    // --- loading ---------------------------------------------------------------------
    // Repairs a definition and its rule as read, before its exception days
    // are read: sets fRecurDef, clears fFloating and plistLink, and sets the
    // count to 0 when the list field is 0; each repair with its message.
    void checkLoadedDefinition(ItemHandle definition, RecurrenceRecord& rule);

    // --- item end -----------------------------------------------------------------------
    // Called when an item is freed: a definition leaves the list, and an
    // entry carrying the item is removed (restoring the standard occurrence,
    // as pruning would after the next load).
    void forgetItem(ItemHandle item);

private:
    struct Definition {
        RecurrenceRecord rule;
        std::optional<ExceptionList> list;
    };

    Definition& definition(ItemHandle h);
    const Definition& definition(ItemHandle h) const;
    Definition* findDefinition(ItemHandle h);
    const Definition* findDefinition(ItemHandle h) const;
    void syncCount(Definition& d);
    void eraseEntry(ItemHandle definition, Definition& d, int day);
    void unindexItem(ItemHandle item, ItemHandle definition, int day);
    void deleteReplacedItem(ItemHandle item);
    void rebuildIdIndex() const;
    void rebuildRecurringIdIndex() const;

    Schedule& schedule_;
    std::unordered_map<ItemHandle, Definition, ItemHandleHash> definitions_;
    std::vector<ItemHandle> order_;
    // exception item -> (definition, day) of the entries carrying it, so
    // freeing an item never walks every list.
    std::unordered_multimap<ItemHandle, std::pair<ItemHandle, int>, ItemHandleHash> entriesOfItem_;
    mutable std::unordered_map<std::uint32_t, ItemHandle> idIndex_;
    mutable bool idIndexStale_ = true;
    mutable std::unordered_map<std::uint16_t, ItemHandle> recurringIdIndex_;
    mutable bool recurringIdIndexStale_ = true;
};

} // namespace zk
