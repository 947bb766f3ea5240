// Opening a schedule folder: damaged and missing data files recovered along
// the backup chain with the right questions, new schedules, the sample
// data, and the start-up copy.

#include "savingsupport.h"
#include "sessionsupport.h"
#include "storage/recovery.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace saving;

class RecoveryTest : public ::testing::Test {
protected:
    RecoveryTest() { request.options.clock = &clock(); }

    ScheduleLoad load() { return loadSchedule(files, systemFileSystem(), messages, request); }
    std::vector<ScriptedPresenter::Shown> questions() const
    {
        std::vector<ScriptedPresenter::Shown> out;
        for (const auto& s : presenter.shown())
            if (s.kind == MessageKind::Question)
                out.push_back(s);
        return out;
    }
    std::string useBackup(const std::filesystem::path& failed) const
    {
        return "Error reading data. " + failed.string() + " file data may be invalid or incomplete. Use latest backup file?";
    }
    void damage(const std::filesystem::path& file, const std::string& name)
    {
        writeGeneration(file, name);
        std::filesystem::resize_file(file, 700);
    }

    ScratchFolder folder;
    DataFileSet files{folder.path()};
    ScriptedPresenter presenter{Answer::Yes};
    Messages messages{presenter};
    ScheduleLoadRequest request;
};

// --- damaged data files ---------------------------------------------------------------------------

TEST_F(RecoveryTest, TruncatedDataFileTakesBackupAfterOneYesAndIsReplaced)
{
    damage(files.dataFile(), "G2");
    writeGeneration(files.backupFile(), "G1");
    std::string damaged = testsupport::readText(files.dataFile());
    presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(load());
    EXPECT_EQ(testsupport::readText(files.dataFile()), damaged);

    presenter.clear();
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.status, ScheduleLoadStatus::Recovered);
    EXPECT_EQ(loaded.loadedFrom, files.backupFile());
    EXPECT_EQ(generationOf(*loaded.schedule), "G1");
    ASSERT_EQ(questions().size(), 1u);
    EXPECT_EQ(questions()[0].text, useBackup(files.dataFile()));
    EXPECT_EQ(testsupport::readText(files.dataFile()), testsupport::readText(files.backupFile()));
}

TEST_F(RecoveryTest, DamagedBackupOffersTheNextGeneration)
{
    damage(files.dataFile(), "G3");
    damage(files.backupFile(), "G2");
    writeGeneration(files.secondBackupFile(), "G1");
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(generationOf(*loaded.schedule), "G1");
    auto asked = questions();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, useBackup(files.dataFile()));
    EXPECT_EQ(asked[1].text, useBackup(files.backupFile()));
    auto texts = presenter.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Backup file data also invalid or incomplete."), texts.end());
}

// Regression: with every generation damaged, answering Yes each time ends
// instead of offering the same files again.
TEST_F(RecoveryTest, EveryGenerationDamagedEndsAfterOfferingEachOnce)
{
    damage(files.dataFile(), "G5");
    damage(files.temporaryFile(), "G4");
    damage(files.backupFile(), "G3");
    damage(files.secondBackupFile(), "G2");
    damage(files.startupCopy(), "G1");
    EXPECT_FALSE(load());
    EXPECT_EQ(questions().size(), 4u);
    EXPECT_EQ(presenter.texts().back(),
              "Error reading data. " + files.startupCopy().string()
                  + " file data may be invalid or incomplete. Replace with latest external backup file. "
                    "No .BAK file found in current directory.");
}

TEST_F(RecoveryTest, UnreadableDataFileIsNeverRecoveredOver)
{
    std::filesystem::create_directory(files.dataFile());  // opens, but cannot be read
    writeGeneration(files.backupFile(), "G1");
    EXPECT_FALSE(load());
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"File: " + files.dataFile().string() + " not available."});
    EXPECT_TRUE(std::filesystem::is_directory(files.dataFile()));
}

// --- missing data files ---------------------------------------------------------------------------------

TEST_F(RecoveryTest, MissingDataFileAsksForLatestBackup)
{
    writeGeneration(files.backupFile(), "G1");
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(generationOf(*loaded.schedule), "G1");
    ASSERT_EQ(questions().size(), 1u);
    EXPECT_EQ(questions()[0].text, "Data file missing. Load latest backup data?");
    EXPECT_EQ(generationIn(files.dataFile()), "G1");

    std::filesystem::remove(files.dataFile());
    presenter.setDefaultAnswer(Answer::No);
    EXPECT_FALSE(load());
    EXPECT_FALSE(std::filesystem::exists(files.dataFile()));
}

// Regression: a save stopped between renaming timedata.pak away and putting
// timedata.tmp in its place left no data file, and every session asked or
// failed. The complete timedata.tmp is the newest save: it is taken without
// a question. A partial one (a save stopped while writing) is passed over.
TEST_F(RecoveryTest, MissingDataFileTakesACompleteTemporaryWithoutAQuestion)
{
    writeGeneration(files.temporaryFile(), "G2");
    writeGeneration(files.backupFile(), "G1");
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(generationOf(*loaded.schedule), "G2");
    EXPECT_TRUE(presenter.shown().empty());
    EXPECT_EQ(generationIn(files.dataFile()), "G2");
    EXPECT_FALSE(std::filesystem::exists(files.temporaryFile()));

    std::filesystem::remove(files.dataFile());
    std::filesystem::remove(files.backupFile());
    writeGeneration(files.temporaryFile(), "G3");
    loaded = load();  // the first save of a new schedule, stopped the same way
    ASSERT_TRUE(loaded);
    EXPECT_EQ(generationOf(*loaded.schedule), "G3");
    EXPECT_TRUE(presenter.shown().empty());

    std::filesystem::remove(files.dataFile());
    writeGeneration(files.temporaryFile(), "G2");
    damage(files.temporaryFile(), "G2");
    writeGeneration(files.backupFile(), "G1");
    presenter.clear();
    loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(generationOf(*loaded.schedule), "G1");
    EXPECT_EQ(presenter.shown().size(), 1u);
}

