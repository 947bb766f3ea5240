#pragma once
// The priority list (Plist): one entry per floating item, in the order in
// which the scheduler hands out free time. The order is by priority letter
// (the class) and, inside a class, by the 1-based position `seq`.
//
// Invariants after every operation on the list:
//  1. Entries are in ascending letter order, letters compared as signed
//     characters; the entries of one letter form one contiguous run, the
//     priority class.
//  2. Inside each class, `seq` runs 1, 2, 3, ... in list order.
//  3. An item has fFloating set exactly when one entry refers to it, and
//     then the item's plistLink holds that entry's index.
//  4. While an item is not floating, its plistLink holds the `seq` it last
//     had in the list (0 if it never floated), so that floating it again
//     restores its place.
//
// This class keeps 1 and 2: a link that would break the class order is an
// internal fault, and every change ends with a renumbering of the entries
// whose position moved. It does not touch item records; 3 and 4 are kept by
// the operations in engine/plistorder.h (which set the flags and links),
// by Schedule::freeItem, and checked and repaired by engine/plistcheck.h.
//
// How an item moves between the two states:
//   not floating --addToPlist / toggleFloating--> floating (entry linked)
//   floating --removeFromPlist / toggleFloating / Schedule::freeItem--> not floating
//   loaded from a file --linkLoadedPlist, then checkPlist--> either state
//
// Entries live in slots; a handle is a 1-based slot index with a generation,
// so a handle kept past its entry's end (a view's cursor) is detected. The
// slot index alone is what an item's plistLink holds and what the data file
// stores as the Plist key. A per-class index (first, last, count) finds the
// place of an insertion without walking other classes; inside a class the
// walk starts from the nearer end.
//
// `seq` is held as an int: a class of more than 32767 entries would
// overflow the 16 bits the field had in older programs.

#include "core/item.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zk {

struct PlistEntryHandle {
    std::uint32_t index = 0;  // 1-based slot; 0 = none (the head)
    std::uint32_t generation = 0;

    constexpr explicit operator bool() const { return index != 0; }
    friend constexpr bool operator==(PlistEntryHandle, PlistEntryHandle) = default;
};

inline constexpr PlistEntryHandle kNoEntry{};

// Class A, the one the Marvals preference sorts by value; entries whose
// letter orders below it count as having no letter.
inline constexpr std::uint8_t kClassA = 'A';

// Letters order as signed characters: 0x80..0xFF come before 0x00.
constexpr int letterRank(std::uint8_t letter) { return static_cast<std::int8_t>(letter); }

struct PlistEntry {
    ItemHandle item;
    // value x 60 / duration (a duration of 0 counts as 1); 0 = no value.
    // Refreshed by the Marvals operations, not on every edit of the item.
    float hourizedMarval = 0;
    std::uint8_t letter = 0;  // copy of the item's priorityLetter
    int seq = 0;              // 1-based position inside the class
};

class PriorityList {
public:
    PriorityList();
    PriorityList(const PriorityList&) = delete;
    PriorityList& operator=(const PriorityList&) = delete;

    // --- entries -----------------------------------------------------------
    // A new entry, not yet in the order.
    PlistEntryHandle create(ItemHandle item, std::uint8_t letter, int seq, float hourizedMarval = 0);
    // Frees an entry that is not in the order.
    void destroy(PlistEntryHandle h);
    bool isLive(PlistEntryHandle h) const;
    bool isLinked(PlistEntryHandle h) const;
    // A stale or null handle is an internal fault.
    const PlistEntry& entry(PlistEntryHandle h) const;
    void setSeq(PlistEntryHandle h, int seq);
    void setHourizedMarval(PlistEntryHandle h, float value);
    // Only while the entry is not in the order (the class index follows it).
    void setLetter(PlistEntryHandle h, std::uint8_t letter);

    // The live entry in a slot (an item's plistLink), or none.
    PlistEntryHandle handleAt(std::uint32_t index) const;
    // The item's entry, given the item's plistLink: none unless that slot
    // holds a linked entry of this very item. O(1).
    PlistEntryHandle entryOf(ItemHandle item, std::uint32_t plistLink) const;

    // --- order -------------------------------------------------------------
    std::size_t size() const { return linked_; }
    bool empty() const { return linked_ == 0; }
    PlistEntryHandle first() const { return handleAt(slots_[0].next); }
    PlistEntryHandle last() const { return handleAt(slots_[0].prev); }
    PlistEntryHandle next(PlistEntryHandle h) const;
    PlistEntryHandle previous(PlistEntryHandle h) const;  // none for the first

