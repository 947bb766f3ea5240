// Workgroup e-mail: a message sent between two members' schedule folders,
// read, filed and archived, the new-mail check, and files that are not
// messages.

#include "lockfilesupport.h"
#include "sessionsupport.h"
#include "platform/clock.h"
#include "sharing/mail.h"
#include "sharing/workgroup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace zk {
namespace {

namespace fs = std::filesystem;
using testsupport::TempFolder;
using testsupport::readText;
using testsupport::writeText;

unsigned u16At(const std::string& bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

void setAge(const fs::path& file, std::int64_t now, int days)
{
    fs::last_write_time(file, fs::file_time_type::clock::from_sys(
                                  std::chrono::sys_seconds(std::chrono::seconds(now - std::int64_t(days) * 86400))));
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const fs::path& p : messageFiles(folder))
        names.push_back(p.filename().string());
    return names;
}

class MailTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeText(group.userList(), "Ann\nBob = bob-folder\n");
        fs::create_directories(group.defaultFolder("Ann"));
        fs::create_directories(*group.lookUp("Bob"));
    }
    fs::path ann() const { return group.defaultFolder("Ann"); }
    fs::path bob() const { return *group.lookUp("Bob"); }
    MailMessage draft(std::vector<std::string> to, std::vector<std::string> cc, std::string subject, std::string text)
    {
        MailMessage m;
        m.to = std::move(to);
        m.cc = std::move(cc);
        m.subject = std::move(subject);
        m.text = std::move(text);
        return m;
    }

    TempFolder server;
    Workgroup group{server.path()};
    FixedClock clock{LocalMoment{2026, 12, 7, 9, 30, 15}};
};

