// The text exchange: reading import.txt and tab-delimited files, writing the
// range and items-list exports, and zk import / zk export as built.

#include "buildpaths.h"
#include "sessionsupport.h"
#include "zkprocess.h"

#include "exchange/textexport.h"
#include "exchange/textimport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

EntryContext contextOn(DayNumber today)
{
    EntryContext c;
    c.today = today;
    c.now = TimeValue::fromClock(10, 0);
    return c;
}

TEST(TabImportTest, TimesReadByTheirClockAndInvalidTimesNeverStored)
{
    EXPECT_EQ(tabTime("2:00:00 PM"), TimeValue::fromClock(14, 0).value());
    EXPECT_EQ(tabTime("9:15:00 AM"), TimeValue::fromClock(9, 15).value());
    EXPECT_EQ(tabTime("12:30:00 AM"), TimeValue::fromClock(0, 30).value());
    // A 24-hour time stands as it is: no afternoon made of a morning.
    EXPECT_EQ(tabTime("09:15:00"), TimeValue::fromClock(9, 15).value());
    EXPECT_EQ(tabTime("21:15"), TimeValue::fromClock(21, 15).value());
    for (const char* bad : {"25:00:00", "13:00 PM", "9", "9:7", "noon", "9:15:00 XM", ""})
        EXPECT_EQ(tabTime(bad), kInvalidEntry) << bad;
}

TEST(TabImportTest, FileRulesForSubjectsDatesAndHeadings)
{
    EXPECT_EQ(tabSubject("\"He said \"\"hi\"\" \""), "He said   hi");
    EXPECT_EQ(tabSubject("  plain \"q\" "), "plain \"q\"");

    const EntryContext c = contextOn(kSessionToday);
    ItemRecord templ;
    EXPECT_TRUE(readTabImport("Subject\tStart Date\tStart Time\r\n", templ, c).items.empty());
    EXPECT_TRUE(readTabImport("", templ, c).items.empty());

    PreparedImport read = readTabImport("Subject\tStart Date\tStart Time\n"
                                        "Old\t10/14/2023\t2:00:00 PM\n"   // last week: today
                                        "\t10/25/2023\t\n"                // no subject: skipped silently
                                        "Broken\t10/25/2023\t31:00:00\n"  // an invalid time: skipped
                                        "Plain\t10/25/2023\n",            // no time: the template's
                                        templ, c);
    ASSERT_EQ(read.items.size(), 2u);
    EXPECT_EQ(read.skipped, 1);
    EXPECT_EQ(read.items[0].item.day, kSessionToday);
    EXPECT_EQ(read.items[0].item.record.beginTime(), TimeValue::fromClock(14, 0).value());
    EXPECT_EQ(read.items[1].item.day, kSessionToday + 4);
    EXPECT_EQ(read.items[1].item.record.beginTime(), 0);
}

