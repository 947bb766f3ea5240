// The desktop session from start to end and across starts: a first start
// from the sample, saving on a save thread and by the tick alone, the exit
// request waiting for it, a reload of what another session saved, the
// window reopening where it was left, and the day changing at midnight.
// (Recovering a damaged schedule is met in the recovery tests.)

#include "buildpaths.h"
#include "desktopsupport.h"
#include "tests/sessionsupport.h"

#include "shell/model/settings.h"
#include "shell/preferencesdialog.h"

#include <QAbstractButton>

#include <atomic>
#include <thread>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class DesktopSessionTest : public DesktopFixture {
protected:
    fs::path dataFile() const { return home.defaultFolder() / "timedata.pak"; }
    bool savedScheduleHolds(const std::string& text)
    {
        LoadResult loaded = loadDataFile(dataFile());
        bool found = false;
        if (loaded)
            loaded.schedule->items.forEach([&](ItemHandle h) { found = found || loaded.schedule->storedDescription(h) == text; });
        return found;
    }
    void add(const std::string& text, int hour, Session& into)
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        ASSERT_EQ(into.addItem(appointmentOn(kTestMorning.dayNumber(), text, TimeValue::fromClock(hour, 0).value())).status,
                  AddStatus::Added);
    }
    // A start that ends before the window opens.
    void startSessionThatFails(const std::string& commandLine)
    {
        app = std::make_unique<DesktopApp>(clock, presenter, settings);
        ASSERT_EQ(app->start({commandLine, ZELKON_RESOURCE_DIR}), std::nullopt);
        ASSERT_TRUE(eventually([this] { return app->startupFailed(); }));
    }
};

TEST_F(DesktopSessionTest, AFirstStartMakesTheScheduleFromTheSampleAndShowsToday)
{
    startSession();
    EXPECT_TRUE(app->state().sampleData);
    DayPane& pane = app->window().dayPane();
    EXPECT_EQ(pane.day(), kTestMorning.dayNumber());
    EXPECT_TRUE(pane.heading().startsWith("Monday")) << pane.heading().toStdString();
    // The sample's Monday, moved a week on to today.
    EXPECT_TRUE(shows("Finish the quarterly report")) << paneText();
    EXPECT_TRUE(pane.lines().contains("9:00a\tTeam stand-up (:15)")) << paneText();
    EXPECT_EQ(app->window().frameGeometry().topLeft(), QPoint(0, 0)) << "a new schedule starts in the first-run layout, title bar on the screen";
    saveScreenshot(app->window(), "mainwindow");

    waitForSave();
    EXPECT_TRUE(savedScheduleHolds("Team stand-up"));
    EXPECT_EQ(settings.value("DataFolder"), home.defaultFolder().string());
    ASSERT_TRUE(app->exitRequest());
    app->terminate();
    EXPECT_FALSE(fs::exists(home.defaultFolder() / "timedata.loc"));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DesktopSessionTest, TheTickSavesOnASaveThreadAndTheExitRequestWaitsForIt)
{
    startSession();
    waitForSave();
    add("Pick up the dry cleaning", 17, app->session());
    // A save that cannot write shows its message from the thread it runs on.
    static std::atomic<std::thread::id> shownOn;
    presenter.setEcho([](const ScriptedPresenter::Shown&) { shownOn = std::this_thread::get_id(); });
    fs::create_directory(home.defaultFolder() / "timedata.tmp");
    waitForSave();
    std::vector<ScriptedPresenter::Shown> shown = presenter.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MessageKind::Error);
    EXPECT_NE(shownOn.load(), std::thread::id{});
    EXPECT_NE(shownOn.load(), std::this_thread::get_id());

    // The final save fails as well: the user keeps the session and its changes.
    EXPECT_FALSE(app->exitRequest());
    EXPECT_EQ(presenter.texts().back(), kSaveFailedOnExitText);
    EXPECT_FALSE(savedScheduleHolds("Pick up the dry cleaning"));

    fs::remove(home.defaultFolder() / "timedata.tmp");
    add("Call the garage", 18, app->session());
    app->tick();  // starts the save; the exit request waits for it and saves the rest
    ASSERT_TRUE(app->exitRequest());
    EXPECT_FALSE(app->saveThreadRunning());
    EXPECT_TRUE(savedScheduleHolds("Pick up the dry cleaning"));
    EXPECT_TRUE(savedScheduleHolds("Call the garage"));
}

TEST_F(DesktopSessionTest, AChangeIsSavedByTheOneSecondTickAlone)
{
    startSession();
    ASSERT_TRUE(eventually([this] { return fs::exists(dataFile()) && !app->saveThreadRunning(); }));
    const auto before = fs::last_write_time(dataFile());
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        schedule().header.setDayEnd(TimeValue::fromClock(22, 0));
        schedule().dirty = true;
    }
    // No tick by hand: the session's own timer saves it, a second later.
    ASSERT_TRUE(eventually([&] { return fs::last_write_time(dataFile()) != before && !app->saveThreadRunning(); }));
    LoadResult saved = loadDataFile(dataFile());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved.schedule->header.dayEnd(), TimeValue::fromClock(22, 0));
}

TEST_F(DesktopSessionTest, WhatAnotherSessionSavedIsReloadedAndShown)
{
    startSession();
    waitForSave();
    {
        ScriptedPresenter otherPresenter(Answer::No);
        Messages otherMessages(otherPresenter);
        SessionSettings other;
        other.folder = home.defaultFolder();
        other.userName = "colleague";
        Session colleague(std::move(other), clock, otherMessages);
        ASSERT_TRUE(colleague.open());
        ASSERT_TRUE(colleague.obtainChangeAccess(std::chrono::seconds(0)));
        add("Meeting the colleague booked", 16, colleague);
        ASSERT_TRUE(colleague.save().ok());
        colleague.close();
    }
    EXPECT_TRUE(eventually([this] {
        app->tick();
        return shows("Meeting the colleague booked");
    })) << paneText();
    EXPECT_TRUE(shows("Team stand-up"));
}

TEST_F(DesktopSessionTest, AFolderOnTheCommandLineWithoutAScheduleAsksBeforeCreatingOne)
{
    const fs::path folder = home.root() / "plans";
    fs::create_directories(folder);
    startSessionThatFails(folder.string());
    EXPECT_FALSE(fs::exists(folder / "timedata.pak")) << "No ends it";
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"File not found: " + (folder / "timedata.pak").string() + "\rCreate?"});
}

TEST_F(DesktopSessionTest, AnExistingScheduleReopensWithTheWindowWhereItWasLeft)
{
    startSession();
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
    EXPECT_TRUE(shows("Team stand-up"));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DesktopSessionTest, AtMidnightTheTickMovesTodayAndThePaneShowingItOnToTheNewDay)
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

TEST_F(DesktopSessionTest, AHeaderPreferenceChangedInTheDialogIsSavedWithTheSchedule)
{
    startSession();
    const bool autosort = headerOption(schedule().header, HeaderOption::Autosort);
    onModal<PreferencesDialog>([](PreferencesDialog& dialog) {
        dialog.control(1465)->click();
        dialog.accept();
    });
    app->openPreferences();
    endSession();

    LoadResult saved = loadDataFile(dataFile());
    ASSERT_TRUE(saved);
    EXPECT_NE(headerOption(saved.schedule->header, HeaderOption::Autosort), autosort);
}

} // namespace
} // namespace zk::testsupport
