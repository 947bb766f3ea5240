// The desktop session from start to end: a first start from the sample,
// saving from the tick on a save thread, the exit request waiting for it,
// a reload of what another session saved, and the window as a user sees it.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "storage/datafile.h"
#include "views/daypane.h"

#include <QDir>
#include <QRegularExpression>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

// Today's first entries carry their rank before the description.
bool showsLine(DesktopApp& app, const QString& description)
{
    static const QRegularExpression rank("^\\d+\\. ");
    for (const QString& line : app.window().dayPane().lines())
        if (line.section('\t', 1).remove(rank).startsWith(description))
            return true;
    return false;
}

NewItem appointmentToday(const std::string& text, int hour)
{
    NewItem item;
    item.day = kTestMorning.dayNumber();
    item.text = text;
    item.record.setKind(ItemKind::appointment);
    item.record.setFlags(ItemFlag::fAnchored);
    item.record.setBeginTime(static_cast<std::int16_t>(TimeValue::fromClock(hour, 0).value()));
    item.record.setDuration(30);
    return item;
}

bool savedScheduleHolds(const fs::path& folder, const std::string& text)
{
    LoadResult loaded = loadDataFile(folder / "timedata.pak");
    if (!loaded)
        return false;
    bool found = false;
    loaded.schedule->items.forEach([&](ItemHandle h) { found = found || loaded.schedule->storedDescription(h) == text; });
    return found;
}

void waitForSave(DesktopApp& app)
{
    app.tick();
    ASSERT_TRUE(eventually([&] { return !app.saveThreadRunning(); }));
}

using DesktopSessionTest = DesktopFixture;

TEST_F(DesktopSessionTest, AFirstStartMakesTheScheduleFromTheSampleAndShowsToday)
{
    startSession();
    EXPECT_TRUE(app->state().newSchedule);
    EXPECT_TRUE(app->state().sampleData);
    DayPane& pane = app->window().dayPane();
    EXPECT_EQ(pane.day(), kTestMorning.dayNumber());
    EXPECT_TRUE(pane.heading().startsWith("Monday")) << pane.heading().toStdString();
    // The sample's Monday, moved a week on to today.
    EXPECT_TRUE(showsLine(*app, "Team stand-up")) << pane.lines().join('\n').toStdString();
    EXPECT_TRUE(showsLine(*app, "Finish the quarterly report"));
    EXPECT_TRUE(pane.lines().contains("9:00a\tTeam stand-up (:15)")) << pane.lines().join('\n').toStdString();
    EXPECT_TRUE(app->window().statusText().contains(" - Mon ")) << app->window().statusText().toStdString();

    fs::create_directories(ZELKON_SCREENSHOT_DIR);
    EXPECT_TRUE(app->window().grab().save(ZELKON_SCREENSHOT_DIR "/mainwindow.png"));

    waitForSave(*app);
    const fs::path folder = home.defaultFolder();
    EXPECT_TRUE(savedScheduleHolds(folder, "Team stand-up"));
    EXPECT_EQ(settings.value("DataFolder"), folder.string());
    ASSERT_TRUE(app->exitRequest());
    app->terminate();
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DesktopSessionTest, TheTickSavesOnASaveThreadAndTheExitRequestWaitsForIt)
{
    startSession();
    waitForSave(*app);
    const fs::path folder = home.defaultFolder();
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        ASSERT_EQ(app->session().addItem(appointmentToday("Pick up the dry cleaning", 17)).status, AddStatus::Added);
    }
    // A save that cannot write shows its message from the thread it runs on.
    fs::create_directory(folder / "timedata.tmp");
    waitForSave(*app);
    std::vector<RecordingPresenter::Shown> shown = presenter.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MessageKind::Error);
    EXPECT_NE(shown[0].thread, std::this_thread::get_id());

    // The final save fails as well: the user keeps the session and its changes.
    EXPECT_FALSE(app->exitRequest());
    EXPECT_EQ(presenter.texts().back(), kSaveFailedOnExitText);
    EXPECT_FALSE(savedScheduleHolds(folder, "Pick up the dry cleaning"));

    fs::remove(folder / "timedata.tmp");
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        ASSERT_EQ(app->session().addItem(appointmentToday("Call the garage", 18)).status, AddStatus::Added);
    }
    app->tick();  // starts the save; the exit request waits for it and saves the rest
    ASSERT_TRUE(app->exitRequest());
    EXPECT_FALSE(app->saveThreadRunning());
    EXPECT_TRUE(savedScheduleHolds(folder, "Pick up the dry cleaning"));
    EXPECT_TRUE(savedScheduleHolds(folder, "Call the garage"));
}

TEST_F(DesktopSessionTest, WhatAnotherSessionSavedIsReloadedAndShown)
{
    startSession();
    waitForSave(*app);
    {
        ScriptedPresenter otherPresenter(Answer::No);
        Messages otherMessages(otherPresenter);
        SessionSettings other;
        other.folder = home.defaultFolder();
        other.userName = "colleague";
        Session colleague(std::move(other), clock, otherMessages);
        ASSERT_TRUE(colleague.open());
        ASSERT_TRUE(colleague.obtainChangeAccess(std::chrono::seconds(0)));
        ASSERT_EQ(colleague.addItem(appointmentToday("Meeting the colleague booked", 16)).status, AddStatus::Added);
        ASSERT_TRUE(colleague.save().ok());
        colleague.close();
    }
    EXPECT_FALSE(showsLine(*app, "Meeting the colleague booked"));
    EXPECT_TRUE(eventually([this] {
        app->tick();
        return showsLine(*app, "Meeting the colleague booked");
    })) << app->window().dayPane().lines().join('\n').toStdString();
    EXPECT_TRUE(showsLine(*app, "Team stand-up"));
}

TEST_F(DesktopSessionTest, AFolderOnTheCommandLineIsUsedAndAMissingScheduleIsNotInvented)
{
    const fs::path folder = home.root() / "plans";
    fs::create_directories(folder);
    // A named folder without a schedule asks before creating one; No ends it.
    app = std::make_unique<DesktopApp>(clock, presenter, settings);
    ASSERT_EQ(app->start({folder.string(), ZELKON_RESOURCE_DIR}), std::nullopt);
    ASSERT_TRUE(eventually([this] { return app->startupFailed(); }));
    EXPECT_FALSE(fs::exists(folder / "timedata.pak"));
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    ASSERT_FALSE(presenter.texts().empty());
    EXPECT_EQ(presenter.texts().front(), "File not found: " + (folder / "timedata.pak").string() + "\rCreate?");
}

} // namespace
} // namespace zk::testsupport
