// The Preferences dialog: it shows the preferences as they are, stores each
// click at once where that preference lives, and saves on closing.

#include "shell/model/autostart.h"
#include "shell/preferencesdialog.h"
#include "tests/gui/guitestmain.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace zk {
namespace {

namespace fs = std::filesystem;

class PreferencesDialogTest : public ::testing::Test {
protected:
    PreferencesDialogTest()
    {
        testsupport::guiApplication();
        std::string pattern = (fs::temp_directory_path() / "zk-preferences-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        SettingsEnvironment env;
        env.autostartFolder = root / "autostart";
        settings = Settings(env);
        header = ScheduleHeader::emptySchedule();
        store = std::make_unique<SettingStore>(root / "config");
    }
    ~PreferencesDialogTest() override
    {
        dialog.reset();
        fs::remove_all(root);
    }
    PreferencesDialog& open()
    {
        dialog = std::make_unique<PreferencesDialog>(settings, *store, [this]() -> ScheduleHeader& { return header; });
        dialog->setProgramPath("/usr/bin/zelkon");
        dialog->show();
        return *dialog;
    }
    QAbstractButton& control(int id)
    {
        QAbstractButton* c = dialog->control(id);
        if (!c)
            throw std::runtime_error("no control " + std::to_string(id));
        return *c;
    }
    // On the indicator: a box is wider than its caption, and only the
    // caption and the indicator take clicks.
    void click(int id)
    {
        QAbstractButton& c = control(id);
        QTest::mouseClick(&c, Qt::LeftButton, {}, QPoint(6, c.height() / 2));
    }

    static QWidget* nextTabStop(QWidget& from)
    {
        QWidget* w = from.nextInFocusChain();
        while (w != &from && !(w->isVisible() && (w->focusPolicy() & Qt::TabFocus)))
            w = w->nextInFocusChain();
        return w;
    }

    fs::path root;
    Settings settings;
    ScheduleHeader header;
    std::unique_ptr<SettingStore> store;
    std::unique_ptr<PreferencesDialog> dialog;
};

TEST_F(PreferencesDialogTest, OpensWithEveryControlSetFromItsPreference)
{
    settings.setOn(IntSetting::ShowEndTimes, true);
    settings.setOn(IntSetting::ShowTaskTimes, false);
    settings.setValue(IntSetting::FirstWeekRule, 2);
    settings.setValue(IntSetting::MoonAM, 1);
    settings.windowRow().agentsOff = 1;
    setHeaderOption(header, HeaderOption::Autobalance, true);
    header.setInterfaceMode(3);
    open();

    EXPECT_EQ(dialog->windowTitle(), "Preferences");
    EXPECT_TRUE(control(1228).isChecked());
    EXPECT_FALSE(control(1242).isChecked());
    EXPECT_TRUE(control(1294).isChecked());
    EXPECT_FALSE(control(1292).isChecked());
    EXPECT_TRUE(control(1379).isChecked());
    EXPECT_TRUE(control(1342).isChecked());
    EXPECT_FALSE(control(1250).isChecked());
    EXPECT_TRUE(control(1248).isChecked());
    EXPECT_FALSE(control(1255).isChecked());
    EXPECT_TRUE(control(1319).isChecked());
    EXPECT_FALSE(control(1317).isChecked());

    for (int id : {1251, 1381, 1267})
        EXPECT_TRUE(control(id).isHidden()) << id;
    for (int id : {1317, 1319, 1355, 1236, 1385, 1229, 1254, 1259, 1238, 1237, 1232, 1257, 1227, 1240, 1342,
                   1250, 1241, 1252, 1242, 1231, 1239, 1230, 1228, 1235, 1247, 1243, 1260, 1248, 1249, 1253,
                   1378, 1379, 1383, 1292, 1293, 1294, 1255, 1256, 1397, 1384, 1394, 1244, 1398, 1465, 1266,
                   1386, 1387, 1268, 1234, 1258, 1388, 1389, 1549, 1550, 1390, 1391, 1269})
        EXPECT_TRUE(control(id).isVisible()) << id;
    EXPECT_EQ(control(1394).text(), "Weeks start Mon (not Sun) ");
    // Tab goes down a column, then to the top of the next.
    EXPECT_EQ(nextTabStop(control(1242)), &control(1228));
    EXPECT_EQ(nextTabStop(control(1236)), &control(1385));
    EXPECT_EQ(nextTabStop(control(1294)), &control(1227));
}

TEST_F(PreferencesDialogTest, EachClickIsStoredAtOnceWhereThePreferenceLives)
{
    open();
    QSignalSpy headerChanges(dialog.get(), &PreferencesDialog::headerChanged);
    QSignalSpy modes(dialog.get(), &PreferencesDialog::interfaceModeChanged);

    click(1228);  // "Show end times"
    EXPECT_TRUE(settings.isOn(IntSetting::ShowEndTimes));
    click(1259);  // "Appointments only" of the month view, not the week view's
    EXPECT_TRUE(settings.isOn(IntSetting::MonthviewEventsOnly));
    EXPECT_FALSE(settings.isOn(IntSetting::WeekviewEventsOnly));
    click(1293);  // "First full week after Jan 1"
    EXPECT_EQ(settings.value(IntSetting::FirstWeekRule), 1);
    click(1250);  // "Alarms off", kept in the window row
    EXPECT_EQ(settings.windowRow().alarmsOff, 1);
    EXPECT_EQ(headerChanges.count(), 0);

    const std::uint32_t before = header.u32(ScheduleHeader::optionWordAt);
    click(1255);  // "Conflict Checking"
    EXPECT_EQ(header.u32(ScheduleHeader::optionWordAt), before | 0x40000000u);
    EXPECT_EQ(headerChanges.count(), 1);

    click(1319);  // "&PRO"
    EXPECT_EQ(header.interfaceMode(), 3u);
    ASSERT_EQ(modes.count(), 1);
    EXPECT_EQ(modes.at(0).at(0).toInt(), 3);
    click(1319);  // already PRO: nothing to apply
    EXPECT_EQ(modes.count(), 1);
}

TEST_F(PreferencesDialogTest, CloseSavesWhatTheUserChanged)
{
    settings.setUserNumber(4);
    open();
    QSignalSpy saved(dialog.get(), &PreferencesDialog::saved);
    click(1253);  // "Moon phases"
    click(1260);  // "Shade lines", on by default
    click(1342);  // "Agents off"
    QPushButton* close = nullptr;
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == "Close")
            close = b;
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(saved.count(), 1);

    SettingStore again(root / "config");
    Settings read;
    read.setUserNumber(4);
    read.read(again);
    read.readWindowRow(again);
    EXPECT_TRUE(read.isOn(IntSetting::ShowMoons));
    EXPECT_FALSE(read.isOn(IntSetting::Shading));
    EXPECT_EQ(read.windowRow().agentsOff, 1);
}

TEST_F(PreferencesDialogTest, LaunchAtStartUpKeepsTheAutostartEntry)
{
    open();
    click(1269);
    EXPECT_TRUE(launchesAtStartup(root / "autostart"));
    EXPECT_TRUE(settings.isOn(IntSetting::AutoStart));
    click(1269);
    EXPECT_FALSE(launchesAtStartup(root / "autostart"));
    EXPECT_FALSE(settings.isOn(IntSetting::AutoStart));
}

TEST_F(PreferencesDialogTest, Screenshot)
{
    open();
    fs::create_directories(ZELKON_SCREENSHOT_DIR);
    QTest::qWait(50);
    EXPECT_TRUE(dialog->grab().save(ZELKON_SCREENSHOT_DIR "/preferences.png"));
}

} // namespace
} // namespace zk
