#pragma once
// A session on one schedule folder: the schedule loaded from it, the clock
// and the messages it works with, its change access and its save sequence,
// held in one object, so that zk and the desktop program open, change,
// save and close a schedule alike. Nothing here is process-wide: two
// sessions on one folder, in one process or in two, exclude each other
// only through the folder's lock file.
//
// Lifecycle:
//   open()    loads timedata.pak, recovering along the backup chain when it
//             does not load, or starts a new schedule when there is none;
//             every question goes to the messages.
//   obtainChangeAccess(), addItem(), processPipeline()
//             take change access first. Taking it brings in what another
//             session saved meanwhile, which replaces the schedule object:
//             ask schedule() again after any of them.
//   save()    writes changed past days back to their archives, then the
//             schedule through the save sequence (timedata.tmp, backups);
//             once the data file is on the disk the journal is settled
//             (sharing/addjournal.h) and change access given back.
//   close()   (and the destructor) gives back a lock still held.
//
// A session that changes only a few days (zk add) may open partly: the
// schedule then holds the data file's header, template and the days the
// work needs, and saving writes the stored file again with those days put
// in (storage/storeddatafile.h). Any file that cannot be taken so, and any
// reload, gives the whole schedule as open() always does.
//
// Every schedule the session holds puts the recurring occurrences on each
// future day record it makes, and a definition added through addItem()
// gets its occurrences on every day record that exists.

#include "core/regional.h"
#include "engine/rebalancerequest.h"
#include "platform/filesystem.h"
#include "platform/lockfilesystem.h"
#include "sharing/addjournal.h"
#include "sharing/additem.h"
#include "sharing/changeaccess.h"
#include "sharing/pipeline.h"
#include "storage/archive.h"
#include "storage/recovery.h"
#include "storage/savesequence.h"
#include "storage/storeddatafile.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class Clock;
class Messages;

struct SessionSettings {
    std::filesystem::path folder;
    std::string userName;
    RegionalSettings regional;
    WeekSettings week;
    // Whether the user named the folder; without a name a missing schedule
    // starts from the sample data of the program folder.
    PathGiven pathGiven = PathGiven::Yes;
    std::filesystem::path programFolder;
    // Whether open() keeps the start-up copy timedata.sav of the data file
    // it loaded (the desktop program does; zk's short runs do not).
    bool startupCopy = false;
    // How long open() waits while the data file is missing and another
    // session holds the lock: it may be between the renames of a save.
    std::chrono::seconds openWait{0};
    // How a wait for change access (or for the data file) pauses between
    // attempts; false ends the wait. Unset: it sleeps.
    std::function<bool(std::chrono::milliseconds)> pause;
    // The setting TimeLockfileCreated, which lets a restarted session take
    // over the lock it left at once. Unset: no such setting.
    std::function<std::optional<std::int32_t>()> readLockStamp;
    std::function<void(std::int32_t)> writeLockStamp;
    // The file system loading, saving and the journal work on. Unset: the
    // real one. Tests put one in that fails or stops on request.
    FileSystem* fileSystem = nullptr;
    // What the load has come to (" - Reading Data 42%", " - <step>"), for
    // the main window's caption; called on the loading thread.
    std::function<void(const std::string&)> loadProgress;
    // The desktop's windows for change access: the access pending window
    // (its open, close and focus hooks are taken from here) and the title.
    ChangeAccessHooks windows;
};

class Session {
public:
    Session(SessionSettings settings, const Clock& clock, Messages& messages);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // False when no schedule could be had (the reason was shown).
    bool open();
    // Before open(): given the header and template of the data file, the
    // days the work will change (today's is added), or nothing to load the
    // whole file.
    using DaysNeeded = std::function<std::optional<std::vector<DayNumber>>(const Schedule&, const EntryContext&)>;
    void openPartly(DaysNeeded days) { daysNeeded_ = std::move(days); }
    // The schedule holds only some days of the data file.
    bool partial() const { return stored_ != nullptr; }
    // Makes sure the schedule holds the days (and today), loading them, or
    // the whole file (always, given nothing); false when the whole file
    // could not be loaded.
    bool holdDays(std::optional<std::vector<DayNumber>> days);
    bool isOpen() const { return schedule_ != nullptr; }
    // open() failed because the data file stayed missing while another
    // session held the lock: the schedule is unavailable, not damaged.
    bool unavailable() const { return unavailable_; }
    void setOpenWait(std::chrono::seconds wait) { settings_.openWait = wait; }
    ScheduleLoadStatus loadStatus() const { return loadStatus_; }
    // What open() found: no data file (a new schedule), filled from the sample.
    bool newSchedule() const { return saveState_.newSchedule; }
    bool sampleData() const { return sampleData_; }

    // Only while open.
    Schedule& schedule();
    const Schedule& schedule() const;
    ChangeAccess& access() { return access_; }
    SaveSequence& saving() { return saving_; }
    SaveState& saveState() { return saveState_; }
    // Past days: read back from and written to the yearly archives.
    ScheduleArchive& archive() { return archive_; }
    const DataFileSet& files() const { return files_; }
    const SessionSettings& settings() const { return settings_; }
    const Clock& clock() const { return clock_; }
    Messages& messages() { return messages_; }
    // What the add-item routine and the pipeline work with.
    const AddItemServices& addServices() const { return services_; }

    // Entries typed now, in this schedule's day window.
    EntryContext entryContext() const;

    // An editing dialog is open: neither the tick nor a save gives change
    // access back meanwhile.
    void setEditing(bool editing) { editing_ = editing; }
    bool editing() const { return editing_; }

    // Set by every change that affects floating items; a balancing run
    // clears it. It outlives reloads: what changed still wants placing.
    RebalanceRequest& rebalance() { return rebalance_; }

    // Waits at most `limit` for change access.
    bool obtainChangeAccess(std::chrono::seconds limit);
    AddResult addItem(NewItem item);
    PipelineOutcome processPipeline(DayNumber shownDay = kNoDay);
    SaveOutcome save();
    void close();

private:
    LoadOptions loadOptions();
    ScheduleLoad loadPartly();
    void addTodays(std::vector<DayNumber>& days) const;
    void loadWhole();
    bool waitForDataFileOfWriter();
    void adopt(std::unique_ptr<Schedule> schedule);
    ReloadStatus reload(const std::filesystem::path& dataFile);
    ChangeAccessHooks accessHooks();
    SaveHooks saveHooks();

    SessionSettings settings_;
    FileSystem& fs_;
    const Clock& clock_;
    Messages& messages_;
    LinuxLockFileSystem lockFiles_;
    DataFileSet files_;
    SaveState saveState_;
    // Order matters: the save sequence and the add services refer to
    // change access, so it is made before them.
    ChangeAccess access_;
    SaveSequence saving_;
    AddJournal journal_;
    ScheduleArchive archive_;
    AddItemServices services_;
    std::unique_ptr<Schedule> schedule_;
    ScheduleLoadStatus loadStatus_ = ScheduleLoadStatus::Failed;
    bool sampleData_ = false;
    bool unavailable_ = false;
    bool editing_ = false;
    RebalanceRequest rebalance_;
    DaysNeeded daysNeeded_;
    std::shared_ptr<StoredDataFile> stored_;
};

// The one call for "the floating items changed": sets the session's
// rebalance request.
inline void requestRebalance(Session& session) { session.rebalance().request(); }

} // namespace zk
