#include "shell/desktopapp.h"

#include "shell/fileimport.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/linetext.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/regionalsource.h"
#include "platform/settingstore.h"
#include "shell/accesspendingwindow.h"
#include "shell/archivework.h"
#include "shell/balancecommands.h"
#include "shell/mailcommands.h"
#include "shell/mainwindow.h"
#include "shell/mobilecommands.h"
#include "shell/desktopcommands.h"
#include "shell/donecommands.h"
#include "shell/listviewcommands.h"
#include "shell/model/datafilepath.h"
#include "shell/model/panelines.h"
#include "shell/placedialogs.h"
#include "shell/preferencesdialog.h"
#include "shell/monthcommands.h"
#include "shell/popupcalendar.h"
#include "shell/sessionguard.h"
#include "shell/viewfilters.h"
#include "shell/windowcommands.h"
#include "shell/workgroupcommands.h"
#include "sharing/pipeline.h"
#include "sharing/session.h"
#include "storage/savesequence.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"
#include "views/statusdisplay.h"
#include "worktools/alarmdesk.h"
#include "worktools/dialdesk.h"
#include "worktools/worktoolsmenu.h"
#include "worktools/notedesk.h"
#include "worktools/timerdesk.h"

#include <QApplication>
#include <QScreen>
#include <QThread>

#include <charconv>
#include <chrono>
#include <cstdlib>

namespace zk {

const char* const kSaveFailedOnExitText =
    "Your latest changes could not be saved. Close Zelkon without saving them?";

namespace {

using namespace std::chrono_literals;

constexpr int kTickMilliseconds = 1000;
const QString kProgramCaption = QStringLiteral("Zelkon");
// How long an internal fault lets a save on another thread finish its
// renames before the process ends.
constexpr auto kFaultSaveGrace = 30s;
// How long start-up waits for a data file another session is replacing.
constexpr auto kOpenWait = 30s;
constexpr const char* kLockStampSetting = "TimeLockfileCreated";

std::optional<std::int32_t> lockStampSetting(const SettingStore& settings)
{
    std::optional<std::string> text = settings.value(kLockStampSetting);
    if (!text || text->empty())
        return std::nullopt;
    std::int32_t stamp = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), stamp);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return stamp;
}

std::string userName()
{
    const char* user = std::getenv("USER");
    return user && *user ? user : "";
}

// --- steps whose modules are still to come -------------------------------------------
// Each is empty until the module named fills it.

// The session guard refuses a second session on a data file at its start,
// so no duplicate appears later to be closed; the count that would let
// DataFolder be written every minute is not kept.
void countRunningSessions() {}
void checkDuplicateSessions() {}
// FIXME: change access: the workgroup checks of the minute work.
void workgroupChecks() {}
// FIXME: the schedule window: today's sunrise and sunset.
void computeSunTimes() {}
// FIXME: the data file module's check of the data file on a new day.
void checkDataFile() {}
// FIXME: notes, pop-up calendar and time bar reopen as they were left.
void reopenLastWindows() {}
// FIXME: modeless windows (timer, access pending, tool windows) close here.
void closeModelessWindows() {}
// FIXME: the activity trace records the exit.
void traceExit() {}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// --- WorkerThread -------------------------------------------------------------------------

void WorkerThread::join()
{
    if (!thread_.joinable())
        return;
    // The thread may be waiting for a box on this thread: keep the loop going.
    while (!done_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!done_)
            std::this_thread::sleep_for(50ms);
    }
    // The events turned above may have run another join() of this thread.
    if (thread_.joinable())
        thread_.join();
}

void WorkerThread::reap()
{
    if (thread_.joinable() && done_)
        thread_.join();
}

// --- the session ----------------------------------------------------------------------------

