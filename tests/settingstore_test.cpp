// The setting store's read order, typed values and writes.

#include "platform/settingstore.h"
#include "tests/sessionsupport.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

class SettingStoreTest : public ::testing::Test {
protected:
    SettingStoreTest()
    {
        std::filesystem::create_directories(root / "config");
        std::filesystem::create_directories(root / "schedule");
    }

    testsupport::TempFolder temp;
    const std::filesystem::path root = temp.path();
};

// The read order and typed parsing are met through Settings (settings_test);
// here what only the store knows of its files.
TEST_F(SettingStoreTest, ScheduleIniIsMatchedLooselyAndProfileSectionsAreRead)
{
    testsupport::writeText(root / "config/win.ini", "[Zelkon]\nHideGaps=1\n[intl]\niDate=1\n");
    // The name is searched as a substring and without regard to case, as
    // the program always did.
    testsupport::writeText(root / "schedule/zk.ini", "; old note MyValue=9\nMyValue=2\nTimespace=3\r\n");
    SettingStore store(root / "config");
    store.setScheduleFolder(root / "schedule");
    EXPECT_EQ(store.integer("MyValue", 0), 9);
    EXPECT_EQ(store.string("timespace"), "3");
    EXPECT_EQ(store.profileString("intl", "iDate"), "1");
    EXPECT_EQ(store.longInteger("Missing", 16777215L), 16777215L);
}

TEST_F(SettingStoreTest, WritesGoToTheUsersOwnStoreCreatingItsFolder)
{
    testsupport::writeText(root / "config/win.ini", "[Zelkon]\nAlarmsSilent=1\n");
    {
        SettingStore store(root / "config");
        store.setInteger("AlarmsSilent", 0);
        EXPECT_EQ(store.integer("AlarmsSilent", -1), 0);  // the store wins over the profile
    }
    EXPECT_EQ(SettingStore(root / "config").integer("AlarmsSilent", -1), 0);
    EXPECT_EQ(testsupport::readText(root / "config/win.ini"), "[Zelkon]\nAlarmsSilent=1\n");  // never written

    SettingStore store(root / "config/not/yet");
    EXPECT_EQ(store.integer("Anything", 3), 3);
    store.setValue("DataFolder", "/srv/schedules/ann");
    EXPECT_EQ(SettingStore(root / "config/not/yet").string("DataFolder"), "/srv/schedules/ann");
}

} // namespace
} // namespace zk
