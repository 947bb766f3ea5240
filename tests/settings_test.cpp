// The preference catalogue: values through the store's read order, typed
// parsing, what a save writes, the window row, fonts, colours, the header's
// preferences and the defaults of new and upgraded schedules.

#include "shell/model/autostart.h"
#include "shell/model/settings.h"
#include "tests/sessionsupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <tuple>

namespace zk {
namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest()
    {
        fs::create_directories(config());
        fs::create_directories(schedule());
    }
    fs::path config() const { return temp.path() / "config"; }
    fs::path schedule() const { return temp.path() / "schedule"; }
    fs::path autostart() const { return temp.path() / "autostart"; }
    void write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }
    // A fresh store each time, so it reads what the last one wrote.
    std::unique_ptr<SettingStore> store() const
    {
        auto s = std::make_unique<SettingStore>(config());
        s->setScheduleFolder(schedule());
        return s;
    }
    SettingsEnvironment environment(bool mondayFirst = false, int firstWeekRule = 0) const
    {
        SettingsEnvironment env;
        env.localeWeek.weekStartsMonday = mondayFirst;
        env.localeWeek.firstWeekRule = firstWeekRule;
        env.autostartFolder = autostart();
        return env;
    }

    TempFolder temp;
};

TEST_F(SettingsTest, ValuesComeThroughTheReadOrderElseTheirDefaults)
{
    write(config() / "Zelkon.ini", "[Zelkon]\nShowMoons=1\nColorDone=255\nScreenNormal=Serif,140,8\n");
    write(config() / "win.ini", "[Zelkon]\nShowMoons=0\nHideGaps=1\nLatitude=47.5\n");
    write(schedule() / "zk.ini", "nBatting=12\nHideGaps=0\nDataFolder=/nowhere\n");
    Settings settings(environment());
    settings.read(*store());
    EXPECT_TRUE(settings.isOn(IntSetting::ShowMoons));
    EXPECT_TRUE(settings.isOn(IntSetting::HideGaps));
    EXPECT_EQ(settings.value(IntSetting::nBatting), 12);
    EXPECT_DOUBLE_EQ(settings.real(RealSetting::Latitude), 47.5);
    EXPECT_EQ(settings.color(ColorSetting::ColorDone), 255);
    EXPECT_EQ(settings.font(FontSetting::ScreenNormal), (FontSpec{"Serif", 140, FontStyle::underline}));
    EXPECT_NE(settings.text(TextSetting::DataFolder), "/nowhere");  // never from zk.ini
}

TEST_F(SettingsTest, UnusableValuesFallBackToDefaultsAndOlderNamesAreRead)
{
    write(config() / "Zelkon.ini",
          "[Zelkon]\nnBatting=\nMarvalSense=3abc\nColorNormalBackground=-5\nColorFluid=99999999\n"
          "ServerDrive=" + std::string(40, 'x') + "\nErrorLog=yes\nTimerPos=1 2\nFilterMinLen=45\n");
    Settings settings(environment());
    settings.read(*store());
    EXPECT_EQ(settings.value(IntSetting::nBatting), 7);
    EXPECT_EQ(settings.value(IntSetting::MarvalSense), 3);
    EXPECT_EQ(settings.color(ColorSetting::ColorNormalBackground), 0xFFFFFF);
    EXPECT_EQ(settings.color(ColorSetting::ColorFluid), 0x808000);
    EXPECT_EQ(settings.text(TextSetting::ServerDrive).size(), 28u);
    EXPECT_TRUE(settings.traceToErrorLog());
    EXPECT_FALSE(settings.rect(RectSetting::TimerPos));
    EXPECT_EQ(settings.value(IntSetting::MinLenFilterLen), 45);  // read by its older name
}

TEST_F(SettingsTest, WeekSettingsDefaultToTheLocaleAndYieldToTheStore)
{
    const auto weekAfterRead = [&] {
        Settings settings(environment(true, 2));
        settings.read(*store());
        const WeekSettings w = settings.week();
        return std::tuple{w.weekStartsMonday, w.firstWeekRule, w.yearFirstWeekAdjust};
    };
    EXPECT_EQ(weekAfterRead(), std::tuple(true, 2, 0));
    write(config() / "Zelkon.ini", "[Zelkon]\nWeekStartsMon=0\nFirstWeekRule=1\nYearFirstWeekAdjust=1\n");
    EXPECT_EQ(weekAfterRead(), std::tuple(false, 1, 1));
}

