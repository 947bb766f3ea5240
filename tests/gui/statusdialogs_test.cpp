// The status menu, the Define Statuses dialog and the Status Filter dialog,
// driven as a user drives them: a status chosen from the menu lands on the
// selected item, colours come from the colour chooser, and the Status
// Filter hides the statuses the user unchecks.

#include "core/schedule.h"
#include "editing/definestatusesdialog.h"
#include "editing/statusmenu.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "tests/gui/guitestmain.h"
#include "views/statusdisplay.h"
#include "views/statusfilterdialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace zk {
namespace {

void saveScreenshot(QWidget& widget, const char* name)
{
    std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
    QTest::qWait(30);
    EXPECT_TRUE(widget.grab().save(QString(ZELKON_SCREENSHOT_DIR "/") + name));
}

// Runs `answer` on the next modal dialog of type D once it is shown.
template <typename D>
void whenShown(std::function<void(D&)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

QPushButton* buttonCaptioned(QWidget& dialog, const QString& caption)
{
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text().remove('&') == caption)
            return b;
    return nullptr;
}

// A key whose text QTest cannot type (it knows only ASCII keys).
void typeText(QWidget& widget, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(&widget, &press);
}

// On the indicator: only it and the caption take clicks.
void clickBox(QCheckBox& box) { QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2)); }

class StatusDialogsTest : public ::testing::Test {
protected:
    StatusDialogsTest() : previous_(installFaultHandler(&faults_))
    {
        testsupport::guiApplication();
        call = addItem("call the bank");
        memo = addItem("write the minutes");
        selected = call;
        host.schedule = [this] { return &schedule; };
        host.selectedItem = [this] { return selected; };
        host.itemDialogOpen = [this] { return itemDialogOpen; };
        host.requestChangeAccess = [this] {
            ++accessRequests;
            return accessGranted;
        };
        host.statusChanged = [this](StatusChange change) { changes.push_back(change); };
        host.defineStatuses = [this] { ++defineRequests; };
        host.clock = &clock;
    }
    ~StatusDialogsTest() override { installFaultHandler(previous_); }

    ItemHandle addItem(const char* text)
    {
        ItemHandle h = schedule.newItem();
        schedule.setDescription(h, text);
        schedule.record(h).setDay(16000);
        schedule.addToChain(h, DayNumber(16000));
        return h;
    }
    int statusOf(ItemHandle h) const { return schedule.record(h).status(); }
    bool hidden(ItemHandle h) const
    {
        return isHiddenByStatus(schedule.record(h), statusHideMask(schedule.header), statusFilterOn);
    }
    QAction* menuEntry(QMenu& menu, int command)
    {
        for (QAction* a : menu.actions())
            if (a->data().toInt() == command)
                return a;
        return nullptr;
    }
    StatusFilterDialog::Host filterHost()
    {
        return {[this] { return &schedule; }, host.requestChangeAccess};
    }
    DefineStatusesDialog::SaveTable recordingSave()
    {
        return [this](const StatusTable& t) {
            saved.push_back(t);
            return saveSucceeds;
        };
    }

    ThrowingFaultHandler faults_;
    FaultHandler* previous_;
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    Schedule schedule;
    StatusTable table;
    Settings settings;
    ItemHandle call, memo, selected;
    StatusMenuHost host;
    bool itemDialogOpen = false;
    bool accessGranted = true;
    bool saveSucceeds = true;
    bool statusFilterOn = true;
    int accessRequests = 0;
    int defineRequests = 0;
    std::vector<StatusChange> changes;
    std::vector<StatusTable> saved;
};

// --- the status menu ---------------------------------------------------------------

TEST_F(StatusDialogsTest, MenuListsTheStatusesWithTheItemsOneChecked)
{
    schedule.record(call).setStatus(3);
    QMenu menu;
    ASSERT_TRUE(fillStatusMenu(menu, table, host));
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 10);
    const QStringList labels{"normal", "tentative", "proposed", "confirmed", "", "", "", "special"};
    for (int i = 0; i < kStatusCount; ++i) {
        EXPECT_EQ(actions[i]->text(), labels[i]) << i;
        EXPECT_EQ(actions[i]->data().toInt(), 381 + i);
        EXPECT_EQ(actions[i]->isChecked(), i == 3) << i;
    }
    EXPECT_TRUE(actions[8]->isSeparator());
    EXPECT_EQ(actions[9]->text(), "Define Statuses");
    EXPECT_EQ(actions[9]->data().toInt(), 379);
    actions[9]->trigger();
    EXPECT_EQ(defineRequests, 1);
}

TEST_F(StatusDialogsTest, MenuIsRefusedWithoutASelectedItemOrWhileAnItemDialogIsOpen)
{
    QMenu menu;
    selected = kNoItem;
    EXPECT_FALSE(fillStatusMenu(menu, table, host));
    selected = call;
    itemDialogOpen = true;
    EXPECT_FALSE(fillStatusMenu(menu, table, host));
    EXPECT_TRUE(menu.actions().isEmpty());
}

