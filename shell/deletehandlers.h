#pragma once
// The desktop's delete commands: Delete Item (the Delete key, the toolbar's
// Delete, the item dialog's Delete button), Delete All Occurrences,
// Undelete Item, Delete Sample Items, the duplicated occurrences on today
// and Delete everything but. In a day view they act on the selected entry,
// in a list view on the list's selected item. The undelete stack lives here
// for the session.
//
// On the user-interface thread; each command takes the background-work lock
// while it works and repaints afterwards.

#ifndef Q_MOC_RUN
#include "shell/model/deletecommands.h"
#endif

#include <functional>
#include <memory>

namespace zk {

class DesktopApp;
class DesktopCommands;

class DeleteHandlers {
public:
    // What a list view has selected: the item, and whether the view is the
    // Global List; no item when no list view is shown.
    struct ListSelection {
        ItemHandle item;
        bool globalList = false;
        bool shown = false;
    };
    using ListSelector = std::function<ListSelection()>;

    DeleteHandlers(DesktopApp& app, DesktopCommands& commands);
    ~DeleteHandlers();

    void setListSelector(ListSelector selector) { listSelection_ = std::move(selector); }
    // The item dialog's Delete: the item it was opened on, on that day.
    void deleteFromDialog(ItemHandle item, DayNumber day);
    // Whether Delete Sample Items has anything to delete (the menu).
    bool hasSamples();

private:
    void install();
    void run(const std::function<DeleteOutcome(DeleteCommands&)>& command);
    void deleteSelected();
    void deleteAllOccurrences();
    ListSelection listSelection() const;

    DesktopApp& app_;
    DesktopCommands& commands_;
    std::unique_ptr<DeleteCommands> deleting_;
    ListSelector listSelection_;
};

} // namespace zk