TEST_F(MailTest, AMessageGoesToEveryInboxIsReadFiledAndArchived)
{
    // Two "To" and one "CC" recipient: Bob twice reaches one inbox once.
    const std::string subject = "Plan " + std::string(75, 'x') + "\xc3\xa9\xc3\xa9";  // 80 bytes cut inside é
    SendOutcome sent = sendMail(draft({"Bob", "ann"}, {"BOB"}, subject, "Room 4 at ten.\nBring the list."), ann(),
                                "Ann", group, clock);
    ASSERT_TRUE(sent.sent) << sent.problem;
    const MailFolders annMail(ann()), bobMail(bob());
    ASSERT_EQ(namesIn(annMail.saved).size(), 1u);
    EXPECT_EQ(sent.saved, messageFiles(annMail.saved).front());
    EXPECT_EQ(namesIn(bobMail.inbox), namesIn(annMail.saved));
    EXPECT_EQ(namesIn(annMail.inbox), namesIn(annMail.saved));

    const std::string bytes = readText(sent.saved);
    EXPECT_EQ(readText(messageFiles(bobMail.inbox).front()), bytes);
    ASSERT_GT(bytes.size(), kMailHeaderSize);
    EXPECT_EQ(u16At(bytes, 0), 7777u);
    EXPECT_EQ(u16At(bytes, 2), 1u);
    EXPECT_EQ(u16At(bytes, 4), 667u);
    EXPECT_EQ(u16At(bytes, 224), 2u);
    EXPECT_EQ(u16At(bytes, 226), 1u);
    const std::uint32_t id = u16At(bytes, 6) | u16At(bytes, 8) << 16;
    EXPECT_EQ(id, mailIdAt(clock));
    EXPECT_EQ(namesIn(annMail.saved).front(), std::to_string(id) + ".MSG");
    EXPECT_EQ(bytes.substr(kMailHeaderSize), "Bob\nann\nBOB\nRoom 4 at ten.\nBring the list.");
    EXPECT_EQ(bytes.substr(10, 4), std::string("Ann\0", 4));
    EXPECT_EQ(u16At(bytes, 41), static_cast<unsigned>(clock.today().value()));
    EXPECT_EQ(u16At(bytes, 43), static_cast<unsigned>(clock.now().value()));
    EXPECT_EQ(bytes.find_first_not_of('\0', 250), kMailHeaderSize);  // the tail of the header is zero

    MailRead read = readMail(messageFiles(bobMail.inbox).front());
    ASSERT_TRUE(read.message);
    EXPECT_EQ(read.message->sender, "Ann");
    EXPECT_EQ(read.message->subject, "Plan " + std::string(75, 'x'));
    EXPECT_EQ(read.message->to, (std::vector<std::string>{"Bob", "ann"}));
    EXPECT_EQ(read.message->cc, std::vector<std::string>{"BOB"});
    EXPECT_EQ(read.message->text, "Room 4 at ten.\nBring the list.");
    EXPECT_EQ(mailItemText(*read.message), "Room 4 at ten. Bring the list.");
    MailPrint print = mailPrintLines(*read.message, "12/07/26", "9:30am");
    EXPECT_EQ(print.lines.front(), "From: Ann\t\t12/07/26\t\t9:30am");
    EXPECT_FALSE(print.truncated);
    EXPECT_TRUE(mailPrintLines(draft({}, {}, "", std::string(3001, 'y')), "", "").truncated);

    // A second message in the same millisecond takes the next free name
    // instead of replacing the first in the inbox.
    ASSERT_TRUE(sendMail(draft({"Bob"}, {}, "Again", "Second."), ann(), "Ann", group, clock).sent);
    std::vector<fs::path> inbox = messageFiles(bobMail.inbox);
    ASSERT_EQ(inbox.size(), 2u);
    EXPECT_EQ(readMail(inbox[1]).message->text, "Second.");
    EXPECT_EQ(namesIn(annMail.saved).size(), 2u);

    // New mail is told once, then not again for an hour.
    NewMailWatch watch;
    const std::int64_t now = clock.unixSeconds();
    EXPECT_FALSE(watch.check(bobMail.inbox, {.mailWindowOpen = true}, now).any());
    EXPECT_FALSE(watch.check(bobMail.inbox, {.alarmsOff = true}, now).any());
    EXPECT_FALSE(watch.check(bobMail.inbox, {.mayModify = false}, now).any());
    EXPECT_FALSE(watch.check(bobMail.inbox, {.alarmOpen = true}, now).any());
    EXPECT_TRUE(watch.check(bobMail.inbox, {}, now).newMail);
    EXPECT_FALSE(watch.check(bobMail.inbox, {}, now + 59 * 60).any());
    EXPECT_TRUE(watch.check(bobMail.inbox, {}, now + 60 * 60).newMail);

    // Reading: each message moves to SAVED in turn; Previous walks back.
    std::optional<fs::path> filed = fileReadMessage(bobMail, inbox[0]);
    ASSERT_TRUE(filed);
    EXPECT_EQ(filed->parent_path(), bobMail.saved);
    EXPECT_EQ(messageFiles(bobMail.inbox), std::vector<fs::path>{inbox[1]});
    EXPECT_EQ(previousSaved(bobMail, inbox[1]), filed);
    EXPECT_EQ(previousSaved(bobMail, *filed), std::nullopt);
    ASSERT_TRUE(fileReadMessage(bobMail, inbox[1]));
    EXPECT_TRUE(messageFiles(bobMail.inbox).empty());
    EXPECT_EQ(namesIn(bobMail.saved).size(), 2u);

    // Archiving: 8 days old goes, 6 days old stays.
    std::vector<fs::path> saved = messageFiles(bobMail.saved);
    setAge(saved[0], now, 8);
    setAge(saved[1], now, 6);
    EXPECT_EQ(archiveOldMail(bobMail, now), 1);
    EXPECT_EQ(archivedMailText(1), "1 old e-mail messages archived.");
    EXPECT_EQ(messageFiles(bobMail.saved), std::vector<fs::path>{saved[1]});
    EXPECT_EQ(namesIn(bobMail.archived), std::vector<std::string>{saved[0].filename().string()});
    EXPECT_EQ(archiveOldMail(bobMail, now), 0);

    // A wrongly named file is told; a bad magic is not a message.
    writeText(bobMail.inbox / "note.txt", "hello");
    NewMailWatch fresh;
    NewMailFinding finding = fresh.check(bobMail.inbox, {}, now);
    EXPECT_TRUE(finding.badName);
    EXPECT_FALSE(finding.newMail);
    std::string bad = bytes;
    bad[0] = 'X';
    writeText(bobMail.inbox / "5.MSG", bad);
    EXPECT_EQ(readMail(bobMail.inbox / "5.MSG").error, MailReadError::NotMessage);
    writeText(bobMail.inbox / "6.MSG", bytes.substr(0, kMailHeaderSize + 4));  // fewer lines than the counts
    EXPECT_EQ(readMail(bobMail.inbox / "6.MSG").error, MailReadError::NotMessage);
}

