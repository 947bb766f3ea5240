// zk add, zk pipeline, zk save-as and zk freeze, run as the built program:
// their output, exit codes and files, against a lock held by another
// session (an object in this process, or a second zk process).

#include "buildpaths.h"
#include "sessionsupport.h"
#include "zkprocess.h"

#include "engine/plistorder.h"
#include "platform/lockfilesystem.h"
#include "sharing/changeaccess.h"
#include "sharing/pipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class ZkAddTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.path() / "config");
        fs::create_directories(root.path() / "data");
        fs::create_directories(schedule);
        writeEmptySchedule(schedule);
    }

    std::string command(const std::string& arguments) const
    {
        return "ZELKON_NOW='2023-10-21 10:00' LC_ALL=C ZELKON_CONFIG_HOME='" + (root.path() / "config").string()
               + "' XDG_DATA_HOME='" + (root.path() / "data").string() + "' " + ZK_BINARY + " " + arguments;
    }
    ZkProcess start(const std::string& arguments) { return ZkProcess(command(arguments)); }
    ZkRun zk(const std::string& arguments) { return start(arguments).finish(); }
    std::string in() const { return " --folder '" + schedule.string() + "' "; }
    fs::path file(const char* name) const { return schedule / name; }

    std::set<std::string> folderFiles() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(schedule))
            names.insert(entry.path().filename().string());
        return names;
    }
    // The schedule's item texts, as a fresh load finds them.
    std::vector<std::string> savedTexts() const
    {
        LoadResult loaded = loadDataFile(file("timedata.pak"));
        return loaded ? chainTexts(*loaded.schedule) : std::vector<std::string>{};
    }

    TempFolder root;
    fs::path schedule = root.path() / "schedule";
    // The moment ZELKON_NOW gives the zk processes.
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
};

// A session of this process holding the schedule's lock.
struct Holder {
    explicit Holder(const fs::path& folder) : access(folder, clock, messages, "holder", files)
    {
        EXPECT_TRUE(access.requestChangeAccess());
    }
    SystemClock clock;
    ScriptedPresenter presenter;
    Messages messages{presenter};
    LinuxLockFileSystem files;
    ChangeAccess access;
};

TEST_F(ZkAddTest, AddPrintsEveryItemItAddedAndSaves)
{
    ZkRun run = zk("add" + in() + "'10/23 2p 30 Dentist' '* 45 Write report' '- Waiting for parts'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "added id=1 day=2023-10-23 start=14:00\n"
                       "added id=2 day=2023-10-21 start=10:00\n"
                       "added id=3 day=2023-10-21\n");
    EXPECT_EQ(savedTexts(), (std::vector<std::string>{"Dentist", "Waiting for parts", "Write report"}));
    EXPECT_EQ(linesOf(file("Add.log")).size(), 3u);
    EXPECT_EQ(linesOf(file("Change.log")).size(), 3u);
    EXPECT_FALSE(fs::exists(file("timedata.uns"))) << "the save ended the journal";
    EXPECT_FALSE(fs::exists(file("timedata.loc"))) << "change access was given back";
    EXPECT_EQ(zk("check" + in()).exitCode, 0);
}

TEST_F(ZkAddTest, ARefusedLineOrAUsageErrorAddsNothing)
{
    ZkRun run = zk("add" + in() + "'fine' '" + std::string(kMaxPipelineLine + 1, 'x') + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zk: line 2: Text too long.\n");
    for (std::string options : {"", "--yes --no", "--wait soon", "--wait -1", "--bogus", "--pipe --wait 3"})
        EXPECT_EQ(zk("add " + options + in() + (options.empty() ? "" : "x")).exitCode, 64) << options;
    EXPECT_EQ(zk("add" + in() + "\"$(printf 'two\\nlines')\"").exitCode, 64);
    EXPECT_EQ(zk("add --folder '" + file("timedata.pak").string() + "x' x").exitCode, 64)
        << "zk add works on a folder's timedata.pak only";
    EXPECT_EQ(folderFiles(), std::set<std::string>{"timedata.pak"});
    EXPECT_TRUE(savedTexts().empty());
    // After "--" a word is a line even when it looks like an option.
    ASSERT_EQ(zk("add" + in() + "-- '--verbose is a text'").exitCode, 0);
    EXPECT_EQ(savedTexts(), std::vector<std::string>{"--verbose is a text"});
}

TEST_F(ZkAddTest, AMissingScheduleIsCreatedOnlyWhenTheQuestionIsAnsweredYes)
{
    fs::remove(file("timedata.pak"));
    ZkRun declined = zk("add" + in() + "x");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("zk: declined (answer with --yes or --no): File not found: "), std::string::npos)
        << declined.err;
    EXPECT_FALSE(fs::exists(file("timedata.pak")));
    ZkRun created = zk("add --yes" + in() + "x");
    EXPECT_NE(created.err.find("Create? [Yes]"), std::string::npos) << created.err;
    EXPECT_EQ(savedTexts(), std::vector<std::string>{"x"});
}

