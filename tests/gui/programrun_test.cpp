// The zelkon program as separate processes: one session per data file, a
// session that died does not block the next, and an internal fault ends the
// process with its box and exit code, leaving what was saved and no lock.

#include "buildpaths.h"
#include "desktopsupport.h"

#include "shell/messagebox.h"
#include "shell/sessionguard.h"
#include "sharing/pipeline.h"

#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>

#include <map>
#include <random>
#include <set>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class ProgramRunTest : public ::testing::Test {
protected:
    ProgramRunTest() { guiApplication(); }
    ~ProgramRunTest() override
    {
        for (QProcess* p : processes_) {
            p->kill();
            p->waitForFinished();
            delete p;
        }
    }

    QProcess& launch(const fs::path& folder) { return launch(QStringList{QString::fromStdString(folder.string())}); }
    // `extra` adds to or, with an empty value, removes from the environment.
    QProcess& launch(const QStringList& arguments, const std::vector<std::pair<QString, QString>>& extra = {})
    {
        auto* process = new QProcess;
        processes_.push_back(process);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZELKON_UNATTENDED", "1");
        env.insert("ZELKON_NOW", "2024-03-11 08:00");
        env.insert("XDG_DATA_HOME", QString::fromStdString((home.root() / "data").string()));
        env.insert("ZELKON_CONFIG_HOME", QString::fromStdString(home.config().string()));
        for (const auto& [name, value] : extra)
            value.isEmpty() ? env.remove(name) : env.insert(name, value);
        process->setProcessEnvironment(env);
        process->start(ZELKON_BINARY, arguments);
        return *process;
    }

    static bool listening(const fs::path& folder)
    {
        QLocalSocket socket;
        socket.connectToServer(SessionGuard::socketName(folder / "timedata.pak"));
        return socket.waitForConnected(200);
    }

    TemporaryHome home;
    std::vector<QProcess*> processes_;
};

TEST_F(ProgramRunTest, ASecondSessionOnTheSameDataFileIsRefusedWithExitCodeOne)
{
    const fs::path folder = home.root() / "plans";
    const fs::path elsewhere = home.root() / "other plans";
    for (const fs::path& f : {folder, elsewhere}) {
        fs::create_directories(f);
        Schedule empty;
        ASSERT_TRUE(saveDataFile(empty, f / "timedata.pak"));
    }
    QProcess& first = launch(folder);
    ASSERT_TRUE(eventually([&] { return listening(folder); }));

    QProcess& second = launch(folder / "mine.pak");
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1);
    std::string err = second.readAllStandardError().toStdString();
    EXPECT_NE(err.find("A session with this data file " + (folder / "timedata.pak").string() + " is already open."),
              std::string::npos)
        << err;

    // Another folder is another session.
    launch(elsewhere);
    EXPECT_TRUE(eventually([&] { return listening(elsewhere); }));
    EXPECT_EQ(first.state(), QProcess::Running);

    // A session killed outright leaves its socket behind; the next starts anyway.
    first.kill();
    first.waitForFinished();
    EXPECT_FALSE(listening(folder));
    QProcess& third = launch(folder);
    EXPECT_TRUE(eventually([&] { return listening(folder); })) << third.readAllStandardError().toStdString();
}

TEST_F(ProgramRunTest, TerminatingTheProgramEndsItAsClosingTheWindowDoes)
{
    QProcess& program = launch(QStringList{});
    const fs::path folder = home.defaultFolder();
    ASSERT_TRUE(eventually([&] { return fs::exists(folder / "timedata.pak") && listening(folder); }))
        << program.readAllStandardError().toStdString();

    program.terminate();
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    EXPECT_TRUE(loadDataFile(folder / "timedata.pak"));
}

// Regression: SIGTERM did nothing while a question box was open, so a
// logout or a service manager waited for the box until SIGKILL.
TEST_F(ProgramRunTest, TerminatingEndsTheSessionWhileAQuestionIsOpenAnsweringItNo)
{
    const fs::path folder = home.root() / "no schedule yet";
    fs::create_directories(folder);
    // Interactive: "File not found: ... Create?" waits for an answer.
    QProcess& program = launch(QStringList{QString::fromStdString(folder.string())}, {{"ZELKON_UNATTENDED", ""}});
    ASSERT_TRUE(eventually([&] { return listening(folder); })) << program.readAllStandardError().toStdString();
    QTest::qWait(500);
    ASSERT_EQ(program.state(), QProcess::Running) << "the question keeps it open";
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(fs::exists(folder / "timedata.pak")) << "No, the safe answer, creates nothing";
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
}

