// Items that run something when they begin: which texts hold a command and
// how it is split, who may run one unattended, and the minute's check of
// sessions sharing one schedule folder. Nothing is ever started: the
// scripted launcher records what would have been.

#include "sessionsupport.h"

#include "engine/itemediting.h"
#include "shell/model/itemcommit.h"
#include "worktools/model/execitems.h"

#include <gtest/gtest.h>

namespace zk {
namespace {

using namespace testsupport;

constexpr TimeValue at(int hour, int minute) { return TimeValue::fromClock(hour, minute); }

TEST(ExecRequestTest, CommandWordsStandAloneAndLinesSplitWithoutAShell)
{
    std::optional<ExecRequest> backup = execRequestOf("Backup autoexec rsync -a \"/home/me/My Files\" /mnt/usb");
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->word, ExecWord::AutoExec);
    EXPECT_EQ(backup->command, (ProgramCommand{"rsync", {"-a", "/home/me/My Files", "/mnt/usb"}}));
    EXPECT_EQ(execQuestionText("9:00", "Backup", *backup),
              "9:00 Ready to EXEC Backup\n\nProgram: rsync\nArguments: -a \"/home/me/My Files\" /mnt/usb");

    EXPECT_FALSE(execRequestOf("copy autoexec.bat to the stick"));
    EXPECT_FALSE(execRequestOf("execute the plan"));
    EXPECT_FALSE(execRequestOf("see /usr/bin/autoexec now"));

    // Shell characters are plain arguments; nothing is expanded; the
    // command ends with its line.
    std::optional<ExecRequest> report = execRequestOf("Weekly report\rexec /usr/bin/report 'a b' ; rm -rf ~ $HOME\rmore");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->word, ExecWord::Exec);
    EXPECT_EQ(report->command, (ProgramCommand{"/usr/bin/report", {"a b", ";", "rm", "-rf", "~", "$HOME"}}));
    EXPECT_EQ(execRequestOf("autoexec:backup")->command.program, "backup");

    EXPECT_EQ(execRequestOf("agenda autoexec see www.example.org/agenda.")->url, "https://www.example.org/agenda");
    EXPECT_EQ(execRequestOf("exec http://example.org/x?a=1")->url, "http://example.org/x?a=1");

    std::optional<ExecRequest> open = execRequestOf("exec report \"unclosed");
    ASSERT_TRUE(open);
    EXPECT_TRUE(open->command.program.empty());
    EXPECT_EQ(splitCommandLine("a\\ b \"c \\\" d\" ''"), (std::vector<std::string>{"a b", "c \" d", ""}));
}

class ExecCheckTest : public SessionFixture {
protected:
    struct Checker {
        std::unique_ptr<TestSession> session;
        ScriptedProgramLauncher launcher;
        std::unique_ptr<ExecCheck> check;
        std::vector<std::string> asked;
    };

    std::unique_ptr<Checker> checker(Answer answer = Answer::No)
    {
        auto c = std::make_unique<Checker>();
        c->session = openSession(answer);
        Session& session = *c->session->session;
        Checker* self = c.get();
        c->check = std::make_unique<ExecCheck>(ExecCheckServices{
            .session = session,
            .launcher = c->launcher,
            .today = [this] { return clock.today(); },
            .now = [this] { return clock.now(); },
            .withSchedule = [](const std::function<void()>& step) { step(); return true; },
            .save = [&session] { ASSERT_TRUE(session.save().ok()); },
            .clockText = [](TimeValue t) { return std::to_string(t.hour()) + ":" + std::to_string(t.minute()); },
            .ask =
                [self](const std::string& question) {
                    self->asked.push_back(question);
                    return self->session->messages.question(question) == Answer::Yes;
                },
            .playSound = {},
            .showToday = {},
        });
        return c;
    }

    // `ownerText`: as the item dialog adds it in the owner's session; the
    // record claims the mark either way, as a crafted transfer file would.
    void add(const std::string& text, TimeValue begin, bool ownerText)
    {
        NewItem item = itemOn(kSessionToday, text, begin.value());
        item.record.setFlag(ItemFlag::fOwnerText, true);
        item.ownerText = ownerText;
        addElsewhere(std::move(item));
    }

