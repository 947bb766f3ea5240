// Change access between sessions of one schedule folder: requesting,
// waiting, taking over, saving, reloading, the tick and exit. Two sessions
// are two ChangeAccess objects on one folder, or two processes.

#include "lockfilesupport.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/changeaccess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <iterator>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zk {
namespace {

using testsupport::ScriptedLockFileSystem;
using testsupport::secondsAfter;
using testsupport::TempFolder;
using testsupport::touchFile;

// One session: its messages, its files and what its hooks were asked to do.
struct Session {
    Session(const std::filesystem::path& folder, const Clock& clock, const char* user)
        : access(folder, clock, messages, user, files, hooks())
    {
    }

    ChangeAccessHooks hooks()
    {
        ChangeAccessHooks h;
        h.reload = [this](const std::filesystem::path&) {
            ++reloads;
            markerWhileReloading = files.exists(access.paths().reading);
            return reloadAnswer;
        };
        h.addPendingItem = [this](PendingItem&& item) { added.push_back(item.text); };
        h.activity = [this] { return doing; };
        h.openPendingWindow = [this] { return ++windowsOpened, windowOpens; };
        h.closeAllSessions = [this] { ++closeRequests; };
        h.readLockStamp = [this] { return storedStamp; };
        h.writeLockStamp = [this](std::int32_t stamp) { storedStamp = stamp; };
        return h;
    }

    ScriptedPresenter presenter;
    Messages messages{presenter};
    ScriptedLockFileSystem files;
    ReloadStatus reloadAnswer = ReloadStatus::Loaded;
    int reloads = 0;
    bool markerWhileReloading = false;
    std::vector<std::string> added;
    SessionActivity doing;
    bool windowOpens = true;
    int windowsOpened = 0;
    int closeRequests = 0;
    std::optional<std::int32_t> storedStamp;
    ChangeAccess access;
};

class ChangeAccessTest : public ::testing::Test {
protected:
    FileTime folderNow() { return *LinuxLockFileSystem().probeNow(folder.path() / "probe").now; }
    // Makes the lock file look as if its holder last refreshed it `seconds` ago.
    void ageLock(int seconds) { testsupport::setFileTime(paths.lock, secondsAfter(folderNow(), -seconds)); }
    void writeDataFile(FileTime time) { touchFile(paths.dataFile, time); }
    // A data file, loaded by session b; its time.
    FileTime dataFileLoadedByB()
    {
        FileTime time = folderNow();
        writeDataFile(time);
        b.access.noteDataLoaded();
        return time;
    }
    void setClock(int hour, int minute, int second) { clock.set(LocalMoment{2026, 12, 6, hour, minute, second}); }