// Regression: the program removed the taken Task Pipeline file once its
// lines were in memory; killed before its next save, it lost them. Killed
// at random moments around taking and saving them, every line ends up in
// the schedule once.
TEST_F(ProgramRunTest, KilledAtRandomMomentsAfterTakingPipelineLinesEveryLineIsAddedOnce)
{
    const fs::path folder = home.root() / "piped";
    fs::create_directories(folder);
    Schedule empty;
    ASSERT_TRUE(saveDataFile(empty, folder / "timedata.pak"));
    // Minutes pass sixty times as fast: the pipeline is read every second.
    const std::vector<std::pair<QString, QString>> running = {{"ZELKON_NOW_RATE", "60"}};
    std::mt19937 random(40);
    std::set<std::string> sent;
    for (int round = 0; round < 20; ++round) {
        std::vector<std::string> lines = {"line " + std::to_string(2 * round), "line " + std::to_string(2 * round + 1)};
        ASSERT_EQ(appendToPipeline(folder, lines), AppendStatus::Appended);
        sent.insert(lines.begin(), lines.end());
        QProcess& program = launch(QStringList{QString::fromStdString(folder.string())}, running);
        ASSERT_TRUE(eventually([&] { return !fs::exists(folder / kPipelineFileName); }))
            << program.readAllStandardError().toStdString();
        QTest::qWait(static_cast<int>(random() % 1500));
        program.kill();
        program.waitForFinished();
    }
    QProcess& last = launch(QStringList{QString::fromStdString(folder.string())}, running);
    ASSERT_TRUE(eventually([&] {
        return !fs::exists(folder / kPipelineFileName) && !fs::exists(folder / kPipelineTakenFileName);
    })) << last.readAllStandardError().toStdString();
    last.terminate();
    ASSERT_TRUE(last.waitForFinished(20000));
    LoadResult loaded = loadDataFile(folder / "timedata.pak");
    ASSERT_TRUE(loaded);
    std::map<std::string, int> found;
    for (ItemHandle h : loaded.schedule->chain)
        ++found[std::string(loaded.schedule->storedDescription(h))];
    for (const std::string& line : sent)
        EXPECT_EQ(found[line], 1) << line;
    EXPECT_EQ(found.size(), sent.size());
}

TEST(InternalFaultDeathTest, TheFaultBoxIsShownAndTheProcessEndsWithCodeThree)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            guiApplication();
            static MessageBoxPresenter presenter(MessageBoxPresenter::Mode::Interactive);
            installFaultBox(presenter);
            // Reads the box as a user would, then presses OK.
            auto* reader = new QTimer;
            QObject::connect(reader, &QTimer::timeout, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    std::fprintf(stderr, "[%s] %s\n", box->icon() == QMessageBox::Critical ? "critical" : "other",
                                 box->text().toStdString().c_str());
                    box->accept();
                }
            });
            reader->start(10);
            ZK_FAULT("Probe");
        },
        ::testing::ExitedWithCode(3), "\\[critical\\] Abnormal Condition Detected\\..*21\\.00-Probe");
}

using DesktopFaultDeathTest = DesktopFixture;

TEST_F(DesktopFaultDeathTest, AFaultKeepsWhatWasSavedAndRemovesTheLock)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path folder = home.defaultFolder();
    auto add = [this](const std::string& text) {
        NewItem n = itemOn(kTestMorning.dayNumber(), text);
        n.record.setKind(ItemKind::memo);
        n.record.setFlags(ItemFlag::fOnHold);
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        app->session().addItem(n);
    };
    // The child runs this test afresh with a home of its own; the schedule
    // must go where this process looks for it.
    ::setenv("ZELKON_PARENT_DATA_HOME", (home.root() / "data").c_str(), 0);
    const fs::path parentFolder = fs::path(std::getenv("ZELKON_PARENT_DATA_HOME")) / "Zelkon";
    EXPECT_EXIT(
        {
            ::setenv("XDG_DATA_HOME", std::getenv("ZELKON_PARENT_DATA_HOME"), 1);
            startSession();
            add("Saved before the fault");
            app->tick();
            eventually([&] { return !app->saveThreadRunning(); });
            add("Made after the last save");
            if (fs::exists(parentFolder / "timedata.loc"))
                ZK_FAULT("Probe");
            std::exit(0);
        },
        ::testing::ExitedWithCode(3), "Abnormal Condition Detected");
    ASSERT_EQ(parentFolder, folder);
    LoadResult loaded = loadDataFile(folder / "timedata.pak");
    ASSERT_TRUE(loaded);
    std::set<std::string> texts;
    loaded.schedule->items.forEach([&](ItemHandle h) { texts.emplace(loaded.schedule->storedDescription(h)); });
    EXPECT_TRUE(texts.count("Saved before the fault"));
    EXPECT_FALSE(texts.count("Made after the last save"));
    EXPECT_FALSE(fs::exists(folder / "timedata.loc"));
    EXPECT_FALSE(fs::exists(folder / "timedata.tmp"));
}

} // namespace
} // namespace zk::testsupport
