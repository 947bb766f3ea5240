// zk alarms: the alarms of a day in the order they ring. It only reads.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/dateparse.h"
#include "core/schedule.h"
#include "worktools/model/alarmcheck.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kAlarmsUsage =
    "usage: zk alarms [--folder DIR] [--] [DATE]\n"
    "Prints the alarms of DATE (as a date field reads it; default today) in the\n"
    "order they ring, one line each:\n"
    "  HH:MM id=N when=begin|end offset=-10 repeat=0|answered|HH:MM TEXT\n"
    "offset: minutes from the begin or end (negative = before); repeat: not rung\n"
    "yet (0), rung and answered, or the time it rings again.\n";

std::string clock(int timeValue)
{
    char text[16];
    const int minutes = (timeValue - 1) % 1440;
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::string repeatText(std::uint16_t repeat)
{
    if (repeat == kAlarmNotRung)
        return "0";
    if (repeat == kAlarmAnswered)
        return "answered";
    return clock(repeat);
}

} // namespace

int runAlarms(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}});
    if (!args.error().empty())
        return usageError(args.error() + "; see zk alarms --help");
    if (args.has("help")) {
        std::fputs(kAlarmsUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1)
        return usageError("alarms takes at most one date; see zk alarms --help");
    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    EntryContext context = zk.session().entryContext();
    DayNumber day = context.today;
    if (!args.positional().empty()) {
        const int value = parseDateEntry(args.positional().front(), context);
        if (value == kInvalidEntry || !DayNumber(value).isUsable())
            return usageError("alarms: \"" + args.positional().front() + "\" is not a date");
        day = DayNumber(value);
    }
    Schedule& schedule = zk.schedule();
    // A day without a record yet gets one, with its recurring occurrences.
    if (!schedule.isPastDay(day))
        schedule.getDay(day);
    for (const DayAlarm& alarm : alarmsOfDay(schedule, day))
        std::printf("%s id=%u when=%s offset=%d repeat=%s %s\n", clock(alarm.rings.value()).c_str(),
                    static_cast<unsigned>(alarm.itemId), alarm.reference == AlarmReference::Begin ? "begin" : "end",
                    alarm.offset, repeatText(alarm.repeat).c_str(), singleLine(alarm.text).c_str());
    return kExitOk;
}

} // namespace zk::cli
