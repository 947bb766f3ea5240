#pragma once
// Find: looking for an item by a piece of its description or of its note,
// from the start, or forward or backward from the selection; in a list
// view through the list, in a day view through the days.
//
// Contract:
// - An item matches when the item text is not empty and its description
//   as readers receive it (the private part hidden unless private display
//   is on) holds the text, without regard to case; else, when the note
//   text is not empty and the item has a note, when the note holds it.
//   Only shown items match: the hide test of the view applies.
// - Before walking, the search makes sure something can be found at all
//   ("Matches no items"; in the priority lists "No matching fluid items.");
//   one walk of the item chain then tells, for every day, whether a match
//   could still lie further on, so a search never walks far past the last
//   match ("No further occurrences").
// - Backward into past days the search asks "Keep searching?" after each
//   365 days searched.
//
// The search reads day records through Schedule::getDay (future days get
// their occurrences). The caller owns the schedule while it calls.

#include "core/daynumber.h"
#include "core/item.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class Schedule;

inline constexpr std::size_t kMaxFindTextBytes = 30;

extern const char* const kMatchesNoItemsText;
extern const char* const kNoMatchingFluidItemsText;
extern const char* const kNoFurtherOccurrencesText;
extern const char* const kKeepSearchingText;

enum class FindMode { First, Next, Prior };

struct FindTexts {
    std::string item;
    std::string note;
    // Trailing blanks removed, each cut to kMaxFindTextBytes.
    FindTexts trimmed() const;
    bool empty() const { return item.empty() && note.empty(); }
};

struct FindHooks {
    std::function<bool(ItemHandle)> hidden;  // the view's hide test; unset: nothing hidden
    // The item's note text; unset (or none) until notes exist: notes match nothing.
    std::function<std::optional<std::string>(ItemHandle)> noteText;
    std::function<void(DayNumber)> searchingDay;   // the window shows the date searched
    std::function<bool(DayNumber)> keepSearching;  // the question; unset: No
};

// Reads an item's note from the schedule folder's notes (by its note
// number); none for an item without a note or a note that did not load.
std::function<std::optional<std::string>(ItemHandle)> noteReader(const Schedule& schedule,
                                                                 const std::filesystem::path& scheduleFolder);

bool findMatches(const Schedule& schedule, ItemHandle item, const FindTexts& texts, const FindHooks& hooks);

struct FindResult {
    bool found = false;
    std::string message;  // why not: one of the texts above; empty when nothing was asked
    DayNumber day;               // day search: the day and the entry found
    std::size_t entryIndex = 0;
    int listIndex = -1;          // list search: the index found
};

// Whether any shown item of the item chain (and, for the priority lists,
// of the priority list) matches; the message when none does.
std::optional<std::string> nothingToFind(const Schedule& schedule, const FindTexts& texts, const FindHooks& hooks,
                                         bool priorityList);

// List search over the listed items (already without hidden ones), from
// the selected index (none: the start).
FindResult searchList(const Schedule& schedule, const std::vector<ItemHandle>& listed, std::optional<int> selected,
                      FindMode mode, const FindTexts& texts, const FindHooks& hooks);

// Day search from `viewed` (mode First: the first day that is not past),
// from the entry after (Next) or before (Prior) `selected` on that day.
FindResult searchDays(Schedule& schedule, DayNumber viewed, std::optional<std::size_t> selected, FindMode mode,
                      const FindTexts& texts, const FindHooks& hooks);

// Every matching item once in the order Repeat Find (or Earlier Find,
// backward) meets it from `from` on, a definition at its first occurrence
// met, then the undated items.
struct FoundItem {
    DayNumber day;  // none for undated items
    ItemHandle item;
};
std::vector<FoundItem> findAll(Schedule& schedule, DayNumber from, bool backward, const FindTexts& texts,
                               const FindHooks& hooks);

} // namespace zk