    bool started(Checker& c, const std::string& text)
    {
        ItemHandle h = itemNamed(c.session->schedule(), text);
        return h && c.session->schedule().record(h).has(ItemFlag::fStarted);
    }
};

TEST_F(ExecCheckTest, TheOwnersOwnAutoexecRunsUnattendedOnceInOneSessionOnly)
{
    add("Backup autoexec backup --now", at(9, 0), true);
    auto a = checker();
    auto b = checker();

    setTime(8, 59);
    a->check->check();
    EXPECT_TRUE(a->launcher.started.empty());

    setTime(9, 0);
    a->check->check();
    EXPECT_EQ(a->launcher.started, (std::vector<ProgramCommand>{{"backup", {"--now"}}}));
    EXPECT_TRUE(a->asked.empty());
    EXPECT_TRUE(started(*a, "Backup autoexec backup --now")) << "it runs from now on";

    setTime(9, 1);
    a->check->check();
    b->check->check();
    EXPECT_EQ(a->launcher.started.size(), 1u);
    EXPECT_TRUE(b->launcher.started.empty()) << "the other session sees it started";
    EXPECT_TRUE(b->asked.empty());
}

TEST_F(ExecCheckTest, ACommandFromElsewhereOrInAnotherUsersSessionAsksFirstShowingWhatWouldRun)
{
    add("Imported autoexec tidy ~/Downloads", at(9, 0), false);
    add("Owners autoexec sync", at(10, 0), true);
    add("Mail exec see http://example.org/agenda", at(11, 0), true);

    auto refusing = checker(Answer::No);
    setTime(9, 0);
    refusing->check->check();
    ASSERT_EQ(refusing->asked.size(), 1u);
    EXPECT_NE(refusing->asked[0].find("Program: tidy\nArguments: ~/Downloads"), std::string::npos) << refusing->asked[0];
    EXPECT_TRUE(refusing->launcher.started.empty());
    EXPECT_FALSE(started(*refusing, "Imported autoexec tidy ~/Downloads"));
    setTime(9, 1);
    refusing->check->check();
    EXPECT_EQ(refusing->asked.size(), 1u) << "asked once";

    auto colleague = checker(Answer::Yes);
    colleague->launcher.owner = false;
    setTime(10, 0);
    colleague->check->check();
    EXPECT_EQ(colleague->asked.size(), 1u) << "not the owner's session";
    EXPECT_EQ(colleague->launcher.started, (std::vector<ProgramCommand>{{"sync", {}}}));

    setTime(11, 0);
    colleague->check->check();
    EXPECT_EQ(colleague->launcher.urls, std::vector<std::string>{"http://example.org/agenda"});
    EXPECT_TRUE(started(*colleague, "Mail exec see http://example.org/agenda"));
}

TEST_F(ExecCheckTest, OnlyTheItemDialogInTheOwnersSessionMarksTheText)
{
    auto s = openSession();
    ItemEditorRequest request;
    request.command = ItemCommand::task;
    request.day = kSessionToday;
    ItemEditor typed(s->schedule(), s->session->entryContext(), request, s->messages);
    ASSERT_TRUE(typed.readField(ControlId::text, "Backup autoexec backup").accepted());
    CommitResult added = commitItemEdit(*s->session, typed);
    ASSERT_EQ(added.status, CommitStatus::Stored);
    EXPECT_TRUE(s->schedule().record(added.item).has(ItemFlag::fOwnerText)) << "this test's folder is ours";

    // The same record through the add routine, as an import brings it.
    NewItem imported = itemOn(kSessionToday, "Backup autoexec backup", at(9, 0).value());
    imported.record = s->schedule().record(added.item);
    ItemHandle copy = s->session->addItem(std::move(imported)).item;
    ASSERT_TRUE(copy);
    EXPECT_FALSE(s->schedule().record(copy).has(ItemFlag::fOwnerText));
}

} // namespace
} // namespace zk
