#include "shell/findcommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/balancecommands.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/listviewcommands.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "views/findwindow.h"
#include "views/listpane.h"
#include "views/schedulesarea.h"

#include <QApplication>
#include <QCursor>

namespace zk {

FindCommands::FindCommands(DesktopApp& app, DesktopCommands& commands) : app_(app), commands_(commands)
{
    CommandDispatcher& dispatcher = commands_.dispatcher();
    for (int command : {kFindCommand, kFindFileCommand})
        dispatcher.setHandler(command, [this](int) { openWindow(); });
    dispatcher.setHandler(kRepeatFindCommand, [this](int) { search(FindMode::Next); });
    dispatcher.setHandler(kEarlierFindCommand, [this](int) { search(FindMode::Prior); });
}

FindCommands::~FindCommands()
{
    if (window_)
        delete window_.data();
}

FindWindow* FindCommands::window() const { return window_.data(); }

void FindCommands::openWindow()
{
    if (window_) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    window_ = new FindWindow(texts_, [this](FindMode mode) { return search(mode); }, &app_.window());
    window_->show();
}

// While this thread owns the schedule.
FindHooks FindCommands::hooks()
{
    FindHooks hooks;
    const Schedule& schedule = app_.session().schedule();
    ListViewCommands& lists = commands_.lists();
    hooks.hidden = lists.hideTest(schedule, lists.shown() ? lists.view() : commands_.view());
    hooks.noteText = noteReader(schedule, app_.session().files().folder());
    hooks.searchingDay = [this](DayNumber day) {
        if (window_)
            window_->showSearching(QString::fromStdString(shortDate(day, app_.regional())));
    };
    hooks.keepSearching = [this](DayNumber day) {
        const std::string text = std::string(kKeepSearchingText) + "\n\n" + shortDate(day, app_.regional());
        return app_.messages().question(text) == Answer::Yes;
    };
    return hooks;
}

bool FindCommands::search(FindMode mode)
{
    if (app_.initialising())
        return false;
    const FindTexts texts = texts_.trimmed();
    if (texts.empty())
        return false;
    // A balancing run moves entries from day to day under a day search;
    // the list of all items holds still.
    if (commands_.balancing().running() && commands_.view() != Command::allItemsView)
        commands_.dispatcher().dispatch(Command::allItemsView);
    if (commands_.view() == Command::monthView)
        commands_.dispatcher().dispatch(Command::singleView);
    ListViewCommands& lists = commands_.lists();
    SchedulesArea& area = app_.window().schedulesArea();
    const DayNumber viewed = app_.state().viewed();
    FindResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        const FindHooks findHooks = hooks();
        // Only a search that may reach past days can find what the chain
        // does not hold.
        const bool dayView = !lists.shown();
        const bool mayReachPast = schedule.isPastDay(viewed) || (dayView && mode == FindMode::Prior);
        if (std::optional<std::string> none = nothingToFind(schedule, texts, findHooks, walksPlist(lists.view()));
            none && (!mayReachPast || *none == kNoMatchingFluidItemsText)) {
            app_.messages().information(*none);
            return false;
        }
        if (lists.shown()) {
            lists.refresh(schedule);
            result = searchList(schedule, lists.pane().items(), lists.pane().selectedIndex(), mode, texts, findHooks);
        } else {
            std::optional<std::size_t> selected;
            if (std::optional<DraggedEntry> entry = area.selectedEntry(); entry && entry->day == viewed)
                selected = entry->index;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            result = searchDays(schedule, viewed, selected, mode, texts, findHooks);
            QApplication::restoreOverrideCursor();
        }
    }
    if (!result.found) {
        if (!result.message.empty())
            app_.messages().information(result.message);
        return false;
    }
    if (lists.shown()) {
        lists.pane().select(result.listIndex);
        return true;
    }
    ItemHandle item;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        const DayRecord* record = app_.session().schedule().findDay(result.day);
        if (record && result.entryIndex < record->entries().size())
            item = record->entries()[result.entryIndex].item;
    }
    app_.showDay(result.day);
    area.selectItemOn(result.day, item);
    return true;
}

} // namespace zk
