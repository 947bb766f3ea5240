#pragma once
// The main window's menu bar, toolbar and keys for an interface mode, built
// from the command model (shell/model/menus.h); every menu item, key and
// toolbar button ends in CommandDispatcher::dispatch().
//
// How the main window installs it (once, after creating itself):
//
//   CommandDispatcher dispatcher(messages);          // shell/model/commanddispatch.h
//   dispatcher.setGates({activity, viewAccess, readOnly, changeAccess});
//   CommandMenus menus(window, dispatcher, [&] { return commandState(); });
//   ViewCommands views(navigator);                   // shell/model/navigation.h
//   views.setViewChanged([&](int) { menus.refresh(); });
//   views.install(dispatcher, specificDatePrompt(&window, messages, entryContext));
//   installModeCommands(dispatcher, menus, menuOptions, storeMode);
//   installAboutCommand(dispatcher, &window);
//   if (!menus.applyMode(header.interfaceMode(), menuOptions()))   // start-up's mode step
//       messages.error(unknownModeText(header.interfaceMode()));
//   state.backgroundThreadsAllowed = true;                         // keys are in place
//
// Every key of the mode is an action of the window, so a key works whether
// or not the mode's menus show its command. Opening a menu enables, greys
// and checks its items from the state; on closing every item is enabled
// again, so keys always reach the dispatcher, whose gates decide.
// Rebuilding replaces every action: keep command numbers, not QAction
// pointers, across applyMode(). The window must outlive its CommandMenus.

#include "core/dateparse.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/menus.h"
#include "shell/model/navigation.h"

#include <QKeySequence>
#include <QList>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace zk {

class Messages;

std::string unknownModeText(std::uint32_t interfaceMode);

// The Qt keys of a key chord ("Enter" is both Return and the keypad's Enter).
QList<QKeySequence> keySequences(const KeyChord& key);

class CommandMenus {
public:
    using StateSource = std::function<CommandState()>;

    CommandMenus(QMainWindow& window, CommandDispatcher& dispatcher, StateSource state);
    ~CommandMenus();
    CommandMenus(const CommandMenus&) = delete;
    CommandMenus& operator=(const CommandMenus&) = delete;

    // Menus, toolbar states and keys of the mode; nothing when the mode is
    // the one in place. False for a mode the program does not know: the
    // menus in place stay (the full ones when there were none), and the
    // caller shows unknownModeText() as an error.
    bool applyMode(std::uint32_t interfaceMode, const MenuOptions& options);
    // The same mode again after the options changed (e-mail, the samples).
    void rebuild(const MenuOptions& options);
    std::uint32_t mode() const { return mode_; }
    bool applied() const { return applied_; }

    // A popup of the menu bar by its title without mnemonic ("Surprise",
    // "Worktools", "Schedules"), for the menus filled at run time.
    QMenu* popup(std::string_view title) const;
    QAction* action(int command) const;
    QToolBar* toolBar() const { return toolBar_; }
    // The toolbar's buttons and the open menus from the state again; call
    // when the selection or the view changes.
    void refresh();
    // Runs after every rebuild, so menus filled at run time are filled
    // again; each menu's filler adds its own step.
    void setRebuilt(std::function<void()> rebuilt) { rebuilt_.push_back(std::move(rebuilt)); }

private:
    void build(const MenuOptions& options);
    void clear();
    void createActions();
    QAction* createAction(int command);
    void fillMenu(QMenu& menu, const std::vector<MenuNode>& nodes);
    void buildToolBar();
    void updateMenu(QMenu& menu);
    void enableAll(QMenu& menu);

    QMainWindow& window_;
    CommandDispatcher& dispatcher_;
    StateSource state_;
    std::uint32_t mode_ = 0;
    bool applied_ = false;
    std::map<int, QAction*> actions_;
    std::vector<QPointer<QMenu>> menus_;
    std::vector<QAction*> toolActions_;
    QToolBar* toolBar_ = nullptr;
    std::vector<std::function<void()>> rebuilt_;
};

// Commands 716, 717 and 734: after change access (the dispatcher takes it),
// apply the chosen mode and hand it to store(), which keeps it in the
// schedule header, marks the data dirty and sets the title.
void installModeCommands(CommandDispatcher& dispatcher, CommandMenus& menus, std::function<MenuOptions()> options,
                         std::function<void(std::uint32_t interfaceMode)> store);

// Command 26: the About box with the version and the date of the program
// file as its build date.
void installAboutCommand(CommandDispatcher& dispatcher, QWidget* parent);
std::string aboutText(const std::string& buildDate);

// Asks for the date of "Specific Date..." and reads it as a date entry; an
// entry that is no date says so and asks again.
ViewCommands::DatePrompt specificDatePrompt(QWidget* parent, Messages& messages, std::function<EntryContext()> context);

} // namespace zk