TEST_F(SettingsTest, UndecidedAutoStartAsksTheAutostartFolder)
{
    const auto autoStartAfterRead = [&] {
        Settings settings(environment());
        settings.read(*store());
        return settings.value(IntSetting::AutoStart);
    };
    EXPECT_EQ(autoStartAfterRead(), 0);
    ASSERT_TRUE(setLaunchAtStartup(autostart(), true, "/opt/my $tools/zelkon"));
    EXPECT_EQ(autoStartAfterRead(), 1);
    EXPECT_NE(testsupport::readText(autostart() / kAutostartEntryName).find("Exec=\"/opt/my \\$tools/zelkon\"\n"), std::string::npos);

    ASSERT_TRUE(setLaunchAtStartup(autostart(), false, {}));
    EXPECT_FALSE(launchesAtStartup(autostart()));
}

TEST_F(SettingsTest, WriteKeepsEveryValueAndOnlyTheTextsSetHere)
{
    {
        auto s = store();
        Settings settings(environment());
        settings.read(*s);
        settings.setUserNumber(42);
        settings.setOn(IntSetting::ShowMoons, true);
        settings.setOn(IntSetting::Toolbar, true);
        settings.setValue(IntSetting::MinLenFilterLen, 90);
        settings.setReal(RealSetting::Longitude, -122.25);
        settings.setColor(ColorSetting::ColorDone, 0x123456);
        settings.setFont(FontSetting::ScreenMonth, FontSpec{"", 0, FontStyle::bold});
        settings.setText(TextSetting::autoback, "11:30 pm and later");
        settings.setRect(RectSetting::TimerWndPos, {5, 6, 70, 80});
        settings.windowRow().viewCommand = 935;
        settings.write(*s);
    }
    Settings again(environment());
    again.setUserNumber(42);
    again.read(*store());
    again.readWindowRow(*store());
    EXPECT_TRUE(again.isOn(IntSetting::ShowMoons));
    // Regression: the toolbar was once written inverted, flipping every session.
    EXPECT_TRUE(again.isOn(IntSetting::Toolbar));
    EXPECT_EQ(again.value(IntSetting::MinLenFilterLen), 90);
    EXPECT_DOUBLE_EQ(again.real(RealSetting::Longitude), -122.25);
    EXPECT_EQ(again.color(ColorSetting::ColorDone), 0x123456);
    EXPECT_EQ(again.font(FontSetting::ScreenMonth), (FontSpec{"Sans Serif", 120, FontStyle::bold}));
    EXPECT_EQ(again.text(TextSetting::autoback), "11:30 pm a");
    EXPECT_EQ(again.windowRow().viewCommand, 935);
    EXPECT_EQ(again.rect(RectSetting::TimerWndPos), (SettingRect{5, 6, 70, 80}));

    const std::string text = testsupport::readText(config() / SettingStore::kStoreFileName);
    EXPECT_NE(text.find("User00042="), std::string::npos);
    EXPECT_EQ(text.find("DataFolder"), std::string::npos);  // not set here: left to its owner
    EXPECT_EQ(text.find("ColorFluid"), std::string::npos);
}

TEST(SettingsWindowRowTest, RoundTripsAllNineteenNumbers)
{
    const std::string text = "1 34 10 20 800 600 -5 7 200 180 85 1 1 33 1 0 600 640 90 ";
    const UserWindowRow row = parseWindowRow(text);
    EXPECT_EQ(row.windowFlags, WindowFlag::maximised | WindowFlag::timeBarOpen);
    EXPECT_EQ(row.mainWindow, (SettingRect{10, 20, 800, 600}));
    EXPECT_EQ(row.popCal, (SettingRect{-5, 7, 200, 180}));
    EXPECT_EQ(row.tilingCommand, 85);
    EXPECT_EQ(row.viewCommand, 933);
    EXPECT_EQ(row.timeBar, (SettingRect{0, 600, 640, 90}));
    EXPECT_EQ(formatWindowRow(row), text);
}

