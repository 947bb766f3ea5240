// zk check and zk new, run as the built program: what they print, the exit
// codes, and how they find the schedule folder.

#include "buildpaths.h"
#include "datafilesupport.h"
#include "lockfilesupport.h"
#include "zkprocess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ZkCheckTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(root() / "config"); }

    ZkRun zk(const std::string& arguments, const std::string& dataHome = "")
    {
        return runZk("ZELKON_NOW='2023-10-21 10:00' ZELKON_CONFIG_HOME='" + (root() / "config").string() + "' "
                         + (dataHome.empty() ? "" : "XDG_DATA_HOME='" + dataHome + "' ") + ZK_BINARY + " " + arguments,
                     ErrorStream::Merged);
    }
    const fs::path& root() const { return temp.path(); }
    std::string path(const std::string& name) const { return (root() / name).string(); }
    void writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        fs::create_directories((root() / name).parent_path());
        std::ofstream(root() / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

    TempFolder temp;
};

TEST_F(ZkCheckTest, NewCreatesAnEmptyScheduleNeverOverwritesOneAndRewriteChoosesTheFormat)
{
    ZkRun made = zk("new " + path("sched"));
    EXPECT_EQ(made.exitCode, 0) << made.out;
    EXPECT_EQ(fs::file_size(root() / "sched" / "timedata.pak"), 655u + 130u + 4u);
    ZkRun again = zk("new " + path("sched"));
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.out.find("already exists"), std::string::npos);
    ZkRun checked = zk("check " + path("sched"));
    EXPECT_EQ(checked.exitCode, 0);
    EXPECT_EQ(checked.out, "format=26 items=0 days=0 definitions=0 projects=0 undated=0 plist=0 nextItemId=0 "
                           "lastPastDay=15999\n");

    ZkRun run = zk("check --rewrite " + path("old.pak") + " --format 23 " + path("sched/timedata.pak"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(zk("check " + path("old.pak")).out.rfind("format=23 ", 0), 0u);
}

TEST_F(ZkCheckTest, CheckPrintsTheRepairsThenTheSummaryOrFailsOnADamagedFile)
{
    FileBuilder f(26);
    f.header.setI16(ScheduleHeader::statDefinitionsAt, 1);
    ItemRecord def;
    def.setId(4);
    RecurrenceRecord rule;
    rule.setExceptionCount(2);
    f.templateItem().item(def, "weekly").rule(rule).plistKey(0);
    writeFile("damaged/timedata.pak", f.bytes());
    ZkRun run = zk("check " + path("damaged"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Recurring item cleaned up\n"
                       "Recurring item count of exceptions corrected: weekly\n"
                       "format=26 items=1 days=0 definitions=1 projects=0 undated=0 plist=0 nextItemId=4 "
                       "lastPastDay=15999\n");

    writeFile("cut.pak", FileBuilder(26).templateItem().bytes());  // no Plist end
    ZkRun cut = zk("check " + path("cut.pak"));
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_EQ(cut.out, "File being read is incomplete\n");
    ZkRun missing = zk("check " + path("nowhere"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("Cannot open Data File"), std::string::npos);
}

// A damaged data file is recovered from its backup only when --yes answers
// the question; unanswered or --no, the file is left as it is.
TEST_F(ZkCheckTest, ADamagedFilesRecoveryQuestionIsAnsweredByYesOrNo)
{
    ASSERT_EQ(zk("new " + path("sched")).exitCode, 0);
    fs::copy_file(root() / "sched" / "timedata.pak", root() / "sched" / "timedata.bak");
    const std::vector<std::uint8_t> cut = FileBuilder(26).templateItem().bytes();
    writeFile("sched/timedata.pak", cut);
    const std::string question = "Error reading data. " + path("sched/timedata.pak")
                                 + " file data may be invalid or incomplete. Use latest backup file?";

    ZkRun declined = zk("check " + path("sched"));
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.out, "File being read is incomplete\nzk: declined (answer with --yes or --no): " + question + "\n");
    ZkRun no = zk("check --no " + path("sched"));
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_EQ(no.out, "File being read is incomplete\n" + question + " [No]\n");
    EXPECT_EQ(fs::file_size(root() / "sched" / "timedata.pak"), cut.size());

    ZkRun yes = zk("check --yes " + path("sched"));
    EXPECT_EQ(yes.exitCode, 0) << yes.out;
    EXPECT_EQ(yes.out, "File being read is incomplete\n" + question + " [Yes]\nrecovered from "
                           + path("sched/timedata.bak")
                           + "\nformat=26 items=0 days=0 definitions=0 projects=0 undated=0 plist=0 nextItemId=0 "
                             "lastPastDay=15999\n");
    EXPECT_EQ(zk("check " + path("sched")).exitCode, 0) << "the backup now stands as the data file";
    EXPECT_EQ(zk("check --yes --no " + path("sched")).exitCode, 64);
}

TEST_F(ZkCheckTest, FolderComesFromTheSettingThenTheDefault)
{
    ASSERT_EQ(zk("new " + path("from-setting")).exitCode, 0);
    std::ofstream(root() / "config" / "Zelkon.ini") << "[Zelkon]\nDataFolder=" << path("from-setting") << "\n";
    EXPECT_EQ(zk("check").exitCode, 0);
    fs::remove(root() / "config" / "Zelkon.ini");
    ZkRun none = zk("check", path("data"));
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.out.find(path("data/Zelkon/timedata.pak")), std::string::npos) << none.out;
    EXPECT_EQ(zk("new", path("data")).exitCode, 0);
    EXPECT_TRUE(fs::exists(root() / "data" / "Zelkon" / "timedata.pak"));
}

TEST_F(ZkCheckTest, UsageErrorsAndHelp)
{
    for (auto [arguments, code] : {std::pair{"check --bogus", 64}, {"check a b", 64}, {"check --format 22 x", 64},
                                   {"check --rewrite out --format 27 x", 64}, {"new a b", 64}, {"check --help", 0},
                                   {"new --help", 0}})
        EXPECT_EQ(zk(arguments).exitCode, code) << arguments;
    // After "--" a word is a folder even when it looks like an option.
    EXPECT_EQ(zk("new -- " + path("--odd")).exitCode, 0);
    EXPECT_TRUE(fs::exists(root() / "--odd" / "timedata.pak"));
}

} // namespace
} // namespace zk
