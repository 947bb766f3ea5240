#include "shell/workgroupcommands.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/folderchooser.h"
#include "shell/mainwindow.h"
#include "shell/menubar.h"
#include "shell/messagebox.h"
#include "shell/model/commanddispatch.h"
#include "shell/sessionguard.h"
#include "shell/windowcommands.h"
#include "shell/workgroupdialogs.h"
#include "storage/datafileset.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <algorithm>

namespace zk {

namespace {

namespace fs = std::filesystem;

} // namespace

WorkgroupCommands::WorkgroupCommands(DesktopApp& app)
    : app_(app), launcher_(std::make_unique<LinuxProgramLauncher>()), chooser_([&app](const fs::path& start) {
          return askForFolder(&app.window(), start, QStringLiteral("Open Schedule"));
      })
{
}

void WorkgroupCommands::install(CommandDispatcher& dispatcher, CommandMenus& menus)
{
    dispatcher_ = &dispatcher;
    dispatcher.setHandler(WorkgroupCommand::schedulesSetup, [this](int) { schedulesSetup(); });
    dispatcher.setHandler(WorkgroupCommand::selectSchedule, [this](int) { selectSchedule(); });
    dispatcher.setHandler(WorkgroupCommand::open, [this](int) { openOther(); });
    dispatcher.setHandler(WorkgroupCommand::passwords, [this](int) { setPasswords(); });
    dispatcher.setHandler(WorkgroupCommand::editUserName, [this](int) { editUserName(); });
    dispatcher.setRangeHandler(WorkgroupCommand::firstRecent, WorkgroupCommand::lastRecent,
                               [this](int c) { openRecent(c); });
    // The recent schedules sit under Open...; they are read again each time
    // the File menu opens, as other sessions start and end meanwhile.
    menus.setRebuilt([this, &menus] {
        if (!permissions_.mayView)
            return withholdWindow();
        QMenu* file = menus.popup("File");
        QAction* open = menus.action(WorkgroupCommand::open);
        if (!file || !open)
            return;
        auto* recent = new QMenu(QStringLiteral("Open &Recent"), file);
        recent->setObjectName(QStringLiteral("recentSchedules"));
        const QList<QAction*> actions = file->actions();
        const qsizetype at = actions.indexOf(open);
        file->insertMenu(at + 1 < actions.size() ? actions[at + 1] : nullptr, recent);
        recentMenu_ = recent;
        QObject::connect(file, &QMenu::aboutToShow, recent, [this] { fillRecentMenu(); });
        fillRecentMenu();
    });
}

Workgroup WorkgroupCommands::workgroup()
{
    return Workgroup(
        normaliseServerFolder(app_.settingStore().value(kServerDriveSetting).value_or("")).value_or(fs::path()));
}

fs::path WorkgroupCommands::recentList() const { return app_.settingStore().folder() / kRecentSchedulesName; }

std::string WorkgroupCommands::userName()
{
    const std::string& login = app_.session().settings().userName;
    if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold())
        return userNameOf(app_.session().schedule().header, login);
    return login;
}

bool WorkgroupCommands::interactive()
{
    auto* boxes = dynamic_cast<MessageBoxPresenter*>(&app_.messages().presenter());
    return boxes && boxes->mode() == MessageBoxPresenter::Mode::Interactive && !boxes->stopped();
}

// --- opening other schedules --------------------------------------------------------------

void WorkgroupCommands::launch(const fs::path& folder)
{
    ProgramCommand command{QCoreApplication::applicationFilePath().toStdString(), {folder.string()}};
    if (!launcher_->start(command))
        app_.messages().error("Error on launch: " + command.program + " " + folder.string());
}

void WorkgroupCommands::openOther()
{
    const fs::path own = app_.session().files().folder();
    std::optional<fs::path> chosen = chooser_(own);
    if (!chosen || sameFolder(*chosen, own))
        return;
    launch(*chosen);
}

void WorkgroupCommands::selectSchedule()
{
    Workgroup group = workgroup();
    if (!group.configured())
        return app_.messages().error("No server folder is set. Name the folder the workgroup shares in "
                                     "Schedules Setup.");
    SelectScheduleDialog dialog(group.names(), &app_.window());
    if (dialog.exec() != QDialog::Accepted || dialog.chosen().empty())
        return;
    std::optional<fs::path> folder = group.lookUp(dialog.chosen());
    if (!folder)
        return app_.messages().error("No schedule path found for " + dialog.chosen());
    launch(*folder);
}

void WorkgroupCommands::openRecent(int command)
{
    const std::size_t index = static_cast<std::size_t>(command - WorkgroupCommand::firstRecent);
    if (index >= recent_.size() || recent_[index].dataFile.empty())
        return app_.messages().error("No associated data path in USER.LST");
    launch(recent_[index].dataFile.parent_path());
}

void WorkgroupCommands::fillRecentMenu()
{
    QMenu* recent = recentMenu_.data();
    if (!recent)
        return;
    recent->clear();
    recent_ = recentMenuEntries(readRecentSchedules(recentList()), workgroup(), app_.session().files().dataFile(),
                                [](const fs::path& dataFile) { return SessionGuard::running(dataFile); });
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const int command = WorkgroupCommand::firstRecent + static_cast<int>(i);
        QAction* action = recent->addAction(QString::fromStdString(recent_[i].caption));
        action->setData(command);
        action->setToolTip(QString::fromStdString(recent_[i].dataFile.parent_path().string()));
        QObject::connect(action, &QAction::triggered, recent, [this, command] { dispatcher_->dispatch(command); });
    }
    recent->setEnabled(!recent_.empty());
}

