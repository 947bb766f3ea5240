// The session across starts: the window reopens where it was left, a
// damaged schedule is recovered from its backup when the user says so, the
// day changes at midnight, and what changed is saved by the tick alone.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "shell/mainwindow.h"
#include "shell/model/settings.h"
#include "shell/preferencesdialog.h"
#include "sharing/session.h"
#include "storage/datafile.h"
#include "views/daypane.h"

#include <QAbstractButton>
#include <QTimer>

#include <gmock/gmock.h>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class DesktopLifecycleTest : public DesktopFixture {
protected:
    fs::path dataFile() const { return home.defaultFolder() / "timedata.pak"; }

    void endSession()
    {
        ASSERT_TRUE(app->exitRequest());
        app->terminate();
        app.reset();
    }
    // A first session saves the sample; then the file is cut short, its backup kept.
    void damageSavedSchedule()
    {
        startSession();
        app->tick();
        ASSERT_TRUE(eventually([this] { return !app->saveThreadRunning(); }));
        endSession();
        fs::copy_file(dataFile(), home.defaultFolder() / "timedata.bak", fs::copy_options::overwrite_existing);
        fs::resize_file(dataFile(), 700);
    }
    bool showsLineStarting(const QString& description) const
    {
        for (const QString& line : app->window().dayPane().lines())
            if (line.section('\t', 1).startsWith(description))
                return true;
        return false;
    }
};

TEST_F(DesktopLifecycleTest, AnExistingScheduleReopensWithTheWindowWhereItWasLeft)
{
    startSession();
    EXPECT_EQ(app->window().geometry().topLeft(), QPoint(0, 0)) << "a new schedule starts in the first-run layout";
    app->window().setGeometry(40, 50, 700, 500);
    // Saved once the window rests, not while it moves.
    ASSERT_TRUE(eventually([this] {
        auto row = settings.value(windowRowName(0));
        return row && row->find(" 40 50 700 500 ") != std::string::npos;
    })) << settings.value(windowRowName(0)).value_or("(none)");
    endSession();

    startSession();
    EXPECT_FALSE(app->state().newSchedule);
    EXPECT_EQ(app->window().geometry(), QRect(40, 50, 700, 500));
    EXPECT_TRUE(showsLineStarting("Team stand-up"));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DesktopLifecycleTest, AChangeIsSavedByTheOneSecondTickAlone)
{
    startSession();
    ASSERT_TRUE(eventually([this] { return fs::exists(dataFile()) && !app->saveThreadRunning(); }));
    const auto before = fs::last_write_time(dataFile());
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        app->session().schedule().header.setDayEnd(TimeValue::fromClock(22, 0));
        app->session().schedule().dirty = true;
    }
    // No tick by hand: the session's own timer saves it, a second later.
    ASSERT_TRUE(eventually([&] { return fs::last_write_time(dataFile()) != before && !app->saveThreadRunning(); }));
    LoadResult saved = loadDataFile(dataFile());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved.schedule->header.dayEnd(), TimeValue::fromClock(22, 0));
}

TEST_F(DesktopLifecycleTest, ADamagedScheduleIsRecoveredFromTheBackupTheUserAccepts)
{
    damageSavedSchedule();
    presenter.queueAnswer(Answer::Yes);
    startSession();
    EXPECT_THAT(presenter.texts(), ::testing::Contains("Error reading data. " + dataFile().string()
                                                       + " file data may be invalid or incomplete. Use latest backup file?"));
    EXPECT_TRUE(showsLineStarting("Team stand-up"));
    EXPECT_GT(fs::file_size(dataFile()), 700u) << "the backup replaced the damaged file";
}

TEST_F(DesktopLifecycleTest, RefusingTheBackupOfADamagedScheduleEndsTheSessionAndKeepsTheFile)
{
    damageSavedSchedule();
    presenter.queueAnswer(Answer::No);
    app = std::make_unique<DesktopApp>(clock, presenter, settings);
    ASSERT_EQ(app->start({"", ZELKON_RESOURCE_DIR}), std::nullopt);
    ASSERT_TRUE(eventually([this] { return app->startupFailed(); }));
    EXPECT_EQ(fs::file_size(dataFile()), 700u);
    EXPECT_FALSE(fs::exists(home.defaultFolder() / "timedata.loc"));
}

TEST_F(DesktopLifecycleTest, AtMidnightTheTickMovesTodayAndThePaneShowingItOnToTheNewDay)
{
    clock.set({2024, 3, 11, 23, 59, 58});
    startSession();
    const DayNumber monday = kTestMorning.dayNumber();
    ASSERT_EQ(app->window().dayPane().day(), monday);

    clock.set({2024, 3, 12, 0, 0, 1});
    app->tick();
    EXPECT_EQ(app->today(), monday + 1);
    // A save running on its thread may hold the schedule through this tick;
    // the pane follows on a later one.
    ASSERT_TRUE(eventually([this, monday] {
        app->tick();
        return app->window().dayPane().day() == monday + 1;
    }));
    EXPECT_TRUE(app->window().statusText().contains(" - Tue 03/12/24")) << app->window().statusText().toStdString();
}

TEST_F(DesktopLifecycleTest, AHeaderPreferenceChangedInTheDialogIsSavedWithTheSchedule)
{
    startSession();
    const bool autosort = headerOption(app->session().schedule().header, HeaderOption::Autosort);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<PreferencesDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->control(1465)->click();
        dialog->accept();
    });
    app->openPreferences();
    endSession();

    LoadResult saved = loadDataFile(dataFile());
    ASSERT_TRUE(saved);
    EXPECT_NE(headerOption(saved.schedule->header, HeaderOption::Autosort), autosort);
}

} // namespace
} // namespace zk::testsupport
