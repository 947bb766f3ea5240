// The Preferences dialog: it shows the preferences as they are, stores each
// click at once where that preference lives, and saves on closing.

#include "shell/model/autostart.h"
#include "shell/preferencesdialog.h"
#include "tests/gui/guitestmain.h"

#include <QAbstractButton>
#include <QSignalSpy>

#include <memory>

namespace zk {
namespace {

namespace fs = std::filesystem;

class PreferencesDialogTest : public ::testing::Test {
protected:
    PreferencesDialogTest()
    {
        testsupport::guiApplication();
        SettingsEnvironment env;
        env.autostartFolder = root / "autostart";
        settings = Settings(env);
        header = ScheduleHeader::emptySchedule();
        store = std::make_unique<SettingStore>(root / "config");
    }
    void open()
    {
        dialog = std::make_unique<PreferencesDialog>(settings, *store, [this]() -> ScheduleHeader& { return header; });
        dialog->setProgramPath("/usr/bin/zelkon");
        dialog->show();
    }
    QAbstractButton& control(int id)
    {
        QAbstractButton* c = dialog->control(id);
        if (!c)
            throw std::runtime_error("no control " + std::to_string(id));
        return *c;
    }
    void click(int id) { testsupport::click(&control(id)); }

    static QWidget* nextTabStop(QWidget& from)
    {
        QWidget* w = from.nextInFocusChain();
        while (w != &from && !(w->isVisible() && (w->focusPolicy() & Qt::TabFocus)))
            w = w->nextInFocusChain();
        return w;
    }

    testsupport::TempFolder temporary;
    const fs::path& root = temporary.path();
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
    const struct {
        int id;
        bool checked;
    } cases[] = {{1228, true},  {1242, false}, {1294, true},  {1292, false}, {1379, true}, {1342, true},
                 {1250, false}, {1248, true},  {1255, false}, {1319, true},  {1317, false}};
    for (const auto& c : cases)
        EXPECT_EQ(control(c.id).isChecked(), c.checked) << c.id;
    // Every control is shown but these three.
    const QList<QAbstractButton*> hidden{&control(1251), &control(1381), &control(1267)};
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        EXPECT_EQ(b->isHidden(), hidden.contains(b)) << b->objectName().toStdString() << " " << b->text().toStdString();
    EXPECT_EQ(control(1394).text(), "Weeks start Mon (not Sun) ");
    // Tab goes down a column, then to the top of the next.
    EXPECT_EQ(nextTabStop(control(1242)), &control(1228));
    EXPECT_EQ(nextTabStop(control(1236)), &control(1399));
    EXPECT_EQ(nextTabStop(control(1399)), &control(1385));
    EXPECT_EQ(nextTabStop(control(1294)), &control(1227));
    testsupport::saveScreenshot(*dialog, "preferences");
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

    click(1269);  // "Launch at start-up" keeps the autostart entry
    EXPECT_TRUE(launchesAtStartup(root / "autostart"));
    EXPECT_TRUE(settings.isOn(IntSetting::AutoStart));
    click(1269);
    EXPECT_FALSE(launchesAtStartup(root / "autostart"));
    EXPECT_FALSE(settings.isOn(IntSetting::AutoStart));
}

TEST_F(PreferencesDialogTest, CloseSavesWhatTheUserChanged)
{
    settings.setUserNumber(4);
    open();
    QSignalSpy saved(dialog.get(), &PreferencesDialog::saved);
    click(1253);  // "Moon phases"
    click(1260);  // "Shade lines", on by default
    click(1342);  // "Agents off"
    testsupport::clickButton(*dialog, "Close");
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

} // namespace
} // namespace zk
