// The status menu, the Define Statuses dialog and the Status Filter dialog,
// driven as a user drives them, and the table start-up loads.

#include "desktopsupport.h"

#include "editing/definestatusesdialog.h"
#include "editing/statusmenu.h"
#include "storage/statustablefile.h"
#include "views/statusdisplay.h"
#include "views/statusfilterdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>

namespace zk {
namespace {

using namespace testsupport;

// Picks the colour in the colour chooser the next click opens (OK, or
// Cancel when `accept` is false).
void answerColorChooser(QColor color, bool accept = true)
{
    onModal<QColorDialog>([=](QColorDialog& chooser) {
        EXPECT_EQ(QColorDialog::customColor(15), QColor(Qt::white));
        chooser.setCurrentColor(color);
        accept ? chooser.accept() : chooser.reject();
    });
}

class StatusDialogsTest : public ::testing::Test {
protected:
    StatusDialogsTest()
    {
        guiApplication();
        call = schedule.newItem();
        memo = schedule.newItem();
        selected = call;
        host.schedule = [this] { return &schedule; };
        host.selectedItem = [this] { return selected; };
        host.itemDialogOpen = [this] { return itemDialogOpen; };
        host.requestChangeAccess = [this] { return accessGranted; };
        host.statusChanged = [this](StatusChange change) { changes.push_back(change); };
        host.defineStatuses = [this] { ++defineRequests; };
        host.clock = &clock;
    }
    int statusOf(ItemHandle h) const { return schedule.record(h).status(); }
    bool hidden(ItemHandle h, bool filterOn) const
    {
        return isHiddenByStatus(schedule.record(h), statusHideMask(schedule.header), filterOn);
    }
    DefineStatusesDialog::SaveTable recordingSave()
    {
        return [this](const StatusTable& t) {
            saved.push_back(t);
            return saveSucceeds;
        };
    }

    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    Schedule schedule;
    StatusTable table;
    Settings settings;
    ItemHandle call, memo, selected;
    StatusMenuHost host;
    bool itemDialogOpen = false, accessGranted = true, saveSucceeds = true;
    int defineRequests = 0;
    std::vector<StatusChange> changes;
    std::vector<StatusTable> saved;
};

TEST_F(StatusDialogsTest, TheMenuChecksTheItemsStatusAndALabelSetsItOnlyWithChangeAccess)
{
    schedule.record(call).setStatus(3);
    QMenu menu;
    ASSERT_TRUE(fillStatusMenu(menu, table, host));
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), kStatusCount + 2);
    for (int i = 0; i < kStatusCount; ++i)
        EXPECT_EQ(actions[i]->isChecked(), i == 3) << i;
    EXPECT_EQ(actions.back()->text(), "Define Statuses");
    actions.back()->trigger();
    EXPECT_EQ(defineRequests, 1);

    accessGranted = false;
    actions[1]->trigger();  // "tentative"
    EXPECT_EQ(statusOf(call), 3);
    EXPECT_FALSE(schedule.dirty);
    accessGranted = true;
    actions[1]->trigger();
    EXPECT_EQ(statusOf(call), 1);
    EXPECT_EQ(statusOf(memo), 0);
    EXPECT_TRUE(schedule.dirty);
    EXPECT_EQ(changes, std::vector<StatusChange>{StatusChange::Changed});

    // No menu while the item dialog is open, nor without a selection.
    QMenu refused;
    itemDialogOpen = true;
    EXPECT_FALSE(fillStatusMenu(refused, table, host));
    itemDialogOpen = false;
    selected = kNoItem;
    EXPECT_FALSE(fillStatusMenu(refused, table, host));
    EXPECT_TRUE(refused.actions().isEmpty());
}

TEST_F(StatusDialogsTest, KeyboardMenuOpensAtTheWindowCentreAndTheKeysChoose)
{
    QWidget window;
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QPoint shownAt;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        shownAt = menu->pos();
        saveScreenshot(*menu, "status-menu");
        for (auto key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return})
            QTest::keyClick(menu, key);
    });
    popUpStatusMenu(window, std::nullopt, table, host);
    EXPECT_EQ(shownAt, window.mapToGlobal(window.rect().center()));
    EXPECT_EQ(statusOf(call), 2);  // "proposed", the third entry
}

