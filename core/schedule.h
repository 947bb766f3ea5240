#pragma once
// One schedule in memory: the header, the template item, every item, the
// item chain, the day list and the lists that refer to items held elsewhere.
// Several schedules can be open at once; nothing here is process-wide.
//
// Ownership: every live item belongs to the ItemStore. Items of past days
// are in no list but their day record's entries and are freed with it.
//
// Hooks let later layers take part without this module knowing them:
// placing recurring occurrences on a new future day, reading a past day
// from its archive and writing it back, and asking whether a view shows a
// day (such a day is never purged).

#include "core/daylist.h"
#include "core/item.h"
#include "core/itemchain.h"
#include "core/prioritylist.h"
#include "core/projecttree.h"
#include "core/recurrence.h"
#include "core/scheduleheader.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zk {

class Clock;
class Messages;

// Where an item sits on a day: the day and the entry's position.
struct EntryRef {
    DayNumber day;
    std::size_t index = 0;
};

class Schedule {
public:
    Schedule();
    Schedule(const Schedule&) = delete;
    Schedule& operator=(const Schedule&) = delete;

    ScheduleHeader header;
    ItemRecord templateItem;
    ItemStore items;
    ItemChain chain{items};
    DayList days;
    // The recurring definitions (in creation or load order) with their rules
    // and exception lists.
    RecurringDefinitions recurrences{*this};
    std::vector<ItemHandle> projects;
    std::vector<ItemHandle> globalList;
    ProjectTree projectTree;
    // The floating items in scheduling order; operations in engine/plistorder.h.
    PriorityList plist;

    // --- session links ---------------------------------------------------
    void setClock(const Clock* clock) { clock_ = clock; }
    void setMessages(Messages* messages) { messages_ = messages; }
    // The attached message service, for questions; null when none.
    Messages* messages() const { return messages_; }
    DayNumber today() const;
    TimeValue now() const;
    // Shows a repair or refusal text as an error box (or keeps it, when no
    // message service is attached).
    void report(std::string_view text);
    const std::vector<std::string>& unreportedTexts() const { return unreported_; }
    // A date in the user's short form for messages.
    std::function<std::string(DayNumber)> formatDate;

    bool showPrivateText = false;
    bool dirty = false;        // changed since the last save
    bool saveRunning = false;  // a save thread is writing this schedule
    bool loading = false;      // the data file is being read

    // --- items -----------------------------------------------------------
    ItemHandle newItem();
    // Removes the item from the chain and the lists that refer to it, then
    // frees it. Its day entries must have been removed already.
    void freeItem(ItemHandle h);
    ItemRecord& record(ItemHandle h) { return items.record(h); }
    const ItemRecord& record(ItemHandle h) const { return items.record(h); }

    // The description as readers receive it (private rule applied).
    std::string description(ItemHandle h) const;
    std::string titleOf(ItemHandle h) const;
    // The text as stored, for the editor and the file: valid until the
    // item's text is set again or the item is freed.
    std::string_view storedDescription(ItemHandle h) const { return items.text(h); }
    // Stores the text (cut to the limit). The chain position is not changed;
    // callers that change a chained item's text re-insert it with setDay.
    void setDescription(ItemHandle h, std::string_view text);
    void makePrivate(ItemHandle h);
    void makePublic(ItemHandle h);

    // The item's id, assigning the next one when it has none.
    std::uint32_t itemId(ItemHandle h);
    std::uint32_t reidentify(ItemHandle h);
    // Tells the id index that an item's id was stored directly.
    void noteIdChanged()
    {
        idIndexStale_ = true;
        lookupsWhileStale_ = 0;
        recurrences.noteIdChanged();
    }
    // Searches the item chain, then the project list.
    ItemHandle findItemById(std::uint32_t id) const;
    // The next notes number for which no notes file exists; stored in the
    // item's refNo when it has none. 0 when every number is taken.
    std::uint16_t notesNumber(ItemHandle h, const std::function<bool(std::uint16_t)>& notesFileExists);

    // Field rules: the latest end falls back to the template's, then 2880;
    // a recurring definition is on no day.
    TimeValue latestEnd(ItemHandle h) const;
    DayNumber dayOf(ItemHandle h) const;
    bool isPastDay(DayNumber day) const { return day.value() != 0 && day <= header.lastPastDay(); }

