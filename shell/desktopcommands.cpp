#include "shell/desktopcommands.h"

#include "shell/clipboardcommands.h"
#include "shell/mailcommands.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/deletehandlers.h"
#include "shell/balancecommands.h"
#include "shell/datafoldercommands.h"
#include "shell/desktopapp.h"
#include "shell/donecommands.h"
#include "shell/exchangecommands.h"
#include "shell/findcommands.h"
#include "shell/listviewcommands.h"
#include "shell/filecommands.h"
#include "shell/pastdaycommands.h"
#include "shell/mainwindow.h"
#include "shell/mobilecommands.h"
#include "shell/menubar.h"
#include "shell/monthcommands.h"
#include "shell/popupcalendar.h"
#include "shell/printcommands.h"
#include "shell/viewfilters.h"
#include "shell/windowcommands.h"
#include "shell/workgroupcommands.h"
#include "shell/propertycommands.h"
#include "shell/model/entrydrop.h"
#include "shell/model/panelines.h"
#include "shell/model/settings.h"
#include "editing/definestatusesdialog.h"
#include "editing/itemdialog.h"
#include "platform/filesystem.h"
#include "storage/statustablefile.h"
#include "views/listpane.h"
#include "views/schedulesarea.h"

#include <QAction>
#include <QMenu>
#include "sharing/session.h"

namespace zk {

namespace {
constexpr int kPreferencesCommand = 634;
constexpr int kGeneralItemCommand = 20;
constexpr int kModifyItemCommand = 19;
constexpr int kViewsStillToCome[] = {
    Command::projectTreeView,
};

ScheduleView scheduleViewOf(int view)
{
    switch (view) {
    case Command::multiPaneView: return ScheduleView::MultiPane;
    case Command::weekView: return ScheduleView::Week;
    default: return ScheduleView::Single;
    }
}
}

DesktopCommands::DesktopCommands(DesktopApp& app)
    : app_(app), dispatcher_(app.messages()), views_(*this)
{
    dispatcher_.setGates({
        .activity = {},
        .viewAccess = [this] { return workgroup_->mayView(); },
        .readOnly = [this] { return app_.state().readOnly.load(); },
        .changeAccess = [this] { return app_.requestChangeAccess(); },
    });
    menus_ = std::make_unique<CommandMenus>(app.window(), dispatcher_, [this] { return commandState(); });
    views_.setViewChanged([this](int) { menus_->refresh(); });
    views_.install(dispatcher_, specificDatePrompt(&app.window(), app.messages(), [this] {
                       BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
                       return app_.session().entryContext();
                   }));
    // The project tree comes with its own window; until then its command
    // says it is not available.
    for (int view : kViewsStillToCome)
        dispatcher_.removeHandler(view);
    installModeCommands(dispatcher_, *menus_, [this] { return menuOptions(); },
                        [this](std::uint32_t mode) { storeMode(mode); });
    installAboutCommand(dispatcher_, &app.window());
    installSessionCommands();
    installFileCommands(dispatcher_, app);
    installPastDayCommands(dispatcher_, app);
    installItemCommands();
    installStatusCommands();
    printing_ = std::make_unique<PrintCommands>(app_);
    printing_->install(dispatcher_);
    exchange_ = std::make_unique<ExchangeCommands>(app_);
    exchange_->install(dispatcher_);
    done_ = std::make_unique<DoneCommands>(app, dispatcher_, *menus_);
    filters_ = std::make_unique<ViewFilters>(app_);
    filters_->install(dispatcher_);
    month_ = std::make_unique<MonthViewCommands>(app_);
    month_->install(dispatcher_);
    popUp_ = std::make_unique<PopUpCalendar>(app_);
    popUp_->install(dispatcher_);
    windowCommands_ = std::make_unique<WindowCommands>(app_);
    windowCommands_->install(dispatcher_);
    deleting_ = std::make_unique<DeleteHandlers>(app_, *this);
    lists_ = std::make_unique<ListViewCommands>(app_, *this);
    finding_ = std::make_unique<FindCommands>(app_, *this);
    deleting_->setListSelector([this] {
        return DeleteHandlers::ListSelection{lists_->selectedItem(), lists_->view() == Command::globalListView,
                                             lists_->shown()};
    });
    balancing_ = std::make_unique<BalanceCommands>(app_);
    balancing_->install(dispatcher_);
    properties_ = std::make_unique<PropertyCommands>(app_, [this](DayNumber day) { views_.showDay(day); });
    properties_->install(dispatcher_);
    installClipboardCommands(dispatcher_, app_, *this);
    dataFolders_ = std::make_unique<DataFolderCommands>(app_);
    dataFolders_->install(dispatcher_);
    mobile_ = std::make_unique<MobileCommands>(app_);
    mobile_->install(dispatcher_);
    workgroup_ = std::make_unique<WorkgroupCommands>(app_);
    workgroup_->install(dispatcher_, *menus_);
    mail_ = std::make_unique<MailCommands>(app_);
    mail_->install(dispatcher_);
    connectSchedulesArea();
}

DesktopCommands::~DesktopCommands() = default;

void DesktopCommands::applyScheduleMode()
{
    std::uint32_t mode;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        mode = app_.session().schedule().header.interfaceMode();
    }
    if (!menus_->applyMode(mode, menuOptions()))
        app_.messages().error(unknownModeText(mode));
}

