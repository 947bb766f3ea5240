// The message service's boxes: which icon each kind shows, the caption,
// the answer that comes back, boxes asked for by another thread, and the
// unattended form that never waits for a user.

#include "boxreader.h"
#include "guitestmain.h"

#include "platform/messages.h"
#include "shell/messagebox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zk::testsupport {
namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    MessageBoxTest() { guiApplication(); }
    MessageBoxPresenter presenter{MessageBoxPresenter::Mode::Interactive};
    Messages messages{presenter};
};

TEST_F(MessageBoxTest, EachKindShowsItsIconAndTheSessionCaption)
{
    messages.setUserName("ann");
    {
        BoxReader reader(QMessageBox::Ok);
        messages.error("Unable to create file /srv/x");
        EXPECT_EQ(reader.icon, QMessageBox::Warning);
        EXPECT_EQ(reader.caption, "Zelkon - ann ");
        EXPECT_EQ(reader.text, "Unable to create file /srv/x");
    }
    {
        BoxReader reader(QMessageBox::Ok);
        messages.information("Background processing is occurring.");
        EXPECT_EQ(reader.icon, QMessageBox::Information);
    }
}

TEST_F(MessageBoxTest, QuestionsReturnTheButtonPressed)
{
    {
        BoxReader reader(QMessageBox::No);
        EXPECT_EQ(messages.question("Create?"), Answer::No);
        EXPECT_EQ(reader.icon, QMessageBox::Question);
        EXPECT_EQ(reader.buttons, QMessageBox::Yes | QMessageBox::No);
    }
    {
        BoxReader reader(QMessageBox::Yes);
        EXPECT_EQ(messages.question("Create?"), Answer::Yes);
    }
    {
        BoxReader reader(QMessageBox::Cancel);
        EXPECT_EQ(messages.question("Save first?", QuestionButtons::YesNoCancel), Answer::Cancel);
    }
}

TEST_F(MessageBoxTest, ABoxAskedForOnAnotherThreadIsAnsweredThere)
{
    BoxReader reader(QMessageBox::Yes);
    std::atomic<bool> done{false};
    Answer answer = Answer::No;
    std::thread asking([&] {
        answer = messages.question("Data folder /srv inaccessible, do you want to revert to the default data folder?");
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 20000));
    asking.join();
    EXPECT_EQ(answer, Answer::Yes);
    EXPECT_EQ(reader.icon, QMessageBox::Question);
}

TEST_F(MessageBoxTest, UnattendedBoxesGoToStderrAndQuestionsAreAnsweredNo)
{
    MessageBoxPresenter unattended(MessageBoxPresenter::Mode::Unattended);
    Messages quiet(unattended);
    ::testing::internal::CaptureStderr();
    quiet.error("Both backup files are missing.");
    Answer answer = quiet.question("Would you like to watch the demo?");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, Answer::No);
    EXPECT_EQ(err,
              "Zelkon error: Both backup files are missing.\n"
              "Zelkon question (answered No): Would you like to watch the demo?\n");
}

} // namespace
} // namespace zk::testsupport
