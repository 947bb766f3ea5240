#pragma once
// Saving a schedule: the whole data file is written to timedata.tmp and only
// then rotated into place, so the two previous generations survive as
// timedata.bak and timedata.bk2.
//
// The save sequence (SaveSequence::save):
//  1. Nothing to do when the dirty mark is clear; a save already running
//     makes this one return at once.
//  2. Postponed while the do-not-save or the balancing flag is set.
//  3. Refused without change access (the check shows its own message).
//  4. The background-work flag is taken; the dirty mark and the
//     write-error flag are cleared.
//  5. The folder must be reachable; a new schedule whose timedata.pak has
//     appeared meanwhile is not saved over it; timedata.tmp is created.
//  6. The schedule is written to timedata.tmp, which is flushed to the disk
//     and closed. Any failure removes it and sets the dirty mark again.
//  7. The background-work flag is released.
//  8. A change made while writing abandons the file; the next save writes it.
//  9. Rotation, with a complete timedata.pak at every instant: timedata.bk2
//     deleted (when timedata.bak exists), timedata.bak -> timedata.bk2 with
//     tenaciousRename(), timedata.bak made a second name (a link, else a
//     copy) of timedata.pak, and timedata.tmp renamed over timedata.pak in
//     one step. A failed rotation step leaves its files as they were. A
//     file system that cannot rename over a file gets the old order back
//     (timedata.pak removed, as timedata.bak holds it, then
//     tenaciousRename()); when that fails too, timedata.tmp is copied over
//     timedata.pak (and, on a local disk, into the "backup" folder). The
//     folder is then flushed to the disk.
// 10. Only when timedata.pak holds the new data is the save a success:
//     change access hears of it (and removes timedata.uns); otherwise the
//     dirty mark is set again and every complete file stays in place.
//
// Thread use: save() may run on any thread while the caller keeps others
// from changing the schedule; the marks in SaveState are atomic, and a
// second save() while one runs returns SaveStatus::AlreadyRunning.

#include "core/daynumber.h"
#include "platform/filesystem.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

namespace zk {

class Messages;
class Schedule;

struct AutosaveWatch;

// The session's save marks, shared between the thread that changes the
// schedule and the thread that saves it.
class SaveState {
public:
    // The dirty mark holds the time value of the first unsaved change.
    void markDirty(TimeValue firstChange);
    void clearDirty() { dirty_.store(0); }
    bool dirty() const { return dirty_.load() != 0; }
    TimeValue firstUnsavedChange() const { return TimeValue(dirty_.load()); }

    bool saveRunning() const { return running_.load() != 0; }
    bool writeFailed() const { return writeError_.load(); }

    // Set when this session created the data file itself.
    std::atomic<bool> newSchedule{false};
    // Saving waits while either is set; the dirty mark stays.
    std::atomic<bool> doNotSave{false};
    std::atomic<bool> balancing{false};
    std::atomic<bool> freezing{false};

private:
    friend class SaveClaim;
    friend class SaveSequence;
    friend AutosaveWatch watchAutosave(const SaveState&, TimeValue);
    int takeDirtyMark() { return dirty_.exchange(0); }
    // An interrupted save puts back the mark it took; it is older than any
    // change made meanwhile.
    void restoreDirtyMark(int mark);

