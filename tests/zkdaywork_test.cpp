// zk done, zk start and zk carry-over, run as the built program on a
// schedule made by zk add: the lines they print, their exit codes, and
// what the saved schedule holds afterwards.

#include "buildpaths.h"
#include "sessionsupport.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ZkDayWorkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.path() / "config");
        fs::create_directories(schedule);
        // In the PRO mode done items keep their times.
        Schedule pro;
        pro.header.setInterfaceMode(3);
        ASSERT_TRUE(saveDataFile(pro, schedule / "timedata.pak"));
    }

    // Saturday 21 October 2023, 10:30.
    ZkRun zk(const std::string& arguments, const std::string& now = "2023-10-21 10:30")
    {
        std::string command = "ZELKON_NOW='" + now + "' LC_ALL=C ZELKON_CONFIG_HOME='"
                              + (root.path() / "config").string() + "' " + ZK_BINARY + " " + arguments
                              + " --folder '" + schedule.string() + "'";
        return ZkProcess(command).finish();
    }

    TempFolder root;
    fs::path schedule = root.path() / "schedule";
};

TEST_F(ZkDayWorkTest, DoneStartAndCarryOverPrintWhatTheyChanged)
{
    // Friday's undone work and Saturday's task, entered on Friday.
    ZkRun added = zk("add '- 45 Errand' '- 30 Letters' '10/21 * 60 Write'", "2023-10-20 09:00");
    ASSERT_EQ(added.exitCode, 0) << added.err;

    ZkRun declined = zk("carry-over");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("Would you like to carry over all undone items to today?"), std::string::npos);
    ZkRun carried = zk("carry-over --yes");
    EXPECT_EQ(carried.exitCode, 0) << carried.err;
    EXPECT_EQ(carried.out, "carried id=1 from=2023-10-20 to=2023-10-21\n"
                           "carried id=2 from=2023-10-20 to=2023-10-21\n");
    EXPECT_EQ(zk("carry-over --yes").out, "") << "nothing is left to carry";

    ZkRun now = zk("done --how now 3");
    EXPECT_EQ(now.exitCode, 0) << now.err;
    EXPECT_EQ(now.out, "done id=3 day=2023-10-21 start=09:30 minutes=60\n");
    EXPECT_EQ(zk("done 3").exitCode, 1) << "already done";
    ZkRun undone = zk("done --undo 3");
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_EQ(undone.out.rfind("undone id=3 day=2023-10-21 ", 0), 0u) << undone.out;

    ZkRun cancelled = zk("done --how cancelled 1");
    EXPECT_EQ(cancelled.out, "done id=1 day=2023-10-21 start= minutes=0\n");

    ZkRun started = zk("start 3", "2023-10-21 11:15");
    EXPECT_EQ(started.exitCode, 0) << started.err;
    EXPECT_EQ(started.out, "started id=3 day=2023-10-21 start=11:15 minutes=60\n");
    EXPECT_EQ(zk("start 3", "2023-10-22 09:00").exitCode, 1) << "not on that day's schedule";

    EXPECT_EQ(zk("done 99").exitCode, 1);
    EXPECT_EQ(zk("done --how sometime 3").exitCode, 64);
    EXPECT_EQ(zk("done").exitCode, 64);
    EXPECT_EQ(zk("done --date 'no date' 3").exitCode, 64);
}

} // namespace
} // namespace zk
