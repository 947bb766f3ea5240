#include "shell/donecommands.h"

#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "engine/placement.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/listviewcommands.h"
#include "shell/mainwindow.h"
#include "shell/menubar.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/settings.h"
#include "shell/model/surprise.h"
#include "shell/viewfilters.h"
#include "sharing/session.h"
#include "worktools/worktoolsmenu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace zk {

namespace {

constexpr int kEditSurpriseListCommand = 451;
constexpr DoneHow kDoneCommands[] = {DoneHow::Done,      DoneHow::EndedNow, DoneHow::EndedPreviously,
                                     DoneHow::FitToGap,  DoneHow::Attempted, DoneHow::Partial,
                                     DoneHow::Cancelled, DoneHow::InPast};
const char* const kSurpriseActionName = "surpriseItem";

} // namespace

DoneCommands::DoneCommands(DesktopApp& app, CommandDispatcher& dispatcher, CommandMenus& menus)
    : app_(app), dispatcher_(dispatcher), menus_(menus)
{
    install();
}

void DoneCommands::install()
{
    for (DoneHow how : kDoneCommands)
        dispatcher_.setHandler(static_cast<int>(how), [this](int c) { onSelectedEntry(c); });
    for (int command : {DayWorkCommand::started, DayWorkCommand::startAfterLast, DayWorkCommand::duplicate})
        dispatcher_.setHandler(command, [this](int c) { onSelectedEntry(c); });
    dispatcher_.setHandler(DayWorkCommand::carryOver, [this](int) { carryOver(); });
    dispatcher_.setRangeHandler(Command::firstSurprise, Command::lastSurprise,
                                [this](int c) { insertSurprise(c - Command::firstSurprise); });
    dispatcher_.setHandler(kEditSurpriseListCommand, [this](int) { editSurpriseList(); });
    // The surprise entries are read again each time the menu opens, so an
    // edited list shows without a restart.
    menus_.setRebuilt([this] {
        if (QMenu* menu = menus_.popup("Surprise"))
            QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { fillSurpriseMenu(); });
        fillSurpriseMenu();
    });
}

// --- the selected entry --------------------------------------------------------------

void DoneCommands::onSelectedEntry(int command)
{
    std::optional<DraggedEntry> entry = app_.commands().entryToChange();
    if (!entry)
        return;
    EntryWorkResult result;
    DayNumber copyDay;
    ItemHandle select;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Session& session = app_.session();
        std::optional<DoneHow> how = doneHowOfCommand(command);
        if (how)
            result = markEntryDone(session, *entry, *how);
        else if (command == DayWorkCommand::duplicate)
            result = duplicateEntry(session, *entry);
        else
            result = startEntry(session, *entry, command == DayWorkCommand::startAfterLast);
        if (result.copy && session.schedule().items.isLive(result.copy))
            copyDay = session.schedule().dayOf(result.copy);
        select = how ? selectionAfterDone(session.schedule(), result.day, result.item, afterDone()) : result.item;
    }
    if (!result.changed)
        return;
    showResult(result, select);
    if (result.followUp && result.copy) {
        CommitResult commit;
        ItemDialogRequest request{ItemCommand::define, result.copy, std::nullopt, {}, copyDay};
        if (defineItem(&app_.window(), std::move(request), app_.session(), app_.backgroundWork(), &commit) == 1)
            app_.showDay(app_.state().viewed());
    }
}

// An entry moved to today (a future day's item marked done) shows today.
void DoneCommands::showResult(const EntryWorkResult& result, ItemHandle select)
{
    DayNumber viewed = app_.state().viewed();
    app_.showDay(result.day == app_.today() && viewed > app_.today() ? app_.today() : viewed);
    app_.commands().reselect(result.day, select);
}

// The list views keep their own selection: the rules are the day's.
AfterDone DoneCommands::afterDone()
{
    DesktopCommands& commands = app_.commands();
    AfterDone after;
    after.hideDone = !commands.lists().shown() && commands.filters().hideDoneItems();
    after.autoAdvance = app_.preferences().isOn(IntSetting::AutoAdvance);
    after.singleViewOnToday = commands.view() == Command::singleView && app_.state().viewed() == app_.today();
    after.today = app_.today();
    after.now = app_.now();
    return after;
}

