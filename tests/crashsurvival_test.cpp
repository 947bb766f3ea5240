// Sessions killed at any moment lose nothing that was reported and add
// nothing twice: a save stopped before each of its file operations in turn
// (the failing file system throws where a kill would strike), zk add killed
// by SIGKILL at random moments, a zk killed while holding the lock, and a
// folder opened over and over while another process saves into it.

#include "buildpaths.h"
#include "savingsupport.h"
#include "sessionsupport.h"
#include "zkprocess.h"

#include "sharing/pipeline.h"
#include "sharing/session.h"
#include "storage/recovery.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zk {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// Where a kill strikes: the file operation it stops before.
struct Killed {};

// How a later session finds the folder: the texts of its items, and every
// box the opening showed (there must be none).
struct Opened {
    std::map<std::string, int> count;
    std::vector<std::string> shown;
};

Opened openFolder(const fs::path& folder)
{
    ScriptedPresenter presenter(Answer::No);
    Messages messages(presenter);
    ScheduleLoadRequest request;
    request.pathGiven = PathGiven::Yes;
    ScheduleLoad loaded = loadSchedule(DataFileSet(folder), systemFileSystem(), messages, request);
    Opened out;
    out.shown = presenter.texts();
    if (loaded)
        for (ItemHandle h : loaded.schedule->chain)
            ++out.count[std::string(loaded.schedule->storedDescription(h))];
    return out;
}

// Every reported item is there once, and nothing is there twice.
void expectEachOnce(const Opened& found, const std::vector<std::string>& reported, const std::string& when)
{
    EXPECT_TRUE(found.shown.empty()) << when << ": " << found.shown.front();
    for (const std::string& text : reported)
        EXPECT_EQ(found.count.count(text) ? found.count.at(text) : 0, 1) << when << ": " << text;
    for (const auto& [text, n] : found.count)
        EXPECT_LE(n, 1) << when << ": " << text;
}

class CrashSurvivalTest : public SessionFixture {
protected:
    // A session on the folder whose file operations go through `files`.
    std::unique_ptr<Session> sessionOn(FileSystem& files, Messages& messages)
    {
        SessionSettings settings;
        settings.folder = folder.path();
        settings.userName = "tester";
        settings.fileSystem = &files;
        settings.pause = [](std::chrono::milliseconds) { return false; };
        return std::make_unique<Session>(std::move(settings), clock, messages);
    }
};

// Every way in (a direct add, a Task Pipeline line) with the save stopped
// before its first, second, ... operation, until one save runs through.
TEST_F(CrashSurvivalTest, ASaveStoppedBeforeAnyOfItsFileOperationsLosesNothingReported)
{
    std::vector<std::string> reported;
    int stops = 0;
    for (bool pipeline : {false, true}) {
        for (int n = 1;; ++n) {
            const std::string text = (pipeline ? "piped " : "added ") + std::to_string(n);
            saving::FailingFileSystem files;
            ScriptedPresenter presenter(Answer::No);
            Messages messages(presenter);
            bool done = false;
            {
                auto session = sessionOn(files, messages);
                ASSERT_TRUE(session->open());
                ASSERT_TRUE(session->obtainChangeAccess(std::chrono::seconds(0)));
                if (pipeline) {
                    ASSERT_EQ(appendToPipeline(folder.path(), {text}), AppendStatus::Appended);
                    session->processPipeline();
                } else {
                    ASSERT_EQ(session->addItem(itemOn(kSessionToday, text, 661)).status, AddStatus::Added);
                }
                const int before = files.changes();
                files.failWhen([&](const saving::FileOperation&) {
                    if (files.changes() == before + n)
                        throw Killed{};
                    return false;
                });
                try {
                    done = session->save().ok();
                } catch (const Killed&) {
                    ++stops;
                }
            }
            if (done)
                reported.push_back(text);
            const std::string when = text + (done ? ", saved" : ", stopped");
            expectEachOnce(openFolder(folder.path()), reported, when);
            if (pipeline && !done) {
                // The next session adds what the stopped one took up, once.
                TestSession next(folder.path(), clock);
                ASSERT_TRUE(next.session->open());
                ASSERT_TRUE(next.session->obtainChangeAccess(std::chrono::seconds(0)));
                next.session->processPipeline();
                ASSERT_TRUE(next.session->save().ok()) << when;
                reported.push_back(text);
                expectEachOnce(openFolder(folder.path()), reported, when + ", then taken up");
                EXPECT_FALSE(fs::exists(file(kPipelineTakenFileName))) << when;
            }
            if (done)
                break;
            ASSERT_LT(n, 40) << "a save never ran through";
        }
    }
    EXPECT_GE(stops, 10);
    std::printf("[ figures  ] saves stopped before an operation: %d, items reported: %zu\n", stops,
                reported.size());
}

// --- real processes ------------------------------------------------------------------

class ZkProcessesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(root.path() / "config");
        fs::create_directories(schedule);
        writeEmptySchedule(schedule);
        environment = {"ZELKON_NOW=2023-10-21 10:00", "LC_ALL=C",
                       "ZELKON_CONFIG_HOME=" + (root.path() / "config").string(),
                       "XDG_DATA_HOME=" + (root.path() / "data").string(), "PATH=/usr/bin:/bin"};
    }

    // zk add of one line, as a process of its own; its pid.
    pid_t spawnAdd(const std::string& line, int wait = 30)
    {
        std::vector<std::string> words = {ZK_BINARY, "add", "--folder", schedule.string(), "--wait",
                                          std::to_string(wait), "--", line};
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawn(&pid, ZK_BINARY, &actions, nullptr, argv.data(), envp.data()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    // zk add run to its end: its exit code.
    int runAdd(const std::string& line, int wait = 30)
    {
        pid_t pid = spawnAdd(line, wait);
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
            return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempFolder root;
    fs::path schedule = root.path() / "schedule";
    std::vector<std::string> environment;
};

// Kills spread over a whole run of zk add: its start, its wait for the
// lock another killed run left, its save and every rename of it.
TEST_F(ZkProcessesTest, ZkAddKilledAtRandomMomentsLosesNoReportedItemAndAddsNoneTwice)
{
    const char* wanted = std::getenv("ZELKON_CRASH_KILLS");
    const int kills = wanted ? std::atoi(wanted) : 2000;
    // Only a guard against a machine far slower than any CI one.
    const auto budget = std::chrono::seconds(300);
    const auto started = std::chrono::steady_clock::now();

    // How long one run takes here: the kills are spread over it.
    std::vector<std::string> reported;
    std::chrono::microseconds longest{0}, total{0};
    for (int i = 0; i < 5; ++i) {
        const std::string text = "reported " + std::to_string(i);
        auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(runAdd(text), 0);
        auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
        total += took;
        reported.push_back(text);
    }
    const long spread = std::max<long>(2000, 6 * total.count() / 5 / 5);

    std::mt19937 random(20231021);
    int done = 0, killedRuns = 0, exitedFirst = 0;
    for (; done < kills && std::chrono::steady_clock::now() - started < budget; ++done) {
        const std::string text = "killed " + std::to_string(done);
        pid_t pid = spawnAdd(text);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % spread));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status))
            ++killedRuns;
        else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
            ++exitedFirst, reported.push_back(text);
        // Every tenth time a run goes through: it must take over the lock a
        // killed run left, at once, and find everything reported.
        if (done % 10 == 9) {
            const std::string after = "after " + std::to_string(done);
            auto t0 = std::chrono::steady_clock::now();
            ASSERT_EQ(runAdd(after, 5), 0) << after;
            longest = std::max(longest, std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - t0));
            reported.push_back(after);
            Opened found = openFolder(schedule);
            expectEachOnce(found, reported, after);
            if (HasFailure())
                return;
        }
    }
    Opened found = openFolder(schedule);
    expectEachOnce(found, reported, "at the end");
    int duplicates = 0;
    for (const auto& [text, n] : found.count)
        duplicates += n - 1;
    std::printf("[ figures  ] kills: %d (%d struck, %d came after the run ended), reported adds: %zu, "
                "items found: %zu, duplicates: %d, longest run after a kill: %lld ms\n",
                done, killedRuns, exitedFirst, reported.size(), found.count.size(), duplicates,
                static_cast<long long>(longest.count() / 1000));
}

// Regression: a killed zk left a lock that the next session waited 31
// seconds for, judged only by its time.
TEST_F(ZkProcessesTest, ALockLeftByAKilledProcessOfThisMachineIsTakenOverAtOnce)
{
    // A process that has ended: its id names nobody any more.
    pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    writeText(schedule / "timedata.loc", std::string(host) + " " + std::to_string(gone) + "\n");
    EXPECT_EQ(runAdd("after the kill", 0), 0) << "no wait is needed";

    // One of another machine, or one naming a live process, keeps its time rule.
    writeText(schedule / "timedata.loc", "elsewhere.example " + std::to_string(gone) + "\n");
    EXPECT_EQ(runAdd("refused", 0), 2);
    writeText(schedule / "timedata.loc", std::string(host) + " " + std::to_string(::getpid()) + "\n");
    EXPECT_EQ(runAdd("refused too", 0), 2);
}

// One process saves over and over; the other opens the folder each time it
// can: it never finds the schedule missing or asks about it.
TEST_F(ZkProcessesTest, AFolderOpenedWhileAnotherProcessSavesAlwaysOpens)
{
    std::atomic<bool> saving{true};
    std::atomic<int> saves{0};
    std::thread saver([&] {
        for (int i = 0; i < 120; ++i)
            if (runAdd("loop " + std::to_string(i)) == 0)
                ++saves;
        saving = false;
    });
    int opens = 0, failures = 0;
    std::string firstFailure;
    while (saving) {
        Opened found = openFolder(schedule);
        ++opens;
        if (!found.shown.empty()) {
            if (failures++ == 0)
                firstFailure = found.shown.front();
        }
    }
    saver.join();
    EXPECT_EQ(saves, 120);
    EXPECT_EQ(failures, 0) << firstFailure;
    EXPECT_GT(opens, 100);
}

} // namespace
} // namespace zk
