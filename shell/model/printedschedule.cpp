#include "shell/model/printedschedule.h"

namespace zk {

const char* const kLastBeforeFirstText = "The last day lies before the first.";
const char* const kTooManyDaysText = "Print at most 366 days at a time.";

namespace {

std::string notADate(const std::string& text) { return "\"" + text + "\" is not a date."; }

} // namespace

std::variant<PrintRange, std::string> printRangeFrom(const std::string& first, const std::string& last,
                                                     const EntryContext& context)
{
    const int from = parseDateEntry(first, context);
    if (from == kInvalidEntry)
        return notADate(first);
    const int to = parseDateEntry(last, context);
    if (to == kInvalidEntry)
        return notADate(last);
    if (to < from)
        return std::string(kLastBeforeFirstText);
    if (to - from >= kMostPrintedDays)
        return std::string(kTooManyDaysText);
    return PrintRange{DayNumber(from), DayNumber(to)};
}

std::vector<DayLines> printedDays(Schedule& schedule, const PrintRange& range, PaneDisplay display,
                                  const LineMoment& moment, const RegionalSettings& regional, const HideTest& hidden)
{
    display.printing = true;
    std::vector<DayLines> days;
    for (DayNumber day = range.first; day <= range.last; day = day + 1)
        days.push_back(dayLines(schedule, day, display, moment, regional, hidden));
    return days;
}

} // namespace zk
