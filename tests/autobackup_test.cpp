// The automatic backup: when it is due, what it copies, and how many
// dated copies stay.

#include "sessionsupport.h"

#include "platform/filesystem.h"
#include "shell/model/autobackup.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

TEST(AutoBackupTest, ADatedCopyOnceADayFromTheSetTimeAndOnlyTheNewestFiveKept)
{
    TempFolder folder;
    writeText(folder.path() / "timedata.pak", "saved schedule");
    EntryContext context;
    context.today = kSessionToday;
    context.now = TimeValue::fromClock(22, 59);
    FileSystem& files = systemFileSystem();

    EXPECT_EQ(runAutoBackup(files, folder.path(), "", context).status, AutoBackupStatus::NotDue);
    EXPECT_EQ(runAutoBackup(files, folder.path(), "11pm", context).status, AutoBackupStatus::NotDue);

    for (int daysBack = 6; daysBack >= 1; --daysBack)
        writeText(autoBackupFile(folder.path(), kSessionToday - daysBack), "older");
    context.now = TimeValue::fromClock(23, 40);  // the program was not running at 23:00
    EXPECT_EQ(runAutoBackup(files, folder.path(), "11pm", context).status, AutoBackupStatus::Made);
    const std::filesystem::path today = folder.path() / "timedata 2023-10-21.bak";
    EXPECT_EQ(autoBackupFile(folder.path(), kSessionToday), today);
    EXPECT_EQ(readText(today), "saved schedule");
    EXPECT_EQ(runAutoBackup(files, folder.path(), "11pm", context).status, AutoBackupStatus::NotDue) << "once a day";

    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        kept += entry.path().extension() == ".bak";
    EXPECT_EQ(kept, kAutoBackupsKept);
    EXPECT_FALSE(std::filesystem::exists(autoBackupFile(folder.path(), kSessionToday - 6)));
    EXPECT_TRUE(std::filesystem::exists(autoBackupFile(folder.path(), kSessionToday - 4)));
    EXPECT_FALSE(std::filesystem::exists(today.string() + ".tmp"));
}

} // namespace
} // namespace zk
