// Workgroup e-mail in a desktop session: a message sent from Send E-Mail,
// the new-mail question, Read E-Mail with its reply, schedule and walk,
// and Archive Email.

#include "desktopsupport.h"
#include "sharing/mail.h"
#include "sharing/workgroup.h"
#include "shell/mailcommands.h"
#include "shell/mailwindows.h"
#include "shell/printcommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class MailWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        fs::create_directories(server());
        settings.setValue(kServerDriveSetting, server().string());
        startSession();
        setHeaderUserName(schedule().header, "Tess");
        const Workgroup group(server());
        fs::create_directories(group.sharedFolder());
        std::ofstream(group.userList()) << "Tess = " << own().string() << "\nBob\n";
        fs::create_directories(bob());
    }
    fs::path server() const { return home.root() / "team"; }
    fs::path own() { return app->session().files().folder(); }
    fs::path bob() const { return Workgroup(server()).defaultFolder("Bob"); }
    MailCommands& mail() { return app->commands().mail(); }
};

TEST_F(MailWindowTest, AMessageIsSentAnnouncedReadRepliedToAndScheduled)
{
    dispatch(MailCommand::sendMail);
    SendMailWindow* send = mail().sendWindow();
    ASSERT_NE(send, nullptr);
    EXPECT_FALSE(send->isModal());
    // The user list offers the names; Send without a recipient says so.
    EXPECT_GE(send->to()->findText("Bob"), 0);
    EXPECT_GE(send->cc()->findText("Tess"), 0);
    send->sendButton()->click();
    EXPECT_EQ(presenter.texts().back(), kNoRecipientText);
    send->to()->setEditText("Bob");
    send->cc()->setEditText("Tess");
    send->subject()->setText("Budget");
    send->message()->setPlainText("The figures are in.\nSee you at ten.");
    saveScreenshot(*send, "send-email");
    send->sendButton()->click();
    ASSERT_TRUE(eventually([&] { return mail().sendWindow() == nullptr; }));
    ASSERT_EQ(messageFiles(MailFolders(bob()).inbox).size(), 1u);
    ASSERT_EQ(messageFiles(MailFolders(own()).inbox).size(), 1u);
    EXPECT_EQ(readNameList(own() / kRecentMailName), (std::vector<std::string>{"Bob", "Tess"}));

    // Broadcast: the list chosen in its dialog, one "To" and one "CC".
    dispatch(MailCommand::sendMail);
    send = mail().sendWindow();
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->to()->currentText(), "Bob");  // the last one mailed to
    onModal<QDialog>([&](QDialog& dialog) {
        ASSERT_EQ(dialog.objectName(), "BroadcastEmail");
        auto& d = static_cast<BroadcastDialog&>(dialog);
        ASSERT_EQ(d.users()->count(), 2);
        d.users()->setCurrentRow(d.users()->row(d.users()->findItems("Bob", Qt::MatchExactly).front()));
        clickButton(d, "-> Add ->");
        d.ccChoice()->setChecked(true);
        clickButton(d, "-> Add All ->");
        saveScreenshot(d, "broadcast-email");
        pressOk(d);
    });
    send->broadcast()->setChecked(true);
    EXPECT_FALSE(send->to()->isEnabled());
    EXPECT_EQ(readBroadcastList(own() / kBroadcastListName),
              (std::vector<BroadcastEntry>{{"Bob", false}, {"Tess", true}}));
    send->subject()->setText("To all");
    send->sendButton()->click();
    ASSERT_TRUE(eventually([&] { return mail().sendWindow() == nullptr; }));
    std::vector<fs::path> inbox = messageFiles(MailFolders(bob()).inbox);
    ASSERT_EQ(inbox.size(), 2u);
    const MailRead broadcast = readMail(inbox[1]);
    ASSERT_TRUE(broadcast.message);
    EXPECT_EQ(broadcast.message->to, std::vector<std::string>{"Bob"});
    EXPECT_EQ(broadcast.message->cc, std::vector<std::string>{"Tess"});
    for (const fs::path& file : messageFiles(MailFolders(own()).inbox))
        if (readMail(file).message->subject == "To all")
            fs::remove(file);

    // Bob answers with a meeting notice.
    MailMessage notice;
    notice.to = {"Tess"};
    notice.flags = kMeetingNoticeFlag;
    notice.subject = "Budget review";
    notice.location = "Room 4";
    notice.meetingDay = clock.today() + 2;
    notice.meetingBegin = TimeValue::fromClock(10, 0);
    notice.meetingMinutes = 45;
    notice.text = "Bring the figures.";
    ASSERT_TRUE(sendMail(notice, bob(), "Bob", Workgroup(server()), clock).sent);

    // The question comes once; after No, not again within the hour.
    mail().minute();
    EXPECT_EQ(count(kNewMailText), 1);
    clock.advanceSeconds(59 * 60);
    mail().minute();
    EXPECT_EQ(count(kNewMailText), 1);
    clock.advanceSeconds(2 * 60);
    presenter.queueAnswer(Answer::Yes);
    mail().minute();
    EXPECT_EQ(count(kNewMailText), 2);

    ReadMailWindow* read = mail().readWindow();
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->isVisible());
    EXPECT_TRUE(read->from()->text().startsWith("Tess"));
    EXPECT_EQ(read->subject()->text(), "Budget");
    EXPECT_EQ(read->to()->text(), "Bob");
    ASSERT_EQ(read->cc()->count(), 1);
    EXPECT_EQ(read->cc()->item(0)->text(), "Tess");
    EXPECT_EQ(read->text()->toPlainText(), "The figures are in.\nSee you at ten.");
    // While it is open the check keeps quiet.
    clock.advanceSeconds(61 * 60);
    mail().minute();
    EXPECT_EQ(count(kNewMailText), 2);
    saveScreenshot(*read, "read-email");

    clickButton(*read, "Next");
    // The copy she had of her own message is the one she keeps as sent.
    EXPECT_EQ(messageFiles(MailFolders(own()).saved).size(), 2u);
    EXPECT_TRUE(read->subjectLabel()->text().startsWith("Title:"));
    EXPECT_EQ(read->subject()->text(), "Budget review");
    EXPECT_TRUE(read->findChild<QLabel*>("notice")->isVisible());
    saveScreenshot(*read, "read-meeting-notice");

    // Schedule: the meeting goes on its day at its time.
    clickButton(*read, "Schedule");
    EXPECT_EQ(app->state().viewed(), notice.meetingDay);
    EXPECT_TRUE(shows("Budget review: Bring the figures.")) << paneText();

    // Print: the header line, the subject and the text, to a PDF here.
    const fs::path pdf = home.root() / "message.pdf";
    app->commands().printing().setPrinterChooser([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf.string()));
        return true;
    });
    clickButton(*read, "Print");
    EXPECT_GT(fs::file_size(pdf), 0u);

    clickButton(*read, "Reply");
    send = mail().sendWindow();
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->to()->currentText(), "Bob");
    EXPECT_EQ(send->subject()->text(), "Budget review");
    send->close();

    // Previous walks back through the saved messages, then says there is none.
    clickButton(*read, "Previous");
    EXPECT_EQ(read->subject()->text(), "To all");
    clickButton(*read, "Previous");
    EXPECT_EQ(read->subject()->text(), "Budget");
    clickButton(*read, "Previous");
    EXPECT_EQ(presenter.texts().back(), kNoPreviousMailText);
    // Next goes on with the inbox: the notice still waits there; filed,
    // the inbox is empty and the window closes.
    clickButton(*read, "Next");
    EXPECT_EQ(read->subject()->text(), "Budget review");
    clickButton(*read, "Next");
    ASSERT_TRUE(eventually([&] { return mail().readWindow() == nullptr; }));
    EXPECT_TRUE(messageFiles(MailFolders(own()).inbox).empty());

    // Archive Email moves what is older than a week.
    const std::vector<fs::path> saved = messageFiles(MailFolders(own()).saved);
    ASSERT_EQ(saved.size(), 3u);
    auto daysAgo = [&](int days) {
        return fs::file_time_type::clock::from_sys(
            std::chrono::sys_seconds(std::chrono::seconds(clock.unixSeconds() - days * 86400)));
    };
    fs::last_write_time(saved[0], daysAgo(8));
    fs::last_write_time(saved[1], daysAgo(6));
    fs::last_write_time(saved[2], daysAgo(6));
    dispatch(MailCommand::archiveMail);
    EXPECT_EQ(presenter.texts().back(), "1 old e-mail messages archived.");
    EXPECT_EQ(messageFiles(MailFolders(own()).archived).size(), 1u);

    // With the inbox empty, E-Mail offers the last saved message.
    presenter.queueAnswer(Answer::No);
    dispatch(MailCommand::readMail);
    EXPECT_EQ(presenter.texts().back(), kNoNewMailText);
    EXPECT_EQ(mail().readWindow(), nullptr);
}

} // namespace
} // namespace zk::testsupport
