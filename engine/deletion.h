#pragma once
// Deleting items, single occurrences, all occurrences and projects, the bulk
// deletions (duplicated occurrences, everything but one item, a set of
// items by id), and bringing a deletion back.
//
// Contract:
// - No questions are asked here: the commands ask first (shell/model/
//   deletecommands.h), then call one operation.
// - Every item deleted is logged through the log hook with its title.
// - A deletion that can be undone returns its UndeleteRecord. The record
//   names items by id and carries its own copy of the deleted record, its
//   text and, for a definition, its own copy of the rule and its
//   cancellations: a reload brought in from another session replaces every
//   handle, and nothing of the deleted item's memory is kept.
// - Deleting an exception keeps its occurrence day cancelled in the
//   definition's list, so the standard occurrence does not come back on a
//   day the user cleared; restoring the exception takes the cancellation
//   away again.
// - A deleted project's items are assigned to no project; restoring the
//   project gives those still there back to it.

#include "core/recurrence.h"
#include "core/schedule.h"
#include "engine/placement.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zk {

class Clock;
class Messages;

enum class UndeleteType : std::uint32_t {
    Entry = 0x80000000u,       // an item's entry on a day (schedule views)
    Occurrence = 0x40000000u,  // one occurrence of a recurring definition
    Item = 0x20000000u,        // an item (list views, all occurrences)
    Project = 0x10000000u,
};

struct UndeleteRecord {
    UndeleteType type = UndeleteType::Item;
    std::uint32_t itemId = 0;        // the deleted item; an occurrence: its definition
    DayNumber day;                   // the day it was on; an occurrence: its day
    std::string title;               // for the undelete question
    ItemRecord record;               // the deleted item as it was
    std::string text;                // its stored description
    std::uint32_t definitionId = 0;  // an exception's definition
    std::optional<RecurrenceRecord> rule;  // a definition's rule, its own copy
    std::vector<DayNumber> cancellations;  // a definition's cancelled days
    std::vector<std::uint32_t> members;    // a project's items
    bool undated = false;                  // it was in the Global List
};

extern const char* const kNotValidTaskText;
extern const char* const kNotValidActItemText;
extern const char* const kNotValidProjectText;
extern const char* const kNotValidRecurringText;

struct Restored {
    ItemHandle item;      // none when refused
    DayNumber day;        // the day to show; none: leave the view
    std::string refusal;  // why nothing was restored
};

class Deletion {
public:
    using Log = std::function<void(const std::string& title)>;
    Deletion(Schedule& schedule, const Clock& clock, Messages& messages, Log log);

    Schedule& schedule() { return schedule_; }

    // The entry of a day view: an occurrence is cancelled, an exception
    // deleted (its day stays cancelled), any other item deleted with all its
    // entries. None when the entry could not be deleted.
    std::optional<UndeleteRecord> deleteEntry(EntryRef entry);
    // An item of a list view (not a definition, exception or project): off
    // every day and deleted.
    UndeleteRecord deleteItem(ItemHandle item);
    // The definition with every occurrence; undone exceptions go with it,
    // done ones stay as ordinary items.
    UndeleteRecord deleteAllOccurrences(ItemHandle definition);
    UndeleteRecord deleteProject(ItemHandle project);

    // Every definition with more than one occurrence on the day keeps its
    // first; the number of entries removed.
    int deleteDuplicateOccurrences(DayNumber day);
    // Deletes every item of the item chain and every definition except the
    // kept item, its definition and that definition's exceptions. The number
    // of items deleted.
    int deleteAllBut(ItemHandle kept);
    // Deletes the items with these ids, each as its kind asks (definitions
    // with their occurrences); the number deleted.
    int deleteByIds(const std::set<std::uint32_t>& ids);

    Restored restore(const UndeleteRecord& record);

    // The definition an item belongs to: itself, its definition, or none.
    ItemHandle definitionOf(ItemHandle item) const;

private:
    UndeleteRecord copyOf(ItemHandle item, UndeleteType type, DayNumber day) const;
    // Off every day and freed, after the alarm notice and the log.
    void eraseItem(ItemHandle item);
    void eraseException(ItemHandle exception);
    void removeFromProjectTree(ItemHandle item);
    ItemHandle liveById(std::uint32_t id) const;
    ItemHandle recreate(const UndeleteRecord& record);

    Schedule& schedule_;
    Messages& messages_;
    Placement placement_;
    Log log_;
};

} // namespace zk