DesktopApp::DesktopApp(const Clock& clock, MessagePresenter& presenter, SettingStore& settings)
    : clock_(clock), settings_(settings), messages_(std::make_unique<Messages>(presenter))
{
    UserRegional user = loadUserRegional(userRegionalSources());
    regional_ = sanitised(user.regional);
    preferences_ = Settings(SettingsEnvironment{sanitised(user.week), autostartFolder()});
    messages_->setInitialising(true);
    messages_->setClockText([this] { return timeText(heartbeat_.now(), regional_); });
    messages_->setDateText([this] { return shortDate(heartbeat_.today(), regional_); });
    connect(&timer_, &QTimer::timeout, this, &DesktopApp::tick);
}

DesktopApp::~DesktopApp()
{
    startupThread_.join();
    saveThread_.join();
    if (faultCleanup_)
        removeFaultCleanup(faultCleanup_);
}

std::optional<int> DesktopApp::start(const Options& options)
{
    const std::filesystem::path home = defaultScheduleFolder();
    DataFileChoice choice = dataFileFromCommandLine(options.commandLine, settings_.value("DataFolder"), home, *messages_);
    std::optional<std::filesystem::path> folder = settleScheduleFolder(choice.dataFile, home, *messages_);
    if (!folder)
        return 1;
    const std::filesystem::path dataFile = *folder / kDataFileName;
    guard_ = std::make_unique<SessionGuard>(dataFile);
    if (!guard_->claim()) {
        messages_->error(textWithPath(kSessionAlreadyOpenText, dataFile));
        return 1;
    }
    settings_.setScheduleFolder(*folder);
    // The week rules count from the first day shown, before the schedule
    // is loaded; the whole catalogue is read again after it.
    preferences_.read(settings_);

    SessionSettings settings;
    settings.folder = *folder;
    settings.userName = userName();
    settings.regional = regional_;
    settings.week = preferences_.week();
    settings.pathGiven = choice.given;
    settings.programFolder = options.programFolder;
    settings.startupCopy = true;
    settings.openWait = kOpenWait;
    settings.readLockStamp = [this] { return lockStampSetting(settings_); };
    settings.writeLockStamp = [this](std::int32_t stamp) { settings_.setValue(kLockStampSetting, std::to_string(stamp)); };
    settings.loadProgress = [this](const std::string& text) {
        QMetaObject::invokeMethod(this, [this, caption = kProgramCaption + QString::fromStdString(text)] { window_->setWindowTitle(caption); },
                                  Qt::QueuedConnection);
    };
    attachAccessPendingWindow(settings.windows, *this, [this] { return static_cast<QWidget*>(window_.get()); },
                              settings.userName, [this] { session_->access().cancelWaiting(); });
    // Either may come from the save thread: both run on the user-interface thread.
    settings.windows.titleChanged = [this] {
        QMetaObject::invokeMethod(this, [this] { commands_->windowCommands().updateTitle(); }, Qt::QueuedConnection);
    };
    settings.windows.closeAllSessions = [this] {
        QMetaObject::invokeMethod(this, [this] { window_->close(); }, Qt::QueuedConnection);
    };
    session_ = std::make_unique<Session>(std::move(settings), clock_, *messages_);
    session_->access().setPhase(SessionPhase::StartingUp);
    session_->access().removeLeftoverExitRequest();
    installFaultCleanup();

    window_ = std::make_unique<MainWindow>();
    window_->setFilesDropped([this](const QStringList& files) { importFiles(*this, files); });
    window_->setCloseRequest([this] {
        if (!exitRequest())
            return false;
        terminate();
        return true;
    });
    window_->setGeometryChanged([this] { saveWindowSettings(); });
    connect(&window_->schedulesArea(), &SchedulesArea::viewedDayChanged, this, [this](DayNumber day) {
        state_.setViewed(day);
        refreshDayPane();
    });
    window_->setActivated([this] {
        // Back from elsewhere: catch up with a minute that passed unseen.
        if (!state_.initialising && clock_.now() != heartbeat_.now())
            QTimer::singleShot(0, this, &DesktopApp::tick);
    });
    commands_ = std::make_unique<DesktopCommands>(*this);
    alarms_ = std::make_unique<AlarmDesk>(*this, settings_);
    alarms_->install();
    notes_ = std::make_unique<NoteDesk>(*this);
    notes_->install();
    timers_ = std::make_unique<TimerDesk>(*this);
    timers_->install();
    dial_ = std::make_unique<DialDesk>(*this);
    dial_->install();
    worktools_ = std::make_unique<WorktoolsMenu>(*this);
    worktools_->install();
    window_->show();

    heartbeat_.readClock(clock_.localNow(), DayWindow{});
    statusLine();
    timer_.start(kTickMilliseconds);
    startupThread_.start([this] {
        StartupServices services{*session_, *messages_, settings_, preferences_, clock_, heartbeat_, state_, *this};
        bool loaded = runStartup(services);
        QMetaObject::invokeMethod(this, [this, loaded] { startupEnded(loaded); }, Qt::QueuedConnection);
    });
    return std::nullopt;
}

