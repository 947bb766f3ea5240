// The Worktools menu's dialling and launching in a running session:
// AutoDial opened with Shift+A and the toolbar on the selected item's
// number, its area line from the area-code table, a local call handed on as
// a tel: link and Demon Dial's redial in the minute's work; Area Codes
// writing the table; the worktools list in the menu, its tools run without
// a shell, and the lists opened in the text editor.

#include "desktopsupport.h"

#include "platform/programlauncher.h"
#include "sharing/additem.h"
#include "shell/menubar.h"
#include "shell/model/surprise.h"
#include "worktools/dialdesk.h"
#include "worktools/dialdialogs.h"
#include "worktools/model/worktoolslist.h"
#include "worktools/worktoolsmenu.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QToolBar>

#include <algorithm>
#include <fstream>

namespace zk::testsupport {
namespace {

class DiallingTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        dispatch(717);  // PRO
        app->dialling().setLauncher(launcher);
        app->worktools().setLauncher(launcher);
        presenter.clear();
    }

    ItemHandle addToday(const std::string& text)
    {
        NewItem item;
        item.day = app->today();
        item.text = text;
        item.record.setDuration(20);
        item.record.setKind(ItemKind::task);
        item.record.setFlag(ItemFlag::fFloating, true);
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        return app->session().addItem(item).item;
    }