TEST_F(StatusDialogsTest, DefineStatusesTakesColoursFromTheChooserAndLabelsOnOk)
{
    table.setCellColor(3, 0x0000FFFF);
    DefineStatusesDialog dialog(table, settings, recordingSave());
    QSignalSpy changed(&dialog, &DefineStatusesDialog::statusesChanged);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Define Statuses");
    EXPECT_EQ(dialog.labelEdit(2)->text(), "proposed");
    EXPECT_EQ(dialog.sample(2)->text(), "Color Sample Text");
    EXPECT_EQ(dialog.sample(2)->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(dialog.sample(3)->palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_EQ(dialog.sample(4)->palette().color(QPalette::Window), QColor(255, 255, 255));  // none: the background
    saveScreenshot(dialog, "define-statuses");

    answerColorChooser(QColor(0x10, 0x20, 0x30));
    QTest::mouseClick(dialog.textButton(0), Qt::LeftButton);
    answerColorChooser(QColor(0xFF, 0xE0, 0xE0));
    QTest::mouseClick(dialog.cellButton(4), Qt::LeftButton);
    QTest::keyClicks(dialog.labelEdit(4), "waiting for reply");
    EXPECT_EQ(dialog.labelEdit(4)->text(), "waiting for");
    EXPECT_EQ(table.label(4), "");  // nothing reaches the table before OK

    clickButton(dialog, "OK");
    EXPECT_EQ(table.label(4), "waiting for");
    EXPECT_EQ(table.cellColor(4), 0x00E0E0FFu);
    EXPECT_EQ(table.textColor(0), 0x00302010u);
    EXPECT_EQ(settings.color(ColorSetting::ColorNormalText), 0x00302010);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], table);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(StatusDialogsTest, CancelOrAFailedSaveKeepsTheTable)
{
    const StatusTable before = table;
    DefineStatusesDialog dialog(table, settings, recordingSave());
    dialog.show();
    answerColorChooser(QColor(1, 2, 3), false);
    QTest::mouseClick(dialog.textButton(2), Qt::LeftButton);
    EXPECT_EQ(dialog.textColor(2), before.textColor(2));

    dialog.labelEdit(5)->setText("other");
    saveSucceeds = false;
    clickButton(dialog, "OK");
    EXPECT_TRUE(dialog.isVisible());  // the user may try again
    EXPECT_EQ(table, before);
    clickButton(dialog, "Cancel");
    EXPECT_EQ(table, before);
    EXPECT_EQ(settings.color(ColorSetting::ColorNormalText), 0);
}

TEST_F(StatusDialogsTest, StatusFilterHidesWhatTheUserUncheckedWhileTheFilterIsOn)
{
    table.setLabel(4, "R&D");
    setStatusHideMask(schedule.header, 0x0180);  // special, and a bit beyond the statuses
    setSelectedItemStatus(host, 1);
    selected = memo;
    setSelectedItemStatus(host, 2);
    schedule.dirty = false;

    StatusFilterDialog dialog(table, {host.schedule, host.requestChangeAccess});
    QSignalSpy changed(&dialog, &StatusFilterDialog::filterChanged);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Status Filter");
    EXPECT_EQ(dialog.box(4)->text(), "R&&D");
    EXPECT_FALSE(dialog.box(7)->isChecked());
    EXPECT_TRUE(dialog.box(1)->isChecked());
    click(dialog.box(1));
    click(dialog.box(2));
    saveScreenshot(dialog, "status-filter");
    clickButton(dialog, "OK");

    EXPECT_EQ(statusHideMask(schedule.header), 0x0186);
    EXPECT_TRUE(schedule.dirty);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(hidden(call, true));
    EXPECT_TRUE(hidden(memo, true));
    EXPECT_FALSE(hidden(call, false));  // the filter off shows them, the mask kept

    StatusFilterDialog cancelled(table, {host.schedule, host.requestChangeAccess});
    cancelled.show();
    click(cancelled.box(3));
    clickButton(cancelled, "Cancel");
    EXPECT_EQ(statusHideMask(schedule.header), 0x0186);
}

using StatusStartupTest = DesktopFixture;

TEST_F(StatusStartupTest, StartUpLoadsTheFoldersTableWithTheNormalTextColour)
{
    const auto folder = home.defaultFolder();
    std::filesystem::create_directories(folder);
    StatusTable stored;
    stored.setEntry(1, {"waiting", 0x00CCEEFF, 0x00808080});
    ScriptedPresenter quiet;
    Messages messages(quiet);
    ASSERT_TRUE(saveStatusTable(stored, {folder, systemFileSystem(), messages}));
    settings.setValue("ColorNormalText", "1193046");  // 0x123456

    startSession();
    const StatusTable& table = app->state().statuses;
    EXPECT_EQ(table.entry(1), stored.entry(1));
    EXPECT_EQ(table.label(7), "special");
    EXPECT_EQ(table.textColor(kNormalStatus), 0x123456u);
}

} // namespace
} // namespace zk