void WorkgroupCommands::recordRecent()
{
    const fs::path folder = app_.session().files().folder();
    app_.messages().setUserName(userName());
    recordRecentSchedule(recentList(), userName(), folder, folder / kUserListName);
}

// --- Schedules Setup ----------------------------------------------------------------------

void WorkgroupCommands::schedulesSetup()
{
    SchedulesSetupDialog::Context context;
    context.ownName = userName();
    context.ownFolder = app_.session().files().folder();
    context.clock = &app_.clock();
    context.moveToServer = [this](const fs::path& target) {
        pendingMove_ = target;
        return true;
    };
    context.editGroup = [this](const std::vector<std::string>& names) { editGroup(names); };
    pendingMove_.reset();
    SchedulesSetupDialog dialog(app_.settingStore(), app_.messages(), std::move(context), &app_.window());
    dialog.exec();
    if (pendingMove_)
        moveToServer(*pendingMove_);
}

// The schedule is saved by closing this session, copied, and opened again
// where it now lives; the old folder keeps its files.
bool WorkgroupCommands::moveToServer(const fs::path& target)
{
    const fs::path from = app_.session().files().folder();
    const std::string name = userName();
    std::error_code ec;
    if (!fs::create_directories(target, ec) && ec) {
        app_.messages().error("Unable to create folder " + target.string());
        return false;
    }
    if (!app_.window().close())
        return false;
    std::string problem;
    if (!copyScheduleFileSet(from, target, &problem)) {
        app_.messages().error(problem);
        return false;
    }
    app_.settingStore().setValue("DataFolder", target.string());
    recordRecentSchedule(recentList(), name, target);
    launch(target);
    return true;
}

// The choices: the names of the user list being edited, then those of a
// list in this schedule's folder.
void WorkgroupCommands::editGroup(std::vector<std::string> choices)
{
    const fs::path own = app_.session().files().folder();
    for (const std::string& name : readNameList(own / kUserListName))
        if (std::find(choices.begin(), choices.end(), name) == choices.end())
            choices.push_back(name);
    EditGroupDialog dialog(choices, readNameList(own / kGroupListName), &app_.window());
    if (dialog.exec() == QDialog::Accepted && writeNameList(own / kGroupListName, dialog.group()) != 0)
        app_.messages().error("write error to group.lst");
}

// --- the schedule's name and passwords ---------------------------------------------------

void WorkgroupCommands::editUserName()
{
    std::string name = userName();
    UserNameDialog dialog(name, &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Schedule& schedule = app_.session().schedule();
        setHeaderUserName(schedule.header, dialog.name());
        schedule.dirty = true;
    }
    app_.messages().setUserName(userName());
    app_.commands().windowCommands().updateTitle();
}

void WorkgroupCommands::setPasswords()
{
    if (!app_.requestChangeAccess())
        return;
    Passwords current;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        current = headerPasswords(app_.session().schedule().header);
    }
    if (!current.owner.empty()) {
        AccessCheckDialog check(current, app_.messages(), &app_.window());
        if (check.exec() != QDialog::Accepted || check.level() != AccessLevel::Total)
            return;
    }
    SetPasswordsDialog dialog(current, app_.messages(), [this](const Passwords& entered) {
        AccessCheckDialog check(entered, app_.messages(), &app_.window());
        return check.exec() == QDialog::Accepted && check.level() == AccessLevel::Total;
    }, &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule& schedule = app_.session().schedule();
    setHeaderPasswords(schedule.header, dialog.passwords());
    schedule.dirty = true;
}

void WorkgroupCommands::checkPasswords()
{
    Passwords stored;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        stored = headerPasswords(app_.session().schedule().header);
    }
    if (!stored.any()) {
        permissions_ = Permissions{};
    } else if (!interactive()) {
        // Nobody to ask: nothing of a protected schedule is shown or changed.
        permissions_ = permissionsOf(AccessLevel::None);
    } else {
        AccessCheckDialog check(stored, app_.messages(), &app_.window());
        check.exec();
        permissions_ = permissionsOf(check.level());
    }
    applyPermissions();
}

void WorkgroupCommands::applyPermissions()
{
    app_.session().access().setAccessRight(permissions_.mayModify ? AccessRight::Modify : AccessRight::ViewOnly);
    if (permissions_.mayView)
        return;
    withholdWindow();
    app_.messages().error(kProtectedSchedulesText);
}

void WorkgroupCommands::withholdWindow()
{
    app_.window().menuBar()->hide();
    if (QToolBar* bar = app_.commands().menus().toolBar())
        bar->hide();
    app_.window().centralWidget()->hide();
    for (QAction* key : app_.window().actions())
        key->setEnabled(false);
}

void WorkgroupCommands::askUserName()
{
    if (!permissions_.mayModify || app_.state().readOnly || !interactive() || !app_.requestChangeAccess())
        return;
    editUserName();
}

} // namespace zk
