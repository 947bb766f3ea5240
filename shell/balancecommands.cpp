#include "shell/balancecommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "core/text.h"
#include "engine/balancing.h"
#include "engine/carryover.h"
#include "engine/conflicts.h"
#include "engine/interfacemode.h"
#include "engine/placement.h"
#include "engine/workloadshift.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "shell/balancesettingsdialog.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/settings.h"
#include "sharing/session.h"
#include "storage/freeze.h"
#include "views/schedulesarea.h"

#include <QApplication>
#include <QProgressDialog>

namespace zk {

namespace {

constexpr int kBalanceWorkloadCommand = 974;
constexpr int kLessWorkloadCommand = 397;
constexpr int kMoreWorkloadCommand = 398;
constexpr int kOptimizeCommand = 455;
constexpr int kOptimizeFlashMilliseconds = 30;
constexpr int kBalanceSettingsCommand = 394;
constexpr int kVacationCommand = 741;  // the keep-clear dates are the vacation
const QString kProgressTitle = QStringLiteral("Balance Workload");

// A window that shows how far a long piece of work has come. The work runs
// on this thread without turning the event loop (it holds the schedule),
// so the window paints itself at each step.
class ProgressWindow {
public:
    ProgressWindow(QWidget* parent, const QString& title) : dialog_(parent)
    {
        dialog_.setWindowTitle(title);
        // Modal, setValue() would turn the event loop while the schedule is held.
        dialog_.setWindowModality(Qt::NonModal);
        dialog_.setObjectName(QStringLiteral("progress"));
        dialog_.setCancelButton(nullptr);
        dialog_.setRange(0, 100);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        dialog_.show();
    }
    void step(const QString& label, int percent)
    {
        if (percent == shown_ && !label_.isEmpty())
            return;
        shown_ = percent;
        label_ = label;
        dialog_.setLabelText(label);
        dialog_.setValue(percent);
        dialog_.repaint();
    }

private:
    QProgressDialog dialog_;
    QString label_;
    int shown_ = -1;
};

// "%ld. %.45s", cut on a character boundary.
QString itemLine(std::size_t number, const std::string& description)
{
    return QString::number(number) + QStringLiteral(". ") + QString::fromStdString(std::string(utf8Prefix(description, 45)));
}

} // namespace

BalanceCommands::BalanceCommands(DesktopApp& app) : app_(app) {}

BalanceCommands::~BalanceCommands() { thread_.join(); }

void BalanceCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(kBalanceWorkloadCommand, [this](int) { balanceCommand(); });
    dispatcher.setHandler(kLessWorkloadCommand, [this](int) { shiftWorkload(true); });
    dispatcher.setHandler(kMoreWorkloadCommand, [this](int) { shiftWorkload(false); });
    dispatcher.setHandler(kOptimizeCommand, [this](int) { optimize(); });
    dispatcher.setHandler(kBalanceSettingsCommand, [this](int) { openSettings(); });
    dispatcher.setHandler(kVacationCommand, [this](int) { openSettings(); });
}

void BalanceCommands::waitForRun() { thread_.join(); }

bool BalanceCommands::mayRun()
{
    if (app_.initialising() || app_.state().exiting || app_.state().readOnly)
        return false;
    Session& session = app_.session();
    return session.isOpen() && !session.editing() && session.access().mayChangeNow();
}

// --- runs ------------------------------------------------------------------------------

void BalanceCommands::balanceCommand()
{
    if (!mayRun())
        return;
    waitForRun();
    app_.session().rebalance().force();
    ItemHandle excluded = app_.commands().selectedItem();
    std::vector<std::string> texts;
    DayNumber undone;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        undone = earliestUndonePastDay(app_.session().schedule(), app_.today());
        if (undone.isNone())
            texts = run(RunKind::Command, excluded);
    }
    if (!undone.isNone()) {
        remindOfPastDays(undone);
        return;
    }
    report(texts);
    app_.showDay(app_.state().viewed());
}

// Past days hold undone items: they come first, as what is carried over
// changes the load. Asked at once, but never while the question is open.
void BalanceCommands::remindOfPastDays(DayNumber undone)
{
    app_.session().rebalance().clearForced();
    if (reminding_)
        return;
    reminding_ = true;
    const Answer answer = app_.messages().question(kUndoneReminderText);
    reminding_ = false;
    if (answer == Answer::Yes)
        app_.showDay(undone);
}

