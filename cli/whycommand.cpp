// zk why: where an item is and why there: the first day it could go to and
// what set that day, the last day it may go to, each earlier day it did not
// go to with the reason, and what it overlaps. Reads only.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "engine/placementreasons.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kWhyUsage =
    "usage: zk why [--folder DIR] [--wait SECONDS] [--yes|--no] ID\n"
    "Tells where item ID is and why, one key=value line each:\n"
    "  id=N\n"
    "  text=TEXT\n"
    "  day=YYYY-MM-DD|none      the first day holding it\n"
    "  start=HH:MM              when it has a start there\n"
    "  floating=1|0\n"
    "  earliest=YYYY-MM-DD by=today|postpone|prerequisite|sequence\n"
    "  prerequisite=M lag-days=D lag-minutes=K    when it has one\n"
    "  sequence-after=M         a Sequence item: the item ahead of it\n"
    "  latest=YYYY-MM-DD|none   its deadline\n"
    "  skipped day=YYYY-MM-DD [through=YYYY-MM-DD] reason=past|kept-clear|\n"
    "          weekday|capacity|no-gap [capacity=K need=M]\n"
    "  conflicting=1|0          its placement is marked conflicting\n"
    "  conflict with=M day=YYYY-MM-DD minutes=K\n";

std::string hhmm(TimeValue t)
{
    int minutes = t.minutes() % 1440;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::string dayText(DayNumber day) { return day.isNone() ? "none" : isoDate(day); }

} // namespace

int runWhy(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk why --help");
    if (args.has("help")) {
        std::fputs(kWhyUsage, stdout);
        return kExitOk;
    }
    const std::string& word = args.positional().empty() ? std::string() : args.positional().front();
    if (args.positional().size() != 1 || word.empty() || word.size() > 9
        || word.find_first_not_of("0123456789") != std::string::npos || std::stoul(word) == 0)
        return usageError("why takes one item ID; see zk why --help");
    const auto id = static_cast<std::uint32_t>(std::stoul(word));
    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    Schedule& schedule = zk.schedule();
    ItemHandle item = schedule.findItemById(id);
    if (!item) {
        std::fprintf(stderr, "zk: no item has id %u\n", static_cast<unsigned>(id));
        return kExitFailed;
    }
    PlacementReasons why = explainPlacement(schedule, item, sessionContext(schedule, zk.session().clock()));
    const ItemRecord& r = schedule.record(item);
    auto idOf = [&](ItemHandle h) { return static_cast<unsigned>(schedule.record(h).id()); };

    std::printf("id=%u\ntext=%s\nday=%s\n", static_cast<unsigned>(id), singleLine(schedule.description(item)).c_str(),
                dayText(why.day).c_str());
    if (!why.start.isNone())
        std::printf("start=%s\n", hhmm(why.start).c_str());
    std::printf("floating=%d\n", why.floating ? 1 : 0);
    std::printf("earliest=%s by=%s\n", dayText(why.earliest).c_str(), causeName(why.earliestBy));
    if (why.prerequisite)
        std::printf("prerequisite=%u lag-days=%d lag-minutes=%d\n", idOf(why.prerequisite), r.lagDays(),
                    r.lagMinutes());
    if (why.aheadInSequence)
        std::printf("sequence-after=%u\n", idOf(why.aheadInSequence));
    std::printf("latest=%s\n", dayText(why.latest).c_str());
    for (const SkippedDay& s : why.skipped) {
        std::printf("skipped day=%s", isoDate(s.day).c_str());
        if (s.through != s.day)
            std::printf(" through=%s", isoDate(s.through).c_str());
        std::printf(" reason=%s", skipReasonName(s.reason));
        if (s.reason == SkipReason::Capacity)
            std::printf(" capacity=%d need=%d", s.capacity, s.need);
        std::printf("\n");
    }
    std::printf("conflicting=%d\n", why.conflicting ? 1 : 0);
    for (const Conflict& c : why.conflicts)
        std::printf("conflict with=%u day=%s minutes=%d\n", idOf(c.other), isoDate(c.day).c_str(), c.minutes);
    return kExitOk;
}

} // namespace zk::cli