TEST_F(ZkAddTest, AddGivesUpAfterItsWaitWithNothingWritten)
{
    Holder holder(schedule);
    std::set<std::string> before = folderFiles();
    std::string data = readText(file("timedata.pak"));
    ZkRun run = zk("add --wait 1" + in() + "'Never added'");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "zk: change access not available: another session holds " + file("timedata.loc").string()
                           + " (waited 1s)\n");
    EXPECT_EQ(folderFiles(), before);
    EXPECT_EQ(readText(file("timedata.pak")), data);
}

TEST_F(ZkAddTest, AddWaitsForTheHolderAndSucceedsOnceItLetsGo)
{
    auto holder = std::make_unique<Holder>(schedule);
    ZkProcess adding = start("add --wait 1" + in() + "'After the wait'");
    // However late this comes, zk tries once more after a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    holder.reset();
    ZkRun run = adding.finish();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "added id=1 day=2023-10-21 start=10:00\n");
    EXPECT_EQ(savedTexts(), std::vector<std::string>{"After the wait"});
}

TEST_F(ZkAddTest, TwoZkProcessesAddingAtOnceKeepBothItems)
{
    ZkProcess first = start("add --wait 10" + in() + "'From the first'");
    ZkProcess second = start("add --wait 10" + in() + "'From the second'");
    ZkRun one = first.finish();
    ZkRun two = second.finish();
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(two.exitCode, 0) << two.err;
    EXPECT_EQ(savedTexts(), (std::vector<std::string>{"From the first", "From the second"}))
        << "the one that waited brought in what the other saved";
    EXPECT_EQ(linesOf(file("Add.log")).size(), 2u);
    EXPECT_NE(one.out, two.out) << "each got an id of its own";
}

TEST_F(ZkAddTest, PipeThenPipelineAddsTheLines)
{
    Holder holder(schedule);
    ZkRun piped = zk("add --pipe" + in() + "'2p Dentist' 'Call Bob'");
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, "");
    EXPECT_EQ(linesOf(file("timedata.add")), (std::vector<std::string>{"2p Dentist", "Call Bob"}))
        << "an outside writer needs no change access";

    EXPECT_EQ(zk("pipeline --wait 0" + in()).exitCode, 2);

    holder.access.releaseChangeAccess();
    ZkRun run = zk("pipeline" + in());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "2\n");
    EXPECT_EQ(run.err, "2 items added through Task Pipeline.\n");
    EXPECT_EQ(savedTexts(), (std::vector<std::string>{"Call Bob", "Dentist"}));
    EXPECT_FALSE(fs::exists(file("timedata.add")));

    EXPECT_EQ(zk("pipeline" + in()).out, "0\n");
}

TEST_F(ZkAddTest, PipelineKeepsTheLinesItCouldNotAdd)
{
    writeText(file("timedata.add"), "Good line\n" + std::string(kMaxPipelineLine + 1, 'x') + "\n");
    ZkRun run = zk("pipeline" + in());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "1\n");
    EXPECT_NE(run.err.find("1 lines of the Task Pipeline were not added."), std::string::npos) << run.err;
    EXPECT_EQ(linesOf(file("timedata.add.rejected")).size(), 1u);
    EXPECT_EQ(savedTexts(), std::vector<std::string>{"Good line"});
}

