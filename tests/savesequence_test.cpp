// Saving: generations, the rename order, failures at every step, renames
// that keep trying, and the autosave watchdog.

#include "savingsupport.h"
#include "storage/recovery.h"
#include "storage/savesequence.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace saving;

class SaveSequenceTest : public ::testing::Test {
protected:
    SaveOutcome saveGeneration(const std::string& name)
    {
        auto s = generation(name);
        s->dirty = true;
        return sequence().save(*s);
    }
    SaveSequence sequence() { return SaveSequence(files, fs, messages, state, hooks, quick); }
    // Older generations first: G1 ends in timedata.bk2 when there are three.
    void seed(int generations)
    {
        const std::filesystem::path places[] = {files.secondBackupFile(), files.backupFile(), files.dataFile()};
        for (int i = 0; i < generations; ++i)
            writeGeneration(places[3 - generations + i], "G" + std::to_string(i + 1));
    }
    std::vector<std::string> generations()
    {
        return {generationIn(files.dataFile()), generationIn(files.backupFile()),
                generationIn(files.secondBackupFile())};
    }
    std::string loadedGeneration()
    {
        ScheduleLoadRequest request;
        request.options.clock = &clock();
        request.pathGiven = PathGiven::Yes;
        ScriptedPresenter yes(Answer::Yes);
        Messages m(yes);
        ScheduleLoad loaded = loadSchedule(files, systemFileSystem(), m, request);
        return loaded ? generationOf(*loaded.schedule) : "(none)";
    }

    ScratchFolder folder;
    DataFileSet files{folder.path()};
    FailingFileSystem fs;
    ScriptedPresenter presenter{Answer::Yes};
    Messages messages{presenter};
    SaveState state;
    SaveHooks hooks;
    Tenacity quick{60, std::chrono::milliseconds(0), 10};
};

// --- generations and order -----------------------------------------------------------

// The new generation reaches the disk before the renames, and the renames
// before the save counts as done.
TEST_F(SaveSequenceTest, SuccessiveSavesFlushThenRotateTwoPreviousGenerations)
{
    for (const char* name : {"G1", "G2", "G3"})
        ASSERT_EQ(saveGeneration(name).status, SaveStatus::Saved);
    EXPECT_EQ(generations(), (std::vector<std::string>{"G3", "G2", "G1"}));
    fs = FailingFileSystem();
    ASSERT_EQ(saveGeneration("G4").status, SaveStatus::Saved);
    EXPECT_EQ(generations(), (std::vector<std::string>{"G4", "G3", "G2"}));
    EXPECT_EQ(fs.log(), (std::vector<std::string>{
                            "create timedata.tmp", "sync", "close", "remove timedata.bk2",
                            "rename timedata.bak timedata.bk2", "link timedata.pak timedata.bak",
                            "rename timedata.tmp timedata.pak", "syncfolder"}));
    EXPECT_TRUE(presenter.shown().empty());
}

TEST_F(SaveSequenceTest, CleanSchedulePostponedOrRefusedSaveWritesNothing)
{
    auto s = generation("G1");
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::Clean);
    EXPECT_TRUE(sequence().save(*s).ok());

    state.markDirty(TimeValue(600));
    for (auto* flag : {&state.balancing, &state.doNotSave}) {
        *flag = true;
        EXPECT_EQ(sequence().save(*s).status, SaveStatus::Postponed);
        *flag = false;
    }

    int afterSave = 0;
    hooks.changeAccessInEffect = [] { return false; };
    hooks.afterSave = [&] { ++afterSave; };
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::NoChangeAccess);

    EXPECT_EQ(fs.changes(), 0);
    EXPECT_TRUE(state.dirty());
    EXPECT_TRUE(s->dirty);
    EXPECT_EQ(state.firstUnsavedChange(), TimeValue(600));
    hooks.changeAccessInEffect = [] { return true; };
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::Saved);
    EXPECT_EQ(afterSave, 1);
    EXPECT_FALSE(s->dirty);
}