TEST_F(StatusDialogsTest, ChoosingALabelSetsTheSelectedItemsStatus)
{
    QMenu menu;
    ASSERT_TRUE(fillStatusMenu(menu, table, host));
    menuEntry(menu, 382)->trigger();  // "tentative"
    EXPECT_EQ(statusOf(call), 1);
    EXPECT_EQ(statusOf(memo), 0);
    EXPECT_TRUE(schedule.dirty);
    EXPECT_EQ(changes, std::vector<StatusChange>{StatusChange::Changed});

    // To and from special, the pane is laid out again.
    EXPECT_EQ(setSelectedItemStatus(host, kSpecialStatus), StatusChange::SpecialChanged);
    EXPECT_EQ(setSelectedItemStatus(host, 0), StatusChange::SpecialChanged);
}

TEST_F(StatusDialogsTest, WithoutChangeAccessTheStatusStaysAsItWas)
{
    accessGranted = false;
    EXPECT_EQ(setSelectedItemStatus(host, 2), StatusChange::None);
    EXPECT_EQ(accessRequests, 1);
    EXPECT_EQ(statusOf(call), 0);
    EXPECT_FALSE(schedule.dirty);
    EXPECT_TRUE(changes.empty());
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
        saveScreenshot(*menu, "status-menu.png");
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    popUpStatusMenu(window, std::nullopt, table, host);
    EXPECT_EQ(shownAt, window.mapToGlobal(window.rect().center()));
    EXPECT_EQ(statusOf(call), 2);  // "proposed", the third entry
}

// --- Define Statuses ------------------------------------------------------------------

TEST_F(StatusDialogsTest, DefineStatusesShowsTheLabelsAndSamplesInTheirColours)
{
    table.setCellColor(3, 0x0000FFFF);
    DefineStatusesDialog dialog(table, settings, recordingSave());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Define Statuses");
    for (int i = 0; i < kStatusCount; ++i) {
        EXPECT_EQ(dialog.labelEdit(i)->text().toStdString(), table.label(i));
        EXPECT_EQ(dialog.labelEdit(i)->objectName(), QString("status%1").arg(284 + i));
        EXPECT_EQ(dialog.sample(i)->text(), "Color Sample Text");
        EXPECT_EQ(dialog.textButton(i)->text(), "Text");
        EXPECT_EQ(dialog.cellButton(i)->objectName(), QString("status%1").arg(1454 + i));
        EXPECT_EQ(dialog.sample(i)->palette().color(QPalette::WindowText), qColorOf(table.textColor(i))) << i;
    }
    EXPECT_EQ(dialog.sample(3)->palette().color(QPalette::Window), QColor(255, 255, 0));
    EXPECT_EQ(dialog.sample(4)->palette().color(QPalette::Window), QColor(255, 255, 255));  // none: the background
    EXPECT_NE(dialog.findChild<QLabel*>(), nullptr);
    bool noteShown = false;
    for (auto* label : dialog.findChildren<QLabel*>())
        noteShown = noteShown || label->text() == "Cell colors affect only the Month View";
    EXPECT_TRUE(noteShown);
    saveScreenshot(dialog, "define-statuses.png");
}

TEST_F(StatusDialogsTest, ColourChooserAndLabelsReachTheTableOnOk)
{
    DefineStatusesDialog dialog(table, settings, recordingSave());
    QSignalSpy changed(&dialog, &DefineStatusesDialog::statusesChanged);
    dialog.show();

    whenShown<QColorDialog>([](QColorDialog& chooser) {
        for (int i = 0; i < QColorDialog::customCount(); ++i)
            EXPECT_EQ(QColorDialog::customColor(i), QColor(Qt::white)) << i;
        chooser.setCurrentColor(QColor(0x10, 0x20, 0x30));
        chooser.accept();
    });
    QTest::mouseClick(dialog.textButton(0), Qt::LeftButton);
    EXPECT_EQ(dialog.textColor(0), 0x00302010u);
    EXPECT_EQ(dialog.sample(0)->palette().color(QPalette::WindowText), QColor(0x10, 0x20, 0x30));

    whenShown<QColorDialog>([](QColorDialog& chooser) {
        chooser.setCurrentColor(QColor(0xFF, 0xE0, 0xE0));
        chooser.accept();
    });
    QTest::mouseClick(dialog.cellButton(4), Qt::LeftButton);
    EXPECT_EQ(dialog.sample(4)->palette().color(QPalette::Window), QColor(0xFF, 0xE0, 0xE0));

    dialog.labelEdit(4)->clear();
    QTest::keyClicks(dialog.labelEdit(4), "waiting for reply");
    EXPECT_EQ(dialog.labelEdit(4)->text(), "waiting for");
    EXPECT_EQ(table.label(4), "");  // nothing reaches the table before OK

    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(table.label(4), "waiting for");
    EXPECT_EQ(table.cellColor(4), 0x00E0E0FFu);
    EXPECT_EQ(table.textColor(0), 0x00302010u);
    EXPECT_EQ(settings.color(ColorSetting::ColorNormalText), 0x00302010);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], table);
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(StatusDialogsTest, LabelLimitCountsBytesAndCutsWholeCharacters)
{
    DefineStatusesDialog dialog(table, settings, recordingSave());
    dialog.show();
    QLineEdit& edit = *dialog.labelEdit(1);
    edit.clear();
    for (int i = 0; i < 7; ++i)
        typeText(edit, QString::fromUtf8("\xC3\xBC"));  // two bytes each
    EXPECT_EQ(edit.text(), QString::fromUtf8("\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC"));
}

