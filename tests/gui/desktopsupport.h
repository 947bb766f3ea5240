#pragma once
// Helpers for the tests of the desktop session: a home of its own (data and
// setting folders in a temporary folder, never the real ones), a session
// of the program in this process with a fixed clock and recorded messages,
// and waiting on the event loop.

#include "buildpaths.h"
#include "guitestmain.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "storage/datafile.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace zk::testsupport {

// The clock of every test: Monday 11 March 2024, the sample's week moved on.
inline const LocalMoment kTestMorning{2024, 3, 11, 8, 0, 0};

class TemporaryHome : public TemporaryFolder {
public:
    TemporaryHome() : TemporaryFolder("zelkon-gui")
    {
        std::filesystem::create_directories(config());
        ::setenv("XDG_DATA_HOME", (root() / "data").c_str(), 1);
        ::setenv("ZELKON_CONFIG_HOME", config().c_str(), 1);
    }
    std::filesystem::path config() const { return root() / "config"; }
    std::filesystem::path defaultFolder() const { return root() / "data" / "Zelkon"; }
};

// Waits, turning the event loop, until the condition holds; false when it
// never did (the wait is only a guard against a hang).
inline bool eventually(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 20000);
}

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The pane's line whose description starts so, after today's rank; -1 if none.
inline int lineOf(const DayPane& pane, const QString& start)
{
    static const QRegularExpression rank("^\\d+\\. ");
    const QStringList lines = pane.lines();
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].section('\t', 1).remove(rank).startsWith(start))
            return i;
    return -1;
}

// A desktop session in this process.
class DesktopFixture : public ::testing::Test {
protected:
    DesktopFixture() { guiApplication(); }
    ~DesktopFixture() override
    {
        if (app) {
            app->terminate();
            app.reset();
        }
    }

    // Starts the session on the command line given and waits for start-up.
    void startSession(const std::string& commandLine = "")
    {
        app = std::make_unique<DesktopApp>(clock, presenter, settings);
        ASSERT_EQ(app->start({commandLine, ZELKON_RESOURCE_DIR}), std::nullopt);
        ASSERT_TRUE(eventually([this] { return !app->initialising(); }));
        // The minute's work skips what a running save holds back, so a test's
        // first minute must not meet the start's own save.
        ASSERT_TRUE(eventually([this] { return !app->saveThreadRunning(); }));
    }
    // The session started with its window active, for keys and the mouse.
    void startSessionInActiveWindow()
    {
        startSession();
        app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
    }
    void endSession()
    {
        ASSERT_TRUE(app->exitRequest());
        app->terminate();
        app.reset();
    }
    // A tick starts a save of what changed; this waits for it to end.
    void waitForSave()
    {
        app->tick();
        ASSERT_TRUE(eventually([this] { return !app->saveThreadRunning(); }));
    }
    // The minute's work at that time of the test day. What changed is saved
    // first: the minute's work skips what a running save holds back.
    void minuteAt(int hour, int minute)
    {
        waitForSave();
        clock.set({kTestMorning.year, kTestMorning.month, kTestMorning.day, hour, minute, 0});
        app->tick();
    }
    // How many of the messages shown hold the text.
    int count(const std::string& text) const
    {
        int n = 0;
        for (const std::string& t : presenter.texts())
            n += t.find(text) != std::string::npos;
        return n;
    }
    ItemHandle itemNamed(const std::string& text)
    {
        for (ItemHandle h : schedule().chain)
            if (schedule().storedDescription(h) == text)
                return h;
        return kNoItem;
    }
    bool shows(const QString& description) const { return lineOf(app->window().dayPane(), description) >= 0; }
    std::string paneText() const { return app->window().dayPane().lines().join('\n').toStdString(); }
    void dispatch(int command) { app->commands().dispatcher().dispatch(command); }
    // The menu bar's item of the command, under the top menu of that title
    // (any when empty); none when the menus do not offer it.
    QAction* menuAction(int command, const QString& topMenu = QString()) const
    {
        std::function<QAction*(const QList<QAction*>&)> find = [&](const QList<QAction*>& actions) -> QAction* {
            for (QAction* action : actions)
                if (QAction* found = action->menu() ? find(action->menu()->actions())
                                                    : action->data().toInt() == command ? action : nullptr)
                    return found;
            return nullptr;
        };
        for (QAction* top : app->window().menuBar()->actions())
            if (top->menu() && (topMenu.isEmpty() || top->menu()->title().remove('&') == topMenu))
                if (QAction* found = find(top->menu()->actions()))
                    return found;
        return nullptr;
    }
    SchedulesArea& area() { return app->window().schedulesArea(); }
    Schedule& schedule() { return app->session().schedule(); }

    TemporaryHome home;
    FixedClock clock{kTestMorning};
    ScriptedPresenter presenter;  // answers No unless told
    SettingStore settings{home.config()};
    std::unique_ptr<DesktopApp> app;
};

// A session started, its window active, before each test.
class ActiveWindowFixture : public DesktopFixture {
protected:
    void SetUp() override { startSessionInActiveWindow(); }
};

} // namespace zk::testsupport
