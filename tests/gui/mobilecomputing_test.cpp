// Check Out and Check In from the window: the schedule goes to a folder
// and comes back; the status line and the alarms follow
// the mark, and a checked-out schedule that starts offers to check in.

#include "desktopsupport.h"
#include "tests/sessionsupport.h"

#include "platform/paths.h"
#include "sharing/mobilecomputing.h"
#include "shell/mobilecommands.h"
#include "shell/model/settings.h"
#include "worktools/model/alarms.h"

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class MobileComputingWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        fs::create_directories(stick);
        startSessionInActiveWindow();
        // Today at 9:00, ringing 10 minutes before.
        NewItem dentist = appointmentOn(app->today(), "Dentist", TimeValue::fromClock(9, 0).value());
        dentist.record.setFlag(ItemFlag::fAlarm | ItemFlag::alarmFromBegin, true);
        dentist.record.setAlarmMinutes(10);
        ASSERT_EQ(app->session().addItem(dentist).status, AddStatus::Added);
        waitForSave();
        app->commands().mobile().setFolderChooser([this](const fs::path& start, const QString& caption) {
            asked.emplace_back(start, caption.toStdString());
            return answer;
        });
        presenter.clear();
    }

    bool markedOnDisk(const fs::path& folder)
    {
        LoadResult loaded = loadDataFile(folder / "timedata.pak");
        return loaded && checkedOut(loaded.schedule->header);
    }

    fs::path stick = home.root() / "stick";
    std::optional<fs::path> answer = stick;
    std::vector<std::pair<fs::path, std::string>> asked;
};

// What changed in the other folder coming back is met in
// MobileComputingTest.CheckInBringsBackWhatChangedElsewhere.
TEST_F(MobileComputingWindowTest, TheScheduleGoesOutAndComesBack)
{
    QTest::keyClick(&app->window(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, homeFolder() / "") << "MobilePath starts at home";
    EXPECT_EQ(asked[0].second, "Mobile Computing: Check Out. Select destination folder");
    EXPECT_EQ(app->preferences().text(TextSetting::MobilePath), stick.string());
    EXPECT_TRUE(markedOnDisk(app->session().files().folder()));
    EXPECT_TRUE(markedOnDisk(stick));
    EXPECT_TRUE(fs::exists(stick / "STATUS.TBL")) << "the set ends with the status table";
    app->tick();
    EXPECT_TRUE(app->window().statusText().endsWith(" - Checked-Out")) << app->window().statusText().toStdString();
    saveScreenshot(app->window(), "checked-out");

    // Its alarms ring where it is worked on now.
    minuteAt(8, 50);
    EXPECT_EQ(count("Dentist scheduled"), 0);

    QAction* checkIn = menuAction(MobileCommand::checkIn, "File");
    ASSERT_NE(checkIn, nullptr) << "File > Transfer > Mobile Computing";
    checkIn->trigger();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].first, stick) << "from MobilePath";
    EXPECT_EQ(asked[1].second, "Mobile Computing: Check In. Select source folder");
    EXPECT_TRUE(shows("Dentist")) << paneText();
    EXPECT_FALSE(checkedOut(schedule().header));
    app->tick();
    EXPECT_FALSE(app->window().statusText().contains("Checked-Out"));
    waitForSave();
    EXPECT_FALSE(markedOnDisk(app->session().files().folder()));
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();

    // Back home the alarm rings again.
    minuteAt(8, 51);
    EXPECT_EQ(count("Dentist scheduled to begin in 9 minutes."), 1) << ::testing::PrintToString(presenter.texts());

    // Checking in a schedule that is not out asks first; No leaves it.
    presenter.clear();
    app->window().activateWindow();  // after the copy's progress window
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
    QTest::keyClick(&app->window(), Qt::Key_I, Qt::ControlModifier);
    ASSERT_EQ(presenter.texts(),
              std::vector<std::string>{"You're not checked out. Are you sure you want to overwrite your files?"});
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(MobileComputingWindowTest, ACheckedOutScheduleOffersToCheckInWhenItStarts)
{
    app->commands().mobile().checkOut();
    ASSERT_TRUE(markedOnDisk(app->session().files().folder()));
    endSession();

    // No: the schedule is worked on here again.
    presenter.clear();
    startSession();
    EXPECT_EQ(count("You are checked-out. Check-in before making changes. Would you like to check-in now?"), 1);
    EXPECT_FALSE(checkedOut(schedule().header));
    EXPECT_FALSE(app->commands().mobile().checkedOut());
    waitForSave();
    EXPECT_FALSE(markedOnDisk(app->session().files().folder()));
}

} // namespace
} // namespace zk::testsupport