TEST_F(StatusDialogsTest, CancelAndAChooserClosedWithoutOkKeepTheTable)
{
    const StatusTable before = table;
    DefineStatusesDialog dialog(table, settings, recordingSave());
    dialog.show();
    whenShown<QColorDialog>([](QColorDialog& chooser) {
        chooser.setCurrentColor(QColor(1, 2, 3));
        chooser.reject();
    });
    QTest::mouseClick(dialog.textButton(2), Qt::LeftButton);
    EXPECT_EQ(dialog.textColor(2), before.textColor(2));
    dialog.labelEdit(2)->setText("other");
    QTest::mouseClick(buttonCaptioned(dialog, "Cancel"), Qt::LeftButton);
    EXPECT_EQ(table, before);
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ(settings.color(ColorSetting::ColorNormalText), 0);
}

TEST_F(StatusDialogsTest, AFailedSaveKeepsTheDialogOpenAndTheTableAsItWas)
{
    const StatusTable before = table;
    saveSucceeds = false;
    DefineStatusesDialog dialog(table, settings, recordingSave());
    dialog.show();
    dialog.labelEdit(5)->setText("lost?");
    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(table, before);
    saveSucceeds = true;
    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);
    EXPECT_EQ(table.label(5), "lost?");
}

// --- the Status Filter ------------------------------------------------------------------

TEST_F(StatusDialogsTest, StatusFilterBoxesShowWhichStatusesAreShown)
{
    table.setLabel(4, "R&D");
    setStatusHideMask(schedule.header, 0x0081);
    StatusFilterDialog dialog(table, filterHost());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Status Filter");
    for (int i = 0; i < kStatusCount; ++i) {
        EXPECT_EQ(dialog.box(i)->isChecked(), i != 0 && i != 7) << i;
        EXPECT_EQ(dialog.box(i)->objectName(), QString("status%1").arg(284 + i));
    }
    EXPECT_EQ(dialog.box(1)->text(), "tentative");
    EXPECT_EQ(dialog.box(4)->text(), "R&&D");
    saveScreenshot(dialog, "status-filter.png");
}

TEST_F(StatusDialogsTest, AStatusSetFromTheMenuIsHiddenByTheStatusFilter)
{
    QMenu menu;
    ASSERT_TRUE(fillStatusMenu(menu, table, host));
    menuEntry(menu, 383)->trigger();  // "proposed" on the selected item
    selected = memo;
    EXPECT_EQ(setSelectedItemStatus(host, 1), StatusChange::Changed);
    schedule.dirty = false;

    StatusFilterDialog dialog(table, filterHost());
    QSignalSpy changed(&dialog, &StatusFilterDialog::filterChanged);
    dialog.show();
    clickBox(*dialog.box(1));
    clickBox(*dialog.box(2));
    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);

    EXPECT_EQ(statusHideMask(schedule.header), 0x0006);
    EXPECT_TRUE(schedule.dirty);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(hidden(call));
    EXPECT_TRUE(hidden(memo));

    // Switching the filter off shows them again and keeps the mask.
    statusFilterOn = false;
    EXPECT_FALSE(hidden(call));
    EXPECT_FALSE(hidden(memo));
    EXPECT_EQ(statusHideMask(schedule.header), 0x0006);
}

TEST_F(StatusDialogsTest, StatusFilterCancelChangesNothing)
{
    setStatusHideMask(schedule.header, 0x0100);  // a bit beyond the statuses
    {
        StatusFilterDialog dialog(table, filterHost());
        dialog.show();
        clickBox(*dialog.box(3));
        QTest::mouseClick(buttonCaptioned(dialog, "Cancel"), Qt::LeftButton);
    }
    EXPECT_EQ(statusHideMask(schedule.header), 0x0100);
    EXPECT_FALSE(schedule.dirty);
    EXPECT_EQ(accessRequests, 0);

    StatusFilterDialog dialog(table, filterHost());
    dialog.show();
    clickBox(*dialog.box(3));
    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);
    EXPECT_EQ(statusHideMask(schedule.header), 0x0108);  // the other bits stay
}

TEST_F(StatusDialogsTest, StatusFilterWithoutChangeAccessFiltersButIsNotSaved)
{
    accessGranted = false;
    StatusFilterDialog dialog(table, filterHost());
    dialog.show();
    clickBox(*dialog.box(6));
    QTest::mouseClick(buttonCaptioned(dialog, "OK"), Qt::LeftButton);
    EXPECT_EQ(statusHideMask(schedule.header), 0x0040);
    EXPECT_FALSE(schedule.dirty);
}

} // namespace
} // namespace zk
