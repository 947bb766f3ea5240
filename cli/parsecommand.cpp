// zk parse: reads texts the way the entry fields do and prints what they
// mean, with this user's regional settings and clock (ZELKON_NOW fixes it).

#include "cli/commands.h"
#include "cli/options.h"
#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/dateparse.h"
#include "platform/clock.h"
#include "platform/regionalsource.h"

#include <cstdio>

namespace zk::cli {

namespace {

constexpr const char* kUsage =
    "usage: zk parse date|time|duration [--intl NAME=VALUE]... [--setting NAME=VALUE]... [--] TEXT...\n"
    "\n"
    "Reads each TEXT as the date, time or duration fields do and prints one line for it:\n"
    "  date      day=N date=SHORT weekday=NAME week=W period=P\n"
    "  time      value=N time=TEXT\n"
    "  duration  minutes=N duration=TEXT\n"
    "or \"invalid\". Exits with 1 when any TEXT was invalid.\n"
    "\n"
    "  --intl NAME=VALUE     one regional value for this call: iDate, iTime, iTLZero,\n"
    "                        iDayLzero, iMonLzero, sDate, sTime, sShortDate\n"
    "  --setting NAME=VALUE  one setting: WeekStartsMon, FirstWeekRule, YearFirstWeekAdjust\n"
    "\n"
    "Today and now come from the clock, or from ZELKON_NOW (\"YYYY-MM-DD HH:MM\").\n";

enum class Kind { Date, Time, Duration };

// Applies NAME=VALUE overrides; an empty result means they all applied.
template <typename Settings, typename Setter>
std::string applyOverrides(const std::vector<std::string>& overrides, Settings& settings, Setter set,
                           const char* option)
{
    for (const std::string& o : overrides) {
        const auto eq = o.find('=');
        if (eq == std::string::npos)
            return std::string("--") + option + " wants NAME=VALUE, not \"" + o + "\"";
        if (!set(settings, o.substr(0, eq), o.substr(eq + 1)))
            return std::string("--") + option + " " + o + ": unknown name or value out of range";
    }
    return {};
}

bool printDate(const std::string& text, const EntryContext& context)
{
    const int value = parseDateEntry(text, context);
    if (value == kInvalidEntry)
        return false;
    const DayNumber d(value);
    std::printf("day=%d date=%s weekday=%s week=%d period=%d\n", value, shortDate(d, context.regional).c_str(),
                dayName(d, context.regional).c_str(), calendarWeek(d, context.week), periodOfYear(d, context.week));
    return true;
}

bool printTime(const std::string& text, const EntryContext& context)
{
    const int value = parseTimeEntry(text, context);
    if (value == kInvalidEntry)
        return false;
    std::printf("value=%d time=%s\n", value, timeText(TimeValue(value), context.regional).c_str());
    return true;
}

bool printDuration(const std::string& text, const EntryContext& context)
{
    const auto minutes = parseDurationEntry(text);
    if (!minutes)
        return false;
    std::printf("minutes=%d duration=%s\n", *minutes, durationText(*minutes, context.regional).c_str());
    return true;
}

} // namespace

int runParse(const std::vector<std::string>& words)
{
    const Arguments args(words, {{"intl", true}, {"setting", true}, {"help", false}});
    if (!args.error().empty())
        return usageError(args.error() + "; see zk parse --help");
    if (args.has("help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    const auto& positional = args.positional();
    if (positional.size() < 2)
        return usageError("parse needs a kind (date, time or duration) and at least one text; see zk parse --help");
    const std::string& kindName = positional[0];
    Kind kind;
    if (kindName == "date")
        kind = Kind::Date;
    else if (kindName == "time")
        kind = Kind::Time;
    else if (kindName == "duration")
        kind = Kind::Duration;
    else
        return usageError("parse: unknown kind \"" + kindName + "\"; use date, time or duration");

    UserRegional settings = loadUserRegional(userRegionalSources());
    std::string problem = applyOverrides(args.values("intl"), settings.regional, setIntlValue, "intl");
    if (problem.empty())
        problem = applyOverrides(args.values("setting"), settings.week, setWeekSetting, "setting");
    if (!problem.empty())
        return usageError(problem);

    const auto clock = clockFromEnvironment();
    EntryContext context;
    context.today = clock->today();
    context.now = clock->now();
    context.regional = sanitised(settings.regional);
    context.week = sanitised(settings.week);

    bool allValid = true;
    for (size_t i = 1; i < positional.size(); ++i) {
        const std::string& text = positional[i];
        const bool valid = kind == Kind::Date   ? printDate(text, context)
                           : kind == Kind::Time ? printTime(text, context)
                                                : printDuration(text, context);
        if (!valid) {
            std::printf("invalid\n");
            allValid = false;
        }
    }
    return allValid ? kExitOk : kExitFailed;
}

} // namespace zk::cli