TEST_F(SaveSequenceTest, ChangeWhileWritingLeavesDataFileForNextSave)
{
    seed(1);
    auto s = generation("G2");
    s->dirty = true;
    // The change arrives as the background-work flag is given back.
    hooks.releaseBackgroundWork = [&] { state.markDirty(TimeValue(700)); };
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::Abandoned);
    EXPECT_EQ(generationIn(files.dataFile()), "G1");
    EXPECT_FALSE(fs.exists(files.temporaryFile()));
    EXPECT_TRUE(state.dirty());

    hooks.releaseBackgroundWork = nullptr;
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::Saved);
    EXPECT_EQ(generationIn(files.dataFile()), "G2");
}

TEST_F(SaveSequenceTest, SecondSaveWhileOneRunsReturnsAtOnce)
{
    auto s = generation("G1");
    s->dirty = true;
    SaveStatus inner = SaveStatus::Saved;
    hooks.acquireBackgroundWork = [&] {
        inner = sequence().save(*s).status;
        EXPECT_TRUE(state.saveRunning());
    };
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::Saved);
    EXPECT_EQ(inner, SaveStatus::AlreadyRunning);
    EXPECT_FALSE(state.saveRunning());
    EXPECT_FALSE(s->saveRunning);
}

// --- new schedules and unreachable folders ---------------------------------------------

// Regression (last two lines): a new schedule's own first save must not make
// the next one look like a resurfaced file.
TEST_F(SaveSequenceTest, NewScheduleDoesNotSaveOverResurfacedDataFile)
{
    state.newSchedule = true;
    writeGeneration(files.dataFile(), "theirs");
    int reloads = 0;
    hooks.reloadResurfaced = [&] { reloads += state.dirty() ? 1 : 0; };
    EXPECT_EQ(saveGeneration("mine").status, SaveStatus::Resurfaced);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Your previous datafile has resurfaced!"});
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(state.newSchedule);
    EXPECT_EQ(generationIn(files.dataFile()), "theirs");

    std::filesystem::remove(files.dataFile());
    state.newSchedule = true;
    EXPECT_EQ(saveGeneration("G1").status, SaveStatus::Saved);
    EXPECT_EQ(saveGeneration("G2").status, SaveStatus::Saved);
}

TEST_F(SaveSequenceTest, GoneFolderOrUncreatableTemporaryKeepsDirty)
{
    SaveSequence unplugged(DataFileSet(folder.path() / "unplugged"), fs, messages, state, hooks, quick);
    auto s = generation("G1");
    s->dirty = true;
    EXPECT_EQ(unplugged.save(*s).status, SaveStatus::Unreachable);
    EXPECT_TRUE(s->dirty);

    fs.failWhen([](const FileOperation& op) { return op.name == "create"; });
    EXPECT_EQ(sequence().save(*s).status, SaveStatus::WriteFailed);
    EXPECT_TRUE(s->dirty);
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{"Network error. Probably need to reconnect.",
                                                           "Unable to create file: " + files.temporaryFile().string() + "."}));
}

// --- write failures --------------------------------------------------------------------------

// Regression: a partial timedata.tmp is removed, so recovery never offers it
// ahead of the complete backups.
TEST_F(SaveSequenceTest, FullDiskLeavesGenerationsAndNoPartialFile)
{
    seed(3);
    fs.fillDisk();
    EXPECT_EQ(saveGeneration("G4").status, SaveStatus::WriteFailed);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"No space left on device. Disk is FULL"});
    EXPECT_TRUE(state.writeFailed());
    EXPECT_TRUE(state.dirty());
    EXPECT_FALSE(fs.exists(files.temporaryFile()));
    EXPECT_EQ(generations(), (std::vector<std::string>{"G3", "G2", "G1"}));
}

TEST_F(SaveSequenceTest, FinalRenameRefusedSixtyTimesFallsBackToCopy)
{
    seed(1);
    int attempts = 0;
    fs.failWhen([&](const FileOperation& op) {
        bool toData = op.name == "rename" && op.to.filename() == kDataFileName;
        attempts += toData ? 1 : 0;
        return toData;
    });
    EXPECT_EQ(saveGeneration("G2").status, SaveStatus::Saved);
    EXPECT_EQ(attempts, 60);
    EXPECT_EQ(generations(), (std::vector<std::string>{"G2", "G1", "(unreadable)"}));
    EXPECT_EQ(generationIn(files.backupFolder() / kDataFileName), "G2");
}

