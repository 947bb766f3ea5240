// The workgroup's windows, each opened from its command: Schedules Setup
// with Edit Group, Select Schedule, Open..., the recent schedules, Edit
// User Name, Set Passwords with its Access Check.

#include "desktopsupport.h"
#include "sharing/workgroup.h"
#include "shell/workgroupcommands.h"
#include "shell/workgroupdialogs.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>


namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

// Runs `act` on the modal dialog of that name once it is the one open.
void onDialog(const QString& name, std::function<void(QDialog&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == name) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start(10);
}

QStringList itemsOf(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

class WorkgroupWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        fs::create_directories(server());
        settings.setValue(kServerDriveSetting, server().string());
        startSession();
        auto scripted = std::make_unique<ScriptedProgramLauncher>();
        launcher = scripted.get();
        app->commands().workgroup().setLauncher(std::move(scripted));
    }
    fs::path server() const { return home.root() / "team"; }
    // The folder a started session was given.
    fs::path lastStarted() const
    {
        return launcher->started.empty() ? fs::path() : fs::path(launcher->started.back().arguments.at(0)) / "";
    }

    ScriptedProgramLauncher* launcher = nullptr;
};

TEST_F(WorkgroupWindowTest, TheUserListIsKeptInSchedulesSetupAndAnotherUsersScheduleOpensInASessionOfItsOwn)
{
    const Workgroup group(server());
    setHeaderUserName(schedule().header, "Tess");
    const std::string own = app->commands().workgroup().userName();
    ASSERT_EQ(own, "Tess");
    onDialog("SchedulesSetup", [&](QDialog& d) {
        auto& setup = static_cast<SchedulesSetupDialog&>(d);
        // An empty list starts with this session's own name.
        EXPECT_EQ(itemsOf(setup.list()), QStringList{QString::fromStdString(own)});
        typeInto(setup.nameField(), "Ann-Marie O'Neil");
        clickButton(setup, "Add");
        EXPECT_EQ(setup.count()->text(), "2 users");
        EXPECT_EQ(setup.dataPath()->text().toStdString(), group.defaultFolder("Ann-Marie O'Neil").string());
        clickButton(setup, "Add");
        EXPECT_EQ(presenter.texts().back(), "User already in list");
        typeInto(setup.nameField(), "");
        clickButton(setup, "Rename");
        EXPECT_EQ(presenter.texts().back(),
                  "Select the name you want to change in the list AND enter the new name in the User Name field.");
        saveScreenshot(setup, "schedules-setup");
        onDialog("EditGroup", [&](QDialog& g) {
            auto& edit = static_cast<EditGroupDialog&>(g);
            EXPECT_EQ(edit.choices()->count(), 2);
            saveScreenshot(edit, "edit-group");
            clickButton(edit, "-> Add All ->");
            EXPECT_EQ(edit.members()->count(), 2);
            pressOk(edit);
        });
        clickButton(setup, "Edit Group...");
        pressOk(setup);
    });
    dispatch(WorkgroupCommand::schedulesSetup);
    EXPECT_EQ(readText(group.userList()), own + "\nAnn-Marie O'Neil\n");
    EXPECT_EQ(readText(app->session().files().folder() / "group.lst"), own + "\nAnn-Marie O'Neil\n");
    EXPECT_TRUE(fs::exists(group.defaultFolder("Ann-Marie O'Neil") / "timedata.pak"));

    onDialog("SelectSchedule", [&](QDialog& d) {
        auto& select = static_cast<SelectScheduleDialog&>(d);
        EXPECT_EQ(select.list()->currentRow(), 0);
        select.list()->setCurrentRow(1);
        saveScreenshot(select, "select-schedule");
        pressOk(select);
    });
    dispatch(WorkgroupCommand::selectSchedule);
    ASSERT_EQ(launcher->started.size(), 1u);
    EXPECT_EQ(lastStarted(), group.defaultFolder("Ann-Marie O'Neil"));
    EXPECT_EQ(launcher->started[0].program, QCoreApplication::applicationFilePath().toStdString());

    // Open... takes any folder; this session's own opens nothing.
    app->commands().workgroup().setFolderChooser([&](const fs::path&) { return group.defaultFolder(own); });
    dispatch(WorkgroupCommand::open);
    EXPECT_EQ(lastStarted(), group.defaultFolder(own));
    app->commands().workgroup().setFolderChooser([&](const fs::path&) { return app->session().files().folder(); });
    dispatch(WorkgroupCommand::open);
    EXPECT_EQ(launcher->started.size(), 2u);

    // The recent schedules: this session's own is not offered.
    const fs::path recent = home.config() / kRecentSchedulesName;
    ASSERT_EQ(recordRecentSchedule(recent, "Ann-Marie O'Neil", group.defaultFolder("Ann-Marie O'Neil")), 0);
    QAction* file = nullptr;
    for (QAction* top : app->window().menuBar()->actions())
        if (top->menu() && top->menu()->title().remove('&') == "File")
            file = top;
    ASSERT_NE(file, nullptr);
    emit file->menu()->aboutToShow();
    auto* recentMenu = app->window().menuBar()->findChild<QMenu*>("recentSchedules");
    ASSERT_NE(recentMenu, nullptr);
    ASSERT_EQ(recentMenu->actions().size(), 1);
    EXPECT_EQ(recentMenu->actions()[0]->text(), "Ann-Marie O'Neil");
    recentMenu->actions()[0]->trigger();
    EXPECT_EQ(lastStarted(), group.defaultFolder("Ann-Marie O'Neil"));
    dispatch(WorkgroupCommand::firstRecent + 5);
    EXPECT_EQ(presenter.texts().back(), "No associated data path in USER.LST");
}