    TempFolder folder;
    ScheduleFiles paths{folder.path()};
    FixedClock clock{LocalMoment{2026, 12, 6, 9, 0, 5}};
    Session a{folder.path(), clock, "Ann"};
    Session b{folder.path(), clock, "Ben"};
};

// --- requesting and releasing -------------------------------------------------------

TEST_F(ChangeAccessTest, RequestHoldsTheLockAndReleaseGivesItBack)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    EXPECT_EQ(a.access.state(), AccessState::Holding);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::ifstream lockFile(paths.lock);
    std::string owner((std::istreambuf_iterator<char>(lockFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(owner, std::string(host) + " " + std::to_string(::getpid()) + "\n")
        << "the lock names its maker";
    EXPECT_EQ(a.storedStamp, static_cast<std::int32_t>(a.files.stamp(paths.lock)->modified.seconds));
    EXPECT_TRUE(b.access.anotherSessionHolds());
    EXPECT_TRUE(a.access.releaseChangeAccess());
    EXPECT_FALSE(a.files.exists(paths.lock));
    EXPECT_EQ(a.access.state(), AccessState::Released);
    a.access.tick();
    EXPECT_EQ(a.access.state(), AccessState::Idle);
}

TEST_F(ChangeAccessTest, RequestsAreRefusedWithoutModifyRightReachableFolderOrWritableData)
{
    a.access.setAccessRight(AccessRight::ViewOnly);
    EXPECT_FALSE(a.access.requestChangeAccess());
    EXPECT_FALSE(a.access.mayChangeNow());
    EXPECT_FALSE(a.files.exists(paths.lock));

    writeDataFile(folderNow());
    b.files.notWritable = true;
    EXPECT_FALSE(b.access.requestChangeAccess());
    EXPECT_EQ(b.presenter.texts(),
              std::vector<std::string>{"You cannot update this schedule.\nThe datafile is write-protected."});

    Session elsewhere(folder.path() / "gone", clock, "Cy");
    EXPECT_FALSE(elsewhere.access.requestChangeAccess());
    EXPECT_EQ(elsewhere.access.checkReload(), ReloadCheck::Unreachable);
}

TEST_F(ChangeAccessTest, ASecondSessionWaitsUntilTheHolderReleases)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    EXPECT_TRUE(a.access.mayChangeNow());
    EXPECT_FALSE(b.access.mayChangeNow());
    EXPECT_FALSE(b.access.requestChangeAccess());
    EXPECT_EQ(b.access.state(), AccessState::Waiting);
    EXPECT_EQ(b.windowsOpened, 1);
    // A second try while waiting looks once more, then beeps.
    EXPECT_FALSE(b.access.requestChangeAccess());
    EXPECT_EQ(b.presenter.beeps(), 1);
    b.access.tick();
    EXPECT_TRUE(b.access.accessPendingOpen());

    a.access.releaseChangeAccess();
    b.access.tick();
    EXPECT_FALSE(b.access.accessPendingOpen());
    EXPECT_EQ(b.presenter.beeps(), 2) << "the waiting session is told the lock has gone";
    EXPECT_TRUE(b.access.requestChangeAccess());
}

// Holding, dropping and adding the pending item are met through the session
// in additem_test.
TEST_F(ChangeAccessTest, ExitAsksWhileAnItemIsPending)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    EXPECT_FALSE(b.access.requestChangeAccess());
    EXPECT_EQ(b.access.holdPendingItem({ItemRecord{}, "Call the bank", DayNumber(17000)}), PendingResult::Held);
    EXPECT_FALSE(b.access.confirmExit());
    EXPECT_EQ(b.presenter.texts().back(),
              "Are you sure you want to exit now? Update access is pending to save new item(s).");

    a.access.releaseChangeAccess();
    b.access.tick();
    EXPECT_TRUE(b.access.holding());
    EXPECT_EQ(b.added, std::vector<std::string>{"Call the bank"});
    EXPECT_FALSE(b.access.itemPending());
    EXPECT_TRUE(b.access.confirmExit());
}

// --- abandoned locks --------------------------------------------------------------

TEST_F(ChangeAccessTest, AStaleLockIsTakenOverAndItsFormerHolderMayNotSave)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    ageLock(29);
    EXPECT_FALSE(b.access.requestChangeAccess());
    ageLock(31);
    b.access.tick();
    EXPECT_FALSE(b.files.exists(paths.lock)) << "the waiting step removes the abandoned lock";
    EXPECT_TRUE(b.access.requestChangeAccess());

    // Regression: the stalled holder still counted itself as holding and
    // its save went ahead beside the new holder's. The refusal is silent
    // before ten past midnight, and shown once a session.
    setClock(0, 5, 0);
    EXPECT_FALSE(a.access.changeAccessInEffect());
    EXPECT_FALSE(a.access.holding());
    EXPECT_TRUE(a.presenter.texts().empty());
    setClock(0, 10, 0);
    EXPECT_FALSE(a.access.changeAccessInEffect());
    EXPECT_TRUE(b.access.changeAccessInEffect());
    EXPECT_EQ(a.presenter.texts(), std::vector<std::string>{"Change access not in effect. Save aborted."});
    EXPECT_FALSE(a.access.changeAccessInEffect());
    EXPECT_EQ(a.presenter.texts().size(), 1u);
}

