// The setting store's read order, typed values and writes.

#include "platform/settingstore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace zk {
namespace {

class SettingStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = std::filesystem::temp_directory_path()
            / ("zk-settings-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root / "config");
        std::filesystem::create_directories(root / "schedule");
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    void write(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

    std::filesystem::path root;
};

TEST_F(SettingStoreTest, ReadsStoreThenProfileThenScheduleIni)
{
    write(root / "config/Zelkon.ini", "[Zelkon]\nShowMoons=1\n");
    write(root / "config/win.ini", "[Zelkon]\nShowMoons=0\nHideGaps=1\n[intl]\niDate=1\n");
    write(root / "schedule/zk.ini", "ShowMoons=7\nhidegaps=5\nTimespace=3\r\nDataFolder=/elsewhere\n");
    SettingStore store(root / "config");
    store.setScheduleFolder(root / "schedule");
    EXPECT_EQ(store.integer("ShowMoons", -1), 1);
    EXPECT_EQ(store.integer("HideGaps", -1), 1);
    EXPECT_EQ(store.integer("Timespace", -1), 3);
    EXPECT_EQ(store.string("timespace"), "3");  // names match without regard to case
    EXPECT_FALSE(store.value("DataFolder"));   // never taken from zk.ini
    EXPECT_EQ(store.integer("Missing", 42), 42);
    EXPECT_EQ(store.profileString("intl", "iDate"), "1");
}

TEST_F(SettingStoreTest, ScheduleIniMatchesAnywhereInALine)
{
    // The name is searched as a substring, as the program always did.
    write(root / "schedule/zk.ini", "; old note MyValue=9\nMyValue=2\n");
    SettingStore store(root / "config");
    store.setScheduleFolder(root / "schedule");
    EXPECT_EQ(store.integer("MyValue", 0), 9);
}

TEST_F(SettingStoreTest, TypedValuesFollowTheirReadRules)
{
    write(root / "config/Zelkon.ini", "[Zelkon]\nEmpty=\nNumberish=12abc\nColour=16777215\nRate=2.5\nRect=1 2 3 4\nBadRect=1 2\n");
    SettingStore store(root / "config");
    EXPECT_EQ(store.integer("Empty", 5), 5);
    EXPECT_EQ(store.integer("Numberish", 0), 12);
    EXPECT_EQ(store.longInteger("Colour", 0), 16777215L);
    EXPECT_DOUBLE_EQ(store.real("Rate"), 2.5);
    EXPECT_DOUBLE_EQ(store.real("Nothing"), 0.0);
    EXPECT_EQ(store.rect("Rect"), (SettingRect{1, 2, 3, 4}));
    EXPECT_FALSE(store.rect("BadRect"));
}

TEST_F(SettingStoreTest, WritesGoToTheUsersOwnStoreAndSurviveAReload)
{
    write(root / "config/win.ini", "[Zelkon]\nAlarmsSilent=1\n");
    {
        SettingStore store(root / "config");
        store.setInteger("AlarmsSilent", 0);
        store.setRect("TimerWndPos", SettingRect{10, 20, 300, 200});
        EXPECT_EQ(store.integer("AlarmsSilent", -1), 0);  // the store wins over the profile
    }
    SettingStore again(root / "config");
    EXPECT_EQ(again.integer("AlarmsSilent", -1), 0);
    EXPECT_EQ(again.rect("TimerWndPos"), (SettingRect{10, 20, 300, 200}));
    std::ifstream profile(root / "config/win.ini");
    std::string text((std::istreambuf_iterator<char>(profile)), {});
    EXPECT_EQ(text, "[Zelkon]\nAlarmsSilent=1\n");  // the profile is never written
}

TEST_F(SettingStoreTest, MissingFolderReadsDefaultsAndWritesCreateIt)
{
    SettingStore store(root / "config/not/yet");
    EXPECT_EQ(store.integer("Anything", 3), 3);
    store.setValue("DataFolder", "/srv/schedules/ann");
    EXPECT_EQ(SettingStore(root / "config/not/yet").string("DataFolder"), "/srv/schedules/ann");
}

} // namespace
} // namespace zk