// Regression: opening Schedules Setup on an empty list made an empty
// schedule for this user on the server, and Move Data to Server then found
// "Your data is already on the server." and moved nothing.
TEST_F(WorkgroupWindowTest, MoveDataToServerCopiesTheScheduleAndOpensItThere)
{
    setHeaderUserName(schedule().header, "Tess");
    const fs::path own = app->session().files().folder();
    const fs::path target = Workgroup(server()).defaultFolder("Tess");
    presenter.queueAnswer(Answer::Yes);
    onDialog("SchedulesSetup", [&](QDialog& d) {
        clickButton(d, "Move Data to Server");
        pressOk(static_cast<QDialog&>(d));
    });
    dispatch(WorkgroupCommand::schedulesSetup);
    EXPECT_EQ(presenter.shown().at(0).text,
              "Would you like to move your data from " + own.string() + " to " + target.string() + "?");
    ASSERT_TRUE(fs::exists(target / "timedata.pak"));
    EXPECT_TRUE(fs::exists(own / "timedata.pak")) << "the old folder keeps its files";
    LoadResult moved = loadDataFile(target / "timedata.pak");
    ASSERT_TRUE(moved.schedule) << moved.failureText;
    EXPECT_EQ(headerUserName(moved.schedule->header), "Tess") << "saved as the session closed";
    EXPECT_EQ(lastStarted(), target);
    EXPECT_EQ(settings.value("DataFolder"), target.string());
    EXPECT_EQ(readRecentSchedules(home.config() / kRecentSchedulesName).at(0).folder, target.string());
    app.reset();
}

TEST_F(WorkgroupWindowTest, TheUserNameAndThePasswordsAreTheSchedulesOwn)
{
    onDialog("UserName", [&](QDialog& d) {
        auto& dialog = static_cast<UserNameDialog&>(d);
        saveScreenshot(dialog, "edit-user-name");
        typeInto(dialog.field(), "Tess Ray");
        pressOk(dialog);
    });
    dispatch(WorkgroupCommand::editUserName);
    EXPECT_EQ(headerUserName(schedule().header), "Tess Ray");
    EXPECT_TRUE(app->window().windowTitle().contains("Tess Ray")) << app->window().windowTitle().toStdString();
    EXPECT_TRUE(app->messages().caption().starts_with("Zelkon - Tess Ray "));

    // Others' passwords need the owner's; the owner's is proven at once.
    onDialog("SetPasswords", [&](QDialog& d) {
        auto& dialog = static_cast<SetPasswordsDialog&>(d);
        typeInto(dialog.view(), "look");
        pressOk(dialog);
        EXPECT_EQ(presenter.texts().back(), "Your password is required if setting others");
        typeInto(dialog.owner(), "Secret");
        saveScreenshot(dialog, "set-passwords");
        onDialog("AccessCheck", [&](QDialog& c) {
            auto& check = static_cast<AccessCheckDialog&>(c);
            typeInto(check.field(), "LOOK");
            EXPECT_EQ(check.levelLabel()->text(), "View Permission");
            typeInto(check.field(), "SECRET");
            EXPECT_EQ(check.levelLabel()->text(), "Total Access");
            saveScreenshot(check, "access-check");
            pressOk(check);
        });
        pressOk(dialog);
    });
    dispatch(WorkgroupCommand::passwords);
    EXPECT_EQ(headerPasswords(schedule().header), (Passwords{"Secret", "", "look"}));
    EXPECT_TRUE(schedule().dirty);

    // Changing them again asks for Total Access first; a wrong password
    // changes nothing.
    onDialog("AccessCheck", [&](QDialog& c) {
        typeInto(static_cast<AccessCheckDialog&>(c).field(), "look");
        pressOk(static_cast<QDialog&>(c));
    });
    dispatch(WorkgroupCommand::passwords);
    EXPECT_EQ(headerPasswords(schedule().header).owner, "Secret");

    // The next session on the schedule has nobody to ask here: it shows
    // nothing of it and refuses its commands.
    waitForSave();
    endSession();
    startSession();
    EXPECT_FALSE(app->commands().workgroup().mayView());
    EXPECT_FALSE(app->window().menuBar()->isVisible());
    presenter.clear();
    dispatch(WorkgroupCommand::editUserName);
    EXPECT_EQ(headerUserName(schedule().header), "Tess Ray");
}

} // namespace
} // namespace zk::testsupport