void DesktopCommands::applyScheduleViewLayout()
{
    ViewLayout layout;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        layout = viewLayoutOf(app_.session().schedule().header);
    }
    app_.window().schedulesArea().setViewLayout(layout);
}

void DesktopCommands::refresh() { menus_->refresh(); }

void DesktopCommands::rebuildMenus() { menus_->rebuild(menuOptions()); }

void DesktopCommands::installSessionCommands()
{
    auto closeWindow = [this](int) { app_.window().close(); };
    dispatcher_.setHandler(Command::exit, closeWindow);
    dispatcher_.setHandler(Command::quit, closeWindow);
    dispatcher_.setHandler(kPreferencesCommand, [this](int) { app_.openPreferences(); });
    for (int command : {Command::geoPosition, Command::tideLocation})
        dispatcher_.setHandler(command, [this](int c) { app_.openPlaceSettings(c); });
    // The keys that move the selection and scroll the current pane.
    for (PaneCommand command : {PaneCommand::PriorItem, PaneCommand::NextItem, PaneCommand::PageUp,
                                PaneCommand::PageDown, PaneCommand::TopPage, PaneCommand::BottomPage,
                                PaneCommand::ScrollUp, PaneCommand::ScrollDown})
        dispatcher_.setHandler(static_cast<int>(command),
                               [this](int c) { app_.window().schedulesArea().command(static_cast<PaneCommand>(c)); });
}

// --- items -----------------------------------------------------------------------------

void DesktopCommands::installItemCommands()
{
    for (int command : {ItemCommand::task, ItemCommand::appointment, ItemCommand::appointment2,
                        ItemCommand::multiDayEvent, ItemCommand::memo, ItemCommand::birthday, ItemCommand::anniversary,
                        ItemCommand::holiday, ItemCommand::vacation, ItemCommand::project, ItemCommand::cashFlow,
                        ItemCommand::list})
        dispatcher_.setHandler(command, [this](int c) { defineItem(c, kNoItem); });
    dispatcher_.setHandler(kGeneralItemCommand, [this](int) { defineGeneralItem(); });
    dispatcher_.setHandler(kModifyItemCommand, [this](int c) { modifySelectedItem(c); });
    dispatcher_.setHandler(ItemCommand::modifyAllOccurrences, [this](int c) { modifySelectedItem(c); });
    for (int command : entryActionCommands())
        dispatcher_.setHandler(command, [this](int c) { actOnSelectedEntry(*entryActionOfCommand(c)); });
    // Next and Prior Schedule, Next and Prior Week: the selected entry moves
    // as a drag to that day's pane moves it.
    for (auto [command, days] : {std::pair{Command::nextSchedule, 1}, {Command::priorSchedule, -1},
                                 {Command::entryNextWeek, 7}, {Command::entryPriorWeek, -7}})
        dispatcher_.setHandler(command, [this, days = days](int) {
            if (std::optional<DraggedEntry> entry = selectedEntry(); entry && !entry->day.isNone())
                dropEntry(*entry, DropPlace{entry->day + days});
        });
}