    std::atomic<int> dirty_{0};
    std::atomic<int> running_{0};  // the dirty mark being saved; 0 = none
    std::atomic<bool> writeError_{false};
};

// Holds the one save slot of a session while it lives. Whoever else wants
// to write timedata.tmp (freeze) takes it too.
class SaveClaim {
public:
    explicit SaveClaim(SaveState& state);
    ~SaveClaim();
    SaveClaim(const SaveClaim&) = delete;
    SaveClaim& operator=(const SaveClaim&) = delete;
    // False when another save held the slot.
    bool claimed() const { return claimed_; }

private:
    SaveState& state_;
    bool claimed_;
};

// What a save needs from the rest of the session. Every hook may be unset.
struct SaveHooks {
    // Whether this session holds change access, requesting it when not.
    // Unset: always.
    std::function<bool()> changeAccessInEffect;
    // Called once timedata.pak holds the saved data (removes timedata.uns,
    // may release change access).
    std::function<void()> afterSave;
    // Keeps the lock file fresh during a long wait for a rename.
    std::function<void()> refreshLock;
    // Takes and gives back the background-work flag.
    std::function<void()> acquireBackgroundWork;
    std::function<void()> releaseBackgroundWork;
    std::function<void(bool on)> waitCursor;
    // A new schedule found timedata.pak written by someone else: reload it
    // when it is newer.
    std::function<void()> reloadResurfaced;
};

// How long renames and deletions keep trying.
struct Tenacity {
    int attempts = 60;
    std::chrono::milliseconds interval{1000};
    int refreshEvery = 10;  // attempts between lock refreshes
};

// Renames old to new, refusing (false) unless old exists and new does not.
// A failing rename is tried again after each interval, the lock refreshed
// on every tenth attempt, up to the attempts allowed.
bool tenaciousRename(FileSystem& fs, const std::filesystem::path& from, const std::filesystem::path& to,
                     const Tenacity& tenacity = {}, const SaveHooks& hooks = {});
// Removes a file, trying again while it still exists; false when it could
// not be removed within the attempts allowed.
bool persistentDelete(FileSystem& fs, const std::filesystem::path& file, const Tenacity& tenacity = {});

enum class SaveStatus {
    Saved,           // timedata.pak holds the current data
    Clean,           // nothing to save
    Postponed,       // do-not-save or balancing flag set
    AlreadyRunning,  // another save is in progress
    NoChangeAccess,
    Unreachable,     // the folder is gone: "Network error..."
    Resurfaced,      // a new schedule met a timedata.pak it did not write
    WriteFailed,     // timedata.tmp could not be created, written or flushed
    Abandoned,       // changed while writing; the next save writes it
    NotStored,       // timedata.tmp written, but it could not become timedata.pak
};

struct SaveOutcome {
    SaveStatus status = SaveStatus::Clean;
    // True when the data file holds the current data.
    bool ok() const { return status == SaveStatus::Saved || status == SaveStatus::Clean; }
};

class SaveSequence {
public:
    SaveSequence(DataFileSet files, FileSystem& fs, Messages& messages, SaveState& state, SaveHooks hooks = {},
                 Tenacity tenacity = {});

    SaveOutcome save(Schedule& schedule);

    // Writes the schedule to `target` through timedata.tmp, without touching
    // the backup generations; the target must not exist. Used by freeze.
    bool writeSeparateFile(Schedule& schedule, const std::filesystem::path& target);

    // The data file's modification time after the last successful save.
    std::optional<std::filesystem::file_time_type> savedFileTime() const;
    std::optional<std::chrono::system_clock::time_point> lastSaveTime() const;

    // What writes timedata.tmp; unset: saveDataFile(). A schedule that
    // holds only part of the data file writes through its stored bytes.
    using DataWriter = std::function<SaveResult(Schedule&, int fd)>;
    void setDataWriter(DataWriter writer) { writer_ = std::move(writer); }

    const DataFileSet& files() const { return files_; }
    SaveState& state() { return state_; }
    const SaveHooks& hooks() const { return hooks_; }

private:
    SaveStatus checkFolder();
    bool folderReachable();
    SaveStatus writeTemporary(Schedule& schedule);
    bool flushAndClose(int fd);
    SaveStatus finish();
    void rotateBackups();
    bool placeNewGeneration();
    enum class Replaced { Yes, No, Gone, NotOnThisFileSystem };
    Replaced replaceTenaciously(const std::filesystem::path& from, const std::filesystem::path& to);
    bool copyFallback();
    void reportFileError(const char* format, const std::filesystem::path& path);

    DataFileSet files_;
    FileSystem& fs_;
    Messages& messages_;
    SaveState& state_;
    SaveHooks hooks_;
    Tenacity tenacity_;
    DataWriter writer_;

    mutable std::mutex timesMutex_;
    std::optional<std::filesystem::file_time_type> savedFileTime_;
    std::optional<std::chrono::system_clock::time_point> lastSaveTime_;
};

// The autosave watchdog of the minute work: how urgently a running save
// should run, counted from the first unsaved change, and whether it is
// late enough for kAutosaveLateText.
enum class SavePriority { BelowNormal, Normal, AboveNormal, Highest };
struct AutosaveWatch {
    SavePriority priority = SavePriority::BelowNormal;
    bool warn = false;
};
AutosaveWatch watchAutosave(const SaveState& state, TimeValue now);

// Both backup generations are missing while a data file exists.
bool backupsMissing(const DataFileSet& files, FileSystem& fs);

extern const char* const kNetworkErrorText;
extern const char* const kResurfacedText;
extern const char* const kUnableToCreateFileText;  // printf form, the path
extern const char* const kUnableToFlushFileText;   // printf form, the path
extern const char* const kAutosaveLateText;
extern const char* const kBackupsMissingText;

} // namespace zk