TEST(SettingsWindowRowTest, ReadsViewCodesTilingAndShortRows)
{
    for (auto [tiling, read] : {std::pair{0, kQuadTiling}, {1, kQuadTiling}, {2, 2}})
        EXPECT_EQ(parseWindowRow("0 0 0 0 0 0 0 0 0 0 " + std::to_string(tiling)).tilingCommand, read) << tiling;
    EXPECT_EQ(parseWindowRow("0 0 0 0 0 0 0 0 0 0 86 0 0 32").viewCommand, 32);
    EXPECT_EQ(parseWindowRow("0 0 0 0 0 0 0 0 0 0 86 0 0 77").viewCommand, kSingleScheduleView);

    UserWindowRow listView;
    listView.viewCommand = 960;  // a view the row has no code for
    EXPECT_EQ(parseWindowRow(formatWindowRow(listView)).viewCommand, kSingleScheduleView);

    UserWindowRow base;
    base.timeBar = {1, 2, 3, 4};
    UserWindowRow shortRow = parseWindowRow("1 2 30 40 junk", base);
    EXPECT_EQ(shortRow.mainWindow, (SettingRect{30, 40, 0, 0}));
    EXPECT_EQ(shortRow.timeBar, base.timeBar);
}

TEST(SettingsWindowRowTest, FirstRunLayoutSharesTheScreen)
{
    UserWindowRow row = firstRunLayout(1000, 801);  // 95 % of 801 is 760.95
    EXPECT_EQ(row.mainWindow, (SettingRect{0, 0, 1000, 760}));
    EXPECT_EQ(row.popCal, (SettingRect{700, 456, 300, 304}));
    EXPECT_EQ(row.timeBar, (SettingRect{0, 456, 700, 304}));
}

TEST(SettingsWindowRowTest, MainWindowIsBroughtOntoTheDesktop)
{
    const ScreenLimits one{1920, 1080, 136, 39};
    EXPECT_FALSE(placeMainWindow({50, 50, 0, 400}, one));
    EXPECT_EQ(placeMainWindow({100, 50, 800, 600}, one), (SettingRect{100, 50, 800, 600}));
    // Off the right edge of a single screen: pulled back so the least window shows.
    EXPECT_EQ(placeMainWindow({5000, 50, 800, 600}, one), (SettingRect{1920 - 136, 50, 136, 600}));
    EXPECT_EQ(placeMainWindow({-40, -3, 20, 5000}, one), (SettingRect{0, 0, 136, 1080}));
    const ScreenLimits three{5760, 1080, 136, 39};
    EXPECT_EQ(placeMainWindow({5000, 50, 800, 600}, three), (SettingRect{5000, 50, 760, 600}));
    // A screen smaller than the least window: no range to meet, so 0.
    EXPECT_EQ(placeMainWindow({10, 10, 50, 50}, ScreenLimits{100, 30, 136, 39}), (SettingRect{0, 0, 0, 0}));
}

TEST(SettingsFontTest, MissingPartsTakeTheirDefaults)
{
    const FontSpec fallback{"Serif", 200, 4};
    EXPECT_EQ(parseFont("Arial", fallback), (FontSpec{"Arial", 120, 0}));
    EXPECT_EQ(parseFont("Arial,90", fallback), (FontSpec{"Arial", 90, 0}));
    EXPECT_EQ(parseFont("Arial,,6", fallback), (FontSpec{"Arial", 120, 6}));
    EXPECT_EQ(parseFont(",100,2", fallback), (FontSpec{"Serif", 100, 2}));
    EXPECT_EQ(parseFont(formatFont({"DejaVu Sans", 110, 10}), fallback), (FontSpec{"DejaVu Sans", 110, 10}));
    // The face holds 31 bytes; a cut never splits a character.
    std::string longFace = std::string(30, 'a') + "\xC3\xA9" + "b";
    EXPECT_EQ(parseFont(longFace + ",100,0", fallback).face, std::string(30, 'a'));
}