void DesktopCommands::connectSchedulesArea()
{
    SchedulesArea& area = app_.window().schedulesArea();
    QObject::connect(&area, &SchedulesArea::openItemRequested, &area,
                     [this](ItemHandle item, DayNumber day) { defineItem(ItemCommand::define, item, day); });
    QObject::connect(&area, &SchedulesArea::insertItemRequested, &area, [this](DayNumber) { defineGeneralItem(); });
    QObject::connect(&area, &SchedulesArea::statusMenuRequested, &area,
                     [this](ItemHandle, QPoint at) { showStatusMenu(at); });
    QObject::connect(&area, &SchedulesArea::selectionChanged, &area, [this](ItemHandle) { refresh(); });
    QObject::connect(&area, &SchedulesArea::entryDropRequested, &area,
                     [this](DraggedEntry entry, DropPlace place) { dropEntry(entry, place); });
    QObject::connect(&area, &SchedulesArea::heldTimeToggleRequested, &area,
                     [this](ItemHandle, DayNumber) { actOnSelectedEntry(EntryAction::HoldTime); });
    area.setDragAllowed([this] { return !app_.initialising() && !app_.state().readOnly; });
}

void DesktopCommands::dropEntry(const DraggedEntry& entry, const DropPlace& place)
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    DropResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = zk::dropEntry(app_.session(), entry, place);
    }
    if (result.outcome != DropOutcome::Moved)
        return;
    app_.showDay(viewedDay());
    reselect(result.day, result.item);
}

void DesktopCommands::actOnSelectedEntry(EntryAction action)
{
    std::optional<DraggedEntry> entry = entryToChange();
    if (!entry)
        return;
    const StepSize size =
        app_.preferences().value(IntSetting::KeyIncre1min) ? StepSize::OneMinute : StepSize::FiveMinutes;
    EntryActionResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = runEntryAction(app_.session(), action, *entry, viewedDay(), size);
    }
    if (result.rebalanceRequested)
        requestRebalance(app_.session());
    if (!result.item)
        return;
    app_.showDay(viewedDay());
    reselect(result.day, result.item);
}

// Not while starting: the schedule belongs to the start-up worker.
void DesktopCommands::defineItem(int command, ItemHandle item, DayNumber day)
{
    if (app_.initialising())
        return;
    ItemDialogRequest request{command, item, std::nullopt, {}, day.isNone() ? viewedDay() : day, &itemDialogTools_};
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (command == ItemCommand::define && !item)
            request.preset = app_.session().schedule().templateItem;
    }
    CommitResult result;
    const int answer = zk::defineItem(&app_.window(), std::move(request), app_.session(), app_.backgroundWork(), &result);
    if (answer == kItemDialogDeleted)
        deleting_->deleteFromDialog(item, day.isNone() ? viewedDay() : day);
    if (answer != 1)
        return;
    if (result.rebalanceRequested)
        requestRebalance(app_.session());
    balancing_->checkConflicts(result.item);
    app_.showDay(result.dayToShow.isNone() ? viewedDay() : result.dayToShow);
}

// A new item of no preset kind starts from the template.
void DesktopCommands::defineGeneralItem() { defineItem(ItemCommand::define, kNoItem); }

// The entry's day tells which occurrence of a recurring item is opened.
void DesktopCommands::modifySelectedItem(int command)
{
    SchedulesArea& area = app_.window().schedulesArea();
    if (ItemHandle item = selectedItem())
        defineItem(command, item, lists_->shown() ? kNoDay : area.currentPane().day());
}

ItemHandle DesktopCommands::selectedItem() const
{
    return lists_ && lists_->shown() ? lists_->selectedItem() : app_.window().schedulesArea().selectedItem();
}

std::optional<DraggedEntry> DesktopCommands::selectedEntry()
{
    return lists_->shown() ? lists_->selectedEntry() : app_.window().schedulesArea().selectedEntry();
}

std::optional<DraggedEntry> DesktopCommands::entryToChange()
{
    if (app_.initialising() || app_.state().readOnly)
        return std::nullopt;
    return selectedEntry();
}

void DesktopCommands::reselect(DayNumber day, ItemHandle item)
{
    if (lists_->shown())
        lists_->pane().selectItem(item);
    else
        app_.window().schedulesArea().selectItemOn(day, item);
}

// --- statuses --------------------------------------------------------------------------

void DesktopCommands::installStatusCommands()
{
    dispatcher_.setHandler(kStatusMenuCommand, [this](int) { showStatusMenu(std::nullopt); });
    dispatcher_.setRangeHandler(kFirstSetStatusCommand, kFirstSetStatusCommand + kStatusCount - 1,
                                [this](int command) { setSelectedStatus(command - kFirstSetStatusCommand); });
    dispatcher_.setHandler(kDefineStatusesCommand, [this](int) { defineStatuses(); });
}