    // Links before `before` (none: last) or after `after` (none: first).
    // A place that would break the class order is an internal fault.
    void insertBefore(PlistEntryHandle h, PlistEntryHandle before);
    void insertAfter(PlistEntryHandle h, PlistEntryHandle after);
    // Into its class at its seq: before the first class entry whose seq is
    // at least the entry's, else after the class; a new class goes between
    // the neighbouring letters. So an entry asking for an occupied position
    // goes ahead of the entry holding it. Does not renumber.
    void insertInOrder(PlistEntryHandle h);
    // Takes the entry out of the order (it stays live). Does not renumber.
    void unlink(PlistEntryHandle h);
    // Unlinks the entry, moves the cursor from it to the entry after it,
    // renumbers the rest of its class and frees it. Returns the seq it had.
    int remove(PlistEntryHandle h);
    // Frees every entry.
    void clear();

    // --- classes -----------------------------------------------------------
    int classCount(std::uint8_t letter) const { return span(letter).count; }
    PlistEntryHandle classFirst(std::uint8_t letter) const { return handleAt(span(letter).first); }
    PlistEntryHandle classLast(std::uint8_t letter) const { return handleAt(span(letter).last); }
    // The class's entries in list order.
    std::vector<PlistEntryHandle> classEntries(std::uint8_t letter) const;
    // The first entry with that letter and that seq; none for seq < 1.
    PlistEntryHandle find(std::uint8_t letter, int seq) const;
    // The first entry of the lowest class above the letter, or none.
    PlistEntryHandle firstAbove(std::uint8_t letter) const;

    // Relinks a class in the given order (a permutation of its entries).
    void reorderClass(std::uint8_t letter, const std::vector<PlistEntryHandle>& order);
    // Gives every entry a new letter (letterOf is called in list order),
    // then restores the class order by a stable sort on letters (entries
    // keep their relative order inside a letter) and renumbers.
    void relabel(const std::function<std::uint8_t(const PlistEntry&)>& letterOf);

    // --- numbering ---------------------------------------------------------
    // The whole list: a counter that restarts at 1 with every new letter.
    void renumber();
    void renumberClass(std::uint8_t letter);
    // From h to the end of its class, or up to and including `stopAfter`;
    // h takes the seq after its predecessor in the class, or 1. The entries
    // before h in the class must be numbered already.
    void renumberFrom(PlistEntryHandle h, PlistEntryHandle stopAfter = kNoEntry);

    // Whether invariants 1 and 2 hold (a walk of the whole list).
    bool isOrdered() const;

    // --- cursor ------------------------------------------------------------
    // The entry the list views treat as current; none when there is none.
    PlistEntryHandle cursor() const { return isLinked(cursor_) ? cursor_ : kNoEntry; }
    void setCursor(PlistEntryHandle h) { cursor_ = h; }

    // --- iteration, in list order -------------------------------------------
    class const_iterator {
    public:
        using value_type = PlistEntryHandle;
        using difference_type = std::ptrdiff_t;
        const_iterator() = default;
        const_iterator(const PriorityList* list, std::uint32_t index) : list_(list), index_(index) {}
        PlistEntryHandle operator*() const { return list_->handleAt(index_); }
        const_iterator& operator++()
        {
            index_ = list_->slots_[index_].next;
            return *this;
        }
        const_iterator operator++(int)
        {
            auto c = *this;
            ++*this;
            return c;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.index_ == b.index_; }

    private:
        const PriorityList* list_ = nullptr;
        std::uint32_t index_ = 0;
    };
    const_iterator begin() const { return const_iterator(this, slots_[0].next); }
    const_iterator end() const { return const_iterator(this, 0); }

    // --- hooks -------------------------------------------------------------
    // An entry whose seq was non-zero changed it (the views repaint its item).
    std::function<void(ItemHandle)> seqChanged;
    // Whether the current view is the Priority List or the Alternate List;
    // a new entry then becomes the cursor.
    std::function<bool()> listViewIsCurrent;

private:
    struct Slot {
        PlistEntry entry;
        std::uint32_t prev = 0;  // 0 = the head
        std::uint32_t next = 0;  // 0 = the end
        std::uint32_t generation = 0;
        bool live = false;
        bool linked = false;
    };
    struct Span {
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        int count = 0;
    };
    static std::size_t spanIndex(std::uint8_t letter) { return static_cast<std::size_t>(letterRank(letter) + 128); }
    const Span& span(std::uint8_t letter) const { return spans_[spanIndex(letter)]; }
    Slot& slot(PlistEntryHandle h);
    const Slot& slot(PlistEntryHandle h) const;
    void link(std::uint32_t index, std::uint32_t prev, std::uint32_t next);
    void assignSeq(Slot& s, int seq);

    // slots_[0] is the head: its next is the first entry, its prev the last.
    std::vector<Slot> slots_;
    std::vector<std::uint32_t> freeSlots_;
    std::array<Span, 256> spans_{};
    std::size_t linked_ = 0;
    PlistEntryHandle cursor_;
};

} // namespace zk
