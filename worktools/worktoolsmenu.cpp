#include "worktools/worktoolsmenu.h"

#include "platform/programlauncher.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/menubar.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/commands.h"
#include "engine/interfacemode.h"
#include "sharing/session.h"

#include <QAction>
#include <QMenu>

namespace zk {

namespace {

const char* const kWorktoolActionName = "worktool";

} // namespace

WorktoolsMenu::WorktoolsMenu(DesktopApp& app, ProgramLauncher* launcher)
    : app_(app), ownLauncher_(launcher ? nullptr : std::make_unique<LinuxProgramLauncher>()),
      launcher_(launcher ? launcher : ownLauncher_.get())
{
}

WorktoolsMenu::~WorktoolsMenu() = default;

void WorktoolsMenu::install()
{
    CommandDispatcher& dispatcher = app_.commands().dispatcher();
    dispatcher.setRangeHandler(Command::firstWorktool, Command::lastWorktool,
                               [this](int c) { run(c - Command::firstWorktool); });
    dispatcher.setHandler(kEditWorktoolsListCommand, [this](int) { editList(kWorktoolListName); });
    CommandMenus& menus = app_.commands().menus();
    menus.setRebuilt([this, &menus] {
        if (QMenu* menu = menus.popup("Worktools"))
            QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { fill(); });
        fill();
    });
}

// The entries go after the fixed ones, before the separator that leads to
// "Edit Worktools List", ended by a separator of their own.
void WorktoolsMenu::fill()
{
    QMenu* menu = app_.commands().menus().popup("Worktools");
    if (!menu)
        return;
    for (QAction* old : menu->actions())
        if (old->objectName() == kWorktoolActionName) {
            menu->removeAction(old);
            old->deleteLater();
        }
    tools_.clear();
    if (app_.commands().menus().mode() == InterfaceMode::lite || app_.initialising())
        return;
    tools_ = readWorktoolsList(app_.session().files().folder());
    QAction* before = nullptr;
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i)
        if (actions[i]->data().toInt() == kEditWorktoolsListCommand)
            before = i > 0 && actions[i - 1]->isSeparator() ? actions[i - 1] : actions[i];
    auto insert = [&](QAction* action) {
        action->setObjectName(kWorktoolActionName);
        if (before)
            menu->insertAction(before, action);
        else
            menu->addAction(action);
    };
    if (!before && !tools_.empty()) {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        insert(separator);
    }
    for (std::size_t i = 0; i < tools_.size(); ++i) {
        auto* action = new QAction(QString::fromStdString(tools_[i].caption).replace('&', "&&"), menu);
        const int command = Command::firstWorktool + static_cast<int>(i);
        QObject::connect(action, &QAction::triggered, action,
                         [this, command] { app_.commands().dispatcher().dispatch(command); });
        insert(action);
    }
    if (before && !tools_.empty()) {
        auto* separator = new QAction(menu);
        separator->setSeparator(true);
        insert(separator);
    }
}

void WorktoolsMenu::run(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= tools_.size())
        return;
    runWorktool(tools_[static_cast<std::size_t>(index)], *launcher_, app_.messages());
}

void WorktoolsMenu::editList(const char* fileName)
{
    openListInEditor(app_.session().files().folder() / fileName, *launcher_, app_.messages());
}

} // namespace zk