TEST_F(ChangeAccessTest, AtStartUpOwnLeftoverIsTakenOverWithoutWaiting)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    b.storedStamp = a.storedStamp;
    b.access.setPhase(SessionPhase::StartingUp);
    // Regression: a live lock of this machine is no leftover.
    EXPECT_FALSE(b.access.requestChangeAccess());
    FileTime created = a.files.stamp(paths.lock)->modified;
    a.access.stopForFault();  // the holder ends without releasing ...
    touchFile(paths.lock, created);  // ... and leaves its lock file
    b.access.cancelWaiting();
    EXPECT_TRUE(b.access.requestChangeAccess());
}

TEST_F(ChangeAccessTest, ALockThatCannotBeRemovedStaysHeld)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    a.files.renameError = EACCES;
    EXPECT_FALSE(a.access.releaseChangeAccess());
    EXPECT_EQ(a.presenter.texts(),
              std::vector<std::string>{"Error encountered removing schedule lock file. rc=" + std::to_string(EACCES)});
    EXPECT_TRUE(a.access.holding());
    a.files.renameError = 0;
    EXPECT_TRUE(a.access.releaseChangeAccess());
}

// --- saving and the tick --------------------------------------------------------------

TEST_F(ChangeAccessTest, TheTickAndAFullSaveGiveAccessBackOnlyWhenNothingIsLeftToSave)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    a.doing.unsavedChanges = true;
    a.access.tick();
    EXPECT_TRUE(a.access.holding());
    a.doing = {false, true, false};
    a.access.tick();
    EXPECT_TRUE(a.access.holding()) << "an editing dialog is open";
    a.doing = {};
    {
        auto saving = a.access.markSaving();
        EXPECT_EQ(a.access.state(), AccessState::Saving);
        a.access.tick();
        EXPECT_TRUE(a.access.holding());
    }
    a.access.tick();
    EXPECT_FALSE(a.access.holding());

    // A full save gives it back unless an editor is open.
    ASSERT_TRUE(a.access.requestChangeAccess());
    writeDataFile(folderNow());
    a.doing.editing = true;
    a.access.afterSave(SaveKind::Full);
    EXPECT_TRUE(a.access.holding());
    a.doing.editing = false;
    a.access.afterSave(SaveKind::Partial);
    EXPECT_TRUE(a.access.holding());
    a.access.afterSave(SaveKind::Full);
    EXPECT_FALSE(a.access.holding());
    EXPECT_EQ(a.access.checkReload(), ReloadCheck::Unchanged) << "its own save is not reloaded";
}

TEST_F(ChangeAccessTest, TheLockIsRefreshedEveryTenthSecond)
{
    setClock(9, 0, 1);
    ASSERT_TRUE(a.access.requestChangeAccess());
    a.doing.unsavedChanges = true;
    setClock(9, 0, 5);
    a.access.tick();
    EXPECT_EQ(a.files.touches, 0);
    setClock(9, 0, 10);
    a.access.tick();
    EXPECT_EQ(a.files.touches, 1);
    // A tick that comes late still refreshes in time.
    setClock(9, 0, 21);
    a.access.tick();
    EXPECT_EQ(a.files.touches, 2);
    EXPECT_TRUE(a.access.changeAccessInEffect());
}

// --- reloading -------------------------------------------------------------------------

TEST_F(ChangeAccessTest, WhatAnotherSessionSavedIsReloadedOnceItsLockIsGone)
{
    FileTime start = dataFileLoadedByB();
    b.access.tick();
    EXPECT_EQ(b.reloads, 0);

    ASSERT_TRUE(a.access.requestChangeAccess());
    writeDataFile(secondsAfter(start, 5));
    EXPECT_EQ(b.access.checkReload(), ReloadCheck::WriterActive);
    EXPECT_TRUE(b.access.newerDataWaiting());
    b.access.tick();
    EXPECT_EQ(b.reloads, 0) << "the writer may not have finished";

    a.access.releaseChangeAccess();
    b.access.tick();
    EXPECT_EQ(b.reloads, 1);
    EXPECT_TRUE(b.markerWhileReloading);
    EXPECT_FALSE(b.files.exists(paths.reading));
    EXPECT_TRUE(b.access.lastReloadTime());
    b.access.tick();
    EXPECT_EQ(b.reloads, 1);

    writeDataFile(secondsAfter(start, -60));
    EXPECT_EQ(b.access.checkReload(), ReloadCheck::Older);
}