    QMenu* worktoolsMenu()
    {
        QMenu* menu = app->commands().menus().popup("Worktools");
        if (menu)
            emit menu->aboutToShow();
        return menu;
    }
    QAction* entry(QMenu* menu, const QString& text)
    {
        for (QAction* action : menu->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    ScriptedProgramLauncher launcher;
};

TEST_F(DiallingTest, AutoDialDialsTheSelectedItemsNumberAndDemonDialRedials)
{
    std::ofstream(app->settingStore().folder() / kAreaCodeFileName) << "541 8:00 Oregon\n";
    app->settingStore().setValue(kOutsidePrefixSetting, "9");
    app->settingStore().setValue(kLocalAreaCodeSetting, "541");
    const ItemHandle bob = addToday("Call Bob at (541) 555-1212 today");
    app->showDay(app->today());
    ASSERT_TRUE(area().selectItemOn(app->today(), bob));

    std::string number, areaLine;
    onModal<AutoDialDialog>([&](AutoDialDialog& dialog) {
        number = dialog.findChild<QLineEdit*>("number")->text().toStdString();
        areaLine = dialog.findChild<QLabel*>("areaLine")->text().toStdString();
        saveScreenshot(dialog, "autodial");
        clickButton(dialog, "Local");
    });
    QTest::keyClick(&app->window(), Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(number, "(541) 555-1212");
    // 8:00 here, Oregon 8 hours west of universal time.
    EXPECT_NE(areaLine.find("Oregon"), std::string::npos) << areaLine;
    EXPECT_EQ(launcher.urls, std::vector<std::string>{"tel:9555-1212"});
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Dialing 9555-1212"});
    EXPECT_EQ(app->dialling().lastNumber(), "9555-1212");

    // The toolbar's button: another number typed, an unknown area, Demon
    // Dial set with OK, which dials nothing itself.
    QAction* button = nullptr;
    for (QAction* action : app->commands().menus().toolBar()->actions())
        if (action->data().toInt() == kAutoDialCommand)
            button = action;
    ASSERT_NE(button, nullptr);
    onModal<AutoDialDialog>([&](AutoDialDialog& dialog) {
        typeInto(dialog.findChild<QLineEdit*>("number"), "(212) 555-0100");
        areaLine = dialog.findChild<QLabel*>("areaLine")->text().toStdString();
        click(dialog.findChild<QCheckBox*>("demonDial"));
        clickButton(dialog, "OK");
    });
    button->trigger();
    EXPECT_EQ(areaLine, "");
    EXPECT_TRUE(app->dialling().demonDial());
    EXPECT_EQ(launcher.urls.size(), 1u);
    presenter.clear();
    waitForSave();
    clock.set({2024, 3, 11, 8, 1, 0});
    app->tick();
    EXPECT_EQ(launcher.urls, (std::vector<std::string>{"tel:9555-1212", "tel:9555-1212"}));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();

    // A redial that cannot be handed on says so once and ends Demon Dial.
    launcher.starts = false;
    clock.set({2024, 3, 11, 8, 2, 0});
    app->tick();
    clock.set({2024, 3, 11, 8, 3, 0});
    app->tick();
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"error in dialing"});
    EXPECT_FALSE(app->dialling().demonDial());
}

TEST_F(DiallingTest, AreaCodesWritesTheTableTheDialLooksIn)
{
    const std::filesystem::path file = app->dialling().areaCodeFile();
    std::filesystem::remove(file);
    QAction* command = menuAction(kAreaCodesCommand, "Worktools");
    ASSERT_NE(command, nullptr);
    auto fillRow = [](QTableWidget* table, const char* code, const char* west, const char* place) {
        table->item(table->rowCount() - 1, 0)->setText(code);
        table->item(table->rowCount() - 1, 1)->setText(west);
        table->item(table->rowCount() - 1, 2)->setText(place);
    };
    onModal<AreaCodesDialog>([&](AreaCodesDialog& dialog) {
        auto* table = dialog.findChild<QTableWidget*>("codes");
        clickButton(dialog, "Add");
        fillRow(table, "617", "5", "Boston");
        clickButton(dialog, "Add");
        fillRow(table, "ab", "5", "Nowhere");
        // The row that does not read is refused; the table stays open.
        presenter.clear();
        clickButton(dialog, "OK");
        EXPECT_EQ(presenter.texts().size(), 1u);
        fillRow(table, "206", "8:00", "Seattle");
        saveScreenshot(dialog, "area-codes");
        clickButton(dialog, "OK");
    });
    command->trigger();
    EXPECT_EQ(readAreaCodes(file).codes, (std::vector<AreaCode>{{206, 480, "Seattle"}, {617, 300, "Boston"}}));
}

TEST_F(DiallingTest, TheWorktoolsListFillsTheMenuAndItsToolsRun)
{
    const std::filesystem::path folder = app->session().files().folder();
    const std::filesystem::path list = folder / kWorktoolListName;
    std::filesystem::remove(list);
    QAction* edit = menuAction(kEditWorktoolsListCommand, "Worktools");
    ASSERT_NE(edit, nullptr);
    edit->trigger();
    EXPECT_EQ(launcher.urls, std::vector<std::string>{list.string()});
    EXPECT_TRUE(std::filesystem::exists(list));
    // The surprise list opens the same way.
    dispatch(451);
    EXPECT_EQ(launcher.urls.back(), (folder / kSurpriseListName).string());
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();

    std::ofstream(list) << "Calculator=gnome-calculator --mode advanced\nR&D notes\n";
    QMenu* menu = worktoolsMenu();
    ASSERT_NE(menu, nullptr);
    QAction* calculator = entry(menu, "Calculator");
    ASSERT_NE(calculator, nullptr);
    EXPECT_LT(menu->actions().indexOf(calculator), menu->actions().indexOf(edit));
    calculator->trigger();
    EXPECT_EQ(launcher.started, (std::vector<ProgramCommand>{{"gnome-calculator", {"--mode", "advanced"}}}));
    ASSERT_NE(entry(menu, "R&&D notes"), nullptr);
    entry(menu, "R&&D notes")->trigger();
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Null command line. Probably missing tab."});

    // Opened again, the menu holds the list once; LITE's menus take none.
    const QList<QAction*> reopened = worktoolsMenu()->actions();
    EXPECT_EQ(std::count_if(reopened.begin(), reopened.end(), [](QAction* a) { return a->text() == "Calculator"; }),
              1);
    dispatch(716);  // LITE
    menu = worktoolsMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(entry(menu, "Calculator"), nullptr);
}

} // namespace
} // namespace zk::testsupport