// --- carry-over -------------------------------------------------------------------------

void DoneCommands::carryOver()
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    if (app_.messages().question(carryOverQuestion()) == Answer::No)
        return;
    carryOverNowOrLater();
}

// Background work holding the schedule keeps the carry-over for the tick
// after it has ended.
void DoneCommands::carryOverNowOrLater()
{
    BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
    if (!hold) {
        carryOverPending_ = true;
        return;
    }
    carryOverPending_ = false;
    std::optional<CarryOverResult> carried = carryOverNow(app_.session());
    if (carried)
        app_.showDay(app_.state().viewed());
}

void DoneCommands::runPendingCarryOver()
{
    if (carryOverPending_)
        carryOverNowOrLater();
}

// --- the reminder, the day change and start-up ---------------------------------------------

bool DoneCommands::offerReminder()
{
    if (reminder_.asking())
        return false;
    UndoneReminder::Result result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
        if (!hold)
            return false;  // the next minute
        long minute = static_cast<long>(app_.today().value()) * 1440 + app_.now().value();
        bool active = app_.window().isActiveWindow() || app_.initialising() || app_.state().exiting;
        result = reminder_.check(app_.session(), minute, active);
    }
    switch (result.outcome) {
    case UndoneReminder::Outcome::ShowDay:
        if (app_.window().isMinimized())
            app_.window().showNormal();
        app_.window().raise();
        app_.window().activateWindow();
        dispatcher_.dispatch(Command::singleView);
        app_.showDay(result.day);
        return true;
    case UndoneReminder::Outcome::CarriedOver:
        app_.showDay(app_.state().viewed());
        return false;
    default:
        return false;
    }
}

void DoneCommands::dayChange()
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    if (app_.state().readOnly)
        return;
    runDayChange(app_.session());
}

void DoneCommands::startupDoneWork()
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Session& session = app_.session();
    if (app_.state().readOnly || !dayWorkOptionsOf(session.schedule().header).autoDoneAppointments)
        return;
    if (!session.access().requestChangeAccess())
        return;
    Placement placement(session.schedule(), PlacementContext::at(session.clock()), &session.messages());
    autoDoneAppointments(placement);
}

// --- surprise items ---------------------------------------------------------------------------

void DoneCommands::fillSurpriseMenu()
{
    QMenu* menu = menus_.popup("Surprise");
    if (!menu)
        return;
    for (QAction* old : menu->actions())
        if (old->objectName() == kSurpriseActionName) {
            menu->removeAction(old);
            old->deleteLater();
        }
    surprises_ = readSurpriseList(app_.session().files().folder());
    QAction* before = menu->actions().value(0);
    for (std::size_t i = 0; i < surprises_.size(); ++i) {
        QString text = QString::fromStdString(surprises_[i]).replace('&', "&&");
        auto* action = new QAction(text, menu);
        action->setObjectName(kSurpriseActionName);
        const int command = Command::firstSurprise + static_cast<int>(i);
        QObject::connect(action, &QAction::triggered, action, [this, command] { dispatcher_.dispatch(command); });
        menu->insertAction(before, action);
    }
    if (!surprises_.empty()) {
        QAction* separator = new QAction(menu);
        separator->setSeparator(true);
        separator->setObjectName(kSurpriseActionName);
        menu->insertAction(before, separator);
    }
}

void DoneCommands::insertSurprise(int index)
{
    if (app_.initialising() || app_.state().readOnly || index < 0
        || static_cast<std::size_t>(index) >= surprises_.size())
        return;
    EntryWorkResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = insertSurpriseItem(app_.session(), surprises_[static_cast<std::size_t>(index)], app_.state().viewed());
    }
    if (!result.changed)
        return;
    app_.showDay(app_.today());
    app_.commands().reselect(result.day, result.item);
}

void DoneCommands::editSurpriseList() { app_.worktools().editList(kSurpriseListName); }

} // namespace zk
