// The lock file itself: judging it by the folder's times, creating it
// exclusively, taking over an abandoned one, and cleaning up on a fault.

#include "lockfilesupport.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/lockfiles.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using testsupport::ScriptedLockFileSystem;
using testsupport::secondsAfter;
using testsupport::TempFolder;
using testsupport::touchFile;

class LockFileTest : public ::testing::Test {
protected:
    LockState judgeAt(int lockSecondsAfterNow)
    {
        files.probeTime = FileTime{1'800'000'000, 0};
        touchFile(paths.lock, secondsAfter(*files.probeTime, lockSecondsAfterNow));
        return judgeLock(files, paths, messages).state;
    }

    TempFolder folder;
    ScheduleFiles paths{folder.path()};
    ScriptedLockFileSystem files;
    ScriptedPresenter presenter;
    Messages messages{presenter};
};

// --- judging ---------------------------------------------------------------

TEST_F(LockFileTest, LiveFromThirtySecondsBehindToThreeHundredAheadOfTheTimeAWaitFileReceives)
{
    EXPECT_EQ(judgeAt(-31), LockState::Abandoned);
    EXPECT_EQ(judgeAt(-30), LockState::Live);
    EXPECT_EQ(judgeAt(-29), LockState::Live);
    EXPECT_EQ(judgeAt(300), LockState::Live);
    EXPECT_EQ(judgeAt(301), LockState::Abandoned);
    EXPECT_FALSE(files.exists(paths.wait)) << "the wait file lives only while a lock is judged";

    // Against the real folder's "now", whatever this test's clock would say.
    files.probeTime.reset();
    FileTime now = *files.real.probeNow(folder.path() / "probe").now;
    touchFile(paths.lock, secondsAfter(now, -29));
    EXPECT_EQ(judgeLock(files, paths, messages).state, LockState::Live);
    touchFile(paths.lock, secondsAfter(now, -31));
    EXPECT_EQ(judgeLock(files, paths, messages).state, LockState::Abandoned);
    files.remove(paths.lock);
    EXPECT_EQ(judgeLock(files, paths, messages).state, LockState::None);
    EXPECT_TRUE(isLockAbandoned(files, messages, folder.path()));
}

TEST_F(LockFileTest, AWaitFileThatCannotBeWrittenLeavesTheLockLive)
{
    files.probeFails = true;
    touchFile(paths.lock, FileTime{1'000'000'000, 0});  // decades old
    EXPECT_EQ(judgeLock(files, paths, messages).state, LockState::Live);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Could not create access wait file " + paths.wait.string()});
}

TEST_F(LockFileTest, OwnLeftoverCountsOnlyWhenNoProcessHoldsItOpen)
{
    auto held = HeldLock::create(files, paths).lock;
    ASSERT_TRUE(held);
    auto stamp = static_cast<std::int32_t>(held->stamp().modified.seconds);
    // Regression: a second session of this machine (zk beside the desktop
    // program) took the live lock over because its time matched the setting.
    EXPECT_EQ(judgeLock(files, paths, messages, stamp).state, LockState::Live);
    held.reset();
    touchFile(paths.lock, FileTime{stamp, 0});
    EXPECT_EQ(judgeLock(files, paths, messages, stamp).state, LockState::Abandoned);
    EXPECT_EQ(judgeLock(files, paths, messages, stamp + 1).state, LockState::Live);
}

// --- creating, taking over, releasing -------------------------------------

TEST_F(LockFileTest, OnlyOneOfTwoCreatorsOrTwoTakersHoldsTheLock)
{
    auto first = HeldLock::create(files, paths);
    auto second = HeldLock::create(files, paths);
    ASSERT_TRUE(first.lock);
    EXPECT_FALSE(second.lock);
    EXPECT_EQ(second.error, EEXIST);
    EXPECT_TRUE(first.lock->inEffect());
    first.lock.reset();

    // Regression: both sessions judged the same abandoned lock; the second
    // removed by name the lock the first had just created, and both held.
    touchFile(paths.lock, FileTime{1'000'000'000, 0});
    FileStamp judged = *files.stamp(paths.lock);
    auto early = HeldLock::takeOver(files, paths, judged);
    auto late = HeldLock::takeOver(files, paths, judged);
    ASSERT_TRUE(early.lock);
    EXPECT_FALSE(late.lock);
    EXPECT_TRUE(early.lock->inEffect());
}

TEST_F(LockFileTest, AFreshLockMovedAsideByMistakeIsPutBack)
{
    touchFile(paths.lock, FileTime{1'000'000'000, 0});
    FileStamp judged = *files.stamp(paths.lock);
    ScriptedLockFileSystem earlierFiles;
    std::unique_ptr<HeldLock> earlier;
    // The earlier taker finishes between the late taker's look and its move.
    files.beforeRename = [&] {
        files.remove(paths.lock);
        earlier = HeldLock::create(earlierFiles, paths).lock;
    };
    auto late = HeldLock::takeOver(files, paths, judged);
    EXPECT_FALSE(late.lock);
    ASSERT_TRUE(earlier);
    EXPECT_TRUE(earlier->inEffect());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "nothing but the lock file is left in the folder";
}

TEST_F(LockFileTest, AStalledHolderLeavesItsSuccessorsLockAlone)
{
    auto stalled = HeldLock::create(files, paths).lock;
    touchFile(paths.lock, FileTime{1'000'000'000, 0});
    auto successor = HeldLock::takeOver(files, paths, *files.stamp(paths.lock)).lock;
    ASSERT_TRUE(successor);
    FileStamp successorStamp = successor->stamp();
    EXPECT_FALSE(stalled->inEffect());
    EXPECT_FALSE(stalled->refresh());
    EXPECT_EQ(stalled->release().removal, Removal::Replaced);
    stalled.reset();
    EXPECT_EQ(files.stamp(paths.lock), successorStamp) << "neither touched nor removed";
    EXPECT_TRUE(successor->inEffect());
}

TEST_F(LockFileTest, AFaultRemovesTheHeldLockAndTheReadingMarker)
{
    EXPECT_EXIT(
        {
            auto held = HeldLock::create(files, paths).lock;
            ReadingMarker marker(files, paths);
            ZK_FAULT("Probe");
        },
        ::testing::ExitedWithCode(3), "Abnormal Condition Detected");
    EXPECT_FALSE(files.exists(paths.lock));
    EXPECT_FALSE(files.exists(paths.reading));
}

} // namespace
} // namespace zk
