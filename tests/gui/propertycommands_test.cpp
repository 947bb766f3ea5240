// The item property commands from the keys of the main window on the
// selected entry, and the placement settings through their dialogs, which
// are photographed.

#include "desktopsupport.h"

#include "engine/marvals.h"
#include "shell/model/propertycommands.h"
#include "shell/propertydialogs.h"

#include <QComboBox>
#include <QLabel>

namespace zk::testsupport {
namespace {

class PropertyCommandsWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        dispatch(Command::proMode);
    }

    // Today's first floating task that may be moved about.
    ItemHandle floatingTask()
    {
        for (const DayEntry& e : schedule().findDay(app->today())->entries()) {
            const ItemRecord& r = schedule().record(e.item);
            if (r.has(ItemFlag::fFloating) && !r.has(ItemFlag::fSplit | ItemFlag::recurrence | ItemFlag::notFreelyMovable))
                return e.item;
        }
        return kNoItem;
    }
    // The window's keys are shortcuts of the active window. On the offscreen
    // platform no window manager hands activation back when a dialog
    // closes, so the window takes it again first, as a desktop gives it.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
        QTest::keyClick(&app->window(), k, modifiers);
    }
};

TEST_F(PropertyCommandsWindowTest, TheKeysChangeTheSelectedItemAndTheDialogsTheSettings)
{
    const ItemHandle task = floatingTask();
    ASSERT_TRUE(task) << paneText();
    const std::string text(schedule().storedDescription(task));
    area().selectItemOn(app->today(), task);

    key(Qt::Key_F2);  // Floating off
    EXPECT_FALSE(schedule().record(task).has(ItemFlag::fFloating));
    EXPECT_EQ(area().selectedItem(), task) << "still selected";
    key(Qt::Key_F2);  // and on again
    EXPECT_TRUE(schedule().record(task).has(ItemFlag::fFloating));
    key(Qt::Key_F3);  // Key
    EXPECT_TRUE(schedule().record(task).has(ItemFlag::fKey));
    key(Qt::Key_F3, Qt::AltModifier);  // Private
    EXPECT_EQ(schedule().storedDescription(task), "|" + text);
    key(Qt::Key_F3, Qt::AltModifier);
    EXPECT_EQ(schedule().storedDescription(task), text);
    key(Qt::Key_V, Qt::ShiftModifier);  // Full description
    ASSERT_FALSE(presenter.texts().empty());
    EXPECT_EQ(presenter.texts().back(), text);
    EXPECT_TRUE(schedule().dirty);

    // Day Bounds: a window past midnight says where the day changes.
    onModal<DayBoundsDialog>([this](DayBoundsDialog& dialog) {
        typeInto(dialog.fromEdit(), "9");
        typeInto(dialog.toEdit(), "1a");
        EXPECT_EQ(dialog.nightOwlLabel()->text(), "Night owl support. Midnight at 5:00a");
        saveScreenshot(dialog, "day-bounds-dialog");
        typeInto(dialog.toEdit(), "6p");
        EXPECT_TRUE(dialog.nightOwlLabel()->text().isEmpty());
        pressOk(dialog);
    });
    dispatch(PropertyCommand::dayBounds);
    EXPECT_EQ(schedule().dayStart(), TimeValue::fromClock(9, 0));
    EXPECT_EQ(schedule().dayEnd(), TimeValue::fromClock(18, 0));
    EXPECT_FALSE(schedule().nightOwl());

    onModal<TimeValuesDialog>([](TimeValuesDialog& dialog) {
        typeInto(dialog.worthEdit(), "40");
        typeInto(dialog.rateEdit(), "300");
        saveScreenshot(dialog, "time-values-dialog");
        pressOk(dialog);  // refused: the rate is out of range
        typeInto(dialog.rateEdit(), "5");
        pressOk(dialog);
    });
    dispatch(PropertyCommand::timeValues);
    EXPECT_EQ(hourlyWorth(schedule().header), 40);
    EXPECT_EQ(interestRatePercent(schedule().header), 5);
    EXPECT_EQ(presenter.texts().back(), "Enter an interest rate from 0 to 255 percent.");

    // An interruption of ten minutes until 8:00 is today's, done.
    onModal<InterruptionDialog>([](InterruptionDialog& dialog) {
        typeInto(dialog.textEdit(), "Courier at the door");
        typeInto(dialog.durationEdit(), ":10");
        saveScreenshot(dialog, "handle-interruption-dialog");
        pressOk(dialog);
    });
    key(Qt::Key_Pause);  // Handle Interruption
    const ItemHandle courier = area().selectedItem();
    ASSERT_TRUE(courier);
    EXPECT_EQ(schedule().storedDescription(courier), "Courier at the door");
    EXPECT_TRUE(schedule().record(courier).has(ItemFlag::fDone));
    EXPECT_TRUE(shows("Courier at the door")) << paneText();
    saveScreenshot(app->window(), "after-interruption");
}

} // namespace
} // namespace zk::testsupport