    // --- item chain ----------------------------------------------------------
    // False (nothing changed) when the day is past; kNoDayInChain always goes.
    bool addToChain(ItemHandle h, DayNumber day);
    void setDay(ItemHandle h, DayNumber day);
    void removeFromChain(ItemHandle h);
    ItemHandle firstOfDayItem() const;
    ItemHandle lastOfDayItem() const;

    // --- day list --------------------------------------------------------------
    // The day's record, created (with its recurring occurrences, or from the
    // archive for a past day) when missing; null when creating it failed.
    // A day outside 2300..32508 is an internal fault.
    DayRecord* getDay(DayNumber day);
    DayRecord* findDay(DayNumber day) { return days.find(day); }
    const DayRecord* findDay(DayNumber day) const { return days.find(day); }
    std::optional<std::size_t> entryOf(ItemHandle h, DayNumber day) const;
    int minutesOf(ItemHandle h, DayNumber day) const;
    // An entry of the item on any day: for a split item the last, else the first.
    std::optional<EntryRef> scheduledAnywhere(ItemHandle h) const;
    // Free minutes inside the day window; for today the window starts no
    // earlier than now.
    int freeMinutes(DayNumber day, bool isToday, TimeValue now) const;
    void noteChange(DayNumber day);
    void releaseDay(DayNumber day);
    void purgeDays();

    // Purging is skipped while a PurgeBlock lives (balancing and other work
    // that holds day references).
    class PurgeBlock {
    public:
        explicit PurgeBlock(Schedule& s) : s_(s) { ++s_.purgeBlocks_; }
        ~PurgeBlock() { --s_.purgeBlocks_; }
        PurgeBlock(const PurgeBlock&) = delete;
        PurgeBlock& operator=(const PurgeBlock&) = delete;

    private:
        Schedule& s_;
    };

    // The check of a day list read from a file, one record at a time, in
    // file order. Drop: the record is left out (after its message).
    // OutOfSequence: a file of program version 3.33 on holds a day out of
    // order; the file is damaged and the caller fails the load, so that
    // recovery can offer a backup instead of the program ending.
    enum class LoadedDay { Keep, Drop, OutOfSequence };
    LoadedDay acceptLoadedDay(DayNumber day, DayNumber& lastGoodDay, float fileProgramVersion);

    // --- day window --------------------------------------------------------------
    TimeValue dayStart() const { return header.dayStart(); }
    TimeValue dayEnd() const { return header.dayEnd(); }
    bool nightOwl() const { return header.nightOwl(); }
    // Applies the Day Bounds choice; returns the refusal text, or empty.
    std::string setDayBounds(TimeValue from, TimeValue to, ItemHandle first, ItemHandle last);

    // --- hooks -------------------------------------------------------------------
    std::function<bool(DayNumber)> placeOccurrences;  // new future day; false = failed
    std::function<void(DayNumber)> readPastDay;       // fill a past day from its archive
    std::function<void(DayNumber)> writePastDay;      // a past day is released: write it back if changed
    std::function<bool(DayNumber)> dayIsShown;        // a pane or month range shows it

private:
    // The description as readers receive it, viewed in place.
    std::string_view sortKey(ItemHandle h) const;
    // Every change of a text goes here: a chained item keeps its place.
    void storeText(ItemHandle h, std::string_view text);
    // The id index covers the chain only; the few projects are searched after it.
    void rebuildIdIndex() const;
    // The chained item with the id that comes first in the chain, found by
    // reading every record, as the rebuilt index would find it.
    ItemHandle scanChainedById(std::uint32_t id) const;
    void indexId(ItemHandle h);
    void unindexId(ItemHandle h);
    ItemHandle findChainedById(std::uint32_t id) const;

    const Clock* clock_ = nullptr;
    Messages* messages_ = nullptr;
    std::vector<std::string> unreported_;
    int purgeBlocks_ = 0;
    std::size_t sizeAfterPurge_ = 0;
    mutable std::unordered_map<std::uint32_t, ItemHandle> idIndex_;
    mutable bool idIndexStale_ = true;
    // A command that looks up one or two ids after a load (saving a single
    // added item) would pay for indexing every item: the first lookups read
    // the records instead.
    mutable int lookupsWhileStale_ = 0;
};

// The middle of the hours outside a night-owl window (where the day changes
// for time entry), for the label "Night owl support. Midnight at ".
TimeValue nightOwlMidnight(TimeValue from, TimeValue to);

extern const char* const kSameFirstAndLastText;

} // namespace zk
