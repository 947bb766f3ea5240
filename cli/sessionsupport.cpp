#include "cli/sessionsupport.h"

#include "cli/commands.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "shell/model/heartbeat.h"
#include "platform/regionalsource.h"

#include <cstdlib>

namespace zk::cli {

namespace {

constexpr long kLongestWaitSeconds = 86400;

std::optional<long> seconds(const std::string& text)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    long n = std::stol(text);
    return n <= kLongestWaitSeconds ? std::optional<long>(n) : std::nullopt;
}

std::string userName()
{
    const char* user = std::getenv("USER");
    return user && *user ? user : "zk";
}

} // namespace

std::optional<Answer> givenAnswer(const Arguments& args)
{
    if (args.has("yes"))
        return Answer::Yes;
    if (args.has("no"))
        return Answer::No;
    return std::nullopt;
}

void echoShown(const ScriptedPresenter::Shown& shown, bool answerGiven, std::FILE* out)
{
    std::string text = singleLine(shown.text);
    if (shown.kind != MessageKind::Question)
        std::fprintf(out, "%s\n", text.c_str());
    else if (answerGiven)
        std::fprintf(out, "%s [%s]\n", text.c_str(), shown.answer == Answer::Yes ? "Yes" : "No");
    else
        std::fprintf(out, "zk: declined (answer with --yes or --no): %s\n", text.c_str());
}

std::vector<OptionSpec> sessionOptions(std::vector<OptionSpec> own)
{
    std::vector<OptionSpec> specs = {{"help"}, {"folder", true}, {"yes"}, {"no"}};
    specs.insert(specs.end(), own.begin(), own.end());
    return specs;
}

std::optional<std::string> sessionUsageProblem(const Arguments& args)
{
    if (!args.error().empty())
        return args.error();
    if (args.has("yes") && args.has("no"))
        return std::string("--yes and --no exclude each other");
    if (auto text = args.value("wait"); text && !seconds(*text))
        return std::string("--wait takes a number of seconds from 0 to 86400");
    if (!scheduleFolderOf(args))
        return std::string("--folder names a schedule folder, whose data file is timedata.pak");
    return std::nullopt;
}

std::chrono::seconds waitLimit(const Arguments& args)
{
    if (auto text = args.value("wait"))
        if (std::optional<long> n = seconds(*text))
            return std::chrono::seconds(*n);
    return std::chrono::seconds(kDefaultWaitSeconds);
}

std::optional<std::filesystem::path> scheduleFolderOf(const Arguments& args)
{
    ScheduleLocation where = locateSchedule(args.value("folder"));
    if (where.dataFile.filename() != kDataFileName)
        return std::nullopt;
    return where.folder;
}

ZkSession::ZkSession(const Arguments& args)
    : folder_(scheduleFolderOf(args).value_or(std::filesystem::path())),
      clock_(clockFromEnvironment()),
      presenter_(givenAnswer(args).value_or(Answer::No)),
      messages_(presenter_)
{
    bool answerGiven = givenAnswer(args).has_value();
    presenter_.setEcho([answerGiven](const ScriptedPresenter::Shown& shown) { echoShown(shown, answerGiven); });
    messages_.setInitialising(true);
    UserRegional user = loadUserRegional(userRegionalSources());
    SessionSettings settings;
    settings.folder = folder_;
    settings.userName = userName();
    settings.regional = user.regional;
    settings.week = user.week;
    session_ = std::make_unique<Session>(std::move(settings), *clock_, messages_);
}

bool ZkSession::open(std::chrono::seconds wait)
{
    session_->setOpenWait(wait);
    if (session_->open())
        return true;
    if (session_->unavailable())
        std::fprintf(stderr, "zk: schedule unavailable: %s stayed missing while another session held %s\n",
                     session_->files().dataFile().c_str(), session_->access().paths().lock.c_str());
    else
        std::fprintf(stderr, "zk: no schedule could be opened in %s\n", folder_.c_str());
    return false;
}

int ZkSession::openFailure() const { return session_->unavailable() ? kExitUnavailable : kExitFailed; }

bool ZkSession::obtainChangeAccess(std::chrono::seconds limit)
{
    if (session_->obtainChangeAccess(limit))
        return true;
    if (session_->access().anotherSessionHolds())
        std::fprintf(stderr, "zk: change access not available: another session holds %s (waited %llds)\n",
                     session_->access().paths().lock.c_str(), static_cast<long long>(limit.count()));
    else
        std::fprintf(stderr, "zk: change access not available for %s\n", folder_.c_str());
    return false;
}

int ZkSession::openForChange(std::chrono::seconds limit)
{
    if (!open(limit))
        return openFailure();
    return obtainChangeAccess(limit) ? kExitOk : kExitUnavailable;
}

std::string singleLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string isoDate(DayNumber day)
{
    CivilDate date = civilDate(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

PlacementContext sessionContext(const Schedule& schedule, const Clock& clock)
{
    SessionMoment moment =
        sessionMoment(clock.localNow(), DayWindow{schedule.dayStart(), schedule.dayEnd(), schedule.nightOwl()});
    PlacementContext context;
    context.today = moment.today;
    context.now = moment.now;
    return context;
}

} // namespace zk::cli
