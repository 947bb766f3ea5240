#pragma once
// The add-item routine: every new item of a schedule, from the item editor,
// the Task Pipeline, an import or the pending item, enters through
// addItem(), so that each one takes change access and is logged alike.
//
// addItem():
//  1. Requests change access. Refused: the item becomes the pending item
//     (change access adds it once access comes), or, while another item is
//     pending, it is dropped with change access's message.
//  2. Inserts the item by its target:
//     - a project goes into the project list and, at the top level, the
//       project tree;
//     - an item without a day goes into the Global List;
//     - any other gets a record of its own stamped with its creation (an id
//       of its own too: a copied record keeps its id only while no other
//       item has it), then
//       - with a recurrence it becomes a recurring definition whose
//         occurrences are generated; should that fail it is removed again;
//       - without one, a floating item that is not done enters the priority
//         list (at its Marvals place in class A while Marvals is on, else
//         at the seq its record carries, else last in its class) and the
//         scheduler gives it its days from its earliest day on; a floating
//         done item stops floating; any other item is inserted into its day
//         (after the entry given, when that still fits), a done one at its
//         begin time.
//  3. The days it went to are laid out again and the schedule is dirty.
//  4. The item is journalled (sharing/addjournal.h): a line in
//     timedata.uns at once, its Add.log and Change.log lines once a save
//     holds it. A journal that cannot be written is reported; the add
//     stands.
//
// An item is never added to a day that is already archived while the
// schedule has no way to write that day back: it would be lost with the
// next save (kArchivedDayText).

#include "core/recurrence.h"
#include "core/regional.h"
#include "core/schedule.h"
#include "sharing/changeaccess.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class AddJournal;
class Clock;
class Messages;

// An item to add.
struct NewItem {
    DayNumber day;  // none: an undated (Global List) item, or a project
    ItemRecord record;
    std::optional<RecurrenceRecord> recurrence;
    std::string text;
    // The entry on the item's day after which it should go.
    std::optional<EntryRef> insertAfter;
    // The schedule's owner typed the text in the item dialog: the item's
    // command may run unattended (ItemFlag::fOwnerText). Every other way in
    // leaves it false, whatever the record carries.
    bool ownerText = false;
};

// What an add works with.
struct AddItemServices {
    ChangeAccess& access;
    // The schedule as it is once change access is held: taking change access
    // may reload it, so it is asked for only then.
    std::function<Schedule&()> schedule;
    const Clock& clock;
    Messages& messages;
    // The date and time texts of the journal and the logs.
    RegionalSettings regional;
    // Generates a new recurring definition's occurrences; false when that
    // failed. Unset: the occurrences come as their days are made.
    std::function<bool(ItemHandle definition)> generateOccurrences;
    // Called with every item added (views refresh, callers count).
    std::function<void(ItemHandle)> added;
    // Journals every item added and holds its log lines for the save.
    AddJournal* journal = nullptr;
};

enum class AddStatus {
    Added,
    Pending,  // kept until change access comes
    Dropped,  // change access refused while another item was pending
    Refused,  // archived day, or its occurrences could not be generated
};

struct AddResult {
    AddStatus status = AddStatus::Refused;
    ItemHandle item;  // set when Added
};

AddResult addItem(const AddItemServices& services, NewItem item);

// The days the items go to, when adding each changes nothing but its day
// (and the layout of today): fixed items with days of their own that are
// not past, no recurrence, no id to look up. Nothing otherwise.
std::optional<std::vector<DayNumber>> daysChangedBy(const Schedule& schedule, const std::vector<NewItem>& items);

// Change access's pending item as an add.
NewItem newItemFrom(PendingItem&& pending);

extern const char* const kArchivedDayText;

} // namespace zk
