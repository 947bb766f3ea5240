// Past days in the desktop program: finished days leave the data file in
// the minute work and come back when the pane is scrolled to them; the
// File menu's Save and Exit All Sharing.

#include "desktopsupport.h"

#include "shell/accesspendingwindow.h"
#include "shell/model/commands.h"

#include <QLabel>

#include <algorithm>
#include <fstream>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class PastDaysDesktopTest : public DesktopFixture {
protected:
    // A schedule whose last days before today are done, but for yesterday.
    void writeSchedule()
    {
        const DayNumber today = kTestMorning.dayNumber();
        Schedule s;
        s.setClock(&clock);
        s.header = ScheduleHeader::emptySchedule();
        s.header.setInterfaceMode(3);
        const std::uint32_t writeLogFiles = 0x20000000;
        s.header.setU32(ScheduleHeader::optionWordAt, s.header.u32(ScheduleHeader::optionWordAt) | writeLogFiles);
        s.header.setLastPastDay(today - 5);
        auto add = [&](const std::string& text, DayNumber day, bool done, int hour) {
            ItemHandle h = s.newItem();
            s.setDescription(h, text);
            ItemRecord& r = s.record(h);
            r.setKind(ItemKind::appointment);
            r.setFlags(ItemFlag::fAnchored | (done ? ItemFlag::fDone : 0));
            r.setBeginTime(static_cast<std::int16_t>(TimeValue::fromClock(hour, 0).value()));
            r.setDuration(60);
            r.setDay(static_cast<std::uint16_t>(day.value()));
            s.itemId(h);
            s.addToChain(h, day);
            s.getDay(day);
            s.days.appendEntry(day, DayEntry{h, r.beginTime(), 60});
        };
        add("Wrote the minutes", today - 3, true, 9);
        add("Lunch with Ann", today - 2, true, 12);
        add("Sort the receipts", today - 1, false, 15);
        fs::create_directories(home.defaultFolder());
        ASSERT_TRUE(saveDataFile(s, home.defaultFolder() / "timedata.pak"));
        // As an earlier session would have left it: with its backups.
        for (const char* backup : {"timedata.bak", "timedata.bk2"})
            fs::copy_file(home.defaultFolder() / "timedata.pak", home.defaultFolder() / backup);
    }
    void nextMinute()
    {
        waitForSave();
        clock.advanceSeconds(60);
        app->tick();
    }
};

TEST_F(PastDaysDesktopTest, FinishedDaysLeaveAtTheMinuteAndComeBackWhenThePaneScrollsBack)
{
    writeSchedule();
    startSession();
    nextMinute();
    const DayNumber today = kTestMorning.dayNumber();
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        EXPECT_EQ(schedule().header.lastPastDay(), today - 2);
        EXPECT_EQ(schedule().findDay(today - 3), nullptr);
    }
    EXPECT_TRUE(fs::exists(home.defaultFolder() / "timedata.x24"));
    EXPECT_TRUE(fs::exists(home.defaultFolder() / "Mar24.log"));
    waitForSave();
    LoadResult saved = loadDataFile(home.defaultFolder() / "timedata.pak");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved.schedule->findDay(today - 2), nullptr) << "the data file no longer holds the day";

    dispatch(Command::priorDay);
    dispatch(Command::priorDay);
    EXPECT_EQ(app->window().dayPane().day(), today - 2);
    EXPECT_TRUE(shows("Lunch with Ann")) << paneText();
    saveScreenshot(app->window(), "pastday");
    dispatch(Command::priorDay);
    EXPECT_TRUE(shows("Wrote the minutes")) << paneText();
    // The undone items of yesterday bring the carry-over reminder; nothing
    // else may be said.
    std::vector<std::string> said = presenter.texts();
    std::erase_if(said, [](const std::string& text) { return text.starts_with("Reminder: There are items on past days"); });
    EXPECT_TRUE(said.empty()) << said.front();
}

TEST_F(PastDaysDesktopTest, SaveSavesNowAndExitAllSharingAsksTheOtherSessionsToClose)
{
    startSession();
    waitForSave();
    const auto before = fs::last_write_time(home.defaultFolder() / "timedata.pak");
    dispatch(1);
    EXPECT_EQ(presenter.texts().back(), "Tip: Zelkon automatically saves your data every 60 seconds.");
    EXPECT_NE(fs::last_write_time(home.defaultFolder() / "timedata.pak"), before);

    dispatch(751);
    EXPECT_TRUE(eventually([this] { return !app->window().isVisible(); }));
    EXPECT_TRUE(fs::exists(home.defaultFolder() / "timedata.xit"));
}

TEST_F(PastDaysDesktopTest, AnotherSessionsExitRequestClosesThisOne)
{
    startSession();
    waitForSave();
    std::ofstream(home.defaultFolder() / "timedata.xit").flush();
    EXPECT_TRUE(eventually([this] {
        app->tick();
        return !app->window().isVisible();
    }));
}

TEST_F(PastDaysDesktopTest, TheFirstRefusalOpensTheAccessPendingWindowUntilTheOtherSessionLetsGo)
{
    startSession();
    waitForSave();
    ScriptedPresenter otherPresenter;
    Messages otherMessages{otherPresenter};
    SessionSettings settings;
    settings.folder = home.defaultFolder();
    settings.userName = "colleague";
    auto other = std::make_unique<Session>(std::move(settings), clock, otherMessages);
    ASSERT_TRUE(other->open());
    ASSERT_TRUE(other->obtainChangeAccess(std::chrono::seconds(0)));

    dispatch(1);
    EXPECT_EQ(presenter.texts().back(), "Cannot save file until access available.");
    AccessPendingWindow* pending = nullptr;
    EXPECT_TRUE(eventually([&] {
        pending = app->window().findChild<AccessPendingWindow*>();
        return pending && pending->isVisible();
    }));
    ASSERT_TRUE(pending);
    std::vector<std::string> labels;
    for (QLabel* label : pending->findChildren<QLabel*>())
        labels.push_back(label->text().toStdString());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "update access pending..."), labels.end());
    saveScreenshot(*pending, "accesspending");

    other->close();
    other.reset();
    EXPECT_TRUE(eventually([&] {
        app->tick();
        return !pending->isVisible();
    })) << "access came: the window closes";
}

} // namespace
} // namespace zk::testsupport