TEST_F(ZkAddTest, SaveAsWritesAFormatThatCheckLoads)
{
    ASSERT_EQ(zk("add" + in() + "'2p Dentist'").exitCode, 0);
    EXPECT_EQ(zk("save-as --format 22" + in()).out, "saved format=22\n");
    ZkRun checked = zk("check" + in());
    EXPECT_EQ(checked.exitCode, 0) << checked.out;
    EXPECT_EQ(checked.out.rfind("format=22 items=1 ", 0), 0u) << checked.out;
    EXPECT_EQ(zk("save-as --format current" + in()).out, "saved format=26\n");
    EXPECT_EQ(zk("save-as --format 25" + in()).exitCode, 64) << "not a choice of Save As";
    EXPECT_EQ(zk("save-as" + in()).exitCode, 64);
}

TEST_F(ZkAddTest, FreezeAsksFirstAndWritesAFrozenFileThatCheckLoads)
{
    {
        TestSession setup(schedule, clock);
        ASSERT_TRUE(setup.session->open());
        for (char letter : {'A', 'B', 'C'}) {
            NewItem task = itemOn(DayNumber(16000), std::string("Priority ") + letter);
            task.record.setFlag(ItemFlag::fFloating, true);
            task.record.setPriorityLetter(static_cast<std::uint8_t>(letter));
            ASSERT_EQ(setup.session->addItem(task).status, AddStatus::Added);
        }
        ASSERT_TRUE(setup.session->save().ok());
    }
    ZkRun declined = zk("freeze" + in());
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_EQ(declined.err.rfind("zk: declined (answer with --yes or --no): Freeze deletes all floating items", 0),
              0u)
        << declined.err;
    EXPECT_FALSE(fs::exists(file("frozen.pak")));

    ZkRun run = zk("freeze --yes" + in());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "frozen items=2\n");
    EXPECT_EQ(savedTexts(), std::vector<std::string>{"Priority A"});
    EXPECT_EQ(zk("check '" + file("frozen.pak").string() + "'").out.rfind("format=26 items=2 ", 0), 0u);
    EXPECT_EQ(zk("freeze --yes" + in()).exitCode, 1) << "no second freeze while frozen.pak exists";
}

TEST_F(ZkAddTest, DeleteListAndFindWorkOnTheSavedSchedule)
{
    ASSERT_EQ(zk("add" + in() + "'10/23 2p 30 Dentist' '10/24 9a :15 Call the dentist' 'Lunch'").exitCode, 0);
    ZkRun listed = zk("list" + in() + "--format tsv all");
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out, "2\t2023-10-24\t10/24/23 Tue\tCall the dentist (:15)\n"
                          "1\t2023-10-23\t10/23/23 Mon\tDentist (:30)\n"
                          "3\t2023-10-21\t10/21/23 Sat\tLunch (memo)\n");
    ZkRun found = zk("find" + in() + "DENTIST");
    EXPECT_EQ(found.out, "2023-10-23\t1\tDentist\n2023-10-24\t2\tCall the dentist\n");
    EXPECT_EQ(zk("find" + in() + "plumber").exitCode, 1);

    ZkRun declined = zk("delete" + in() + "1");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_NE(declined.err.find("Do you want to delete"), std::string::npos) << declined.err;
    ZkRun deleted = zk("delete --yes" + in() + "1");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(deleted.out, "deleted id=1 day=2023-10-23\n");
    EXPECT_EQ(savedTexts(), (std::vector<std::string>{"Call the dentist", "Lunch"}));
    ASSERT_EQ(linesOf(file("Delete.log")).size(), 1u);
    EXPECT_NE(linesOf(file("Delete.log"))[0].find("Dentist"), std::string::npos);
    EXPECT_EQ(zk("delete --yes" + in() + "1").exitCode, 1) << "gone already";
    EXPECT_EQ(zk("delete --yes --all" + in() + "2").exitCode, 1) << "not a recurring item";
    EXPECT_EQ(zk("delete" + in() + "x1").exitCode, 64);
}

} // namespace
} // namespace zk