TEST_F(RecoveryTest, FolderAndPathProblemsAreReported)
{
    DataFileSet missing(folder.path() / "gone");
    EXPECT_FALSE(loadSchedule(missing, systemFileSystem(), messages, request));
    EXPECT_EQ(presenter.texts().back(), "Unable to access folder " + missing.folder().string());
    EXPECT_FALSE(loadSchedule(DataFileSet(std::filesystem::path()), systemFileSystem(), messages, request));
    EXPECT_EQ(presenter.texts().back(), "Invalid filename");

    request.pathGiven = PathGiven::Yes;
    presenter.queueAnswer(Answer::No);
    EXPECT_FALSE(load());
    EXPECT_EQ(presenter.texts().back(), "File not found: " + files.dataFile().string() + "\rCreate?");
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.status, ScheduleLoadStatus::Created);
    EXPECT_TRUE(loaded.newSchedule);
    EXPECT_FALSE(loaded.sampleData);
    EXPECT_EQ(loaded.schedule->header.lastPastDay(), kToday - 1);
}

// --- sample data --------------------------------------------------------------------------------------------

class RecoverySampleTest : public RecoveryTest {
protected:
    RecoverySampleTest()
    {
        request.programFolder = programFolder.path();
        request.pathGiven = PathGiven::No;
    }
    // A sample saved on 1 October 2023 with its items on the 2nd.
    void writeSample(const std::filesystem::path& file, int items)
    {
        FixedClock then(LocalMoment{2023, 10, 1, 10, 0, 0});
        const DayNumber second = kToday - 19;
        Schedule s;
        testsupport::ScheduleMaker make(s);
        s.header.setLastPastDay(second - 2);
        s.setClock(&then);
        for (int i = 0; i < items; ++i)
            make.onDay("sample " + std::to_string(i), second, 0, 30);
        ASSERT_TRUE(saveDataFile(s, file));
    }

    ScratchFolder programFolder;
};

TEST_F(RecoverySampleTest, SampleDaysMoveToTodayOrScheduleStartsEmpty)
{
    ScheduleLoad empty = load();
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty.newSchedule);
    EXPECT_FALSE(empty.sampleData);
    EXPECT_TRUE(empty.schedule->chain.empty());

    writeSample(programFolder.path() / kSampleFileName, 40);
    ScheduleLoad loaded = load();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded.sampleData);
    Schedule& s = *loaded.schedule;
    EXPECT_EQ(s.header.lastPastDay(), kToday - 1);
    EXPECT_EQ(s.header.u16(ScheduleHeader::startDayAt), kToday.value());
    ASSERT_NE(s.findDay(kToday + 1), nullptr);  // saved 20 days ago: everything moved by 20
    for (ItemHandle h : s.chain)
        EXPECT_EQ(s.record(h).dayField(), kToday.value() + 1);
    EXPECT_TRUE(presenter.shown().empty());

    // A sample of forty-one items ends the program.
    writeSample(programFolder.path() / kSampleFileName, 41);
    ScheduleLoad tooLarge = load();
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.status, ScheduleLoadStatus::EndProgram);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Not a valid Sample file."});
}

TEST_F(RecoverySampleTest, SpecialFileIsMergedThenDeletedOnlyWhenItCanBeMerged)
{
    writeSample(programFolder.path() / kSampleFileName, 2);
    writeSample(programFolder.path() / kSpecialSampleFileName, 1);
    ASSERT_TRUE(load());
    EXPECT_TRUE(std::filesystem::exists(programFolder.path() / kSpecialSampleFileName));

    std::string merged;
    request.mergeSpecial = [&](Schedule&, Schedule& special) { merged = generationOf(special); };
    ASSERT_TRUE(load());
    EXPECT_EQ(merged, "sample 0");
    EXPECT_FALSE(std::filesystem::exists(programFolder.path() / kSpecialSampleFileName));
}

// --- start-up copy --------------------------------------------------------------------------------------------

TEST_F(RecoveryTest, StartupCopyIsSkippedWhenFarLargerNewOrFromBak)
{
    writeGeneration(files.dataFile(), "G1");
    ScheduleLoad loaded = load();
    EXPECT_TRUE(makeStartupCopy(files, systemFileSystem(), loaded));
    EXPECT_EQ(generationIn(files.startupCopy()), "G1");

    auto size = std::filesystem::file_size(files.dataFile());
    std::filesystem::resize_file(files.startupCopy(), 2 * size);
    EXPECT_TRUE(makeStartupCopy(files, systemFileSystem(), loaded));
    std::filesystem::resize_file(files.startupCopy(), 2 * size + 1);
    EXPECT_FALSE(makeStartupCopy(files, systemFileSystem(), loaded));
    EXPECT_EQ(std::filesystem::file_size(files.startupCopy()), 2 * size + 1);

    loaded.newSchedule = true;
    EXPECT_FALSE(makeStartupCopy(files, systemFileSystem(), loaded));
    std::filesystem::remove(files.startupCopy());
    std::filesystem::rename(files.dataFile(), files.backupFile());
    ScheduleLoad recovered = load();
    ASSERT_EQ(recovered.loadedFrom, files.backupFile());
    EXPECT_FALSE(makeStartupCopy(files, systemFileSystem(), recovered));
    EXPECT_FALSE(std::filesystem::exists(files.startupCopy()));
}

} // namespace
} // namespace zk
