// The desktop session from start to end: a first start from the sample,
// saving on a save thread, the exit request waiting for it, and a reload
// of what another session saved.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "storage/datafile.h"
#include "views/daypane.h"

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
    bool found = false;
    if (loaded)
        loaded.schedule->items.forEach([&](ItemHandle h) { found = found || loaded.schedule->storedDescription(h) == text; });
    return found;
}

class DesktopSessionTest : public DesktopFixture {
protected:
    void waitForSave()
    {
        app->tick();
        ASSERT_TRUE(eventually([&] { return !app->saveThreadRunning(); }));
    }
    void add(const std::string& text, int hour, Session& into)
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        ASSERT_EQ(into.addItem(appointmentToday(text, hour)).status, AddStatus::Added);
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
    EXPECT_TRUE(showsLine(*app, "Finish the quarterly report")) << pane.lines().join('\n').toStdString();
    EXPECT_TRUE(pane.lines().contains("9:00a\tTeam stand-up (:15)")) << pane.lines().join('\n').toStdString();
    saveScreenshot(app->window(), "mainwindow");

    waitForSave();
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
    waitForSave();
    const fs::path folder = home.defaultFolder();
    add("Pick up the dry cleaning", 17, app->session());
    // A save that cannot write shows its message from the thread it runs on.
    fs::create_directory(folder / "timedata.tmp");
    waitForSave();
    std::vector<RecordingPresenter::Shown> shown = presenter.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, MessageKind::Error);
    EXPECT_NE(shown[0].thread, std::this_thread::get_id());

    // The final save fails as well: the user keeps the session and its changes.
    EXPECT_FALSE(app->exitRequest());
    EXPECT_EQ(presenter.texts().back(), kSaveFailedOnExitText);
    EXPECT_FALSE(savedScheduleHolds(folder, "Pick up the dry cleaning"));

    fs::remove(folder / "timedata.tmp");
    add("Call the garage", 18, app->session());
    app->tick();  // starts the save; the exit request waits for it and saves the rest
    ASSERT_TRUE(app->exitRequest());
    EXPECT_FALSE(app->saveThreadRunning());
    EXPECT_TRUE(savedScheduleHolds(folder, "Pick up the dry cleaning"));
    EXPECT_TRUE(savedScheduleHolds(folder, "Call the garage"));
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
        return showsLine(*app, "Meeting the colleague booked");
    })) << app->window().dayPane().lines().join('\n').toStdString();
    EXPECT_TRUE(showsLine(*app, "Team stand-up"));
}

TEST_F(DesktopSessionTest, AFolderOnTheCommandLineWithoutAScheduleAsksBeforeCreatingOne)
{
    const fs::path folder = home.root() / "plans";
    fs::create_directories(folder);
    app = std::make_unique<DesktopApp>(clock, presenter, settings);
    ASSERT_EQ(app->start({folder.string(), ZELKON_RESOURCE_DIR}), std::nullopt);
    ASSERT_TRUE(eventually([this] { return app->startupFailed(); }));
    EXPECT_FALSE(fs::exists(folder / "timedata.pak")) << "No ends it";
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"File not found: " + (folder / "timedata.pak").string() + "\rCreate?"});
}

} // namespace
} // namespace zk::testsupport