void BalanceCommands::tick(bool nearMinuteBoundary)
{
    if (app_.initialising() || app_.state().exiting)
        return;
    thread_.reap();
    if (thread_.running())
        return;
    RebalanceRequest& request = app_.session().rebalance();
    const bool forced = request.forced();
    if (!forced && (!request.requested() || nearMinuteBoundary))
        return;
    const ItemHandle excluded = app_.commands().selectedItem();
    bool inBackground = false;
    DayNumber undone;
    std::vector<std::string> texts;
    {
        // The tick never waits: a save that holds the schedule leaves the
        // run to a later tick.
        BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
        if (!hold)
            return;
        if (!forced && !headerOption(app_.session().schedule().header, HeaderOption::Autobalance))
            return;
        if (!mayRun())
            return;
        // An automatic run simply waits until past days are dealt with.
        undone = earliestUndonePastDay(app_.session().schedule(), app_.today());
        if (!undone.isNone() && !forced)
            return;
        if (undone.isNone() && !app_.session().access().requestChangeAccess())
            return;
        inBackground = !forced && app_.state().backgroundThreadsAllowed;
        if (!inBackground && undone.isNone())
            texts = run(forced ? RunKind::Command : RunKind::Automatic, excluded);
    }
    if (!undone.isNone()) {
        remindOfPastDays(undone);
        return;
    }
    if (inBackground) {
        startBackgroundRun(excluded);
        return;
    }
    report(texts);
    app_.showDay(app_.state().viewed());
}

void BalanceCommands::startBackgroundRun(ItemHandle excluded)
{
    thread_.start([this, excluded] {
        std::vector<std::string> texts;
        {
            BackgroundWork::Hold hold = app_.backgroundWork().hold();
            texts = run(RunKind::Background, excluded);
        }
        // Shown and repainted on the user-interface thread, once the lock
        // is free again.
        QMetaObject::invokeMethod(
            &app_,
            [&app = app_, texts = std::move(texts)] {
                for (const std::string& text : texts)
                    app.messages().error(text);
                app.showDay(app.state().viewed());
            },
            Qt::QueuedConnection);
    });
}

// With the background-work lock held. A background run keeps the messages
// it would show (reports of the placement included) for later.
std::vector<std::string> BalanceCommands::run(RunKind kind, ItemHandle excluded)
{
    std::vector<std::string> texts;
    Session& session = app_.session();
    if (!session.isOpen())
        return texts;
    Schedule& schedule = session.schedule();
    if (!schedule.items.isLive(excluded))
        excluded = kNoItem;
    session.saveState().balancing = true;
    if (kind != RunKind::Background)  // widgets belong to the user-interface thread
        app_.window().setStatusText(QString::fromLatin1(kBackgroundProcessingText));

    const PlacementContext context{app_.today(), app_.now()};
    BalanceOptions options;
    options.forced = kind == RunKind::Command || session.rebalance().forced();
    options.excluded = excluded;
    std::unique_ptr<ProgressWindow> progress;
    if (kind != RunKind::Background && chooseBalanceMode(schedule, context, options.forced) == BalanceMode::Full) {
        progress = std::make_unique<ProgressWindow>(&app_.window(), kProgressTitle);
        options.progress = [&](std::size_t number, std::size_t count, ItemHandle item) {
            progress->step(itemLine(number, schedule.description(item)), static_cast<int>(100 * number / count));
        };
    }
    Messages* attached = schedule.messages();
    const std::size_t keptBefore = schedule.unreportedTexts().size();
    if (kind == RunKind::Background)
        schedule.setMessages(nullptr);
    BalanceOutcome outcome = balanceWorkload(schedule, context, options);
    if (kind == RunKind::Background) {
        schedule.setMessages(attached);
        const auto& kept = schedule.unreportedTexts();
        texts.assign(kept.begin() + static_cast<std::ptrdiff_t>(std::min(keptBefore, kept.size())), kept.end());
    }
    session.rebalance().clear();
    if (outcome.zeroDayWindow)
        texts.push_back(kZeroDayLengthText);
    for (const UnscheduledItem& u : outcome.unscheduled)
        texts.push_back(notScheduledText(schedule, u.item));
    session.saveState().balancing = false;
    return texts;
}