void DesktopApp::startupEnded(bool loaded)
{
    startupThread_.join();
    if (loaded)
        return;
    startupFailed_ = true;
    terminate();
    window_->hide();
}

// Faults stop saving and remove the lock files; a save already writing on
// another thread may finish its renames first, so the data file it is
// placing is not left half rotated.
void DesktopApp::installFaultCleanup()
{
    faultCleanup_ = addFaultCleanup([this] {
        SaveState& saving = session_->saveState();
        saving.doNotSave = true;
        if (!saveThread_.onThisThread()) {
            auto until = std::chrono::steady_clock::now() + kFaultSaveGrace;
            while (saving.saveRunning() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(50ms);
        }
        session_->access().stopForFault();
    });
}

template <class Step>
void DesktopApp::onUserInterface(Step step)
{
    if (QThread::currentThread() == thread())
        step();
    else
        QMetaObject::invokeMethod(this, step, Qt::BlockingQueuedConnection);
}

// --- the tick ---------------------------------------------------------------------------------

void DesktopApp::tick()
{
    if (terminated_ || state_.exiting)
        return;
    saveThread_.reap();
    heartbeat_.tick(clock_.localNow(), dayWindow(), state_.initialising);
}

DayWindow DesktopApp::dayWindow()
{
    if (!state_.initialising)
        if (BackgroundWork::Hold hold = backgroundWork_.tryHold()) {
            const Schedule& s = session_->schedule();
            lastWindow_ = DayWindow{s.dayStart(), s.dayEnd(), s.nightOwl()};
        }
    return lastWindow_.value_or(DayWindow{});
}

std::string DesktopApp::statusText()
{
    StatusFacts facts;
    LocalMoment moment = clock_.localNow();
    facts.clock = clockText(moment.hour, moment.minute, moment.second, regional_);
    facts.today = heartbeat_.today();
    facts.initialising = state_.initialising;
    facts.weekView = window_->schedulesArea().view() == ScheduleView::Week;
    if (commands_) {
        facts.filterOn = commands_->filters().filterOpen();
        facts.hideDoneItems = commands_->filters().hideDoneItems();
        facts.cashFlowView = commands_->filters().cashFlowView();
    }
    if (!state_.initialising) {
        ChangeAccess& access = session_->access();
        const SaveState& saving = session_->saveState();
        facts.otherHoldsAccess = access.anotherSessionHolds();
        facts.checkedOut = commands_ && commands_->mobile().checkedOut();
        facts.readingMarker = access.readingInProgress();
        facts.unsaved = saving.dirty() || saving.saveRunning();
        if (access.reloading())
            facts.activity = StatusActivity::SharedUpdate;
        else if (saving.saveRunning())
            facts.activity = StatusActivity::Autosaving;
    }
    const std::string text = zk::statusText(facts, regional_);
    return commands_ && commands_->month().current() ? commands_->month().statusText(text) : text;
}

void DesktopApp::statusLine()
{
    std::string text = statusText();
    if (text != shownStatus_) {
        shownStatus_ = text;
        window_->setStatusText(QString::fromStdString(text));
    }
    commands_->windowCommands().updateTitle();
}

void DesktopApp::changeAccess()
{
    {
        BackgroundWork::Hold hold = backgroundWork_.tryHold();
        if (!hold)
            return;  // a save runs; it keeps the lock fresh itself
        session_->access().tick();
        // A reload replaced the schedule, or a refresh met a save: show
        // what is there now.
        if (&session_->schedule() != shownSchedule_ || paneStale_)
            showViewedDay();
    }
    if (session_->access().exitRequested())
        QTimer::singleShot(0, window_.get(), &QWidget::close);
}

void DesktopApp::saveWhenNeeded()
{
    if (saveThread_.running())
        return;
    BackgroundWork::Hold hold = backgroundWork_.tryHold();
    if (!hold)
        return;
    SaveState& saving = session_->saveState();
    if (!(saving.dirty() || session_->schedule().dirty) || saving.saveRunning())
        return;
    // Changes then wait for the Save command or the exit.
    if (preferences_.value(IntSetting::DisableAutosave))
        return;
    if (!state_.backgroundThreadsAllowed) {
        session_->save();
        return;
    }
    startSaveThread();
}

void DesktopApp::startSaveThread()
{
    saveThread_.start([this] {
        BackgroundWork::Hold hold = backgroundWork_.hold();
        session_->save();
    });
}

void DesktopApp::backgroundScheduling(bool nearMinuteBoundary) { commands_->balancing().tick(nearMinuteBoundary); }
void DesktopApp::tideLine() { timers_->second(); }
void DesktopApp::countSessions() { countRunningSessions(); }
void DesktopApp::pendingCarryOver() { commands_->done().runPendingCarryOver(); }

void DesktopApp::minuteWork()
{
    checkDuplicateSessions();
    workgroupChecks();
    // A protected schedule that was not unlocked shows nothing of its items.
    const bool itemsShown = commands_->workgroup().mayView();
    if (itemsShown)
        commands_->done().offerReminder();
    notes_->minute();
    if (itemsShown) {
        alarms_->minute();
        commands_->mail().minute();
    }
    dial_->minute();
    archiveDueDays(*this);
    makeHistoryFiles(*this);
    automaticBackup(*this, autoBackupDay_);
    watchAutosave();
    // DataFolder is written at start and on exit; writing it every minute
    // waits for the session count, which says when this is the only session.
    checkTransferFiles();
    checkBackups();
    if (itemsShown)
        alarms_->postReminders();
    saveWindowSettings();
    // Starts move on with the clock.
    refreshDayPane();
}

void DesktopApp::watchAutosave()
{
    bool late = zk::watchAutosave(session_->saveState(), heartbeat_.now()).warn
        && !preferences_.value(IntSetting::DisableAutosave);
    // Once for each stretch of unsaved changes, not every minute of it.
    if (late && !autosaveWarned_)
        messages_->error(kAutosaveLateText);
    autosaveWarned_ = late;
}

void DesktopApp::checkTransferFiles()
{
    if (!pipelineWaiting(session_->files().folder()))
        return;
    BackgroundWork::Hold hold = backgroundWork_.tryHold();
    if (!hold)
        return;  // next minute
    session_->processPipeline(state_.viewed());
    showViewedDay();
}

// A schedule this session created has no earlier generations yet; the
// warning is for backups that went missing, and once is enough.
void DesktopApp::checkBackups()
{
    if (backupsWarned_ || state_.newSchedule)
        return;
    if (backupsMissing(session_->files(), systemFileSystem())) {
        backupsWarned_ = true;
        messages_->error(kBackupsMissingText);
    }
}

void DesktopApp::dayChangeWork()
{
    onUserInterface([this] {
        // A balancing run still placing items on the day just ended finishes first.
        commands_->balancing().waitForRun();
        alarms_->postReminders();
        commands_->done().dayChange();
        computeSunTimes();
        // Copies of the data file that a file manager made are the user's:
        // nothing is deleted for them here.
        checkDataFile();
        // A pane that showed the day just ended moves on to the new one.
        if (state_.viewed() == heartbeat_.today() - 1)
            state_.setViewed(heartbeat_.today());
        refreshDayPane();
    });
}

// --- start-up's window steps ----------------------------------------------------------------------

namespace {

ScreenLimits screenLimits(const QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QSize minimum = window.minimumSizeHint().expandedTo(QSize(1, 1));
    if (!screen)
        return {minimum.width(), minimum.height(), minimum.width(), minimum.height()};
    return {screen->virtualGeometry().width(), screen->geometry().height(), minimum.width(), minimum.height()};
}

QSize screenSize(const QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize(1024, 768);
}

} // namespace

// A saved rectangle that no longer fits the screens is brought back onto
// them; none saved leaves the window where the system put it.
void DesktopApp::placeMainWindow()
{
    onUserInterface([this] {
        const UserWindowRow& row = preferences_.windowRow();
        if (std::optional<SettingRect> r = zk::placeMainWindow(row.mainWindow, screenLimits(*window_)))
            window_->setGeometry(r->a, r->b, r->c, r->d);
        if (row.windowFlags & WindowFlag::maximised)
            window_->showMaximized();
    });
}

void DesktopApp::setDefaultWindowLayout()
{
    onUserInterface([this] {
        const QSize screen = screenSize(*window_);
        UserWindowRow& row = preferences_.windowRow();
        row = firstRunLayout(screen.width(), screen.height());
        const SettingRect& r = row.mainWindow;
        // move() places the frame, so the title bar of a first start stays on
        // the screen; the layout leaves room below for it.
        window_->move(r.a, r.b);
        window_->resize(r.c, r.d);
    });
}

void DesktopApp::applyInterfaceMode()
{
    onUserInterface([this] {
        window_->setWindowTitle(kProgramCaption);
        commands_->applyScheduleMode();
        commands_->applyScheduleViewLayout();
        commands_->windowCommands().applyStored();
        state_.backgroundThreadsAllowed = true;
    });
}

void DesktopApp::offerUndoneReminder()
{
    onUserInterface([this] {
        commands_->done().startupDoneWork();
        if (commands_->workgroup().mayView())
            commands_->done().offerReminder();
    });
}

void DesktopApp::offerCheckIn()
{
    onUserInterface([this] { commands_->mobile().offerCheckIn(); });
}
void DesktopApp::checkPasswords() { onUserInterface([this] { commands_->workgroup().checkPasswords(); }); }
void DesktopApp::askUserName() { onUserInterface([this] { commands_->workgroup().askUserName(); }); }
void DesktopApp::rememberRecentSchedule() { onUserInterface([this] { commands_->workgroup().recordRecent(); }); }

void DesktopApp::reopenWindows()
{
    onUserInterface([this] {
        reopenLastWindows();
        commands_->popUpCalendar().reopen();
    });
}

void DesktopApp::showToday()
{
    onUserInterface([this] {
        state_.setViewed(heartbeat_.today());
        refreshDayPane();
    });
}

// A save holding the schedule leaves the pane to the next tick.
void DesktopApp::refreshDayPane()
{
    if (BackgroundWork::Hold hold = backgroundWork_.tryHold())
        showViewedDay();
    else
        paneStale_ = true;
}

// Only while this thread owns the schedule (the background-work lock, or
// the start-up worker waiting for this step).
void DesktopApp::showViewedDay()
{
    if (!session_ || !session_->isOpen() || state_.viewed().isNone())
        return;
    Schedule& schedule = session_->schedule();
    shownSchedule_ = &schedule;
    paneStale_ = false;
    SchedulesArea& area = window_->schedulesArea();
    area.setDisplay(paneDisplayFrom(preferences_, schedule.header));
    area.setStyle(paneStyle());
    area.setViewedDay(state_.viewed());
    area.setHideTest(commands_->filters().hideTest(schedule, commands_->view()));
    area.refresh(schedule, {heartbeat_.today(), heartbeat_.now()}, regional_);
    if (commands_->month().current())
        commands_->month().refresh(schedule);
    commands_->popUpCalendar().refresh(schedule);
    commands_->lists().refresh(schedule);
}

PaneStyle DesktopApp::paneStyle() const
{
    PaneStyle style = PaneStyle::fromSettings(preferences_);
    for (int status = 1; status < static_cast<int>(style.statusText.size()); ++status)
        style.statusText[static_cast<std::size_t>(status)] = qColorOf(state_.statuses.textColor(status));
    return style;
}

// --- the end ----------------------------------------------------------------------------------------

bool DesktopApp::exitRequest()
{
    if (terminated_)
        return true;
    traceExit();
    bool running = session_ && session_->isOpen() && !state_.initialising;
    if (running && !session_->access().confirmExit())
        return false;
    if (running && commands_->workgroup().mayView() && commands_->done().offerReminder())
        return false;
    archiveDueDays(*this);
    timers_->saveWindowPosition();
    // Before the final save, which then carries the notes' marks.
    notes_->closeAll();
    state_.exiting = true;
    if (running && !finalSave()) {
        state_.exiting = false;
        return false;
    }
    makeHistoryFiles(*this);
    saveWindowSettings();
    if (running)
        writeDataFolder();
    return true;
}

// Waits for a save that runs, then saves what is left. A save that fails
// leaves the choice to the user: closing anyway loses the changes since
// the last save, staying open keeps them and tries again with the ticks.
bool DesktopApp::finalSave()
{
    SaveState& saving = session_->saveState();
    if (saving.doNotSave || session_->access().dontSave())
        return true;
    WaitCursor wait;
    saveThread_.join();
    SaveOutcome outcome;
    {
        BackgroundWork::Hold hold = backgroundWork_.hold();
        outcome = session_->save();
    }
    if (outcome.ok())
        return true;
    return messages_->question(kSaveFailedOnExitText) == Answer::Yes;
}

// Not while starting: the catalogue is not read yet, and writing it would
// overwrite the user's settings with defaults.
void DesktopApp::saveWindowSettings()
{
    if (state_.initialising || !session_ || !session_->isOpen())
        return;
    BackgroundWork::Hold hold = backgroundWork_.tryHold();
    if (!hold)
        return;  // a save runs; the next move or minute saves them
    takeWindowGeometry();
    zk::saveWindowSettings(preferences_, session_->schedule().header, settings_);
}

void DesktopApp::takeWindowGeometry()
{
    UserWindowRow& row = preferences_.windowRow();
    const std::uint16_t shown = WindowFlag::maximised | WindowFlag::minimised;
    row.windowFlags &= ~shown;
    if (window_->isMaximized())
        row.windowFlags |= WindowFlag::maximised;
    if (window_->isMinimized())
        row.windowFlags |= WindowFlag::minimised;
    // A maximised or minimised window keeps the rectangle it returns to.
    const QRect r = window_->isMaximized() || window_->isMinimized() ? window_->normalGeometry() : window_->geometry();
    if (r.width() > 0 && r.height() > 0)
        row.mainWindow = {r.x(), r.y(), r.width(), r.height()};
}

// The dialog works on a copy of the header, so a save on its thread never
// reads a header the dialog is writing; each change goes into the
// schedule's own header under the background-work lock, with change access.
void DesktopApp::openPreferences()
{
    if (state_.initialising)
        return;
    {
        BackgroundWork::Hold hold = backgroundWork_.holdForChange(*messages_);
        preferencesHeader_ = session_->schedule().header;
    }
    PreferencesDialog dialog(preferences_, settings_, [this]() -> ScheduleHeader& { return preferencesHeader_; },
                             window_.get());
    connect(&dialog, &PreferencesDialog::headerChanged, this, &DesktopApp::headerPreferenceChanged);
    connect(&dialog, &PreferencesDialog::settingChanged, this, &DesktopApp::refreshDayPane);
    connect(&dialog, &PreferencesDialog::interfaceModeChanged, this, [this] {
        headerPreferenceChanged();
        commands_->applyScheduleMode();
    });
    dialog.exec();
    notes_->preferencesChanged();
}

void DesktopApp::saveSettingsNow()
{
    if (state_.initialising)
        return;
    BackgroundWork::Hold hold = backgroundWork_.holdForChange(*messages_);
    zk::saveWindowSettings(preferences_, session_->schedule().header, settings_);
}

void DesktopApp::openPlaceSettings(int command)
{
    if (state_.initialising)
        return;
    std::unique_ptr<QDialog> dialog;
    if (command == Command::geoPosition)
        dialog = std::make_unique<GeoPositionDialog>(preferences_, *messages_, window_.get());
    else
        dialog = std::make_unique<TideLocationDialog>(preferences_, *messages_, window_.get());
    if (dialog->exec() != QDialog::Accepted)
        return;
    {
        BackgroundWork::Hold hold = backgroundWork_.holdForChange(*messages_);
        zk::saveWindowSettings(preferences_, session_->schedule().header, settings_);
    }
    refreshDayPane();
}

// Only the words the dialog sets: the rest of the header may have moved on
// with saves and reloads while it was open.
void DesktopApp::headerPreferenceChanged()
{
    BackgroundWork::Hold hold = backgroundWork_.holdForChange(*messages_);
    if (!session_->access().requestChangeAccess()) {
        preferencesHeader_ = session_->schedule().header;
        return;
    }
    ScheduleHeader& header = session_->schedule().header;
    // Autobalance, Marval Prioritization and the like decide where floating items go.
    if (header.u32(ScheduleHeader::optionWordAt) != preferencesHeader_.u32(ScheduleHeader::optionWordAt))
        requestRebalance(*session_);
    header.setU32(ScheduleHeader::optionWordAt, preferencesHeader_.u32(ScheduleHeader::optionWordAt));
    header.setInterfaceMode(preferencesHeader_.interfaceMode());
    session_->schedule().dirty = true;
    if (&session_->schedule() == shownSchedule_)
        showViewedDay();
}

bool DesktopApp::requestChangeAccess()
{
    BackgroundWork::Hold hold = backgroundWork_.holdForChange(*messages_);
    return session_->access().requestChangeAccess();
}

void DesktopApp::showDay(DayNumber day)
{
    state_.setViewed(day);
    refreshDayPane();
}

void DesktopApp::writeDataFolder() { settings_.setValue("DataFolder", session_->files().folder().string()); }

void DesktopApp::stopForSignal()
{
    if (terminated_)
        return;
    // Dialogs closed by the stop return through their own event loops;
    // ending the session from inside one would leave it to run on. Before
    // its window exists the session is still starting: start() returns
    // early after the refused questions, or the window comes.
    if (!window_ || QThread::currentThread()->loopLevel() > 1) {
        QTimer::singleShot(50, this, &DesktopApp::stopForSignal);
        return;
    }
    // A start-up worker waiting for an answer gets it at once now.
    startupThread_.join();
    if (terminated_)
        return;
    bool running = session_ && session_->isOpen() && !state_.initialising;
    state_.exiting = true;
    // A save that fails asks whether to close anyway: the stopped presenter
    // answers, and the session ends either way, as it was told to.
    if (running)
        finalSave();
    saveWindowSettings();
    if (running)
        writeDataFolder();
    terminate();
}

void DesktopApp::terminate()
{
    if (terminated_)
        return;
    terminated_ = true;
    timer_.stop();
    if (timers_)
        timers_->closeWindows();
    closeModelessWindows();
    startupThread_.join();
    saveThread_.join();
    if (commands_)
        commands_->balancing().waitForRun();
    if (session_)
        session_->close();
    if (faultCleanup_) {
        removeFaultCleanup(faultCleanup_);
        faultCleanup_ = 0;
    }
    guard_.reset();
    emit finished(startupFailed_ ? 1 : 0);
}

} // namespace zk