// The host is used with the background-work lock already held.
StatusMenuHost DesktopCommands::statusMenuHost()
{
    StatusMenuHost host;
    host.schedule = [this] { return &app_.session().schedule(); };
    host.selectedItem = [this] { return selectedItem(); };
    host.requestChangeAccess = [this] { return app_.session().access().requestChangeAccess(); };
    host.statusChanged = [](StatusChange) {};
    host.defineStatuses = [this] { defineStatuses(); };
    host.clock = &app_.clock();
    return host;
}

// The menu is filled under the lock and shown without it, so saves go on
// while it is open; the choice then takes the command road.
void DesktopCommands::showStatusMenu(std::optional<QPoint> globalPosition)
{
    if (app_.initialising())
        return;
    QMenu menu(&app_.window());
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (!fillStatusMenu(menu, app_.statuses(), statusMenuHost()))
            return;
    }
    const QPoint at = globalPosition.value_or(app_.window().mapToGlobal(app_.window().rect().center()));
    if (QAction* chosen = menu.exec(at))
        dispatcher_.dispatch(chosen->data().toInt());
}

void DesktopCommands::setSelectedStatus(int status)
{
    if (app_.initialising())
        return;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        zk::setSelectedItemStatus(statusMenuHost(), status);
    }
    app_.showDay(viewedDay());
}

void DesktopCommands::defineStatuses()
{
    if (app_.initialising())
        return;  // the start-up worker is loading the table
    const StatusTableFile file{app_.session().files().folder(), systemFileSystem(), app_.messages()};
    DefineStatusesDialog dialog(app_.statuses(), app_.preferences(),
                                [file](const StatusTable& table) { return saveStatusTable(table, file); },
                                &app_.window());
    if (dialog.exec() == QDialog::Accepted)
        app_.showDay(viewedDay());
}

// --- the menus' state ---------------------------------------------------------------------

CommandState DesktopCommands::commandState()
{
    CommandState state;
    state.interfaceMode = menus_->applied() ? menus_->mode() : state.interfaceMode;
    state.view = views_.view();
    state.readOnly = app_.state().readOnly;
    state.hasSelection = static_cast<bool>(selectedItem());
    const Settings& settings = app_.preferences();
    state.tilingCommand = settings.windowRow().tilingCommand;
    state.noteBrowsing = settings.windowRow().noteBrowsing != 0;
    state.hideDoneItems = settings.windowRow().hideDoneItems != 0;
    state.cashFlowOnly = filters_ && filters_->cashFlowOnly();
    state.popUpColours = !popUp_ || popUp_->colourUtilisation();
    state.settings = &settings;
    return state;
}

MenuOptions DesktopCommands::menuOptions()
{
    return MenuOptions{.email = app_.preferences().isOn(IntSetting::email), .samplesGone = deleting_ && !deleting_->hasSamples()};
}

// The mode travels with the data file: it is saved with the schedule.
void DesktopCommands::storeMode(std::uint32_t mode)
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule& schedule = app_.session().schedule();
    schedule.header.setInterfaceMode(mode);
    schedule.dirty = true;
}

// --- the navigator ------------------------------------------------------------------

DayNumber DesktopCommands::today() const { return app_.today(); }
DayNumber DesktopCommands::viewedDay() const { return app_.state().viewed(); }
void DesktopCommands::setViewedDay(DayNumber day) { app_.showDay(day); }
// The week view lays its panes out again around the day it is given.
void DesktopCommands::moveWeekPanes(int days) { app_.showDay(viewedDay() + days); }
void DesktopCommands::rebuildWeekOn(DayNumber day) { app_.showDay(day); }
int DesktopCommands::paneCount() const { return app_.window().schedulesArea().paneCount(); }
int DesktopCommands::currentPane() const { return app_.window().schedulesArea().currentPaneIndex(); }
void DesktopCommands::setCurrentPane(int pane) { app_.window().schedulesArea().setCurrentPane(pane); }
void DesktopCommands::selectFirstEntry() { app_.window().schedulesArea().command(PaneCommand::TopPage); }

void DesktopCommands::setView(int view)
{
    app_.window().schedulesArea().setView(scheduleViewOf(view));
    app_.window().showMonthView(view == Command::monthView);
    if (view == Command::monthView)
        month_->entered();
    popUp_->viewChanged(view);
    lists_->setView(view);
    app_.showDay(viewedDay());
}

void DesktopCommands::setMultiPaneCount(int count)
{
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        ScheduleHeader& header = app_.session().schedule().header;
        ViewLayout layout = viewLayoutOf(header);
        layout.paneCount = count;
        storeViewLayout(header, layout);
        app_.session().schedule().dirty = true;
    }
    applyScheduleViewLayout();
}

} // namespace zk
