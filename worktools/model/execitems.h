#pragma once
// Items whose text asks to run something when they begin: "autoexec" runs
// it unattended, "exec " asks first. What runs is either a web address,
// opened by the desktop's URL handler, or a command line, split into its
// program and arguments and started without a shell.
//
// Who may run what unattended: only the schedule owner's own session, and
// only an item whose text the owner typed or last changed in the item
// dialog (ItemFlag::fOwnerText; every other way in clears it: the task
// pipeline, transfer files, imports, mail, the handheld). Any other
// "autoexec" item, and every "exec " item, asks first and shows the exact
// program and its arguments, with No as the default answer.
//
// The command word stands on its own: "autoexec.bat" or "execute" is text,
// not a command. The command line is the rest of that line of the text,
// after one separating character.
//
// Running an item starts it now (the Started command: its entry moves to
// the current minute, other started items of today are done) under change
// access and saves at once, so of two sessions on one schedule only the
// first runs it; then it is launched.

#include "core/daynumber.h"
#include "platform/programlauncher.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;
class Session;

enum class ExecWord { AutoExec, Exec };

struct ExecRequest {
    ExecWord word = ExecWord::Exec;
    // A web address in the text: opened instead of a command.
    std::optional<std::string> url;
    // The line after the command word, as typed.
    std::string commandLine;
    // Empty program: the line could not be read (an open quote) or is empty.
    ProgramCommand command;
};

// What the text asks to run; none when it holds no command word.
std::optional<ExecRequest> execRequestOf(std::string_view text);
// Splits a command line as a user expects from a terminal: blanks separate
// words, "double" and 'single' quotes group, a backslash takes the next
// character as it is (inside double quotes only before " and \). Nothing
// is expanded. None when a quote is left open.
std::optional<std::vector<std::string>> splitCommandLine(std::string_view line);

// The question asked before running: the time, the item's text, and what
// exactly would start.
std::string execQuestionText(const std::string& clock, const std::string& itemText, const ExecRequest& request);

extern const char* const kExecFailedText;        // "%s" the program
extern const char* const kExecUnreadableText;    // "%s" the command line
extern const char* const kExecUrlFailedText;     // "%s" the address
extern const char* const kExecNoAccessText;      // asked, but another session holds the schedule

struct ExecCheckServices {
    Session& session;
    ProgramLauncher& launcher;
    std::function<DayNumber()> today;
    std::function<TimeValue()> now;
    // Runs the step with the schedule to itself; false when it cannot now.
    std::function<bool(const std::function<void()>& step)> withSchedule;
    // Writes the schedule (called inside withSchedule).
    std::function<void()> save;
    std::function<std::string(TimeValue)> clockText;
    // Asks whether to run, No as the default; true = run.
    std::function<bool(const std::string& question)> ask;
    // The alarm sound before the question; may be unset.
    std::function<void()> playSound;
    // Shows today after an item ran; may be unset.
    std::function<void()> showToday;
};

// An entry of today whose time to run has come.
struct DueExec {
    std::uint32_t itemId = 0;
    TimeValue start;
    std::string text;
    bool ownerText = false;
};
// Anchored entries of today, neither started nor done, placed to start
// from `now` back to `window` minutes before, whose text holds a command
// word. Only today's entries are looked at.
std::vector<DueExec> dueExecs(const Schedule& schedule, DayNumber today, TimeValue now, int window);

class ExecCheck {
public:
    // A session that could not take change access at the minute tries
    // again for this many minutes.
    static constexpr int kWindowMinutes = 3;

    explicit ExecCheck(ExecCheckServices services) : s_(std::move(services)) {}

    // Once a minute, while alarms are on.
    void check();

private:
    enum class Claim { Run, Wait, Gone };
    Claim claim(std::uint32_t itemId, TimeValue start);
    void run(const ExecRequest& request);

    ExecCheckServices s_;
    DayNumber day_;
    // Entries this session has run or asked about today: none twice.
    std::set<std::pair<std::uint32_t, std::int16_t>> handled_;
};

} // namespace zk
