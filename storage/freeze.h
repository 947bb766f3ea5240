#pragma once
// Freeze: the floating items below priority A are set aside in
// "frozen.pak" and deleted from the live schedule. There is no thaw; while
// "frozen.pak" exists no second freeze is made.
//
// Contract:
// - frozen.pak is a data file of its own: day entries and priority-list
//   keys only for frozen items, no recurring definitions, no project tree.
//   It is written through timedata.tmp and flushed to the disk; the data
//   file and its backups are not touched.
// - Items leave the live schedule only once frozen.pak is on the disk; the
//   schedule is then dirty, and the next save writes it.

#include "core/item.h"
#include "platform/filesystem.h"
#include "storage/datafileset.h"

namespace zk {

class Messages;
class Schedule;
class SaveSequence;

// A floating item of the item chain whose priority letter is not A.
bool isFrozenItem(const Schedule& schedule, ItemHandle item);

enum class Confirmation { Ask, Given };

enum class FreezeStatus {
    Frozen,
    Declined,       // the user said No to the confirmation
    AlreadyFrozen,  // frozen.pak exists
    Busy,           // a save is running
    NoChangeAccess,
    Failed,         // frozen.pak could not be written; nothing was deleted
};

struct FreezeOutcome {
    FreezeStatus status = FreezeStatus::Failed;
    int deleted = 0;
};

FreezeOutcome freeze(Schedule& schedule, SaveSequence& saving, FileSystem& fs, Messages& messages,
                     Confirmation confirmation);

// The label of the button that starts it: "Freeze", or "Unfreeze" while
// frozen.pak exists.
const char* freezeButtonText(const DataFileSet& files, FileSystem& fs);

extern const char* const kFreezeConfirmText;
extern const char* const kAlreadyFrozenText;
extern const char* const kFrozenDeletedText;  // printf form, the count

} // namespace zk
