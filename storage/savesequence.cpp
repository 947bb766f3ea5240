#include "storage/savesequence.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "storage/datafile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace zk {

const char* const kNetworkErrorText = "Network error. Probably need to reconnect.";
const char* const kResurfacedText = "Your previous datafile has resurfaced!";
const char* const kUnableToCreateFileText = "Unable to create file: %s.";
const char* const kUnableToFlushFileText = "Unable to write file: %s to the disk.";
const char* const kAutosaveLateText = "It has been more than 5 minutes since changes were last autosaved!";
const char* const kBackupsMissingText = "Both backup files are missing.";

namespace {

void pause(const Tenacity& tenacity)
{
    if (tenacity.interval.count() > 0)
        std::this_thread::sleep_for(tenacity.interval);
}

// Calls an optional hook pair around a scope.
class HookScope {
public:
    HookScope(const std::function<void()>& enter, const std::function<void()>& leave) : leave_(leave)
    {
        if (enter)
            enter();
    }
    ~HookScope() { end(); }
    HookScope(const HookScope&) = delete;
    HookScope& operator=(const HookScope&) = delete;

    void end()
    {
        if (!ended_ && leave_)
            leave_();
        ended_ = true;
    }

private:
    const std::function<void()>& leave_;
    bool ended_ = false;
};

class WaitCursor {
public:
    explicit WaitCursor(const SaveHooks& hooks) : hooks_(hooks) {}
    ~WaitCursor()
    {
        if (on_ && hooks_.waitCursor)
            hooks_.waitCursor(false);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void show()
    {
        if (!on_ && hooks_.waitCursor)
            hooks_.waitCursor(true);
        on_ = true;
    }

private:
    const SaveHooks& hooks_;
    bool on_ = false;
};

int markFor(TimeValue t) { return t.value() > 0 ? t.value() : 1; }

} // namespace

// --- marks ----------------------------------------------------------------------

void SaveState::markDirty(TimeValue firstChange)
{
    int expected = 0;
    dirty_.compare_exchange_strong(expected, markFor(firstChange));
}

void SaveState::restoreDirtyMark(int mark)
{
    if (mark != 0)
        dirty_.store(mark);
}

SaveClaim::SaveClaim(SaveState& state) : state_(state)
{
    int expected = 0;
    int mark = state.dirty_.load();
    claimed_ = state.running_.compare_exchange_strong(expected, mark != 0 ? mark : 1);
}

SaveClaim::~SaveClaim()
{
    if (claimed_)
        state_.running_.store(0);
}

// --- renames and deletions ----------------------------------------------------------

bool tenaciousRename(FileSystem& fs, const std::filesystem::path& from, const std::filesystem::path& to,
                     const Tenacity& tenacity, const SaveHooks& hooks)
{
    if (!fs.exists(from) || fs.exists(to))
        return false;
    WaitCursor cursor(hooks);
    for (int attempt = 1;; ++attempt) {
        int e = fs.rename(from, to, RenameMode::NoReplace);
        if (e == 0)
            return true;
        // Someone else moved either file: the refusal holds now.
        if (e == EEXIST || e == ENOENT || attempt >= tenacity.attempts)
            return false;
        cursor.show();
        pause(tenacity);
        if (hooks.refreshLock && tenacity.refreshEvery > 0 && attempt % tenacity.refreshEvery == 0)
            hooks.refreshLock();
    }
}

bool persistentDelete(FileSystem& fs, const std::filesystem::path& file, const Tenacity& tenacity)
{
    for (int attempt = 1; fs.exists(file); ++attempt) {
        int e = fs.remove(file);
        if (e == 0 || e == ENOENT)
            return true;
        if (attempt >= tenacity.attempts)
            return false;
        pause(tenacity);
    }
    return true;
}

// --- the save ---------------------------------------------------------------------------

SaveSequence::SaveSequence(DataFileSet files, FileSystem& fs, Messages& messages, SaveState& state,
                           SaveHooks hooks, Tenacity tenacity)
    : files_(std::move(files)), fs_(fs), messages_(messages), state_(state), hooks_(std::move(hooks)),
      tenacity_(tenacity)
{
}

SaveOutcome SaveSequence::save(Schedule& schedule)
{
    // The model marks its own changes on the schedule; they join the
    // session's mark here, and the schedule shows the outcome afterwards.
    if (schedule.dirty)
        state_.markDirty(schedule.now());
    struct Mirror {
        Schedule& s;
        SaveState& state;
        ~Mirror()
        {
            s.dirty = state.dirty();
            s.saveRunning = state.saveRunning();
        }
    } mirror{schedule, state_};

    if (!state_.dirty())
        return {SaveStatus::Clean};
    SaveClaim claim(state_);
    if (!claim.claimed())
        return {SaveStatus::AlreadyRunning};
    schedule.saveRunning = true;
    if (state_.doNotSave || state_.balancing)
        return {SaveStatus::Postponed};
    if (hooks_.changeAccessInEffect && !hooks_.changeAccessInEffect())
        return {SaveStatus::NoChangeAccess};

    HookScope backgroundWork(hooks_.acquireBackgroundWork, hooks_.releaseBackgroundWork);
    int mark = state_.takeDirtyMark();
    schedule.dirty = false;
    state_.writeError_ = false;

    SaveStatus status = checkFolder();
    if (status == SaveStatus::Saved)
        status = writeTemporary(schedule);
    backgroundWork.end();
    if (status != SaveStatus::Saved) {
        state_.restoreDirtyMark(mark);
        if (status == SaveStatus::Resurfaced && hooks_.reloadResurfaced)
            hooks_.reloadResurfaced();
        return {status};
    }
    if (state_.dirty() || schedule.dirty) {
        fs_.remove(files_.temporaryFile());
        state_.restoreDirtyMark(mark);
        return {SaveStatus::Abandoned};
    }
    status = finish();
    if (status != SaveStatus::Saved) {
        state_.restoreDirtyMark(mark);
        return {status};
    }
    state_.newSchedule = false;
    if (hooks_.afterSave)
        hooks_.afterSave();
    return {SaveStatus::Saved};
}

SaveStatus SaveSequence::checkFolder()
{
    if (!folderReachable())
        return SaveStatus::Unreachable;
    if (state_.newSchedule && fs_.exists(files_.dataFile())) {
        messages_.error(kResurfacedText);
        state_.newSchedule = false;
        return SaveStatus::Resurfaced;
    }
    return SaveStatus::Saved;
}

bool SaveSequence::folderReachable()
{
    // The folder existed when the schedule was opened; gone now means its
    // drive or share went away.
    if (fs_.folderState(files_.folder()) == FolderState::Present)
        return true;
    messages_.error(kNetworkErrorText);
    return false;
}

SaveStatus SaveSequence::writeTemporary(Schedule& schedule)
{
    const auto tmp = files_.temporaryFile();
    int fd = fs_.createFile(tmp);
    if (fd < 0) {
        reportFileError(kUnableToCreateFileText, tmp);
        return SaveStatus::WriteFailed;
    }
    SaveResult written = writer_ ? writer_(schedule, fd) : saveDataFile(schedule, fd, SaveOptions{});
    if (!written)
        messages_.error(written.failureText);
    bool flushed = flushAndClose(fd);
    if (written && !flushed)
        reportFileError(kUnableToFlushFileText, tmp);
    if (!written || !flushed) {
        state_.writeError_ = true;
        // A partial file is worth nothing, and left in place it would be
        // offered by recovery ahead of the complete backups.
        fs_.remove(tmp);
        return SaveStatus::WriteFailed;
    }
    return SaveStatus::Saved;
}

bool SaveSequence::flushAndClose(int fd)
{
    // The new generation must be on the disk before the renames replace
    // the old one; otherwise a crash can leave only an empty file.
    bool synced = fs_.syncFile(fd) == 0;
    bool closed = fs_.closeFile(fd) == 0;
    return synced && closed;
}

SaveStatus SaveSequence::finish()
{
    rotateBackups();
    bool stored = placeNewGeneration();
    if (fs_.syncFolder(files_.folder()) != 0) {
        // The renames may not survive a crash: save again rather than let
        // the journal of added items go.
        reportFileError(kUnableToFlushFileText, files_.dataFile());
        stored = false;
    }
    if (!stored)
        return SaveStatus::NotStored;
    std::lock_guard lock(timesMutex_);
    savedFileTime_ = fs_.modificationTime(files_.dataFile());
    lastSaveTime_ = std::chrono::system_clock::now();
    return SaveStatus::Saved;
}

void SaveSequence::rotateBackups()
{
    if (fs_.exists(files_.backupFile()))
        persistentDelete(fs_, files_.secondBackupFile(), tenacity_);
    tenaciousRename(fs_, files_.backupFile(), files_.secondBackupFile(), tenacity_, hooks_);
    // The previous generation gets its second name while timedata.pak
    // keeps the first: at no moment is there no data file for a session
    // that opens the folder, or for recovery after a crash.
    const auto pak = files_.dataFile();
    const auto bak = files_.backupFile();
    if (!fs_.exists(pak) || fs_.exists(bak))
        return;
    if (fs_.link(pak, bak) == 0)
        return;
    // No links on this file system: a copy. Broken off, it is not a backup.
    if (fs_.copyFile(pak, bak) != 0)
        fs_.remove(bak);
}

bool SaveSequence::placeNewGeneration()
{
    const auto tmp = files_.temporaryFile();
    const auto pak = files_.dataFile();
    if (!fs_.exists(pak))
        return tenaciousRename(fs_, tmp, pak, tenacity_, hooks_) || copyFallback();
    switch (replaceTenaciously(tmp, pak)) {
    case Replaced::Yes:
        return true;
    case Replaced::Gone:
        return false;
    case Replaced::NotOnThisFileSystem:
        // The previous generation is safe in timedata.bak: the data file may
        // go for the moment the plain rename takes.
        if (fs_.exists(files_.backupFile()) && fs_.remove(pak) == 0
            && tenaciousRename(fs_, tmp, pak, tenacity_, hooks_))
            return true;
        break;
    case Replaced::No:
        break;
    }
    return copyFallback();
}

SaveSequence::Replaced SaveSequence::replaceTenaciously(const std::filesystem::path& from,
                                                        const std::filesystem::path& to)
{
    WaitCursor cursor(hooks_);
    for (int attempt = 1;; ++attempt) {
        int e = fs_.rename(from, to, RenameMode::Replace);
        if (e == 0)
            return Replaced::Yes;
        if (e == ENOENT)
            return Replaced::Gone;
        // Shares that cannot rename over a file say so at once; retrying
        // would not change their mind.
        if (e == EEXIST || e == ENOTSUP || e == EPERM || e == EACCES)
            return Replaced::NotOnThisFileSystem;
        if (attempt >= tenacity_.attempts)
            return Replaced::No;
        cursor.show();
        pause(tenacity_);
        if (hooks_.refreshLock && tenacity_.refreshEvery > 0 && attempt % tenacity_.refreshEvery == 0)
            hooks_.refreshLock();
    }
}

bool SaveSequence::copyFallback()
{
    const auto pak = files_.dataFile();
    // timedata.bak may be a second name of timedata.pak: copying into that
    // file would overwrite the backup too. A name of its own keeps it.
    if (fs_.exists(files_.backupFile()) && fs_.exists(pak))
        fs_.remove(pak);
    if (fs_.copyFile(files_.temporaryFile(), pak) != 0) {
        // timedata.tmp stays: recovery finds it right after timedata.pak.
        reportFileError(kUnableToCreateFileText, pak);
        return false;
    }
    if (fs_.isLocalDisk(pak) && fs_.createFolders(files_.backupFolder()) == 0)
        fs_.copyFile(pak, files_.backupFolder() / kDataFileName);
    return true;
}

bool SaveSequence::writeSeparateFile(Schedule& schedule, const std::filesystem::path& target)
{
    if (fs_.exists(target) || !folderReachable())
        return false;
    HookScope backgroundWork(hooks_.acquireBackgroundWork, hooks_.releaseBackgroundWork);
    if (writeTemporary(schedule) != SaveStatus::Saved)
        return false;
    if (!tenaciousRename(fs_, files_.temporaryFile(), target, tenacity_, hooks_)) {
        fs_.remove(files_.temporaryFile());
        reportFileError(kUnableToCreateFileText, target);
        return false;
    }
    if (fs_.syncFolder(files_.folder()) != 0) {
        reportFileError(kUnableToFlushFileText, target);
        return false;
    }
    return true;
}

void SaveSequence::reportFileError(const char* format, const std::filesystem::path& path)
{
    state_.writeError_ = true;
    messages_.error(textWithPath(format, path));
}

std::optional<std::filesystem::file_time_type> SaveSequence::savedFileTime() const
{
    std::lock_guard lock(timesMutex_);
    return savedFileTime_;
}

std::optional<std::chrono::system_clock::time_point> SaveSequence::lastSaveTime() const
{
    std::lock_guard lock(timesMutex_);
    return lastSaveTime_;
}

// --- watchdog -------------------------------------------------------------------------

AutosaveWatch watchAutosave(const SaveState& state, TimeValue now)
{
    int mark = state.running_.load();
    if (mark == 0)
        mark = state.dirty_.load();
    if (mark == 0 || now.isNone())
        return {};
    int minutes = now.value() - mark;  // [-2879, 2879]
    if (minutes < 0)
        minutes += 1440;  // the change was made before midnight
    AutosaveWatch watch;
    if (minutes >= 3)
        watch.priority = SavePriority::Highest;
    else if (minutes >= 2)
        watch.priority = SavePriority::AboveNormal;
    else if (minutes >= 1)
        watch.priority = SavePriority::Normal;
    watch.warn = minutes >= 6;
    return watch;
}

bool backupsMissing(const DataFileSet& files, FileSystem& fs)
{
    return fs.exists(files.dataFile()) && !fs.exists(files.backupFile()) && !fs.exists(files.secondBackupFile());
}

} // namespace zk
