#pragma once
// The main window's commands for a desktop session: the dispatcher, the
// mode's menus, keys and toolbar, and the commands this session carries
// out itself (views and days, the modes, Preferences, Exit, About, the
// item dialog, the statuses, printing, dragged entries). The schedules area's requests (open an item,
// insert one, the status menu) take the same road. Other modules add
// theirs with dispatcher().setHandler().
//
// Everything here runs on the user-interface thread. The schedule is read
// and changed only under the background-work lock, taken for each command.

#ifndef Q_MOC_RUN
#include "shell/model/commanddispatch.h"
#include "shell/model/entryactions.h"
#include "shell/model/menus.h"
#include "shell/model/navigation.h"
#endif

#ifndef Q_MOC_RUN
#include "editing/itemdialog.h"
#include "editing/statusmenu.h"
#endif

#include <QPoint>

#include <cstdint>
#include <memory>
#include <optional>

namespace zk {

class BalanceCommands;
class DataFolderCommands;
class MobileCommands;
class MailCommands;
class CommandMenus;
class DeleteHandlers;
class DesktopApp;
class DoneCommands;
class FindCommands;
class ListViewCommands;
class PrintCommands;
class ExchangeCommands;
class MonthViewCommands;
class PopUpCalendar;
class WindowCommands;
class ViewFilters;
class WorkgroupCommands;
class PropertyCommands;
struct DraggedEntry;
struct DropPlace;

class DesktopCommands final : private ViewNavigator {
public:
    explicit DesktopCommands(DesktopApp& app);
    ~DesktopCommands() override;

    // The interface mode of the schedule header: its menus, keys and
    // toolbar. An unknown mode says so and keeps the menus in place.
    void applyScheduleMode();
    // The week view's days and the multi-pane count, kept in the header.
    void applyScheduleViewLayout();
    // Menus and toolbar states from the state again (selection, view).
    void refresh();

    CommandDispatcher& dispatcher() { return dispatcher_; }
    CommandMenus& menus() { return *menus_; }
    int view() const { return views_.view(); }
    PrintCommands& printing() { return *printing_; }
    ExchangeCommands& exchange() { return *exchange_; }
    DoneCommands& done() { return *done_; }
    ViewFilters& filters() { return *filters_; }
    MonthViewCommands& month() { return *month_; }
    PopUpCalendar& popUpCalendar() { return *popUp_; }
    WindowCommands& windowCommands() { return *windowCommands_; }
    DeleteHandlers& deleting() { return *deleting_; }
    ListViewCommands& lists() { return *lists_; }
    FindCommands& finding() { return *finding_; }
    BalanceCommands& balancing() { return *balancing_; }
    DataFolderCommands& dataFolders() { return *dataFolders_; }
    MobileCommands& mobile() { return *mobile_; }
    WorkgroupCommands& workgroup() { return *workgroup_; }
    MailCommands& mail() { return *mail_; }
    // The menus again, after an option they depend on changed.
    void rebuildMenus();
    // What the commands on the selected item act on: the list view's
    // selected item while a list is shown, else the selected entry's.
    ItemHandle selectedItem() const;
    std::optional<DraggedEntry> selectedEntry();
    // The entry a command on the selection changes; none while starting
    // or read-only. A listed item on no day comes with no day.
    std::optional<DraggedEntry> entryToChange();
    // After a command: the item selected again where the user sees it, in
    // the list while one is shown, else on the day's pane.
    void reselect(DayNumber day, ItemHandle item);
    // What the item dialog's Alarm and Notes buttons open.
    ItemDialogTools& itemDialogTools() { return itemDialogTools_; }

private:
    CommandState commandState();
    MenuOptions menuOptions();
    void storeMode(std::uint32_t mode);
    void installSessionCommands();
    void installItemCommands();
    void installStatusCommands();
    void connectSchedulesArea();

    // The item dialog; the day it leaves the item on is shown. `day`: the
    // entry's day (none: the viewed day).
    void defineItem(int command, ItemHandle item, DayNumber day = kNoDay);
    void defineGeneralItem();
    void modifySelectedItem(int command);
    void showStatusMenu(std::optional<QPoint> globalPosition);
    void setSelectedStatus(int status);
    void defineStatuses();
    StatusMenuHost statusMenuHost();
    // An entry dragged in the schedules area and let go: moved there.
    void dropEntry(const DraggedEntry& entry, const DropPlace& place);
    void actOnSelectedEntry(EntryAction action);

    // --- the navigator: the schedules area ---
    DayNumber today() const override;
    DayNumber viewedDay() const override;
    void setViewedDay(DayNumber day) override;
    void moveWeekPanes(int days) override;
    void rebuildWeekOn(DayNumber day) override;
    int paneCount() const override;
    int currentPane() const override;
    void setCurrentPane(int pane) override;
    void selectFirstEntry() override;
    void setView(int view) override;
    void setMultiPaneCount(int count) override;

    DesktopApp& app_;
    CommandDispatcher dispatcher_;
    std::unique_ptr<CommandMenus> menus_;
    ViewCommands views_;
    std::unique_ptr<PrintCommands> printing_;
    std::unique_ptr<ExchangeCommands> exchange_;
    std::unique_ptr<DoneCommands> done_;
    std::unique_ptr<ViewFilters> filters_;
    std::unique_ptr<MonthViewCommands> month_;
    std::unique_ptr<PopUpCalendar> popUp_;
    std::unique_ptr<WindowCommands> windowCommands_;
    std::unique_ptr<DeleteHandlers> deleting_;
    std::unique_ptr<ListViewCommands> lists_;
    std::unique_ptr<FindCommands> finding_;
    ItemDialogTools itemDialogTools_;
    std::unique_ptr<BalanceCommands> balancing_;
    std::unique_ptr<PropertyCommands> properties_;
    std::unique_ptr<DataFolderCommands> dataFolders_;
    std::unique_ptr<MobileCommands> mobile_;
    std::unique_ptr<WorkgroupCommands> workgroup_;
    std::unique_ptr<MailCommands> mail_;
};

} // namespace zk