// Regression: when neither the rename nor the copy could place the new
// generation, the save is a failure and the journal stays.
TEST_F(SaveSequenceTest, FailedCopyFallbackIsNotASuccess)
{
    seed(1);
    int afterSave = 0;
    hooks.afterSave = [&] { ++afterSave; };
    fs.failWhen([](const FileOperation& op) { return op.to.filename() == kDataFileName; });
    EXPECT_EQ(saveGeneration("G2").status, SaveStatus::NotStored);
    EXPECT_EQ(afterSave, 0);
    EXPECT_TRUE(state.dirty());
    EXPECT_EQ(presenter.texts().back(), "Unable to create file: " + files.dataFile().string() + ".");
    EXPECT_EQ(generationIn(files.temporaryFile()), "G2");
    EXPECT_EQ(loadedGeneration(), "G2");
}

// A failure at any step, or of every step from there on (a folder flush
// included), leaves the previous generation or the new one loadable.
TEST_F(SaveSequenceTest, FailureAtAnyStepKeepsACompleteGeneration)
{
    for (int seeded : {0, 1, 3}) {
        for (bool lasting : {false, true}) {
            for (int n = 1; n <= 9; ++n) {
                SCOPED_TRACE("seeded " + std::to_string(seeded) + (lasting ? ", from " : ", at ") + std::to_string(n));
                std::filesystem::remove_all(folder.path());
                std::filesystem::create_directory(folder.path());
                seed(seeded);
                fs = FailingFileSystem();
                lasting ? fs.failFrom(n) : fs.failNth(n);
                state.clearDirty();
                SaveOutcome outcome = saveGeneration("new");
                std::string previous = seeded ? "G" + std::to_string(seeded) : "(empty)";
                std::string loaded = loadedGeneration();
                if (outcome.ok()) {
                    EXPECT_EQ(loaded, "new");
                    EXPECT_FALSE(state.dirty());
                } else {
                    EXPECT_TRUE(loaded == previous || loaded == "new") << loaded;
                    EXPECT_TRUE(state.dirty());
                }
            }
        }
    }
}

// --- renames that keep trying ----------------------------------------------------

TEST_F(SaveSequenceTest, RenameRefusesOrKeepsTryingRefreshingTheLockEveryTenthAttempt)
{
    writeGeneration(files.temporaryFile(), "G1");
    writeGeneration(files.backupFile(), "G0");
    EXPECT_FALSE(tenaciousRename(fs, files.dataFile(), files.secondBackupFile(), quick));
    EXPECT_FALSE(tenaciousRename(fs, files.temporaryFile(), files.backupFile(), quick));
    EXPECT_EQ(fs.changes(), 0);

    int refreshes = 0, cursorOn = 0, cursorOff = 0;
    hooks.refreshLock = [&] { ++refreshes; };
    hooks.waitCursor = [&](bool on) { ++(on ? cursorOn : cursorOff); };

    fs.failWhen([&](const FileOperation&) { return fs.changes() <= 59; });
    EXPECT_TRUE(tenaciousRename(fs, files.temporaryFile(), files.dataFile(), quick, hooks));
    EXPECT_EQ(fs.changes(), 60);
    EXPECT_EQ(refreshes, 5);
    EXPECT_EQ(cursorOn, 1);
    EXPECT_EQ(cursorOff, 1);
    EXPECT_EQ(generationIn(files.dataFile()), "G1");
}

// --- autosave watchdog ----------------------------------------------------------------------------

TEST(SaveWatchTest, UrgencyGrowsWithTheAgeOfTheFirstUnsavedChange)
{
    SaveState state;
    EXPECT_EQ(watchAutosave(state, TimeValue(600)).priority, SavePriority::BelowNormal);
    state.markDirty(TimeValue(600));
    state.markDirty(TimeValue(605));  // the first change counts
    int now = 600;
    for (SavePriority p : {SavePriority::BelowNormal, SavePriority::Normal, SavePriority::AboveNormal,
                           SavePriority::Highest})
        EXPECT_EQ(watchAutosave(state, TimeValue(now++)).priority, p) << now;
    auto at = [&](int now) { return watchAutosave(state, TimeValue(now)); };
    EXPECT_FALSE(at(605).warn);
    EXPECT_TRUE(at(606).warn);

    SaveState lateNight;
    lateNight.markDirty(TimeValue(1439));
    EXPECT_TRUE(watchAutosave(lateNight, TimeValue(5)).warn);  // 7 minutes, across midnight
}

} // namespace
} // namespace zk
