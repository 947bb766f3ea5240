#include "sharing/session.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/placementcontext.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <thread>

namespace zk {

namespace {

constexpr const char* kModule = "Session";

std::optional<FileStamp> dataStamp(LockFileSystem& files, const DataFileSet& set)
{
    return files.stamp(set.dataFile());
}

} // namespace

Session::Session(SessionSettings settings, const Clock& clock, Messages& messages)
    : settings_(std::move(settings)),
      fs_(settings_.fileSystem ? *settings_.fileSystem : systemFileSystem()),
      clock_(clock),
      messages_(messages),
      files_(settings_.folder),
      access_(settings_.folder, clock_, messages_, settings_.userName, lockFiles_, accessHooks()),
      saving_(files_, fs_, messages_, saveState_, saveHooks()),
      journal_(settings_.folder, messages_, fs_),
      archive_(systemRandomAccessFiles(), messages_, files_.dataFile(), settings_.regional),
      services_{access_, [this]() -> Schedule& { return schedule(); }, clock_, messages_, settings_.regional,
                [this](ItemHandle definition) { return generateOccurrences(schedule(), clock_, definition); }, {},
                &journal_}
{
    messages_.setScheduleFolder(settings_.folder);
}

Session::~Session() { close(); }

ChangeAccessHooks Session::accessHooks()
{
    ChangeAccessHooks hooks;
    hooks.reload = [this](const std::filesystem::path& dataFile) { return reload(dataFile); };
    hooks.addPendingItem = [this](PendingItem&& pending) { zk::addItem(services_, newItemFrom(std::move(pending))); };
    hooks.activity = [this] {
        SessionActivity doing;
        doing.unsavedChanges = saveState_.dirty() || (schedule_ && schedule_->dirty);
        doing.editing = editing_;
        return doing;
    };
    hooks.pause = settings_.pause;
    hooks.readLockStamp = settings_.readLockStamp;
    hooks.writeLockStamp = settings_.writeLockStamp;
    hooks.openPendingWindow = settings_.windows.openPendingWindow;
    hooks.closePendingWindow = settings_.windows.closePendingWindow;
    hooks.focusPendingWindow = settings_.windows.focusPendingWindow;
    hooks.titleChanged = settings_.windows.titleChanged;
    hooks.closeAllSessions = settings_.windows.closeAllSessions;
    return hooks;
}

SaveHooks Session::saveHooks()
{
    SaveHooks hooks;
    hooks.changeAccessInEffect = [this] { return access_.changeAccessInEffect(); };
    hooks.afterSave = [this] {
        journal_.saved(schedule());
        access_.afterSave(SaveKind::Full);
    };
    hooks.refreshLock = [this] { access_.refreshLock(); };
    return hooks;
}

LoadOptions Session::loadOptions()
{
    LoadOptions options;
    options.clock = &clock_;
    options.messages = &messages_;
    options.formatDate = [regional = settings_.regional](DayNumber d) { return shortDate(d, regional); };
    options.changeAccess = [this] { return access_.mayChangeNow(); };
    options.progress = settings_.loadProgress;
    return options;
}

// A writer that cannot rename over the data file (an older program, some
// shares) removes it for a moment; meanwhile it holds the lock. Creating a
// new schedule or asking about backups then would be wrong: wait for it.
bool Session::waitForDataFileOfWriter()
{
    const auto attempts = std::chrono::duration_cast<std::chrono::milliseconds>(settings_.openWait) / kWaitStep;
    for (long long i = 0;; ++i) {
        if (lockFiles_.exists(files_.dataFile()) || !lockFiles_.exists(access_.paths().lock)
            || access_.isLockAbandoned())
            return true;
        if (i >= attempts)
            return false;
        if (settings_.pause) {
            if (!settings_.pause(kWaitStep))
                return false;
        } else {
            std::this_thread::sleep_for(kWaitStep);
        }
    }
}

bool Session::open()
{
    unavailable_ = false;
    if (!waitForDataFileOfWriter()) {
        unavailable_ = true;
        return false;
    }
    ScheduleLoadRequest request;
    request.options = loadOptions();
    request.pathGiven = settings_.pathGiven;
    request.programFolder = settings_.programFolder;
    std::optional<FileStamp> before = dataStamp(lockFiles_, files_);
    ScheduleLoad loaded = daysNeeded_ ? loadPartly() : ScheduleLoad{};
    if (!loaded)
        loaded = loadSchedule(files_, fs_, messages_, request);
    loadStatus_ = loaded.status;
    if (!loaded)
        return false;
    if (settings_.startupCopy)
        makeStartupCopy(files_, fs_, loaded);
    sampleData_ = loaded.sampleData;
    adopt(std::move(loaded.schedule));
    journal_.opened(schedule());
    saveState_.newSchedule = loaded.newSchedule;
    if (loaded.newSchedule)
        saveState_.markDirty(clock_.now());
    access_.noteDataLoaded();
    // Another session may have saved between our read and now; the time
    // noted would then hide its data from the reload before our next change.
    std::optional<FileStamp> after = dataStamp(lockFiles_, files_);
    if (loaded.status != ScheduleLoadStatus::Recovered && !(before == after))
        access_.markDataStale();
    return true;
}

ScheduleLoad Session::loadPartly()
{
    ScheduleLoad out;
    // The journal is settled against the whole schedule: which of its
    // items the data file holds.
    if (fs_.exists(files_.unsavedJournal()))
        return out;
    std::shared_ptr<StoredDataFile> stored = StoredDataFile::read(files_.dataFile());
    if (!stored)
        return out;
    std::unique_ptr<Schedule> s = stored->partialSchedule(&clock_);
    std::optional<std::vector<DayNumber>> days =
        daysNeeded_(*s, entryContextFor(*s, clock_, settings_.regional, settings_.week));
    if (!days)
        return out;
    addTodays(*days);
    if (!stored->addDays(*s, *days))
        return out;
    out.status = ScheduleLoadStatus::Loaded;
    out.schedule = std::move(s);
    out.loadedFrom = files_.dataFile();
    out.dataFileTime = fs_.modificationTime(files_.dataFile());
    stored_ = stored;
    saving_.setDataWriter([stored](Schedule& partial, int fd) { return stored->write(partial, fd); });
    return out;
}

// The days an add lays out besides its own.
void Session::addTodays(std::vector<DayNumber>& days) const
{
    days.push_back(clock_.today());
    days.push_back(PlacementContext::at(clock_).today);
}

bool Session::holdDays(std::optional<std::vector<DayNumber>> days)
{
    if (!stored_)
        return true;
    if (days) {
        addTodays(*days);
        if (stored_->addDays(schedule(), *days))
            return true;
    }
    return reload(files_.dataFile()) == ReloadStatus::Loaded && !stored_;
}

void Session::loadWhole()
{
    stored_.reset();
    saving_.setDataWriter({});
}

void Session::adopt(std::unique_ptr<Schedule> schedule)
{
    schedule_ = std::move(schedule);
    schedule_->setClock(&clock_);
    schedule_->setMessages(&messages_);
    schedule_->formatDate = [regional = settings_.regional](DayNumber d) { return shortDate(d, regional); };
    attachOccurrencePlacing(*schedule_, clock_);
    archive_.attach(*schedule_);
}

ReloadStatus Session::reload(const std::filesystem::path& dataFile)
{
    LoadResult loaded = loadDataFile(dataFile, loadOptions());
    ReloadStatus status = reloadStatusOf(loaded.error);
    if (loaded) {
        loadWhole();
        adopt(std::move(loaded.schedule));
        saveState_.clearDirty();
    }
    return status;
}

Schedule& Session::schedule()
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    return *schedule_;
}

const Schedule& Session::schedule() const
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    return *schedule_;
}

EntryContext Session::entryContext() const
{
    return entryContextFor(schedule(), clock_, settings_.regional, settings_.week);
}

bool Session::obtainChangeAccess(std::chrono::seconds limit)
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    return access_.waitForChangeAccess(limit);
}

AddResult Session::addItem(NewItem item)
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    return zk::addItem(services_, std::move(item));
}

PipelineOutcome Session::processPipeline(DayNumber shownDay)
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    return processPipelineFile(services_, PipelineOptions{shownDay, settings_.week});
}

SaveOutcome Session::save()
{
    ZK_CHECK(schedule_ != nullptr, kModule);
    ChangeAccess::SavingMark saving = access_.markSaving();
    // Past days first: the data file saved after them no longer holds them.
    if (access_.mayChangeNow())
        archive_.writeChangedPastDays(*schedule_);
    return saving_.save(*schedule_);
}

void Session::close() { access_.atExit(); }

} // namespace zk
