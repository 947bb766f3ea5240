#pragma once
// The one way items of a file enter a schedule, whatever the file's
// format (pipeline lines, tab-delimited text, calendar files, the
// handheld's file): the reader prepares every item first, then
// importItems() takes change access once for the whole file, checks every
// item, and only when none is refused adds them all through the add-item
// routine (sharing/additem.h), so they are journalled and logged like any
// other new item. A refusal, or no change access, adds nothing.
//
// An item may name a source key (a calendar UID, the handheld's id): with
// `updateExisting` the item that has this key is replaced by the new one,
// which keeps the old item's id; without a match it is added.
//
// Imported items never count as typed by the owner: whatever a file says,
// no imported item may carry a command the alarms would run.

#include "sharing/additem.h"
#include "worktools/model/alarms.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class Session;

struct ImportItem {
    NewItem item;
    std::string note;                    // the item's note text; empty: none
    std::optional<AlarmSettings> alarm;  // set: the item rings
    std::string sourceKey;               // may be empty
    bool updateExisting = false;         // replace the item with this key
};

// How items are found by their source key and how a key is kept with an
// item; unset: keys are item ids (the handheld's).
struct ImportKeys {
    std::function<ItemHandle(const Schedule&, const std::string& key)> find;
    std::function<void(Schedule&, ItemHandle, const std::string& key)> remember;
};

struct ImportOptions {
    std::chrono::seconds wait{0};  // for change access
    ImportKeys keys;
};

struct ImportedItem {
    std::uint32_t id = 0;
    DayNumber day;  // none: an undated item
    bool updated = false;
};

enum class ImportStatus { Imported, NoChangeAccess, Refused };

struct ImportReport {
    ImportStatus status = ImportStatus::Refused;
    std::vector<ImportedItem> items;  // in the file's order
    int skipped = 0;                  // the batch's skipped lines, and any item left out
    std::string message;              // why nothing was imported
};

extern const char* const kImportNoAccessText;
extern const char* const kImportedCountText;  // printf form, the count

// Takes change access (waiting at most options.wait), checks every item and
// adds them all, or none. `skipped` is what the reader left out; the report
// adds it to its own count.
ImportReport importItems(Session& session, std::vector<ImportItem> items, int skipped,
                         const ImportOptions& options = {});

} // namespace zk
