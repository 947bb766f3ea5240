#include "shell/deletehandlers.h"

#include "engine/interfacemode.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/menubar.h"
#include "sharing/session.h"
#include "views/schedulesarea.h"

namespace zk {

DeleteHandlers::DeleteHandlers(DesktopApp& app, DesktopCommands& commands) : app_(app), commands_(commands)
{
    install();
}

DeleteHandlers::~DeleteHandlers() = default;

DeleteHandlers::ListSelection DeleteHandlers::listSelection() const
{
    return listSelection_ ? listSelection_() : ListSelection{};
}

void DeleteHandlers::install()
{
    CommandDispatcher& dispatcher = commands_.dispatcher();
    dispatcher.setHandler(kDeleteItemCommand, [this](int) { deleteSelected(); });
    dispatcher.setHandler(kDeleteAllOccurrencesCommand, [this](int) { deleteAllOccurrences(); });
    dispatcher.setHandler(kUndeleteCommand, [this](int) { run([](DeleteCommands& c) { return c.undelete(); }); });
    dispatcher.setHandler(Command::deleteSampleItems, [this](int) {
        run([](DeleteCommands& c) { return c.deleteSampleItems(); });
        commands_.rebuildMenus();
    });
    dispatcher.setHandler(kDeleteDuplicatesCommand,
                          [this](int) { run([](DeleteCommands& c) { return c.deleteDuplicatesToday(); }); });
    dispatcher.setHandler(kDeleteAllButCommand, [this](int) {
        std::optional<DraggedEntry> entry = app_.window().schedulesArea().selectedEntry();
        run([&](DeleteCommands& c) { return c.deleteAllBut(entry.value_or(DraggedEntry{})); });
    });
}

bool DeleteHandlers::hasSamples()
{
    if (!deleting_)
        deleting_ = std::make_unique<DeleteCommands>(app_.session());
    return deleting_->hasSamples();
}

// Not while starting: the schedule belongs to the start-up worker.
void DeleteHandlers::run(const std::function<DeleteOutcome(DeleteCommands&)>& command)
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    if (!deleting_)
        deleting_ = std::make_unique<DeleteCommands>(app_.session());
    DeleteOutcome outcome;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        outcome = command(*deleting_);
    }
    if (!outcome.changed)
        return;
    const ListSelection list = listSelection();
    app_.showDay(list.shown || outcome.dayToShow.isNone() ? app_.state().viewed() : outcome.dayToShow);
    if (outcome.item && !list.shown)
        app_.window().schedulesArea().selectItemOn(outcome.dayToShow, outcome.item);
    commands_.refresh();
}

void DeleteHandlers::deleteSelected()
{
    const ListSelection list = listSelection();
    if (list.shown) {
        run([&](DeleteCommands& c) { return c.deleteListed(list.item, list.globalList); });
        return;
    }
    std::optional<DraggedEntry> entry = app_.window().schedulesArea().selectedEntry();
    const bool lite = commands_.menus().mode() == InterfaceMode::lite;
    run([&](DeleteCommands& c) { return c.deleteEntry(entry.value_or(DraggedEntry{}), lite); });
}

void DeleteHandlers::deleteAllOccurrences()
{
    const ListSelection list = listSelection();
    ItemHandle item = list.shown ? list.item : app_.window().schedulesArea().selectedItem();
    run([&](DeleteCommands& c) { return c.deleteAllOccurrences(item); });
}

void DeleteHandlers::deleteFromDialog(ItemHandle item, DayNumber day)
{
    if (!item)
        return;
    const bool lite = commands_.menus().mode() == InterfaceMode::lite;
    std::optional<DraggedEntry> entry;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& s = app_.session().schedule();
        if (s.items.isLive(item) && !day.isNone() && s.findDay(day))
            if (std::optional<std::size_t> at = s.entryOf(item, day))
                entry = DraggedEntry{item, day, *at};
    }
    if (entry)
        run([&](DeleteCommands& c) { return c.deleteEntry(*entry, lite); });
    else
        run([&](DeleteCommands& c) { return c.deleteListed(item, false); });
}

} // namespace zk