TEST_F(MailTest, ARecipientWithoutAFolderSendsNothingAndNoRecipientSaysSo)
{
    SendOutcome none = sendMail(draft({}, {"Bob"}, "s", "t"), ann(), "Ann", group, clock);
    EXPECT_FALSE(none.sent);
    EXPECT_EQ(none.problem, kNoRecipientText);
    // Bob would get it, Zed cannot: nobody does.
    SendOutcome out = sendMail(draft({"Bob", "Zed"}, {}, "s", "t"), ann(), "Ann", group, clock);
    EXPECT_FALSE(out.sent);
    EXPECT_EQ(out.problem, "No schedule path found for Zed");
    EXPECT_TRUE(messageFiles(MailFolders(bob()).inbox).empty());
    EXPECT_TRUE(messageFiles(MailFolders(ann()).saved).empty());
}

TEST_F(MailTest, LinksAndMessagesStillBeingWrittenAreNoMail)
{
    const MailFolders bobMail(bob());
    fs::create_directories(bobMail.inbox);
    writeText(server.path() / "secret", "not for the inbox");
    const fs::path link = bobMail.inbox / (std::to_string(mailIdAt(clock)) + ".MSG");
    fs::create_symlink(server.path() / "secret", link);
    writeText(bobMail.inbox / ".mail-1-1.tmp", "half a message");
    EXPECT_TRUE(messageFiles(bobMail.inbox).empty());
    EXPECT_EQ(readMail(link).error, MailReadError::Unreadable);
    NewMailWatch watch;
    EXPECT_FALSE(watch.check(bobMail.inbox, {}, clock.unixSeconds()).any());
    // Sending never writes through the link: the message takes another name.
    ASSERT_TRUE(sendMail(draft({"Bob"}, {}, "s", "t"), ann(), "Ann", group, clock).sent);
    EXPECT_EQ(readText(server.path() / "secret"), "not for the inbox");
    EXPECT_EQ(messageFiles(bobMail.inbox).size(), 1u);
}

TEST_F(MailTest, FilingAReadMessageNeverReplacesAnotherOfTheSameName)
{
    ASSERT_TRUE(sendMail(draft({"Bob"}, {}, "s", "Read me."), ann(), "Ann", group, clock).sent);
    const MailFolders bobMail(bob());
    const fs::path arrived = messageFiles(bobMail.inbox).front();
    writeText(bobMail.saved / arrived.filename(), "kept");
    std::optional<fs::path> filed = fileReadMessage(bobMail, arrived);
    ASSERT_TRUE(filed);
    EXPECT_NE(*filed, bobMail.saved / arrived.filename());
    EXPECT_EQ(readText(bobMail.saved / arrived.filename()), "kept");
    EXPECT_EQ(readMail(*filed).message->text, "Read me.");
}

TEST_F(MailTest, TheBroadcastAndRecentListsKeepTheirNames)
{
    const fs::path broad = ann() / kBroadcastListName;
    const std::vector<BroadcastEntry> entries{{"Bob", false}, {"Ann", true}};
    ASSERT_EQ(writeBroadcastList(broad, entries), 0);
    EXPECT_EQ(readBroadcastList(broad), entries);
    EXPECT_EQ(readNameList(broad), (std::vector<std::string>{"Bob", "Ann"}));

    const fs::path recent = ann() / kRecentMailName;
    ASSERT_EQ(addRecentMailNames(recent, {"Carl"}), 0);
    ASSERT_EQ(addRecentMailNames(recent, {"bob", "carl"}), 0);
    EXPECT_EQ(readNameList(recent), (std::vector<std::string>{"bob", "carl"}));
    EXPECT_EQ(mailNames(ann(), group), (std::vector<std::string>{"bob", "carl", "Ann"}));
}

} // namespace
} // namespace zk