TEST(TextImportTest, EncodingsAndLongLines)
{
    EXPECT_EQ(importText("\xEF\xBB\xBF" "caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(importText("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");

    // A line longer than a pipeline line is never split into two items.
    const EntryContext c = contextOn(kSessionToday);
    const std::string longLine = "tom " + std::string(1100, 'x');
    PreparedImport read = readPipelineImport("10:00 short\n" + longLine + "\nlast", ItemRecord{}, kSessionToday, c);
    ASSERT_EQ(read.items.size(), 2u);
    EXPECT_EQ(read.skipped, 1);
    EXPECT_EQ(read.items[1].item.text, "last");

    // A line without an end, tens of megabytes long: one skipped line.
    PreparedImport endless = readPipelineImport(std::string(20u << 20, 'y'), ItemRecord{}, kSessionToday, c);
    EXPECT_TRUE(endless.items.empty());
    EXPECT_EQ(endless.skipped, 1);
}

TEST(TextImportTest, FiftyMegabytesOfLinesAreRefusedWholeWithAMessage)
{
    TempFolder folder;
    const fs::path file = folder.path() / "big.txt";
    {
        std::ofstream out(file, std::ios::binary);
        const std::string block = [] {
            std::string b;
            for (int i = 0; i < 4096; ++i)
                b += "10:00 item\n";
            return b;
        }();
        for (std::size_t written = 0; written < (50u << 20); written += block.size())
            out << block;
    }
    ImportFile read = readImportFile(file);
    ASSERT_EQ(read.problem, "");
    PreparedImport prepared = readPipelineImport(read.text, ItemRecord{}, kSessionToday, contextOn(kSessionToday));
    EXPECT_TRUE(prepared.items.empty());
    EXPECT_NE(prepared.problem.find("nothing was imported"), std::string::npos);

    std::filesystem::resize_file(file, kMaxImportFileBytes + 1);
    EXPECT_EQ(readImportFile(file).problem, file.string() + " is too large to import.");
    EXPECT_EQ(readImportFile(folder.path() / "none.txt").problem, (folder.path() / "none.txt").string() + " not found.");
}

class TextExportTest : public SessionFixture {};

TEST_F(TextExportTest, RangeLeavesOutEmptyDaysAndCutsLongTextsInto72)
{
    auto t = openSession();
    const std::string long150 = std::string(60, 'a') + " " + std::string(60, 'b') + " " + std::string(28, 'c');
    ASSERT_EQ(t->session->addItem(itemOn(kSessionToday, "first", 601, 60)).status, AddStatus::Added);
    ASSERT_EQ(t->session->addItem(itemOn(kSessionToday, long150, 691, 30)).status, AddStatus::Added);
    NewItem vital = itemOn(kSessionToday + 10, "vital", 541, 30);
    vital.record.setFlag(ItemFlag::fKey, true);
    ASSERT_EQ(t->session->addItem(std::move(vital)).status, AddStatus::Added);
    ASSERT_EQ(t->session->addItem(itemOn(kSessionToday + 2, "later", 601, 30)).status, AddStatus::Added);

    TextExportContext context{{kSessionToday, TimeValue::fromClock(10, 0), RegionalSettings{}, {}}, kSessionToday, "me"};
    const std::string text = exportRangeText(t->schedule(), kSessionToday, kSessionToday + 2, context);
    EXPECT_TRUE(text.starts_with("Zelkon 10:00a 10/21/23 schedules\n\nme\n\n")) << text;
    // Three days, the middle one without a record: two blocks.
    EXPECT_NE(text.find("\n\n10/21/23 "), std::string::npos);
    EXPECT_EQ(text.find("\n\n10/22/23 "), std::string::npos);
    EXPECT_NE(text.find("\n\n10/23/23 "), std::string::npos);
    // The gap between 11:00 and 11:30, then the long text in three pieces.
    EXPECT_NE(text.find("11:00a FREE (:30)\n11:30a " + std::string(60, 'a') + "\n" + std::string(60, 'b') + "\n"
                        + std::string(28, 'c')),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\n\nFuture Vital Items for October 2023\n\n 10) Tue 10/31 \t 9:00a -  9:30a  vital (:30)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Future Vital Items for December 2023"), std::string::npos);

    const std::string items = exportItemsListText(t->schedule(), context);
    EXPECT_NE(items.find("first"), std::string::npos);
    EXPECT_NE(items.find(std::string(60, 'a') + "\n"), std::string::npos) << items;
}

class ZkExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.path() / "config");
        fs::create_directories(schedule);
        writeEmptySchedule(schedule);
    }
    ZkRun zk(const std::string& arguments) const
    {
        return runZk("ZELKON_NOW='2023-10-21 10:00' LC_ALL=C USER=me ZELKON_CONFIG_HOME='"
                     + (root.path() / "config").string() + "' XDG_DATA_HOME='" + root.path().string() + "' "
                     + ZK_BINARY + " " + arguments + " --folder '" + schedule.string() + "'");
    }
    TempFolder root;
    fs::path schedule = root.path() / "s";
};

TEST_F(ZkExchangeTest, ImportsTabFileAndExportsItsDays)
{
    writeText(root.path() / "o.txt", "Subject\tStart Date\tStart Time\n\"Lunch \"\"Ann\"\"\"\t10/23/2023\t12:30:00 PM\n"
                                     "Run\t10/23/2023\t07:15:00\nNope\t10/23/2023\t7:75\n");
    ZkRun imported = zk("import --format tab --wait 0 '" + (root.path() / "o.txt").string() + "'");
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported id=1 day=2023-10-23\nimported id=2 day=2023-10-23\nimported=2 skipped=1\n");

    const fs::path out = root.path() / "export.txt";
    ZkRun exported = zk("export --from 10/23 -o '" + out.string() + "'");
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    const std::string text = readText(out);
    EXPECT_NE(text.find(" 7:15a Run"), std::string::npos) << text;
    EXPECT_NE(text.find("12:30p Lunch   Ann"), std::string::npos) << text;

    EXPECT_EQ(zk("import missing.txt").exitCode, 1);
    EXPECT_EQ(zk("export --from nonsense").exitCode, 64);
}

TEST_F(ZkExchangeTest, ImportUnderAnotherSessionsLockAddsNothing)
{
    writeText(root.path() / "i.txt", "10:00 one\n11:00 two\n");
    ThrowingFaultHandler faults;
    FaultHandler* previous = installFaultHandler(&faults);
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 5}};
    {
        TestSession holder(schedule, clock);
        ASSERT_TRUE(holder.session->open());
        ASSERT_TRUE(holder.session->obtainChangeAccess(std::chrono::seconds(0)));
        ZkRun refused = zk("import --wait 0 '" + (root.path() / "i.txt").string() + "'");
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.out, "");
        // One message for the file, not one per line.
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }
    installFaultHandler(previous);
    ZkRun later = zk("import --wait 0 '" + (root.path() / "i.txt").string() + "'");
    EXPECT_EQ(later.out, "imported id=1 day=2023-10-21\nimported id=2 day=2023-10-21\nimported=2 skipped=0\n");
}

} // namespace
} // namespace zk
