// zk archive, zk history and zk show on past days: the finished days of a
// schedule written by the data file writer move into their archive, the
// month's history log gets their lines, and zk show reads them back.

#include "buildpaths.h"
#include "lockfilesupport.h"
#include "placementscenario.h"
#include "storage/datafile.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

#include <string>

namespace zk {
namespace {

namespace fs = std::filesystem;

using testing::hm;
using testing::kMonday;
using namespace testsupport;

class ZkArchiveTest : public ::testing::Test, public testing::Scenario {
protected:
    ZkRun zk(const std::string& command, const std::string& arguments)
    {
        return runZk("ZELKON_CONFIG_HOME='" + config_.path().string() + "' LC_ALL=C ZELKON_NOW='2024-03-06 10:00' "
                     + ZK_BINARY + " " + command + " --folder '" + root_.path().string() + "' " + arguments);
    }
    TempFolder root_, config_;
};

TEST_F(ZkArchiveTest, FinishedDaysMoveToTheArchiveAndAreShownAndLoggedFromThere)
{
    const std::uint32_t writeLogFiles = 0x20000000;
    s.header.setU32(ScheduleHeader::optionWordAt, s.header.u32(ScheduleHeader::optionWordAt) | writeLogFiles);
    s.header.setLastPastDay(kMonday - 1);
    // Laid out as the program left them: the done item at its time.
    ItemHandle breakfast = item("Breakfast meeting", 30, ItemFlag::fDone, hm(8));
    put(breakfast, kMonday);
    s.days.editEntries(kMonday, [](std::vector<DayEntry>& entries) { entries[0].start = static_cast<std::int16_t>(hm(8).value()); });
    put(item("Plan\nthe week", 45, ItemFlag::fDone | ItemFlag::fOnHold), kMonday);
    put(item("Tidy desk", 20), kMonday + 1);
    ASSERT_TRUE(saveDataFile(s, root_.path() / "timedata.pak"));

    ZkRun archived = zk("archive", "");
    EXPECT_EQ(archived.exitCode, 0) << archived.err;
    EXPECT_EQ(archived.out, "archived day=2024-03-04 items=2\nlastPastDay=" + std::to_string(kMonday.value()) + "\n");
    EXPECT_TRUE(fs::exists(root_.path() / "timedata.x24"));

    ZkRun shown = zk("show", "--format tsv --days 2 3/4/24");
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out,
              "2024-03-04\t08:00\t30\t0\t0\t0x100\t0\t0\tBreakfast meeting\n"
              "2024-03-04\t\t45\t0\t0\t0x180\t0\t0\tPlan the week\n"
              "2024-03-05\t08:00\t20\t0\t16384\t0x0\t3\t0\tTidy desk\n");

    // An export of the past range reads the archived day back, as text and
    // as a calendar file.
    ZkRun text = zk("export", "--from 3/4/24 --to 3/4/24");
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Breakfast meeting"), std::string::npos) << text.out;
    ZkRun calendar = zk("export", "--format ics --from 3/4/24 --to 3/4/24");
    EXPECT_EQ(calendar.exitCode, 0) << calendar.err;
    EXPECT_NE(calendar.out.find("SUMMARY:Breakfast meeting"), std::string::npos) << calendar.out;
    EXPECT_EQ(calendar.out.find("Tidy desk"), std::string::npos);

    ZkRun history = zk("history", "2024-03");
    EXPECT_EQ(history.exitCode, 0) << history.err;
    EXPECT_EQ(history.out,
              "03/04/24\t08:00 am\t 30\t\tBreakfast meeting\t\t0\t0.00\t0\n"
              "03/04/24\t\t 45\t\tPlan the week\t\t0\t0.00\t0\n");
    EXPECT_EQ(zk("history", "2024-13").exitCode, 64);
    EXPECT_EQ(zk("history", "2024-02").exitCode, 1);

    // Nothing more is due: Tuesday's item is not done.
    ZkRun again = zk("archive", "");
    EXPECT_EQ(again.out, "lastPastDay=" + std::to_string(kMonday.value()) + "\n");
}

} // namespace
} // namespace zk
