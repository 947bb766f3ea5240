#pragma once
// What the zk commands that change a schedule share: their common options,
// the messages (each shown on stderr as one line; questions answered by
// --yes or --no, else No, saying which question was declined), and the
// session on the folder that cli/schedulefolder.h finds.
//
// Common options: --help, --folder DIR, --yes, --no, and --wait SECONDS
// (how long to wait for change access while another session holds it;
// default 30) for the commands that take change access.

#include "cli/options.h"
#include "cli/schedulefolder.h"

#include "engine/placementcontext.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::cli {

inline constexpr int kDefaultWaitSeconds = 30;

// The common options followed by the command's own.
std::vector<OptionSpec> sessionOptions(std::vector<OptionSpec> own = {});

// What is wrong with the common options, or nothing.
std::optional<std::string> sessionUsageProblem(const Arguments& args);
// --wait as given (checked by sessionUsageProblem), or the default.
std::chrono::seconds waitLimit(const Arguments& args);

class ZkSession {
public:
    explicit ZkSession(const Arguments& args);

    // Loads the schedule (waiting up to `wait` while another session has
    // the data file between two renames); false, after saying why on
    // stderr, when it could not be had. openFailure() then says the exit code.
    bool open(std::chrono::seconds wait = std::chrono::seconds(kDefaultWaitSeconds));
    int openFailure() const;
    // Waits for change access; false, after saying why on stderr.
    bool obtainChangeAccess(std::chrono::seconds limit);
    // Both, for a command that changes the schedule: kExitOk, or the exit
    // code of what failed.
    int openForChange(std::chrono::seconds limit);

    Session& session() { return *session_; }
    Schedule& schedule() { return session_->schedule(); }
    Messages& messages() { return messages_; }
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::unique_ptr<Clock> clock_;
    ScriptedPresenter presenter_;
    Messages messages_;
    std::unique_ptr<Session> session_;
};

// The folder named by --folder, the DataFolder setting or the default; the
// data file must be the folder's timedata.pak.
std::optional<std::filesystem::path> scheduleFolderOf(const Arguments& args);

// The answer --yes or --no gives every question, if either was given.
std::optional<Answer> givenAnswer(const Arguments& args);
// Prints a box as one line; a question also shows its answer, or that it
// was declined for want of --yes or --no.
void echoShown(const ScriptedPresenter::Shown& shown, bool answerGiven, std::FILE* out = stderr);

// One line, whatever line breaks the text holds.
std::string singleLine(const std::string& text);

// "YYYY-MM-DD"
std::string isoDate(DayNumber day);

// Today and now as the desktop counts them at the clock's moment: in the
// small hours of a night-owl window the day before has not ended yet.
PlacementContext sessionContext(const Schedule& schedule, const Clock& clock);

} // namespace zk::cli