TEST_F(SettingsTest, CostOfMoneyGoesToTheHeaderOnlyWhenChosenAndTheWindowRowOnlyForExistingSchedules)
{
    ScheduleHeader header = ScheduleHeader::emptySchedule();
    Settings settings(environment());
    readAllSettings(settings, *store(), header, ScheduleOrigin::Existing);
    EXPECT_EQ(header.u8(ScheduleHeader::interestRateAt), 12);  // the schedule's own rate stays
    EXPECT_EQ(settings.value(IntSetting::CostOfMoney), 12);

    write(config() / "Zelkon.ini", "[Zelkon]\nCostOfMoney=8\n");
    readAllSettings(settings, *store(), header, ScheduleOrigin::Existing);
    EXPECT_EQ(header.u8(ScheduleHeader::interestRateAt), 8);

    write(config() / "Zelkon.ini", "[Zelkon]\nCostOfMoney=0\n");  // would divide by zero
    readAllSettings(settings, *store(), header, ScheduleOrigin::Existing);
    EXPECT_EQ(header.u8(ScheduleHeader::interestRateAt), 8);

    // The window row is read for existing schedules only.
    write(config() / "Zelkon.ini", "[Zelkon]\nUser00003=1 2 3 4 5 6 7 8 9 10 86 0 0 34 0 1 2 3 4 \n");
    Settings existing(environment());
    existing.setUserNumber(3);
    readAllSettings(existing, *store(), header, ScheduleOrigin::Existing);
    EXPECT_EQ(existing.windowRow().tilingCommand, 86);
    EXPECT_EQ(existing.windowRow().viewCommand, 934);

    Settings fresh(environment());
    fresh.setUserNumber(3);
    readAllSettings(fresh, *store(), header, ScheduleOrigin::New);
    EXPECT_EQ(fresh.windowRow(), UserWindowRow{});
}

TEST_F(SettingsTest, NewScheduleDefaultsAreAppliedAndSaved)
{
    ScheduleHeader header;
    header.setInterfaceMode(3);
    header.setU32(ScheduleHeader::optionWordAt, 0x00000001);
    Settings settings(environment(true));
    settings.setOn(IntSetting::ShowTaskTimes, false);
    auto s = store();
    applyNewScheduleDefaults(header, settings, *s);

    EXPECT_EQ(header.interfaceMode(), 1u);
    EXPECT_EQ(header.u32(ScheduleHeader::optionWordAt), 0x10040001u);  // "Show user name ", "Autosort"
    EXPECT_EQ(header.dayStart(), TimeValue::fromClock(7, 0));
    EXPECT_EQ(header.dayEnd(), TimeValue::fromClock(23, 0));

    Settings saved(environment(false));
    saved.read(*store());
    for (IntSetting id : {IntSetting::ShowTaskTimes, IntSetting::ShowDoneTaskTimes, IntSetting::ShowSchedStats,
                          IntSetting::Timespace, IntSetting::WeekStartsMon})
        EXPECT_TRUE(saved.isOn(id)) << settingInfo(id).name;
}

TEST_F(SettingsTest, ProDefaultsReachOldDataOnly)
{
    ScheduleHeader old;
    old.setF32(ScheduleHeader::writerVersionAt, 4.12f);
    EXPECT_TRUE(wantsProDefaults(old, false));
    EXPECT_FALSE(wantsProDefaults(old, true));
    old.setF32(ScheduleHeader::writerVersionAt, 4.13f);
    EXPECT_FALSE(wantsProDefaults(old, false));

    ScheduleHeader header;
    header.setU32(ScheduleHeader::optionWordAt, 0x80500401);  // Autobalance, carry-over, fit to gap, 0x400
    Settings settings(environment());
    settings.setOn(IntSetting::ShowEndTimes, true);
    settings.windowRow().agentsOff = 1;
    auto s = store();
    applyProDefaults(header, settings, *s);
    EXPECT_EQ(header.interfaceMode(), 3u);
    EXPECT_EQ(header.u32(ScheduleHeader::optionWordAt), 0x79000001u);
    EXPECT_FALSE(settings.isOn(IntSetting::ShowEndTimes));
    EXPECT_TRUE(settings.isOn(IntSetting::HideGaps));
    EXPECT_EQ(settings.windowRow().agentsOff, 0);

    Settings saved(environment());
    saved.read(*store());
    EXPECT_TRUE(saved.isOn(IntSetting::MonthviewDaysSpans));
    EXPECT_TRUE(saved.isOn(IntSetting::AlarmsRingOnce));
}

} // namespace
} // namespace zk
