// Balancing from the window: Alt+F8 on the sample day after lunch, the
// Balance Workload Settings dialog, the run the tick starts in the
// background with Autobalance on, and the conflict question after an
// appointment is stored over lunch. The balanced day and the dialog are
// photographed.

#include "desktopsupport.h"
#include "tests/sessionsupport.h"

#include "editing/itemdialog.h"
#include "engine/balancing.h"
#include "engine/conflicts.h"
#include "shell/balancecommands.h"
#include "shell/balancesettingsdialog.h"
#include "shell/model/settings.h"
#include "sharing/additem.h"

#include <QLineEdit>

namespace zk::testsupport {
namespace {

const LocalMoment kAfterLunch{2024, 3, 11, 13, 30, 30};

class BalancingWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        clock.set(kAfterLunch);
        startSessionInActiveWindow();
    }

    // No floating entry of today starts before now. That none lies over an
    // appointment, on this same sample day, is met by
    // ZkBalanceTest.TheSampleDayAfterLunchIsBalanced.
    void expectTodayBalanced()
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        const DayRecord* today = schedule().findDay(app->today());
        ASSERT_NE(today, nullptr);
        int floating = 0;
        for (const DayEntry& e : today->entries()) {
            const ItemRecord& r = schedule().record(e.item);
            if (!r.has(ItemFlag::fFloating) || r.has(ItemFlag::fDone))
                continue;
            ++floating;
            EXPECT_GE(e.startTime(), app->now()) << schedule().storedDescription(e.item);
        }
        EXPECT_GT(floating, 0) << "the afternoon has room for some";
    }
};

TEST_F(BalancingWindowTest, AltF8BalancesTheSampleDayAfterLunch)
{
    // Balancing is a command of the PRO mode's menus and keys.
    dispatch(Command::proMode);
    QTest::keyClick(&app->window(), Qt::Key_F8, Qt::AltModifier);
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    expectTodayBalanced();
    EXPECT_EQ(balanceSettings(schedule().header).lastBalanceDay, app->today());
    EXPECT_FALSE(app->session().rebalance().requested());
    EXPECT_TRUE(schedule().dirty || app->session().saveState().dirty());
    saveScreenshot(app->window(), "balanced-sample-day");
}

TEST_F(BalancingWindowTest, TheSettingsDialogRefusesABadSplitMinimumAndStoresTheRest)
{
    presenter.setDefaultAnswer(Answer::Yes);
    bool shown = false;
    onModal<BalanceSettingsDialog>([&](BalanceSettingsDialog& dialog) {
        shown = true;
        saveScreenshot(dialog, "balance-workload-settings");
        typeInto(dialog.field(BalanceField::TodayReserve), "1:00");
        typeInto(dialog.field(BalanceField::FutureReserve), ":30");
        typeInto(dialog.field(BalanceField::KeepClearFirst), "3/20/24");
        typeInto(dialog.field(BalanceField::KeepClearLast), "3/18/24");
        pressOk(dialog);
        EXPECT_TRUE(dialog.isVisible()) << "the last date lies before the first";
        typeInto(dialog.field(BalanceField::KeepClearLast), "3/22/24");
        typeInto(dialog.field(BalanceField::MinSplit), "13");
        pressOk(dialog);
        EXPECT_TRUE(dialog.isVisible()) << "13 hours is more than 12";
        typeInto(dialog.field(BalanceField::MinSplit), ":20");
        pressOk(dialog);
    });
    dispatch(394);
    ASSERT_TRUE(shown);
    const std::vector<std::string> texts = presenter.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], kDatesInconsistentText);
    EXPECT_EQ(texts[1], kSplitMinimumRangeText);
    BalanceSettings stored = balanceSettings(schedule().header);
    EXPECT_EQ(stored.todayReserve, 60);
    EXPECT_EQ(stored.futureReserve, 30);
    EXPECT_EQ(stored.keepClearFirst, DayNumber(16151));
    EXPECT_EQ(stored.keepClearLast, DayNumber(16153));
    EXPECT_EQ(stored.minSplitMinutes, 20);
    EXPECT_TRUE(app->session().rebalance().requested());
}

TEST_F(BalancingWindowTest, WithAutobalanceOnATickBalancesInTheBackground)
{
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        setHeaderOption(schedule().header, HeaderOption::Autobalance, true);
    }
    requestRebalance(app->session());
    ASSERT_TRUE(eventually([this] {
        app->tick();
        return !app->session().rebalance().requested() && !app->commands().balancing().running();
    }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    expectTodayBalanced();

    // The day change waits for a run that is still going.
    requestRebalance(app->session());
    clock.set(LocalMoment{2024, 3, 12, 0, 0, 30});
    app->tick();
    EXPECT_FALSE(app->commands().balancing().running());
}

TEST_F(BalancingWindowTest, AnAppointmentStoredOverLunchAsksAboutTheConflict)
{
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        setHeaderOption(schedule().header, HeaderOption::ConflictChecking, true);
    }
    onModal<ItemDialog>([](ItemDialog& dialog) {
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::text)), "Call the plumber");
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::beginTime)), "12:45");
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::duration)), ":30");
        pressOk(dialog);
    });
    dispatch(649);
    ASSERT_FALSE(presenter.texts().empty());
    const std::string question = presenter.texts().back();
    EXPECT_NE(question.find("Conflict found with Lunch with Ann at the Riverside Cafe."), std::string::npos)
        << question;
    EXPECT_NE(question.find("Continue Checking?"), std::string::npos);
}

// Optimize on a day that wants more swaps than one run allows flashes the
// status line: another run may help.
TEST_F(BalancingWindowTest, OptimizeUsingAllItsSwapsFlashesTheStatusLine)
{
    dispatch(Command::proMode);
    const DayNumber today = app->today();
    std::vector<ItemHandle> calls;
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        for (int i = 0; i < 12; ++i) {
            AddResult added = app->session().addItem(
                appointmentOn(today, "Call " + std::to_string(i), TimeValue::fromClock(15, 5 * i).value(), 5));
            ASSERT_EQ(added.status, AddStatus::Added);
            calls.push_back(added.item);
        }
        // Listed latest first: each adjacent pair is out of time order.
        schedule().days.editEntries(today, [&](std::vector<DayEntry>& entries) {
            std::vector<DayEntry*> ours;
            for (DayEntry& e : entries)
                if (std::find(calls.begin(), calls.end(), e.item) != calls.end())
                    ours.push_back(&e);
            for (std::size_t i = 0; i < ours.size() / 2; ++i)
                std::swap(*ours[i], *ours[ours.size() - 1 - i]);
        });
    }
    app->showDay(today);
    EXPECT_FALSE(area().statusLineFlashing());
    QTest::keyClick(&app->window(), Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_TRUE(area().statusLineFlashing());
    EXPECT_TRUE(eventually([this] { return !area().statusLineFlashing(); })) << "only for a moment";
}

} // namespace
} // namespace zk::testsupport
