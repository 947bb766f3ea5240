// The message service's boxes: the icon of each kind, the caption, the
// answer that comes back, boxes asked for by another thread, and the
// unattended form that never waits for a user.

#include "boxreader.h"
#include "guitestmain.h"

#include "platform/messages.h"
#include "shell/messagebox.h"

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

TEST_F(MessageBoxTest, EachKindShowsItsIconAndQuestionsReturnTheButtonPressed)
{
    messages.setUserName("ann");
    {
        BoxReader reader;
        messages.error("Unable to create file /srv/x");
        EXPECT_EQ(reader.icon, QMessageBox::Warning);
        EXPECT_EQ(reader.caption, "Zelkon - ann ");
        EXPECT_EQ(reader.text, "Unable to create file /srv/x");
    }
    {
        BoxReader reader;
        messages.information("Background processing is occurring.");
        EXPECT_EQ(reader.icon, QMessageBox::Information);
    }
    const struct {
        QuestionButtons buttons;
        QMessageBox::StandardButton press;
        Answer answer;
    } cases[] = {{QuestionButtons::YesNo, QMessageBox::No, Answer::No},
                 {QuestionButtons::YesNo, QMessageBox::Yes, Answer::Yes},
                 {QuestionButtons::YesNoCancel, QMessageBox::Cancel, Answer::Cancel},
                 {QuestionButtons::YesNoDefaultNo, QMessageBox::Yes, Answer::Yes}};
    for (const auto& c : cases) {
        BoxReader reader(c.press);
        EXPECT_EQ(messages.question("Create?", c.buttons), c.answer) << c.press;
        EXPECT_EQ(reader.icon, QMessageBox::Question);
        const QMessageBox::StandardButtons yesNo = QMessageBox::Yes | QMessageBox::No;
        EXPECT_EQ(reader.buttons, c.buttons == QuestionButtons::YesNoCancel ? yesNo | QMessageBox::Cancel : yesNo);
        EXPECT_EQ(reader.defaultButton,
                  c.buttons == QuestionButtons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes);
    }
    // A question with a caption of its own names what is at stake.
    BoxReader reader(QMessageBox::No);
    EXPECT_EQ(messages.question("Delete?", QuestionButtons::YesNoDefaultNo, "DELETE ITEM"), Answer::No);
    EXPECT_EQ(reader.caption, "DELETE ITEM");
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
}

TEST_F(MessageBoxTest, UnattendedBoxesGoToStderrAndQuestionsAreAnsweredNo)
{
    MessageBoxPresenter unattended(MessageBoxPresenter::Mode::Unattended);
    Messages quiet(unattended);
    ::testing::internal::CaptureStderr();
    quiet.error("Both backup files are missing.");
    EXPECT_EQ(quiet.question("Would you like to watch the demo?"), Answer::No);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Zelkon error: Both backup files are missing.\n"
              "Zelkon question (answered No): Would you like to watch the demo?\n");
}

} // namespace
} // namespace zk::testsupport
