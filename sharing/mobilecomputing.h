#pragma once
// Check Out and Check In: the schedule goes with its user to another
// machine in a folder (a USB stick's mount point), and comes back from it.
//
// - checkOutTo() sets the checked-out mark in the header, saves, and copies
//   the schedule file set (storage/schedulefilecopy.h) to the folder. A full
//   folder asks for the next one ("Insert Disk #2"); a copy that fails or
//   is given up clears the mark again, so the schedule here is not left
//   marked as living elsewhere.
// - checkInFrom() copies the set from the folder into the schedule folder
//   and loads the data file copied. A folder without the status table holds
//   only part of a set: the next folder is asked for ("Insert next disk to
//   Check in.") until one brings it; then the mark is cleared. The data file
//   there is read before anything is copied: a folder without a schedule,
//   or with one that does not load, changes nothing here.
// - While the mark is set, the status line says " - Checked-Out", alarms do
//   not ring here, and start-up offers to check in.
//
// Both run with change access held and the schedule to themselves (the
// caller's background-work lock); the folder questions come through the
// hooks.

#include "core/scheduleheader.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace zk {

class Session;

// The checked-out mark: one byte of the header's range for settings, 1 when
// the schedule is checked out. Files that never had it hold 0 there.
inline constexpr std::size_t kCheckedOutAt = 510;
inline bool checkedOut(const ScheduleHeader& header) { return header.u8(kCheckedOutAt) == 1; }
inline void setCheckedOut(ScheduleHeader& header, bool on) { header.setU8(kCheckedOutAt, on ? 1 : 0); }

extern const char* const kCheckOutCaption;     // "Mobile Computing: Check Out. Select destination folder"
extern const char* const kCheckInCaption;      // "Mobile Computing: Check In. Select source folder"
extern const char* const kInsertDiskText;      // "Insert Disk #%d"
extern const char* const kNotCheckedOutText;   // "You're not checked out. Are you sure ..."
extern const char* const kInsertNextDiskText;  // "Insert next disk to Check in."
extern const char* const kMainDriveFullText;   // "Insufficient disk space on main drive. ..."
extern const char* const kCheckInOfferText;    // "You are checked-out. Check-in before ..."
extern const char* const kSameFolderText;
extern const char* const kNoScheduleInFolderText;
extern const char* const kUnreadableScheduleText;
extern const char* const kCopyFailedText;
extern const char* const kCopyingText;         // "copying %s..."

struct MobileHooks {
    // A folder chosen by the user, starting at `start`, under the caption;
    // none when cancelled.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& start,
                                                       const std::string& caption)>
        chooseFolder;
    // "copying %s..." before each file; an empty text when the copy ends.
    std::function<void(const std::string& text)> progress;
    // Before the set is copied out (the status table written, so the set
    // ends with it).
    std::function<void()> beforeCopyOut;
    // The copy's write; unset, write(2) (tests fill disks with it).
    std::function<ssize_t(int fd, const void* data, std::size_t size)> write;
};

enum class MobileOutcome {
    Done,
    Cancelled,  // the user stopped it at a question
    Failed,     // said so already
};

MobileOutcome checkOutTo(Session& session, const std::filesystem::path& folder, const MobileHooks& hooks);
MobileOutcome checkInFrom(Session& session, const std::filesystem::path& folder, const MobileHooks& hooks);

} // namespace zk
