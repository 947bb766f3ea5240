#include "sharing/changeaccess.h"

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "storage/datafile.h"

#include <cstdlib>
#include <string>

namespace zk {

namespace {

constexpr const char* kModule = "Access";
// Around midnight every session's day change work asks for change access
// at once: a save refused then is expected, not news.
constexpr int kFirstRefusalTime = 11;

// Set for as long as the object lives, cleared also when a fault unwinds.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

} // namespace

const char* const kReloadingStatusText = " Please wait - shared schedule data update in progress...";
const char* const kAccessPendingText = "update access pending...";

ReloadStatus reloadStatusOf(LoadError error)
{
    switch (error) {
    case LoadError::None:
        return ReloadStatus::Loaded;
    case LoadError::OutOfMemory:
        return ReloadStatus::OutOfMemory;
    default:
        return ReloadStatus::Failed;
    }
}

ChangeAccess::SavingMark::~SavingMark()
{
    if (access_)
        access_->endSaving();
}

ChangeAccess::ChangeAccess(const std::filesystem::path& folder, const Clock& clock, Messages& messages,
                           std::string userName, LockFileSystem& files, ChangeAccessHooks hooks)
    : clock_(clock),
      messages_(messages),
      userName_(std::move(userName)),
      files_(files),
      hooks_(std::move(hooks)),
      paths_(folder)
{
}

ChangeAccess::~ChangeAccess()
{
    std::lock_guard lock(mutex_);
    held_.reset();
}

// --- the session ---------------------------------------------------------------

void ChangeAccess::setAccessRight(AccessRight right)
{
    std::lock_guard lock(mutex_);
    right_ = right;
}

void ChangeAccess::setPhase(SessionPhase phase)
{
    std::lock_guard lock(mutex_);
    phase_ = phase;
}

void ChangeAccess::noteDataLoaded()
{
    std::lock_guard lock(mutex_);
    // A schedule started without a data file takes any file that appears
    // later as newer than what it has.
    std::optional<FileStamp> data = files_.stamp(paths_.dataFile);
    known_ = {KnownData::Kind::Known, data ? data->modified : FileTime{}};
}

void ChangeAccess::markDataStale()
{
    std::lock_guard lock(mutex_);
    known_.kind = KnownData::Kind::MustReload;
}

// --- what it shows ----------------------------------------------------------------

AccessState ChangeAccess::state() const
{
    std::lock_guard lock(mutex_);
    if (requesting_)
        return AccessState::Requesting;
    if (held_)
        return saving_ > 0 ? AccessState::Saving : AccessState::Holding;
    if (pendingWindowOpen_ || pending_)
        return AccessState::Waiting;
    return justReleased_ ? AccessState::Released : AccessState::Idle;
}

bool ChangeAccess::holding() const
{
    std::lock_guard lock(mutex_);
    return held_ != nullptr;
}

bool ChangeAccess::mayChangeNow()
{
    std::lock_guard lock(mutex_);
    if (unreachable() || right_ != AccessRight::Modify || abort_)
        return false;
    return holdingInEffect() || judgeLock(files_, paths_, messages_).state != LockState::Live;
}

bool ChangeAccess::anotherSessionHolds()
{
    std::lock_guard lock(mutex_);
    return !held_ && files_.exists(paths_.lock);
}

bool ChangeAccess::readingInProgress() { return files_.exists(paths_.reading); }

bool ChangeAccess::reloading() const
{
    std::lock_guard lock(mutex_);
    return reloading_;
}

bool ChangeAccess::newerDataWaiting()
{
    std::lock_guard lock(mutex_);
    std::optional<FileStamp> data = files_.stamp(paths_.dataFile);
    if (!data || known_.kind == KnownData::Kind::NotLoaded)
        return false;
    if (known_.kind == KnownData::Kind::MustReload)
        return true;
    return data->modified > known_.time && std::llabs(data->modified.seconds - known_.time.seconds) != 3600;
}

bool ChangeAccess::abortInProgress() const
{
    std::lock_guard lock(mutex_);
    return abort_;
}

bool ChangeAccess::dontSave() const
{
    std::lock_guard lock(mutex_);
    return dontSave_;
}

bool ChangeAccess::accessPendingOpen() const
{
    std::lock_guard lock(mutex_);
    return pendingWindowOpen_;
}

bool ChangeAccess::itemPending() const
{
    std::lock_guard lock(mutex_);
    return pending_.has_value();
}

std::optional<std::int64_t> ChangeAccess::lastReloadTime() const
{
    std::lock_guard lock(mutex_);
    return lastReload_;
}

// --- requesting and holding ----------------------------------------------------------

bool ChangeAccess::requestChangeAccess()
{
    std::lock_guard lock(mutex_);
    justReleased_ = false;
    if (unreachable() || right_ != AccessRight::Modify || abort_)
        return false;
    if (holdingInEffect())
        return true;
    if (files_.exists(paths_.dataFile) && !files_.writable(paths_.dataFile)) {
        messages_.error("You cannot update this schedule.\nThe datafile is write-protected.");
        return false;
    }
    bool taken = false;
    {
        ScopedFlag requesting(requesting_);
        taken = takeChangeAccess();
    }
    if (taken) {
        if (pendingWindowOpen_) {
            files_.remove(paths_.wait);
            closePendingWindow();
        }
        return true;
    }
    if (!pendingWindowOpen_) {
        openPendingWindow();
        return false;
    }
    waitingStep();
    if (held_)
        return true;
    messages_.presenter().beep();
    if (pendingWindowOpen_ && hooks_.focusPendingWindow)
        hooks_.focusPendingWindow();
    return false;
}

bool ChangeAccess::waitForChangeAccess(std::chrono::seconds limit)
{
    {
        std::lock_guard wait(waitMutex_);
        waitCancelled_ = false;
    }
    if (requestChangeAccess())
        return true;
    // Counted in attempts, not by the clock: a clock that stands still (or
    // jumps) can neither stretch nor cut the wait.
    const auto attempts = (std::chrono::duration_cast<std::chrono::milliseconds>(limit) + kWaitStep
                           - std::chrono::milliseconds(1))
                          / kWaitStep;
    for (long long i = 0; i < attempts; ++i) {
        if (!pause(kWaitStep))
            break;
        std::lock_guard lock(mutex_);
        waitingStep();
        // The lock went while nothing was pending: the step went idle
        // instead of taking change access, so ask for it now.
        if (held_ || (!pendingWindowOpen_ && requestChangeAccess()))
            return true;
    }
    std::lock_guard lock(mutex_);
    closePendingWindow();
    return false;
}

void ChangeAccess::cancelWaiting()
{
    {
        std::lock_guard wait(waitMutex_);
        waitCancelled_ = true;
    }
    waitWake_.notify_all();
    std::lock_guard lock(mutex_);
    closePendingWindow();
}

bool ChangeAccess::requestForSaveCommand()
{
    std::lock_guard lock(mutex_);
    if (!requestChangeAccess()) {
        messages_.error("Cannot save file until access available.");
        return false;
    }
    messages_.information("Tip: Zelkon automatically saves your data every 60 seconds.");
    return true;
}

PendingResult ChangeAccess::holdPendingItem(PendingItem item)
{
    std::lock_guard lock(mutex_);
    if (pending_) {
        messages_.error("One item already pending. Be sure to paste in this item after access is obtained.");
        return PendingResult::Dropped;
    }
    pending_ = std::move(item);
    return PendingResult::Held;
}

std::optional<PendingItem> ChangeAccess::takePendingItem()
{
    std::lock_guard lock(mutex_);
    std::optional<PendingItem> item = std::move(pending_);
    pending_.reset();
    return item;
}

// --- saving ----------------------------------------------------------------------------

ChangeAccess::SavingMark ChangeAccess::markSaving()
{
    ++saving_;
    return SavingMark(this);
}

void ChangeAccess::endSaving() { --saving_; }

bool ChangeAccess::changeAccessInEffect()
{
    std::lock_guard lock(mutex_);
    if (holdingInEffect())
        return true;
    if (requestChangeAccess())
        return true;
    if (hooks_.titleChanged)
        hooks_.titleChanged();
    if (!refusalShown_ && clock_.now().value() >= kFirstRefusalTime) {
        refusalShown_ = true;
        messages_.error("Change access not in effect. Save aborted.");
    }
    return false;
}

void ChangeAccess::afterSave(SaveKind kind)
{
    std::lock_guard lock(mutex_);
    if (std::optional<FileStamp> data = files_.stamp(paths_.dataFile))
        known_ = {KnownData::Kind::Known, data->modified};
    if (kind == SaveKind::Full && !activity().editing)
        releaseChangeAccess();
}

bool ChangeAccess::releaseChangeAccess()
{
    std::lock_guard lock(mutex_);
    files_.remove(paths_.wait);
    if (!held_)
        return true;
    RemovalResult removed = held_->release();
    if (removed.removal == Removal::Failed && files_.exists(paths_.lock)) {
        messages_.error("Error encountered removing schedule lock file. rc=" + std::to_string(removed.error));
        return false;
    }
    held_.reset();
    justReleased_ = true;
    if (hooks_.titleChanged)
        hooks_.titleChanged();
    return true;
}

bool ChangeAccess::refreshLock()
{
    std::lock_guard lock(mutex_);
    if (!held_)
        return false;
    if (!held_->refresh()) {
        dropLostLock();
        return false;
    }
    noteLockStamp();
    return true;
}

// --- other sessions' work ----------------------------------------------------------------

bool ChangeAccess::isLockAbandoned()
{
    std::lock_guard lock(mutex_);
    std::optional<std::int32_t> leftover;
    if (phase_ == SessionPhase::StartingUp && hooks_.readLockStamp)
        leftover = hooks_.readLockStamp();
    return judgeLock(files_, paths_, messages_, leftover).state != LockState::Live;
}

ReloadCheck ChangeAccess::checkReload()
{
    std::lock_guard lock(mutex_);
    if (unreachable())
        return ReloadCheck::Unreachable;
    std::optional<FileStamp> data = files_.stamp(paths_.dataFile);
    if (!data)
        return ReloadCheck::NoDataFile;
    if (abort_)
        return ReloadCheck::AbortInProgress;
    if (known_.kind == KnownData::Kind::NotLoaded)
        return ReloadCheck::NotLoaded;
    if (known_.kind == KnownData::Kind::Known) {
        if (data->modified < known_.time)
            return ReloadCheck::Older;
        if (data->modified == known_.time)
            return ReloadCheck::Unchanged;
    }
    return lockHeldByOther() ? ReloadCheck::WriterActive : ReloadCheck::Newer;
}

bool ChangeAccess::reloadIfChanged()
{
    std::lock_guard lock(mutex_);
    switch (checkReload()) {
    case ReloadCheck::NoDataFile:
    case ReloadCheck::Unchanged:
        return true;
    case ReloadCheck::Newer:
        if (std::optional<FileStamp> data = files_.stamp(paths_.dataFile))
            return doReload(data->modified);
        return true;
    default:
        return false;
    }
}

// --- the one-second timer ---------------------------------------------------------------------

void ChangeAccess::tick()
{
    std::lock_guard lock(mutex_);
    if (phase_ == SessionPhase::StartingUp)
        return;
    justReleased_ = false;
    SessionActivity doing = activity();
    if (!doing.alarmMessageOpen && !abort_) {
        if (!held_ && !files_.exists(paths_.lock))
            reloadIfChanged();
        if (pendingWindowOpen_ || pending_)
            waitingStep();
        else if (held_ && !doing.unsavedChanges && saving_ == 0 && !doing.editing)
            releaseChangeAccess();
    }
    if (held_ && refreshDue())
        refreshLock();
    if (exitRequested() && hooks_.closeAllSessions)
        hooks_.closeAllSessions();
}

void ChangeAccess::waitingStep()
{
    std::lock_guard lock(mutex_);
    if (held_) {
        closePendingWindow();
        addPending();
        return;
    }
    LockJudgement judged = judgeLock(files_, paths_, messages_);
    if (judged.state == LockState::Live)
        return;
    // An abandoned lock goes only if it is still the file judged: another
    // waiting session may have taken it over in the meantime.
    if (judged.state == LockState::Abandoned
        && removeLockIfSame(files_, paths_, *judged.lock, Match::FileAndTime).removal == Removal::Replaced)
        return;
    releaseChangeAccess();
    closePendingWindow();
    reloadIfChanged();
    if (pending_)
        requestChangeAccess();
    else
        messages_.presenter().beep();
}

// --- exit -----------------------------------------------------------------------------------------

bool ChangeAccess::confirmExit()
{
    std::lock_guard lock(mutex_);
    if (!pending_)
        return true;
    return messages_.question("Are you sure you want to exit now? Update access is pending to save new item(s).")
           == Answer::Yes;
}

void ChangeAccess::atExit()
{
    std::lock_guard lock(mutex_);
    closePendingWindow();
    if (held_)
        releaseChangeAccess();
}

void ChangeAccess::stopForFault()
{
    std::lock_guard lock(mutex_);
    dontSave_ = true;
    abort_ = true;
    readingMarker_.reset();
    held_.reset();
}

void ChangeAccess::requestExitAll()
{
    std::lock_guard lock(mutex_);
    files_.createOrTruncate(paths_.exitRequest);
    if (hooks_.closeAllSessions)
        hooks_.closeAllSessions();
}

bool ChangeAccess::exitRequested() { return files_.exists(paths_.exitRequest); }

void ChangeAccess::removeLeftoverExitRequest() { files_.remove(paths_.exitRequest); }

// --- inner steps ------------------------------------------------------------------------------------

// A share that is gone shows as a folder that is not there; so does a local
// folder removed under the session, and neither can be changed.
bool ChangeAccess::unreachable() { return !files_.isFolder(paths_.folder); }

bool ChangeAccess::holdingInEffect()
{
    if (!held_)
        return false;
    if (held_->inEffect())
        return true;
    // Still holding by our own account, but the lock file is not ours any
    // more: we stalled long enough for another session to take it over.
    // Answering "holding" now would let two sessions write.
    dropLostLock();
    return false;
}

bool ChangeAccess::lockHeldByOther()
{
    std::optional<FileStamp> lock = files_.stamp(paths_.lock);
    return lock && !(held_ && lock->sameFile(held_->stamp()));
}

void ChangeAccess::dropLostLock()
{
    // The HeldLock removes the lock file only if it is still our own file.
    held_.reset();
    if (hooks_.titleChanged)
        hooks_.titleChanged();
}

bool ChangeAccess::takeChangeAccess()
{
    std::optional<std::int32_t> leftover;
    if (phase_ == SessionPhase::StartingUp && hooks_.readLockStamp)
        leftover = hooks_.readLockStamp();
    LockJudgement judged = judgeLock(files_, paths_, messages_, leftover);
    if (judged.state == LockState::Live)
        return false;
    HeldLock::Taken taken = judged.state == LockState::Abandoned ? HeldLock::takeOver(files_, paths_, *judged.lock)
                                                                 : HeldLock::create(files_, paths_);
    if (!taken.lock)
        return false;
    held_ = std::move(taken.lock);
    // Only now, with the lock ours, can no other session be writing: what
    // the last holder saved is brought in before anything changes.
    if (known_.kind != KnownData::Kind::NotLoaded && !reloadIfChanged()) {
        held_.reset();
        return false;
    }
    noteLockStamp();
    if (hooks_.titleChanged)
        hooks_.titleChanged();
    addPending();
    return true;
}

bool ChangeAccess::doReload(FileTime dataTime)
{
    ZK_CHECK(hooks_.reload, kModule);
    ReloadStatus status = ReloadStatus::Failed;
    {
        ScopedFlag reloading(reloading_);
        readingMarker_ = std::make_unique<ReadingMarker>(files_, paths_);
        status = hooks_.reload(paths_.dataFile);
        readingMarker_.reset();
    }
    if (status == ReloadStatus::Failed) {
        // The schedule in memory has been dropped for the load.
        stopForFault();
        ZK_FAULT(kModule);
    }
    if (status != ReloadStatus::Loaded)
        return false;
    // The time read before the load: should the file have been replaced
    // once more meanwhile, the next check reloads again rather than never.
    known_ = {KnownData::Kind::Known, dataTime};
    lastReload_ = clock_.unixSeconds();
    if (!held_)
        releaseChangeAccess();
    return true;
}

void ChangeAccess::noteLockStamp()
{
    lastRefresh_ = clock_.unixSeconds();
    if (hooks_.writeLockStamp)
        hooks_.writeLockStamp(static_cast<std::int32_t>(held_->stamp().modified.seconds));
}

void ChangeAccess::addPending()
{
    if (!pending_)
        return;
    PendingItem item = std::move(*pending_);
    pending_.reset();
    ZK_CHECK(hooks_.addPendingItem, kModule);
    hooks_.addPendingItem(std::move(item));
}

void ChangeAccess::openPendingWindow()
{
    if (hooks_.openPendingWindow && !hooks_.openPendingWindow()) {
        messages_.error("Unable to open Access Pending dialog box");
        return;
    }
    pendingWindowOpen_ = true;
}

void ChangeAccess::closePendingWindow()
{
    if (!pendingWindowOpen_)
        return;
    pendingWindowOpen_ = false;
    if (hooks_.closePendingWindow)
        hooks_.closePendingWindow();
}

bool ChangeAccess::refreshDue() const
{
    // Every tenth second of the wall clock; and whenever a late tick would
    // otherwise let the lock age past the period.
    return clock_.localNow().second % kRefreshSeconds == 0
           || clock_.unixSeconds() - lastRefresh_ >= kRefreshSeconds;
}

bool ChangeAccess::pause(std::chrono::milliseconds step)
{
    if (hooks_.pause)
        return hooks_.pause(step);
    std::unique_lock wait(waitMutex_);
    return !waitWake_.wait_for(wait, step, [this] { return waitCancelled_; });
}

SessionActivity ChangeAccess::activity() const { return hooks_.activity ? hooks_.activity() : SessionActivity{}; }

} // namespace zk