TEST_F(ChangeAccessTest, TakingAccessBringsInNewerDataFirstButAnHourShiftIsNoNewerData)
{
    FileTime start = dataFileLoadedByB();
    writeDataFile(secondsAfter(start, 3600));
    EXPECT_FALSE(b.access.newerDataWaiting());
    // Saved by another session between two of this session's ticks.
    writeDataFile(secondsAfter(start, 3601));
    EXPECT_TRUE(b.access.newerDataWaiting());
    ASSERT_TRUE(b.access.requestChangeAccess());
    EXPECT_EQ(b.reloads, 1);
}

TEST_F(ChangeAccessTest, AFailedReloadEndsTheSessionUnlessMemoryRanOut)
{
    FileTime start = dataFileLoadedByB();
    writeDataFile(secondsAfter(start, 5));
    b.reloadAnswer = ReloadStatus::OutOfMemory;
    EXPECT_FALSE(b.access.reloadIfChanged());
    EXPECT_FALSE(b.access.abortInProgress());

    ThrowingFaultHandler throwing;
    FaultHandler* previous = installFaultHandler(&throwing);
    b.reloadAnswer = ReloadStatus::Failed;
    EXPECT_THROW(b.access.reloadIfChanged(), InternalFault);
    installFaultHandler(previous);
    EXPECT_FALSE(b.files.exists(paths.reading));
    EXPECT_TRUE(b.access.abortInProgress());
    EXPECT_TRUE(b.access.dontSave());
    EXPECT_FALSE(b.access.requestChangeAccess());
}

// --- bounded waiting -----------------------------------------------------------------------

TEST_F(ChangeAccessTest, ABoundedWaitTriesOncePerStepAndTakesTheLockWhenItsHolderGoes)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    std::vector<std::chrono::milliseconds> pauses;
    std::size_t releaseAt = 0;
    Session waiter(folder.path(), clock, "Cy");
    ChangeAccessHooks hooks = waiter.hooks();
    hooks.pause = [&](std::chrono::milliseconds step) {
        pauses.push_back(step);
        if (pauses.size() == releaseAt)
            a.access.releaseChangeAccess();
        return true;
    };
    ChangeAccess access(folder.path(), clock, waiter.messages, "Cy", waiter.files, hooks);
    EXPECT_FALSE(access.waitForChangeAccess(std::chrono::seconds(3)));
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(3, kWaitStep));
    EXPECT_EQ(access.state(), AccessState::Idle);
    EXPECT_FALSE(access.waitForChangeAccess(std::chrono::seconds(0)));
    EXPECT_EQ(pauses.size(), 3u);

    releaseAt = 5;
    EXPECT_TRUE(access.waitForChangeAccess(std::chrono::seconds(30)));
    EXPECT_EQ(pauses.size(), 5u);
    EXPECT_TRUE(access.holding());
}

TEST_F(ChangeAccessTest, CancelEndsABoundedWait)
{
    ASSERT_TRUE(a.access.requestChangeAccess());
    Session waiter(folder.path(), clock, "Cy");
    std::promise<void> opened;
    ChangeAccessHooks hooks = waiter.hooks();
    hooks.openPendingWindow = [&] { return opened.set_value(), true; };
    ChangeAccess access(folder.path(), clock, waiter.messages, "Cy", waiter.files, hooks);
    std::thread waiting([&] { EXPECT_FALSE(access.waitForChangeAccess(std::chrono::hours(1))); });
    opened.get_future().wait();
    access.cancelWaiting();
    waiting.join();
}

// --- exit ------------------------------------------------------------------------------------

