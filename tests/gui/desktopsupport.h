#pragma once
// Helpers for the tests of the desktop session: a home of its own (data and
// setting folders in a temporary folder, never the real ones), a session
// of the program in this process with a fixed clock and recorded messages,
// and waiting on the event loop.

#include "guitestmain.h"

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>
#include <functional>
#include <memory>
#include <string>

namespace zk::testsupport {

// The clock of every test: Monday 11 March 2024, the sample's week moved on.
inline const LocalMoment kTestMorning{2024, 3, 11, 8, 0, 0};

class TemporaryHome {
public:
    TemporaryHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelkon-gui-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        std::filesystem::create_directories(config());
        ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        ::setenv("ZELKON_CONFIG_HOME", config().c_str(), 1);
    }
    ~TemporaryHome()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path config() const { return root_ / "config"; }
    std::filesystem::path defaultFolder() const { return root_ / "data" / "Zelkon"; }

private:
    std::filesystem::path root_;
};

// Waits, turning the event loop, until the condition holds; false when it
// never did (the wait is only a guard against a hang).
inline bool eventually(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 20000);
}

// Records every box with the thread that showed it; answers No unless told.
class RecordingPresenter final : public MessagePresenter {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
        std::thread::id thread;
    };
    void show(MessageKind kind, const std::string&, const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        shown_.push_back({kind, text, std::this_thread::get_id()});
    }
    Answer ask(const std::string&, const std::string& text, QuestionButtons) override
    {
        std::lock_guard lock(mutex_);
        shown_.push_back({MessageKind::Question, text, std::this_thread::get_id()});
        if (answers_.empty())
            return Answer::No;
        Answer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void queueAnswer(Answer answer)
    {
        std::lock_guard lock(mutex_);
        answers_.push_back(answer);
    }
    std::vector<Shown> shown() const
    {
        std::lock_guard lock(mutex_);
        return shown_;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Shown& s : shown())
            out.push_back(s.text);
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
    std::deque<Answer> answers_;
};

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
    }

    TemporaryHome home;
    FixedClock clock{kTestMorning};
    RecordingPresenter presenter;
    SettingStore settings{home.config()};
    std::unique_ptr<DesktopApp> app;
};

} // namespace zk::testsupport