void BalanceCommands::report(const std::vector<std::string>& texts)
{
    for (const std::string& text : texts)
        app_.messages().error(text);
}

// --- one day's load ---------------------------------------------------------------------

void BalanceCommands::shiftWorkload(bool less)
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    waitForRun();
    const DayNumber day = app_.state().viewed();
    WorkloadShift shift;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Placement placement(app_.session().schedule(), PlacementContext{app_.today(), app_.now()}, &app_.messages());
        shift = less ? lessWorkload(placement, day) : moreWorkload(placement, day);
    }
    if (!shift.item)
        QApplication::beep();
    app_.showDay(day);
    if (shift.item && day == shift.to)
        app_.window().schedulesArea().selectItemOn(shift.to, shift.item);
}

void BalanceCommands::optimize()
{
    if (app_.initialising() || app_.state().readOnly || app_.session().editing() || thread_.running()) {
        QApplication::beep();
        return;
    }
    int swaps = 0;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        if (isLiteMode(schedule.header))
            return;
        Placement placement(schedule, PlacementContext{app_.today(), app_.now()}, &app_.messages());
        swaps = optimizeToday(placement);
    }
    if (swaps == 0)
        QApplication::beep();
    app_.showDay(app_.state().viewed());
    // The whole allowance used: the day may want another pass.
    if (swaps >= kMostOptimizeSwaps)
        app_.window().schedulesArea().flashStatusLine(kOptimizeFlashMilliseconds);
}

// --- the settings -----------------------------------------------------------------------

void BalanceCommands::openSettings()
{
    if (app_.initialising())
        return;
    BalanceFormValues values;
    EntryContext context;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        values.settings = balanceSettings(app_.session().schedule().header);
        context = app_.session().entryContext();
    }
    values.marvalSense = app_.preferences().value(IntSetting::MarvalSense);
    auto freezeNow = [this] {
        {
            BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
            if (!app_.session().access().requestChangeAccess())
                return;
            zk::freeze(app_.session().schedule(), app_.session().saving(), systemFileSystem(), app_.messages(),
                       Confirmation::Ask);
        }
        requestRebalance(app_.session());
        app_.showDay(app_.state().viewed());
    };
    const QString freezeText =
        QString::fromLatin1(freezeButtonText(app_.session().files(), systemFileSystem())).prepend(QLatin1Char('&'));
    BalanceSettingsDialog dialog(values, context, app_.messages(), &app_.window(), freezeNow, freezeText);
    if (dialog.exec() != QDialog::Accepted)
        return;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (!app_.session().access().requestChangeAccess())
            return;
        Schedule& schedule = app_.session().schedule();
        BalanceSettings settings = dialog.values().settings;
        // A run may have finished while the dialog was open.
        settings.lastBalanceDay = balanceSettings(schedule.header).lastBalanceDay;
        storeBalanceSettings(schedule.header, settings);
        schedule.dirty = true;
    }
    // The catalogue is written with the window settings, every minute.
    app_.preferences().setValue(IntSetting::MarvalSense, dialog.values().marvalSense);
    requestRebalance(app_.session());
    app_.showDay(app_.state().viewed());
}

// --- conflicts ------------------------------------------------------------------------------

void BalanceCommands::checkConflicts(ItemHandle item)
{
    if (!item || app_.initialising())
        return;
    std::vector<std::string> questions;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        if (!schedule.items.isLive(item) || !headerOption(schedule.header, HeaderOption::ConflictChecking)
            || !isCheckedForConflicts(schedule, item))
            return;
        std::unique_ptr<ProgressWindow> progress;
        if (schedule.record(item).has(ItemFlag::fRecurDef))
            progress = std::make_unique<ProgressWindow>(&app_.window(), QString::fromLatin1(kConflictCheckingTitle));
        const DayNumber today = app_.today();
        std::vector<Conflict> conflicts = collectConflicts(schedule, item, today, [&](DayNumber day) {
            if (progress)
                progress->step(QString::fromStdString(shortDate(day, app_.regional())),
                               100 * (day - today) / kConflictCheckDays);
        });
        questions = conflictQuestions(schedule, conflicts);
    }
    askAboutConflicts(app_.messages(), questions);
}

} // namespace zk