TEST_F(ChangeAccessTest, ExitAllClosesEverySessionAndExitAndFaultsRemoveTheHeldLock)
{
    a.access.requestExitAll();
    EXPECT_EQ(a.closeRequests, 1);
    b.access.tick();
    EXPECT_EQ(b.closeRequests, 1);
    b.access.removeLeftoverExitRequest();
    b.access.tick();
    EXPECT_EQ(b.closeRequests, 1);

    ASSERT_TRUE(a.access.requestChangeAccess());
    a.access.atExit();
    EXPECT_FALSE(a.files.exists(paths.lock));
    ASSERT_TRUE(b.access.requestChangeAccess());
    b.access.stopForFault();
    EXPECT_FALSE(b.files.exists(paths.lock));
    EXPECT_FALSE(b.access.requestChangeAccess());
    {
        Session last(folder.path(), clock, "Cy");
        ASSERT_TRUE(last.access.requestChangeAccess());
    }
    EXPECT_FALSE(a.files.exists(paths.lock)) << "a session object going away gives its lock back";
}

// --- two processes ------------------------------------------------------------------------------

// What the test shares with the sessions it forks. Two racing sessions meet
// before each creates its lock file, so both have judged the folder before
// either creates: the race is run, not dodged.
struct Shared {
    sem_t arrived[2], end[2], answered;
    int got[2];

    void meet(int side)
    {
        ::sem_post(&arrived[side]);
        timespec limit{};
        ::clock_gettime(CLOCK_REALTIME, &limit);
        limit.tv_sec += 5;  // only against a hang should the other side never come
        ::sem_timedwait(&arrived[1 - side], &limit);
    }
};

class ChangeAccessProcessTest : public ChangeAccessTest {
protected:
    void SetUp() override
    {
        void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(memory, MAP_FAILED);
        shared = static_cast<Shared*>(memory);
        for (sem_t* s : {&shared->arrived[0], &shared->arrived[1], &shared->end[0], &shared->end[1], &shared->answered})
            ::sem_init(s, 1, 0);
    }
    void TearDown() override { ::munmap(shared, sizeof(Shared)); }

    // Forks a session that requests change access, reports whether it got
    // it, and holds it until told to end.
    pid_t forkSession(int side)
    {
        pid_t pid = ::fork();
        if (pid != 0)
            return pid;
        SystemClock systemClock;
        ScriptedPresenter presenter;
        Messages messages(presenter);
        ScriptedLockFileSystem files;
        files.beforeCreate = [this, side] { shared->meet(side); };
        {
            ChangeAccess access(folder.path(), systemClock, messages, "child", files);
            shared->got[side] = access.requestChangeAccess();
            ::sem_post(&shared->answered);
            ::sem_wait(&shared->end[side]);
        }
        ::_exit(0);
    }
    // Tells the session to end; true when it exited cleanly.
    bool end(pid_t pid, int side)
    {
        ::sem_post(&shared->end[side]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    Shared* shared = nullptr;
};

TEST_F(ChangeAccessProcessTest, TwoProcessesRacingForAFreeFolderOrAnAbandonedLockLeaveOneHolder)
{
    for (int round = 0; round < 20; ++round) {
        bool abandoned = round % 2 == 1;
        if (abandoned)
            touchFile(paths.lock, FileTime{1'000'000'000, 0});
        for (sem_t& s : shared->arrived)
            ::sem_init(&s, 1, 0);  // a side that never created left its arrival behind
        pid_t first = forkSession(0), second = forkSession(1);
        ::sem_wait(&shared->answered);
        ::sem_wait(&shared->answered);
        EXPECT_EQ(shared->got[0] + shared->got[1], 1) << "round " << round << (abandoned ? " abandoned" : " free");
        EXPECT_TRUE(end(first, 0));
        EXPECT_TRUE(end(second, 1));
        EXPECT_FALSE(a.files.exists(paths.lock)) << "the holder gave it back at its end";
    }
}

} // namespace
} // namespace zk
